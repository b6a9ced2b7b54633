// Keeps the status line (and the zoom box, which follows it) true to what
// the panes show between the view's own commands.
#pragma once

#include <QTimer>

class T_Diff_Status_Line;
class T_Pane_Grid;

// In fit mode the scale shown is decided by the layout, not by a command:
// the change list opening or being dragged wider, the window resized, a
// pane shown, the sides swapped into a window of another size. A scroll
// moves the picture under a resting mouse. Each of these moves or resizes a
// pane's picture control, so the watch listens to those and has the status
// line say again what is shown. A layout pass moves several panes at once:
// one update follows, on the next turn of the event loop. The mouse leaving
// a picture is passed on to the pixel inspector.
class T_Shown_Place_Watch {
public:
    T_Shown_Place_Watch(T_Pane_Grid& Panes, T_Diff_Status_Line& Status_Line);
    // The panes outlive the watch: their hooks are cleared here.
    ~T_Shown_Place_Watch();
    T_Shown_Place_Watch(const T_Shown_Place_Watch&) = delete;
    T_Shown_Place_Watch& operator=(const T_Shown_Place_Watch&) = delete;

private:
    T_Pane_Grid& Panes;
    QTimer Pending;
};
