// The comparison window's own settings, kept in the user's settings from one
// window to the next: the differences' tolerance and anti-aliasing, the view
// the versions are shown in (side by side or a one-pane view, with the
// overlay's opacity and the blink interval), Show changes, the alignment,
// and whether the
// change list is shown and how wide it is. The toolbar's first row keeps its
// usual start state; only these later controls are remembered.
#pragma once

#include "viewer/pane_grid.h"
#include "differences/picture_alignment.h"

#include <optional>

class QSplitter;
class T_Change_List;
class T_Comparison_Model;
class QWidget;

struct T_Remembered_View_Settings {
    int Tolerance;
    bool Ignore_Antialiasing;
    T_Pane_Layout Layout;
    int Opacity_Percent;
    double Blink_Seconds;
    bool Show_Changes;
    T_Align_Mode Align;
    // Unset until the user shows or hides the list, or resizes it.
    std::optional<bool> Change_List_Shown;
    std::optional<int> Change_List_Width;
};

// The stored settings; a value that is missing, not a number or out of its
// control's range reads as the control's default.
T_Remembered_View_Settings Remembered_View_Settings();

// Gives View's controls and its change list the stored settings, and stores
// every change the user makes to them from then on. A view that cannot show
// the stored view (a pair with one version missing) stays side by side,
// leaving the stored choice for the next pair. Splitter holds the view and
// the list; the list's width follows the stored one (see
// Keep_Change_List_Width).
// View is the diff view, whose controls are found by their names; Model is
// the comparison it shows.
void Remember_View_Settings(QWidget& View, const T_Comparison_Model& Model, T_Change_List& List,
                            QSplitter& Splitter);
