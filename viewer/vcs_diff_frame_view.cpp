// The diff view's "View" row and changes row at work: zoom in steps, the
// one-pane views, the offset between the versions, stepping through the
// changes, the keys, and the status line with the pixel inspector.
#include "change_navigator.h"
#include "diff_status_line.h"
#include "u_blend_frame.h"
#include "u_pane_synchronizer.h"
#include "u_zoom.h"
#include "vcs_diff_frame.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QShortcut>
#include <QSlider>

void TView_diff_frame::Add_View_Shortcuts()
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
    key(QKeySequence(Qt::Key_N), [this] { Step_Change(1); });
    key(QKeySequence(Qt::Key_C), [this] { Actions.Show_Changes_C->toggle(); });
    key(QKeySequence(Qt::Key_P), [this] { Step_Change(-1); });
    key(QKeySequence(Qt::Key_BracketLeft), [this] { Step_Opacity(-10); });
    key(QKeySequence(Qt::Key_BracketRight), [this] { Step_Opacity(10); });
    key(QKeySequence(Qt::Key_Space), [this] { Blink_Pause_Or_Toggle(); });
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
    Actions.Swipe_Keys = {key(QKeySequence(Qt::Key_Left), [this] { Step_Divider(-1); }),
                          key(QKeySequence(Qt::Key_Right), [this] { Step_Divider(1); })};
}

double TView_diff_frame::Current_Scale() const { return Panes->Current_Scale(); }

void TView_diff_frame::Zoom_To(double Zoom, TView_Image_Frame* Pane, const QPoint& At)
{
    if (!Pane || !Pane->Image1 || ViewMode() == T_View_Mode::None)
        return;
    // The picture point under the anchor, before anything moves.
    const QPointF content =
        Pane->Image1->Content_Point(Pane->Image1->mapFrom(Pane->ScrollBox1->viewport(), At));
    // Zooming leaves fit mode and goes on from the fitted scale.
    if (ViewMode() == T_View_Mode::Fit)
        Fit_AExecute();
    Panes->Synchronizer().Zoom_Keeping(Clamped_Zoom(Zoom), Pane,
                                       content - Pane->Image1->Content_Rect().topLeft(), At);
    Update_Status();
}

namespace {

QPoint Viewport_Centre(const TView_Image_Frame* Pane)
{
    return Pane && Pane->ScrollBox1 ? Pane->ScrollBox1->viewport()->rect().center() : QPoint();
}

} // namespace

void TView_diff_frame::Zoom_In()
{
    TView_Image_Frame* pane = Panes->Main_Pane();
    Zoom_To(Zoomed_In(Current_Scale()), pane, Viewport_Centre(pane));
}

void TView_diff_frame::Zoom_Out()
{
    TView_Image_Frame* pane = Panes->Main_Pane();
    Zoom_To(Zoomed_Out(Current_Scale()), pane, Viewport_Centre(pane));
}

void TView_diff_frame::Zoom_100()
{
    TView_Image_Frame* pane = Panes->Main_Pane();
    Zoom_To(1.0, pane, Viewport_Centre(pane));
}

void TView_diff_frame::Show_Layout(T_Pane_Layout Layout)
{
    Panes->Show_Layout(Layout, Actions.Opacity_S->value() / 100.0);
    Actions.Opacity_S->setEnabled(Layout == T_Pane_Layout::Overlay);
    Actions.Blink_Interval_E->setEnabled(Layout == T_Pane_Layout::Blink);
    for (QShortcut* shortcut : Actions.Swipe_Keys)
        shortcut->setEnabled(Layout == T_Pane_Layout::Swipe);
    if (Layout != T_Pane_Layout::Side_By_Side)
        Panes->View_Image_Frame4->Blend()->Set_Difference(Changes->Shared_Differences());
    Changes->Show_Change_Frames();
    Update_Status();
}

void TView_diff_frame::Blink_Pause_Or_Toggle() { Panes->Blink_Pause_Or_Toggle(); }

void TView_diff_frame::Step_Opacity(int Percent)
{
    if (Layout() == T_Pane_Layout::Overlay)
        Actions.Opacity_S->setValue(Actions.Opacity_S->value() + Percent);
}

void TView_diff_frame::Step_Divider(int Direction) { Panes->Step_Divider(Direction); }

void TView_diff_frame::Nudge_Offset(const QPoint& Step)
{
    Panes->Set_Offset(Panes->Offset() + Step);
    Refresh_Differences();
    Update_Status();
}

void TView_diff_frame::Reset_Offset()
{
    Panes->Set_Offset(QPoint());
    Refresh_Differences();
    Update_Status();
}

void TView_diff_frame::Hover(TView_Image_Frame* Pane, QPointF At)
{
    // The inspector reads base picture points; over the modified version's
    // own pane the mouse is on a modified picture point, which the offset
    // puts elsewhere on the base.
    Status_Line->Set_Hover(Pane == Panes->View_Image_Frame2 ? At + QPointF(Offset()) : At);
    // The divider follows the mouse.
    Panes->Follow_Hover(Pane, At);
    Update_Status();
}

void TView_diff_frame::Update_Status()
{
    if (Status_Line)
        Status_Line->Update();
}

void TView_diff_frame::Refresh_Differences()
{
    if (Changes)
        Changes->Refresh_Differences();
}

const T_Difference* TView_diff_frame::Differences() const { return Changes->Differences(); }

void TView_diff_frame::Step_Change(int Direction) { Changes->Step_Change(Direction); }

int TView_diff_frame::Current_Change() const { return Changes->Current_Change(); }
