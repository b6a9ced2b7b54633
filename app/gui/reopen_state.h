// What a comparison window hands on to the window that replaces it (after
// Swap sides, Reload, a drop or a recent pair): its place on the screen and,
// for the same files, the view (fit or zoom, the pages shown).
#pragma once

#include <QRect>

#include <optional>

class QWidget;
class TView_diff_frame;

struct T_Reopen_State {
    QRect Geometry;
    bool Maximized = false;
    bool Fit = false;
    double Scale = 1.0;
    int Left_Page = -1;
    int Right_Page = -1;
};

T_Reopen_State Capture_Reopen_State(const QWidget& Window, const TView_diff_frame& View);

// Puts Window where the old one was.
void Restore_Placement(QWidget& Window, const T_Reopen_State& State);

// Shows the same view of the pair as before: the fit or the zoom, and the
// pages where they still exist. Swapped: the pair's sides were exchanged,
// so the pages are too.
void Restore_View(TView_diff_frame& View, const T_Reopen_State& State, bool Swapped);
