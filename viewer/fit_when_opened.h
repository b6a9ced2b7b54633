// The remembered choice whether a paged document (PDF, drawing) opens fitted
// to its pane. It is kept with the user's settings, on by default: a page is
// usually larger than the pane, and its first sight should be all of it.
// Pictures open at 100 % regardless; Fit is a click away for them.
#pragma once

#include "viewer/diff_view_context.h"

class QAction;

bool Fit_Pages_When_Opened();
void Set_Fit_Pages_When_Opened(bool Fit);

// Puts the checkable "Fit pages when opened" action at the end of the view's
// "View" row; toggling it stores the choice for the next opening.
QAction* Add_Fit_When_Opened_Action(QWidget& View);

// Switches a view that has just opened a paged pair to fit mode when that is
// the user's choice; a picture pair, or a view that failed to open, stays as
// it is. Fit mode is entered as by the view's "Fit_A" action.
void Fit_If_Chosen(const T_Diff_View_Context& View);
