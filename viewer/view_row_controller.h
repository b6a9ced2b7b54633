// What the "View" row and the changes row do to the panes: zoom in steps
// about a point, the one-pane views, the offset of the modified version, the
// keys of both rows, and the hover that the status line and the swipe
// divider follow. The view owns it and forwards its public operations.
#pragma once

#include "viewer/pane_grid.h"

#include <QPoint>
#include <QPointF>

#include <functional>

class T_Change_Navigator;
class T_Diff_Status_Line;
class T_Diff_View_Actions;
class TView_Image_Frame;

class T_View_Row_Controller {
public:
    // Toggle_Fit switches the view between fit and actual size (the Fit
    // action's own handler, which zooming in fit mode goes through).
    T_View_Row_Controller(T_Diff_View_Actions& Actions, T_Pane_Grid& Panes,
                          T_Change_Navigator& Changes, T_Diff_Status_Line& Status_Line,
                          std::function<void()> Toggle_Fit);

    void Add_Shortcuts();
    // Zooms every pane to Zoom (within the steps' range), keeping the
    // picture point under At, a point of Pane's viewport, where it is.
    void Zoom_To(double Zoom, TView_Image_Frame* Pane, const QPoint& At);
    // Zooms every pane to Zoom about the centre of the main pane.
    void Zoom_Centred(double Zoom);
    void Zoom_In();
    void Zoom_Out();
    void Zoom_100();
    void Show_Layout(T_Pane_Layout Layout);
    void Step_Opacity(int Percent);
    // Shifts the modified picture against the base, in picture pixels.
    void Nudge_Offset(const QPoint& Step);
    void Reset_Offset();
    void Hover(TView_Image_Frame* Pane, QPointF At);

private:
    T_Diff_View_Actions& Actions;
    T_Pane_Grid& Panes;
    T_Change_Navigator& Changes;
    T_Diff_Status_Line& Status_Line;
    std::function<void()> Toggle_Fit_;
};
