// The diff view's "View" row: zoom in step, the one-pane views (overlay,
// blink, swipe), the offset between the versions, and the status line with
// the pixel inspector. The toolbar above it keeps its actions as they are.
#include "u_blend_frame.h"
#include "u_pane_synchronizer.h"
#include "u_zoom.h"
#include "vcs_diff_frame.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSlider>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Keys act on the pictures, not on a field being typed into.
bool Typing()
{
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus);
}

QString Colour_Text(const QImage& Picture, const QPoint& At)
{
    if (!QRect(QPoint(0, 0), Picture.size()).contains(At))
        return QStringLiteral("none");
    return Picture.pixelColor(At).name(QColor::HexRgb).toUpper();
}

} // namespace

void TView_diff_frame::Build_View_Row(QVBoxLayout* Layout)
{
    ToolBar2 = new QToolBar(QStringLiteral("View"), this);
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar2->setMovable(false);
    Layout->insertWidget(1, ToolBar2);
    auto add = [this](const QString& caption, const QString& keys, auto handler) {
        QAction* action = ToolBar2->addAction(caption);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(caption, keys));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    Zoom_In_A =
        add(QStringLiteral("Zoom in"), QStringLiteral("+ or Ctrl+wheel"), [this] { Zoom_In(); });
    Zoom_Out_A =
        add(QStringLiteral("Zoom out"), QStringLiteral("- or Ctrl+wheel"), [this] { Zoom_Out(); });
    Zoom_100_A = add(QStringLiteral("Zoom 100%"), QStringLiteral("1"), [this] { Zoom_100(); });
    ToolBar2->addSeparator();
    auto* layouts = new QActionGroup(this);
    auto add_layout = [&](const QString& caption, const QString& keys, T_Pane_Layout layout) {
        QAction* action = add(caption, keys, [this, layout] { Show_Layout(layout); });
        action->setCheckable(true);
        layouts->addAction(action);
        return action;
    };
    Side_By_Side_A = add_layout(QStringLiteral("Side by side"), QStringLiteral("S"),
                                T_Pane_Layout::Side_By_Side);
    Overlay_A = add_layout(QStringLiteral("Overlay"), QStringLiteral("O"), T_Pane_Layout::Overlay);
    Blink_A = add_layout(QStringLiteral("Blink"), QStringLiteral("B; Space pauses"),
                         T_Pane_Layout::Blink);
    Swipe_A = add_layout(QStringLiteral("Swipe"), QStringLiteral("W; Left and Right move it"),
                         T_Pane_Layout::Swipe);
    Differences_A =
        add_layout(QStringLiteral("Differences"), QStringLiteral("D"), T_Pane_Layout::Differences);
    Side_By_Side_A->setChecked(true);

    Opacity_S = new QSlider(Qt::Horizontal, ToolBar2);
    Opacity_S->setRange(0, 100);
    Opacity_S->setValue(50);
    Opacity_S->setFixedWidth(120);
    Opacity_S->setToolTip(QStringLiteral("Opacity of the modified version ([ and ])"));
    connect(Opacity_S, &QSlider::valueChanged, this, [this](int value) {
        if (View_Image_Frame4->Blend())
            View_Image_Frame4->Blend()->Set_Opacity(value / 100.0);
    });
    ToolBar2->addWidget(Opacity_S);
    Blink_Interval_E = new QDoubleSpinBox(ToolBar2);
    Blink_Interval_E->setRange(0.1, 5.0);
    Blink_Interval_E->setSingleStep(0.1);
    Blink_Interval_E->setDecimals(1);
    Blink_Interval_E->setValue(0.5);
    Blink_Interval_E->setSuffix(QStringLiteral(" s"));
    Blink_Interval_E->setToolTip(QStringLiteral("Time each version shows while blinking"));
    connect(Blink_Interval_E, &QDoubleSpinBox::valueChanged, this,
            [this](double seconds) { Blink_Timer.setInterval(int(std::lround(seconds * 1000))); });
    ToolBar2->addWidget(Blink_Interval_E);
    ToolBar2->addSeparator();
    Reset_Offset_A = add(QStringLiteral("Reset offset"), QStringLiteral("Alt+0; Alt+arrows move"),
                         [this] { Reset_Offset(); });
    Build_Difference_Controls(Layout);

    Blink_Timer.setInterval(500);
    connect(&Blink_Timer, &QTimer::timeout, this, [this] { Blink_Tick(); });
    Status_L = new QLabel(this);
    Status_L->setContentsMargins(4, 1, 4, 1);
    Status_L->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Layout->addWidget(Status_L);
    Add_View_Shortcuts();
    Show_Layout(T_Pane_Layout::Side_By_Side);
}

void TView_diff_frame::Add_View_Shortcuts()
{
    auto key = [this](const QKeySequence& sequence, auto handler) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [handler] {
            if (!Typing())
                handler();
        });
        return shortcut;
    };
    key(QKeySequence(Qt::Key_Plus), [this] { Zoom_In(); });
    key(QKeySequence(Qt::Key_Equal), [this] { Zoom_In(); });
    key(QKeySequence(Qt::Key_Minus), [this] { Zoom_Out(); });
    key(QKeySequence(Qt::Key_1), [this] { Zoom_100(); });
    key(QKeySequence(Qt::Key_S), [this] { Side_By_Side_A->trigger(); });
    key(QKeySequence(Qt::Key_O), [this] { Overlay_A->trigger(); });
    key(QKeySequence(Qt::Key_B), [this] { Blink_A->trigger(); });
    key(QKeySequence(Qt::Key_W), [this] { Swipe_A->trigger(); });
    key(QKeySequence(Qt::Key_D), [this] { Differences_A->trigger(); });
    key(QKeySequence(Qt::Key_N), [this] { Step_Change(1); });
    key(QKeySequence(Qt::Key_C), [this] { Show_Changes_C->toggle(); });
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
    Swipe_Keys = {key(QKeySequence(Qt::Key_Left), [this] { Step_Divider(-1); }),
                  key(QKeySequence(Qt::Key_Right), [this] { Step_Divider(1); })};
}

TView_Image_Frame* TView_diff_frame::Main_Pane() const
{
    if (Layout_ != T_Pane_Layout::Side_By_Side && View_Image_Frame4->Image1)
        return View_Image_Frame4;
    if (View_Image_Frame1->Image1 && !View_Image_Frame1->Is_Missing_Version())
        return View_Image_Frame1;
    return View_Image_Frame2->Image1 ? View_Image_Frame2 : nullptr;
}

double TView_diff_frame::Current_Scale() const
{
    TView_Image_Frame* pane = Main_Pane();
    if (ViewMode_ != T_View_Mode::Fit || !pane || pane->Image1->Content_Rect().isEmpty())
        return Synchronizer->Zoom();
    return double(pane->Image1->Draw_Rect().width()) / pane->Image1->Content_Rect().width();
}

void TView_diff_frame::Zoom_To(double Zoom, TView_Image_Frame* Pane, const QPoint& At)
{
    if (!Pane || !Pane->Image1 || ViewMode_ == T_View_Mode::None)
        return;
    // The picture point under the anchor, before anything moves.
    const QPointF content =
        Pane->Image1->Content_Point(Pane->Image1->mapFrom(Pane->ScrollBox1->viewport(), At));
    // Zooming leaves fit mode and goes on from the fitted scale.
    if (ViewMode_ == T_View_Mode::Fit)
        Fit_AExecute();
    Synchronizer->Zoom_Keeping(Clamped_Zoom(Zoom), Pane,
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
    TView_Image_Frame* pane = Main_Pane();
    Zoom_To(Zoomed_In(Current_Scale()), pane, Viewport_Centre(pane));
}

void TView_diff_frame::Zoom_Out()
{
    TView_Image_Frame* pane = Main_Pane();
    Zoom_To(Zoomed_Out(Current_Scale()), pane, Viewport_Centre(pane));
}

void TView_diff_frame::Zoom_100()
{
    TView_Image_Frame* pane = Main_Pane();
    Zoom_To(1.0, pane, Viewport_Centre(pane));
}

void TView_diff_frame::Show_Blend_Pictures()
{
    if (Layout_ == T_Pane_Layout::Side_By_Side)
        return;
    auto picture = [](TView_Image_Frame* pane) {
        return pane->Image1 ? pane->Image1->Picture() : QImage();
    };
    View_Image_Frame4->Show_Pair(picture(View_Image_Frame1), picture(View_Image_Frame2),
                                 [this](TMyScrollBox* sender) { Sync_Scroll(sender); });
    View_Image_Frame4->Set_View_Mode(ViewMode_);
    View_Image_Frame4->Set_Offset(Offset_);
}

void TView_diff_frame::Show_Layout(T_Pane_Layout Layout)
{
    Layout_ = Layout;
    const bool one_pane = Layout != T_Pane_Layout::Side_By_Side;
    Show_Blend_Pictures();
    if (one_pane) {
        T_Blend_Image* blend = View_Image_Frame4->Blend();
        blend->Set_Mode(Layout == T_Pane_Layout::Overlay       ? T_Blend_Mode::Overlay
                        : Layout == T_Pane_Layout::Blink       ? T_Blend_Mode::Blink
                        : Layout == T_Pane_Layout::Differences ? T_Blend_Mode::Differences
                                                               : T_Blend_Mode::Swipe);
        blend->Set_Opacity(Opacity_S->value() / 100.0);
        if (Layout == T_Pane_Layout::Swipe && blend->Divider() == 0)
            blend->Set_Divider(blend->Content_Rect().width() / 2.0);
        blend->Set_Showing_Modified(false);
        View_Image_Frame4->Set_Caption(
            Layout == T_Pane_Layout::Overlay ? QStringLiteral("The modified version over the base")
            : Layout == T_Pane_Layout::Blink ? QStringLiteral("Showing the base version")
            : Layout == T_Pane_Layout::Differences
                ? QStringLiteral("Differences: removed in red, added in green, recoloured in amber")
                : QStringLiteral("Base version left of the divider, modified version right of it"));
    }
    View_Image_Frame1->setVisible(!one_pane);
    View_Image_Frame2->setVisible(!one_pane);
    View_Image_Frame4->setVisible(one_pane);
    if (one_pane) {
        GridPanel1->activate();
        Synchronizer->Bring_In_Step(View_Image_Frame4, View_Image_Frame1);
    }
    // The keys stay with the pictures: hiding the panes must not hand the
    // keyboard to the shave field.
    if (TView_Image_Frame* pane = Main_Pane(); pane && pane->ScrollBox1 && isVisible())
        pane->ScrollBox1->setFocus();
    Blink_Paused = false;
    if (Layout == T_Pane_Layout::Blink)
        Blink_Timer.start();
    else
        Blink_Timer.stop();
    Opacity_S->setEnabled(Layout == T_Pane_Layout::Overlay);
    Blink_Interval_E->setEnabled(Layout == T_Pane_Layout::Blink);
    for (QShortcut* shortcut : Swipe_Keys)
        shortcut->setEnabled(Layout == T_Pane_Layout::Swipe);
    if (one_pane)
        View_Image_Frame4->Blend()->Set_Difference(Difference_);
    Show_Change_Frames();
    Update_Status();
}

void TView_diff_frame::Blink_Tick()
{
    T_Blend_Image* blend = View_Image_Frame4->Blend();
    if (!blend)
        return;
    blend->Set_Showing_Modified(!blend->Showing_Modified());
    View_Image_Frame4->Set_Caption(blend->Showing_Modified()
                                       ? QStringLiteral("Showing the modified version")
                                       : QStringLiteral("Showing the base version"));
}

void TView_diff_frame::Blink_Pause_Or_Toggle()
{
    if (Layout_ != T_Pane_Layout::Blink)
        return;
    if (!Blink_Paused) {
        Blink_Paused = true;
        Blink_Timer.stop();
        return;
    }
    Blink_Tick();
}

void TView_diff_frame::Step_Opacity(int Percent)
{
    if (Layout_ == T_Pane_Layout::Overlay)
        Opacity_S->setValue(Opacity_S->value() + Percent);
}

void TView_diff_frame::Step_Divider(int Direction)
{
    T_Blend_Image* blend = View_Image_Frame4->Blend();
    if (Layout_ != T_Pane_Layout::Swipe || !blend)
        return;
    const double step = std::max(1.0, blend->Content_Rect().width() / 100.0);
    blend->Set_Divider(blend->Divider() + Direction * step);
}

void TView_diff_frame::Nudge_Offset(const QPoint& Step)
{
    Offset_ += Step;
    View_Image_Frame4->Set_Offset(Offset_);
    Refresh_Differences();
    Update_Status();
}

void TView_diff_frame::Reset_Offset()
{
    Offset_ = QPoint();
    View_Image_Frame4->Set_Offset(Offset_);
    Refresh_Differences();
    Update_Status();
}

void TView_diff_frame::Hover(TView_Image_Frame* Pane, QPointF At)
{
    // The inspector reads base picture points; over the modified version's
    // own pane the mouse is on a modified picture point, which the offset
    // puts elsewhere on the base.
    Hover_At = Pane == View_Image_Frame2 ? At + QPointF(Offset_) : At;
    Hover_Known = true;
    // The divider follows the mouse.
    if (Pane == View_Image_Frame4 && Layout_ == T_Pane_Layout::Swipe)
        View_Image_Frame4->Blend()->Set_Divider(At.x() -
                                                View_Image_Frame4->Blend()->Content_Rect().left());
    Update_Status();
}

QString TView_diff_frame::Pixel_Status() const
{
    if (!Hover_Known)
        return {};
    const QPoint at(int(std::floor(Hover_At.x())), int(std::floor(Hover_At.y())));
    const QImage base = View_Image_Frame1->Image1 ? View_Image_Frame1->Image1->Picture() : QImage();
    const QImage modified =
        View_Image_Frame2->Image1 ? View_Image_Frame2->Image1->Picture() : QImage();
    // The modified picture is read where the offset puts it.
    return QStringLiteral("x %1, y %2: base %3, modified %4")
        .arg(at.x())
        .arg(at.y())
        .arg(Colour_Text(base, at), Colour_Text(modified, at - Offset_));
}

void TView_diff_frame::Update_Status()
{
    if (!Status_L)
        return;
    auto size_text = [](const TView_Image_Frame* pane) {
        return pane->Picture_Width() > 0 ? QStringLiteral("%1 x %2")
                                               .arg(pane->Picture_Width())
                                               .arg(pane->Picture_Height())
                                         : QStringLiteral("none");
    };
    QStringList parts;
    parts << QStringLiteral("Zoom %1%").arg(std::lround(Current_Scale() * 1000) / 10.0)
          << QStringLiteral("Offset %1, %2").arg(Offset_.x()).arg(Offset_.y())
          << QStringLiteral("Base %1, modified %2")
                 .arg(size_text(View_Image_Frame1), size_text(View_Image_Frame2));
    if (QString changes = Change_Status(); !changes.isEmpty())
        parts << changes;
    if (QString pixel = Pixel_Status(); !pixel.isEmpty())
        parts << pixel;
    Status_L->setText(parts.join(QStringLiteral("   |   ")));
}
