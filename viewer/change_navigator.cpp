#include "change_navigator.h"

#include "diff_view_actions.h"
#include "difference_task.h"
#include "pane_grid.h"
#include "u_blend_frame.h"
#include "u_diff_session.h"
#include "u_pane_synchronizer.h"
#include "u_zoom.h"

#include <QCheckBox>
#include <QLocale>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace {

// Room around a change when it is brought into view, in screen pixels.
constexpr int Reveal_Margin = 40;

QColor Region_Colour(T_Change_Region::T_Kind Kind)
{
    switch (Kind) {
    case T_Change_Region::T_Kind::Removed:
        return QColor(0xE0, 0x1B, 0x24);
    case T_Change_Region::T_Kind::Added:
        return QColor(0x1F, 0xA0, 0x30);
    case T_Change_Region::T_Kind::Moved:
        return QColor(0x1C, 0x71, 0xD8);
    case T_Change_Region::T_Kind::Changed:
        break;
    }
    return QColor(0xE0, 0x90, 0x00);
}

} // namespace

T_Change_Navigator::T_Change_Navigator(QObject* Owner, T_Pane_Grid& Panes,
                                       const T_Diff_View_Actions& Controls,
                                       std::function<void()> Status_Changed,
                                       std::function<void()> Leave_Fit)
    : Panes_(Panes), Controls_(Controls), Status_Changed_(std::move(Status_Changed)),
      Leave_Fit_(std::move(Leave_Fit))
{
    Difference_Task = std::make_unique<T_Difference_Task>(
        Owner, [this](std::shared_ptr<const T_Difference> result) { Differences_Ready(result); });
}

T_Change_Navigator::~T_Change_Navigator() = default;

bool T_Change_Navigator::Differences_Wanted() const
{
    // Always: they cost a fraction of a second off the interface's thread,
    // and stepping through the changes or the page pairs' counts need them
    // before anybody asks for the Differences view.
    return Panes_.View_Mode() != T_View_Mode::None;
}

void T_Change_Navigator::Refresh_Differences()
{
    if (!Difference_Task)
        return;
    // What was known belongs to other pictures or settings now.
    Difference_.reset();
    Current_Change_ = -1;
    if (Panes_.View_Image_Frame4->Blend())
        Panes_.View_Image_Frame4->Blend()->Set_Difference(nullptr);
    Show_Change_Frames();
    if (!Differences_Wanted() || !Panes_.View_Image_Frame1->Image1 ||
        !Panes_.View_Image_Frame2->Image1)
        return;
    T_Difference_Options options;
    options.Tolerance = Controls_.Tolerance_E->value();
    options.Ignore_Antialiasing = Controls_.Ignore_Antialiasing_C->isChecked();
    options.Offset_X = Panes_.Offset().x();
    options.Offset_Y = Panes_.Offset().y();
    Difference_Task->Request(Panes_.View_Image_Frame1->Image1->Picture(),
                             Panes_.View_Image_Frame2->Image1->Picture(), options);
    Update_Status();
}

void T_Change_Navigator::Differences_Ready(std::shared_ptr<const T_Difference> Result)
{
    Difference_ = std::move(Result);
    if (Session_->Is_Paged())
        Session_->Record_Changes(Session_->LeftPage, Session_->RightPage,
                                 int(Difference_->Regions.size()));
    if (Panes_.View_Image_Frame4->Blend())
        Panes_.View_Image_Frame4->Blend()->Set_Difference(Difference_);
    Show_Change_Frames();
    Update_Status();
}

void T_Change_Navigator::Show_Change_Frames()
{
    const bool shown =
        Difference_ && Controls_.Show_Changes_C && Controls_.Show_Changes_C->isChecked();
    // Regions are in the base's pixels; the modified pane shows its own.
    auto frames = [&](QPoint shift) {
        std::vector<T_Change_Frame> list;
        if (!shown)
            return list;
        for (std::size_t index = 0; index < Difference_->Regions.size(); ++index) {
            const T_Change_Region& region = Difference_->Regions[index];
            T_Change_Frame frame;
            frame.Box = QRect(region.Left + Difference_->Left, region.Top + Difference_->Top,
                              region.Width, region.Height)
                            .translated(-shift);
            frame.Colour = Region_Colour(region.Kind);
            frame.Current = int(index) == Current_Change_;
            if (region.Kind == T_Change_Region::T_Kind::Moved) {
                frame.Moved = true;
                // The box spans both places; the shape is the box less the
                // way it went.
                const QSizeF shape(region.Width - std::abs(region.Dx),
                                   region.Height - std::abs(region.Dy));
                frame.Moved_From = QPointF(frame.Box.topLeft()) +
                                   QPointF(std::max(0, -region.Dx), std::max(0, -region.Dy)) +
                                   QPointF(shape.width() / 2, shape.height() / 2);
                frame.Moved_To = frame.Moved_From + QPointF(region.Dx, region.Dy);
            }
            list.push_back(frame);
        }
        return list;
    };
    for (TView_Image_Frame* pane : {Panes_.View_Image_Frame1, Panes_.View_Image_Frame3,
                                    static_cast<TView_Image_Frame*>(Panes_.View_Image_Frame4)})
        if (pane->Image1)
            pane->Image1->Set_Change_Frames(frames(QPoint()));
    if (Panes_.View_Image_Frame2->Image1)
        Panes_.View_Image_Frame2->Image1->Set_Change_Frames(frames(Panes_.Offset()));
}

void T_Change_Navigator::Step_Change(int Direction)
{
    // Asked before they are known: the step waits for the next press.
    if (!Difference_)
        return;
    const int count = int(Difference_->Regions.size());
    if (count == 0) {
        Update_Status();
        return;
    }
    Current_Change_ = Current_Change_ < 0 ? (Direction > 0 ? 0 : count - 1)
                                          : (Current_Change_ + Direction + count) % count;
    Show_Change_Frames();
    Reveal_Change();
    Update_Status();
}

void T_Change_Navigator::Reveal_Change()
{
    TView_Image_Frame* pane = Panes_.Main_Pane();
    if (!pane || !pane->ScrollBox1 || Current_Change_ < 0)
        return;
    const T_Change_Region& region = Difference_->Regions[std::size_t(Current_Change_)];
    const QSize view = pane->ScrollBox1->viewport()->size();
    // Zoom out until the region and its margin fit; never zoom in for it.
    const bool fitted = Panes_.View_Mode() == T_View_Mode::Fit;
    double zoom = fitted ? Panes_.Current_Scale() : Panes_.Synchronizer().Zoom();
    while (zoom > Min_Zoom && (region.Width * zoom + 2 * Reveal_Margin > view.width() ||
                               region.Height * zoom + 2 * Reveal_Margin > view.height()))
        zoom = Zoomed_Out(zoom);
    if (fitted)
        Leave_Fit_();
    // The region's centre, in the pane's content pixels.
    QPointF centre(region.Left + Difference_->Left + region.Width / 2.0,
                   region.Top + Difference_->Top + region.Height / 2.0);
    if (pane == Panes_.View_Image_Frame2)
        centre -= Panes_.Offset();
    const QPointF content = centre - pane->Image1->Content_Rect().topLeft();
    Panes_.Synchronizer().Zoom_Keeping(zoom, pane, content,
                                       QPoint(view.width() / 2, view.height() / 2));
}

QString T_Change_Navigator::Change_Status() const
{
    if (!Difference_)
        return QStringLiteral("Finding differences...");
    if (Difference_->Changed_Pixels == 0)
        return QStringLiteral("No differences");
    const QLocale locale(QLocale::English);
    QString amount = QStringLiteral("%1 px, %2 %")
                         .arg(locale.toString(qulonglong(Difference_->Changed_Pixels)))
                         .arg(locale.toString(Difference_->Changed_Share() * 100, 'f', 2));
    const int count = int(Difference_->Regions.size());
    if (Current_Change_ < 0)
        return QStringLiteral("%1 changes, %2").arg(count).arg(amount);
    return QStringLiteral("Change %1 of %2, %3").arg(Current_Change_ + 1).arg(count).arg(amount);
}
