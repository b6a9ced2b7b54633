// The diff view's "View" row and changes row at work: zoom in steps, the
// one-pane views, the offset between the versions, the keys, and the pixel
// inspector's hover.
#include "viewer/view_row_controller.h"

#include "viewer/change_navigator.h"
#include "viewer/diff_status_line.h"
#include "viewer/diff_view_actions.h"
#include "viewer/pane_grid.h"
#include "viewer/u_blend_frame.h"
#include "viewer/u_pane_synchronizer.h"
#include "viewer/u_zoom.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QShortcut>
#include <QSlider>

T_View_Row_Controller::T_View_Row_Controller(T_Diff_View_Actions& Actions, T_Pane_Grid& Panes,
                                             T_Change_Navigator& Changes,
                                             T_Diff_Status_Line& Status_Line,
                                             std::function<void()> Toggle_Fit)
    : Actions(Actions), Panes(Panes), Changes(Changes), Status_Line(Status_Line),
      Toggle_Fit_(std::move(Toggle_Fit))
{
}

void T_View_Row_Controller::Add_Shortcuts()
{
    auto key = [this](const QKeySequence& sequence, std::function<void()> handler) {
        return Actions.Add_Key(sequence, std::move(handler));
    };
    key(QKeySequence(Qt::Key_Plus), [this] { Zoom_In(); });
    key(QKeySequence(Qt::Key_Equal), [this] { Zoom_In(); });
    key(QKeySequence(Qt::Key_Minus), [this] { Zoom_Out(); });
    key(QKeySequence(Qt::Key_1), [this] { Zoom_100(); });
    key(QKeySequence(Qt::Key_S), [this] { Actions.Side_By_Side_A->trigger(); });
    key(QKeySequence(Qt::Key_O), [this] { Actions.Overlay_A->trigger(); });
    key(QKeySequence(Qt::Key_B), [this] { Actions.Blink_A->trigger(); });
    key(QKeySequence(Qt::Key_W), [this] { Actions.Swipe_A->trigger(); });
    key(QKeySequence(Qt::Key_D), [this] { Actions.Differences_A->trigger(); });
    key(QKeySequence(Qt::Key_N), [this] { Changes.Step_Change(1); });
    key(QKeySequence(Qt::Key_C), [this] { Actions.Show_Changes_C->toggle(); });
    key(QKeySequence(Qt::Key_P), [this] { Changes.Step_Change(-1); });
    key(QKeySequence(Qt::Key_BracketLeft), [this] { Step_Opacity(-10); });
    key(QKeySequence(Qt::Key_BracketRight), [this] { Step_Opacity(10); });
    key(QKeySequence(Qt::Key_Space), [this] { Panes.Blink_Pause_Or_Toggle(); });
    key(QKeySequence(Qt::ALT | Qt::Key_0), [this] { Reset_Offset(); });
    const std::pair<Qt::Key, QPoint> arrows[] = {{Qt::Key_Left, {-1, 0}},
                                                 {Qt::Key_Right, {1, 0}},
                                                 {Qt::Key_Up, {0, -1}},
                                                 {Qt::Key_Down, {0, 1}}};
    for (const auto& [arrow, step] : arrows) {
        key(QKeySequence(Qt::ALT | arrow), [this, step] { Nudge_Offset(step); });
        key(QKeySequence(Qt::ALT | Qt::SHIFT | arrow), [this, step] { Nudge_Offset(step * 10); });
    }
    // The plain arrows scroll the pictures, except in the swipe view.
    Actions.Swipe_Keys = {key(QKeySequence(Qt::Key_Left), [this] { Panes.Step_Divider(-1); }),
                          key(QKeySequence(Qt::Key_Right), [this] { Panes.Step_Divider(1); })};
}

void T_View_Row_Controller::Zoom_To(double Zoom, TView_Image_Frame* Pane, const QPoint& At)
{
    if (!Pane || !Pane->Image1 || Panes.View_Mode() == T_View_Mode::None)
        return;
    // The picture point under the anchor, before anything moves.
    const QPointF content =
        Pane->Image1->Content_Point(Pane->Image1->mapFrom(Pane->ScrollBox1->viewport(), At));
    // Zooming leaves fit mode and goes on from the fitted scale.
    if (Panes.View_Mode() == T_View_Mode::Fit)
        Toggle_Fit_();
    Panes.Synchronizer().Zoom_Keeping(Clamped_Zoom(Zoom), Pane,
                                      content - Pane->Image1->Content_Rect().topLeft(), At);
    Status_Line.Update();
}

namespace {

QPoint Viewport_Centre(const TView_Image_Frame* Pane)
{
    return Pane && Pane->ScrollBox1 ? Pane->ScrollBox1->viewport()->rect().center() : QPoint();
}

} // namespace

void T_View_Row_Controller::Zoom_In()
{
    TView_Image_Frame* pane = Panes.Main_Pane();
    Zoom_To(Zoomed_In(Panes.Current_Scale()), pane, Viewport_Centre(pane));
}

void T_View_Row_Controller::Zoom_Out()
{
    TView_Image_Frame* pane = Panes.Main_Pane();
    Zoom_To(Zoomed_Out(Panes.Current_Scale()), pane, Viewport_Centre(pane));
}

void T_View_Row_Controller::Zoom_Centred(double Zoom)
{
    TView_Image_Frame* pane = Panes.Main_Pane();
    Zoom_To(Zoom, pane, Viewport_Centre(pane));
}

void T_View_Row_Controller::Zoom_100() { Zoom_Centred(1.0); }

void T_View_Row_Controller::Show_Layout(T_Pane_Layout Layout)
{
    Panes.Show_Layout(Layout, Actions.Opacity_S->value() / 100.0);
    Actions.Opacity_S->setEnabled(Layout == T_Pane_Layout::Overlay);
    Actions.Blink_Interval_E->setEnabled(Layout == T_Pane_Layout::Blink);
    for (QShortcut* shortcut : Actions.Swipe_Keys)
        shortcut->setEnabled(Layout == T_Pane_Layout::Swipe);
    if (Layout != T_Pane_Layout::Side_By_Side)
        Panes.View_Image_Frame4->Blend()->Set_Difference(Changes.Shared_Differences());
    Changes.Show_Change_Frames();
    Status_Line.Update();
}

void T_View_Row_Controller::Step_Opacity(int Percent)
{
    if (Panes.Layout() == T_Pane_Layout::Overlay)
        Actions.Opacity_S->setValue(Actions.Opacity_S->value() + Percent);
}

void T_View_Row_Controller::Nudge_Offset(const QPoint& Step)
{
    Panes.Set_Offset(Panes.Offset() + Step);
    Changes.Refresh_Differences();
    Status_Line.Update();
}

void T_View_Row_Controller::Reset_Offset()
{
    Panes.Set_Offset(QPoint());
    Changes.Refresh_Differences();
    Status_Line.Update();
}

void T_View_Row_Controller::Hover(TView_Image_Frame* Pane, QPointF At)
{
    Status_Line.Set_Hover(Pane, At);
    // The divider follows the mouse.
    Panes.Follow_Hover(Pane, At);
    Status_Line.Update();
}
