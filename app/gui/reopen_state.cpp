#include "app/gui/reopen_state.h"

#include "viewer/vcs_diff_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QWidget>

namespace {

TDiff_Pagelist_Frame* Tabs(const TView_diff_frame& View, const char* Name)
{
    return View.findChild<TDiff_Pagelist_Frame*>(QString::fromLatin1(Name));
}

int Page_Of(const TView_diff_frame& View, const char* Name)
{
    const TDiff_Pagelist_Frame* tabs = Tabs(View, Name);
    return tabs ? tabs->Selected_Index() : -1;
}

void Select_Page(TView_diff_frame& View, const char* Name, int Page)
{
    TDiff_Pagelist_Frame* tabs = Tabs(View, Name);
    // A page beyond the new count has gone with the file's new version.
    if (tabs && Page >= 0 && Page < tabs->Page_List().Count() && tabs->Selected_Index() != Page)
        tabs->Select_Index(Page);
}

} // namespace

T_Reopen_State Capture_Reopen_State(const QWidget& Window, const TView_diff_frame& View)
{
    T_Reopen_State state;
    state.Geometry = Window.normalGeometry();
    state.Maximized = Window.isMaximized();
    state.Fit = View.ViewMode() == T_View_Mode::Fit;
    state.Scale = View.Current_Scale();
    state.Left_Page = Page_Of(View, "LeftTabs");
    state.Right_Page = Page_Of(View, "RightTabs");
    return state;
}

void Restore_Placement(QWidget& Window, const T_Reopen_State& State)
{
    if (State.Geometry.isValid())
        Window.setGeometry(State.Geometry);
    if (State.Maximized)
        Window.setWindowState(Qt::WindowMaximized);
}

void Restore_View(TView_diff_frame& View, const T_Reopen_State& State, bool Swapped)
{
    if (View.ViewMode() == T_View_Mode::None)
        return;
    // Without sync the strips move alone; with it the second selection
    // settles both strips on the page asked for last, as a click would.
    Select_Page(View, "LeftTabs", Swapped ? State.Right_Page : State.Left_Page);
    Select_Page(View, "RightTabs", Swapped ? State.Left_Page : State.Right_Page);
    if (State.Fit != (View.ViewMode() == T_View_Mode::Fit))
        View.Fit_AExecute();
    if (State.Fit || View.Current_Scale() == State.Scale)
        return;
    // Zoomed about the corner of the base pane (the modified one where the
    // base version does not exist), as scrolled on opening.
    auto* pane = View.findChild<TView_Image_Frame*>(QStringLiteral("View_Image_Frame1"));
    if (!pane || pane->Is_Missing_Version())
        pane = View.findChild<TView_Image_Frame*>(QStringLiteral("View_Image_Frame2"));
    View.Zoom_To(State.Scale, pane, {});
}
