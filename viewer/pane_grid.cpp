#include "viewer/pane_grid.h"

#include "viewer/u_blend_frame.h"
#include "viewer/u_pane_synchronizer.h"

#include <QGridLayout>

#include <algorithm>

T_Pane_Grid::T_Pane_Grid(QWidget* Parent) : QWidget(Parent)
{
    GridPanel1 = new QGridLayout(this);
    GridPanel1->setObjectName(QStringLiteral("GridPanel1"));
    GridPanel1->setContentsMargins(0, 0, 0, 0);
    GridPanel1->setSpacing(2);
    View_Image_Frame1 = new TView_Image_Frame(this);
    View_Image_Frame2 = new TView_Image_Frame(this);
    View_Image_Frame3 = new TView_Image_Frame(this);
    View_Image_Frame4 = new T_Blend_Frame(this);
    View_Image_Frame1->setObjectName(QStringLiteral("View_Image_Frame1"));
    View_Image_Frame2->setObjectName(QStringLiteral("View_Image_Frame2"));
    View_Image_Frame3->setObjectName(QStringLiteral("View_Image_Frame3"));
    View_Image_Frame4->setObjectName(QStringLiteral("View_Image_Frame4"));
    GridPanel1->addWidget(View_Image_Frame1, 0, 0);
    GridPanel1->addWidget(View_Image_Frame2, 0, 1);
    GridPanel1->addWidget(View_Image_Frame3, 1, 0);
    // The one-pane views span the width where the two versions were.
    GridPanel1->addWidget(View_Image_Frame4, 0, 0, 1, 2);
    GridPanel1->setColumnStretch(0, 1);
    GridPanel1->setColumnStretch(1, 1);
    View_Image_Frame3->setVisible(false);
    View_Image_Frame4->setVisible(false);
    Synchronizer_ = std::make_unique<T_Pane_Synchronizer>(std::vector<TView_Image_Frame*>{
        View_Image_Frame1, View_Image_Frame2, View_Image_Frame3, View_Image_Frame4});
    Blink_Timer.setInterval(500);
    connect(&Blink_Timer, &QTimer::timeout, this, [this] { Blink_Tick(); });
}

T_Pane_Grid::~T_Pane_Grid() = default;

void T_Pane_Grid::Toggle_Fit()
{
    State_->Mode =
        State_->Mode == T_View_Mode::Actual_Size ? T_View_Mode::Fit : T_View_Mode::Actual_Size;
    View_Image_Frame1->Set_View_Mode(State_->Mode);
    View_Image_Frame2->Set_View_Mode(State_->Mode);
    if (Compared_Shown())
        View_Image_Frame3->Set_View_Mode(State_->Mode);
    View_Image_Frame4->Set_View_Mode(State_->Mode);
}

void T_Pane_Grid::Sync_Scroll(TMyScrollBox* Sender) const { Synchronizer_->Follow(Sender); }

TView_Image_Frame* T_Pane_Grid::Main_Pane() const
{
    if (Layout_ != T_Pane_Layout::Side_By_Side && View_Image_Frame4->Image1)
        return View_Image_Frame4;
    if (View_Image_Frame1->Image1 && !View_Image_Frame1->Is_Missing_Version())
        return View_Image_Frame1;
    return View_Image_Frame2->Image1 ? View_Image_Frame2 : nullptr;
}

double T_Pane_Grid::Current_Scale() const
{
    TView_Image_Frame* pane = Main_Pane();
    if (State_->Mode != T_View_Mode::Fit || !pane || pane->Image1->Content_Rect().isEmpty())
        return Synchronizer_->Zoom();
    return double(pane->Image1->Draw_Rect().width()) / pane->Image1->Content_Rect().width();
}

bool T_Pane_Grid::Compared_Shown() const { return !View_Image_Frame3->isHidden(); }

void T_Pane_Grid::Show_Compared(const std::string& File)
{
    if (Compared_Shown()) {
        View_Image_Frame3->Reload_File(File);
        return;
    }
    View_Image_Frame3->Load_File(File, "Compared image", std::string(),
                                 [this](TMyScrollBox* sender) { Sync_Scroll(sender); });
    View_Image_Frame3->Set_View_Mode(State_->Mode);
    View_Image_Frame3->Set_Zoom(Synchronizer_->Zoom());
    View_Image_Frame3->setVisible(true);
    Set_Compared_Row(true);
    // Lay the grid out now, so the pane's scroll range is known before the
    // other panes take over its position.
    GridPanel1->activate();
    Sync_Scroll(View_Image_Frame3->ScrollBox1);
}

void T_Pane_Grid::Hide_Compared()
{
    View_Image_Frame3->setVisible(false);
    Set_Compared_Row(false);
}

void T_Pane_Grid::Set_Compared_Row(bool Shown)
{
    GridPanel1->setRowStretch(0, 1);
    GridPanel1->setRowStretch(1, Shown ? 1 : 0);
}

void T_Pane_Grid::Show_Blend_Pictures()
{
    if (Layout_ == T_Pane_Layout::Side_By_Side)
        return;
    auto picture = [](TView_Image_Frame* pane) {
        return pane->Image1 ? pane->Image1->Picture() : QImage();
    };
    const QImage modified =
        Aligned_Modified_.isNull() ? picture(View_Image_Frame2) : Aligned_Modified_;
    View_Image_Frame4->Show_Pair(picture(View_Image_Frame1), modified,
                                 [this](TMyScrollBox* sender) { Sync_Scroll(sender); });
    View_Image_Frame4->Set_View_Mode(State_->Mode);
    View_Image_Frame4->Set_Offset(Offset());
}

void T_Pane_Grid::Show_Layout(T_Pane_Layout Layout, double Opacity)
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
        blend->Set_Opacity(Opacity);
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
        Synchronizer_->Bring_In_Step(View_Image_Frame4, View_Image_Frame1);
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
}

void T_Pane_Grid::Set_Opacity(double Opacity)
{
    if (View_Image_Frame4->Blend())
        View_Image_Frame4->Blend()->Set_Opacity(Opacity);
}

void T_Pane_Grid::Set_Blink_Interval(int Milliseconds) { Blink_Timer.setInterval(Milliseconds); }

void T_Pane_Grid::Blink_Tick()
{
    T_Blend_Image* blend = View_Image_Frame4->Blend();
    if (!blend)
        return;
    blend->Set_Showing_Modified(!blend->Showing_Modified());
    View_Image_Frame4->Set_Caption(blend->Showing_Modified()
                                       ? QStringLiteral("Showing the modified version")
                                       : QStringLiteral("Showing the base version"));
}

void T_Pane_Grid::Blink_Pause_Or_Toggle()
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

void T_Pane_Grid::Step_Divider(int Direction)
{
    T_Blend_Image* blend = View_Image_Frame4->Blend();
    if (Layout_ != T_Pane_Layout::Swipe || !blend)
        return;
    const double step = std::max(1.0, blend->Content_Rect().width() / 100.0);
    blend->Set_Divider(blend->Divider() + Direction * step);
}

void T_Pane_Grid::Follow_Hover(TView_Image_Frame* Pane, QPointF At)
{
    if (Pane == View_Image_Frame4 && Layout_ == T_Pane_Layout::Swipe)
        View_Image_Frame4->Blend()->Set_Divider(At.x() -
                                                View_Image_Frame4->Blend()->Content_Rect().left());
}

void T_Pane_Grid::Use_State(T_View_State& State)
{
    State = *State_;
    State_ = &State;
    Synchronizer_->Keep_Zoom_In(State.Zoom);
}

void T_Pane_Grid::Set_Aligned_Modified(const QImage& Picture)
{
    Aligned_Modified_ = Picture;
    Show_Blend_Pictures();
}

void T_Pane_Grid::Set_Offset(const QPoint& Offset)
{
    State_->Offset_X = Offset.x();
    State_->Offset_Y = Offset.y();
    View_Image_Frame4->Set_Offset(Offset);
}
