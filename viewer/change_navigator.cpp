#include "viewer/change_navigator.h"

#include "viewer/change_region_colour.h"

#include "differences/picture_difference.h"
#include "session/comparison_model.h"
#include "viewer/diff_view_actions.h"
#include "viewer/page_tab_marks.h"
#include "viewer/pane_grid.h"
#include "viewer/u_blend_frame.h"
#include "viewer/u_pane_synchronizer.h"
#include "viewer/u_zoom.h"

#include <QCheckBox>
#include <QLocale>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace {

// Room around a change when it is brought into view, in screen pixels.
constexpr int Reveal_Margin = 40;
// How far a change chosen from the list is enlarged at most: beyond this a
// few pixels fill the pane and say nothing about where they are.
constexpr double Reveal_Zoom_Limit = 8.0;

} // namespace

T_Change_Navigator::T_Change_Navigator(T_Comparison_Model& Model, T_Pane_Grid& Panes,
                                       const T_Diff_View_Actions& Controls,
                                       std::function<void()> Status_Changed,
                                       std::function<void()> Leave_Fit)
    : Model_(Model), Panes_(Panes), Controls_(Controls), Status_Changed_(std::move(Status_Changed)),
      Leave_Fit_(std::move(Leave_Fit)),
      Current_(Model, [this](bool Zoom_In) { Show_Current(Zoom_In); })
{
}

const T_Difference* T_Change_Navigator::Differences() const { return Model_.Differences(); }

std::shared_ptr<const T_Difference> T_Change_Navigator::Shared_Differences() const
{
    return Model_.Shared_Differences();
}

bool T_Change_Navigator::Differences_Wanted() const
{
    // Always: they cost a fraction of a second off the interface's thread,
    // and stepping through the changes or the page pairs' counts need them
    // before anybody asks for the Differences view.
    return Panes_.View_Mode() != T_View_Mode::None;
}

void T_Change_Navigator::Refresh_Differences()
{
    if (Panes_.View_Image_Frame4->Blend())
        Panes_.View_Image_Frame4->Blend()->Set_Difference(nullptr);
    if (!Differences_Wanted() || !Model_.Has_Picture(T_Side::Left) ||
        !Model_.Has_Picture(T_Side::Right)) {
        Show_Change_Frames();
        return;
    }
    T_Difference_Options options;
    options.Tolerance = Controls_.Tolerance_E->value();
    options.Ignore_Antialiasing = Controls_.Ignore_Antialiasing_C->isChecked();
    options.Offset_X = Panes_.Offset().x();
    options.Offset_Y = Panes_.Offset().y();
    options.Ignore = Model_.Ignore;
    // What was known belongs to other pictures or settings now.
    Model_.Request_Differences(options);
    Show_Change_Frames();
    Update_Status();
}

void T_Change_Navigator::Differences_Ready()
{
    const T_Difference* difference = Differences();
    T_Diff_Session& session = Model_.Session();
    if (session.Is_Paged())
        session.Record_Changes(session.LeftPage, session.RightPage,
                               int(difference->Regions.size()));
    if (Panes_.View_Image_Frame4->Blend())
        Panes_.View_Image_Frame4->Blend()->Set_Difference(Shared_Differences());
    Show_Change_Frames();
    Update_Status();
}

void T_Change_Navigator::Show_Change_Frames()
{
    const T_Difference* difference = Differences();
    const bool shown =
        difference && Controls_.Show_Changes_C && Controls_.Show_Changes_C->isChecked();
    // The change stepped to stays outlined while the others are not shown.
    const bool current_only = difference && !shown && Current_.Region() >= 0;
    // Looked up once: a change's regions are found among all the changes.
    std::vector<bool> current(difference ? difference->Regions.size() : 0);
    for (std::size_t region : Current_.Current_Regions())
        if (region < current.size())
            current[region] = true;
    // Regions are in the base's pixels; the modified pane shows its own.
    auto frames = [&](QPoint shift) {
        std::vector<T_Change_Frame> list;
        if (!shown && !current_only)
            return list;
        for (std::size_t index = 0; index < difference->Regions.size(); ++index) {
            if (current_only && !current[index])
                continue;
            const T_Change_Region& region = difference->Regions[index];
            T_Change_Frame frame;
            frame.Box = QRect(region.Left + difference->Left, region.Top + difference->Top,
                              region.Width, region.Height)
                            .translated(-shift);
            frame.Colour = Change_Region_Colour(region.Kind);
            frame.Current = current[index];
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
    Current_.Notify();
}

void T_Change_Navigator::Step_Change(int Direction)
{
    // Asked before they are known: the step waits for the next press.
    if (!Differences())
        return;
    if (Current_.Count() == 0) {
        Update_Status();
        return;
    }
    Current_.Step(Direction);
}

void T_Change_Navigator::Go_To_Change(int Index) { Current_.Choose_Region(Index); }

void T_Change_Navigator::Show_Current(bool Zoom_In)
{
    Show_Change_Frames();
    Reveal_Change(Zoom_In);
    Update_Status();
}

void T_Change_Navigator::Reveal_Change(bool Zoom_In)
{
    TView_Image_Frame* pane = Panes_.Main_Pane();
    const QRect box = Current_.Box();
    if (!pane || !pane->ScrollBox1 || box.isEmpty())
        return;
    const QSize view = pane->ScrollBox1->viewport()->size();
    // Zoom out until the region and its margin fit; zoom in, when asked,
    // only while it still fits and no further than Reveal_Zoom_Limit.
    const bool fitted = Panes_.View_Mode() == T_View_Mode::Fit;
    double zoom = fitted ? Panes_.Current_Scale() : Panes_.Synchronizer().Zoom();
    auto fits = [&](double at) {
        return box.width() * at + 2 * Reveal_Margin <= view.width() &&
               box.height() * at + 2 * Reveal_Margin <= view.height();
    };
    while (zoom > Min_Zoom && !fits(zoom))
        zoom = Zoomed_Out(zoom);
    while (Zoom_In && Zoomed_In(zoom) <= Reveal_Zoom_Limit && Zoomed_In(zoom) > zoom &&
           fits(Zoomed_In(zoom)))
        zoom = Zoomed_In(zoom);
    if (fitted)
        Leave_Fit_();
    // The change's centre, in the pane's content pixels.
    QPointF centre(box.left() + box.width() / 2.0, box.top() + box.height() / 2.0);
    if (pane == Panes_.View_Image_Frame2)
        centre -= Panes_.Offset();
    const QPointF content = centre - pane->Image1->Content_Rect().topLeft();
    Panes_.Synchronizer().Zoom_Keeping(zoom, pane, content,
                                       QPoint(view.width() / 2, view.height() / 2));
}

QString T_Change_Navigator::Change_Status() const
{
    // A page of a document whose other version does not exist says so, in
    // the words of its tab.
    // Against a version that does not exist no differences are looked for:
    // there are none to wait for.
    if (!Model_.Missing(T_Side::Left) && !Model_.Missing(T_Side::Right))
        return Changes_Words();
    if (!Model_.Session().Is_Paged())
        return {};
    return Page_On_One_Side_Words(Model_.Missing(T_Side::Left) ? T_Side::Right : T_Side::Left);
}

QString T_Change_Navigator::Changes_Words() const
{
    if (!Model_.Drawing_Failure().empty())
        return QString::fromStdString(Model_.Drawing_Failure());
    const T_Difference* difference = Differences();
    if (!difference)
        return QStringLiteral("Finding differences...");
    // A sheet put elsewhere in the order is a change however alike it looks.
    const QString moved = Model_.Pages_Moved() ? QStringLiteral(", moved from page %1 to page %2")
                                                     .arg(Model_.Session().Page(T_Side::Left) + 1)
                                                     .arg(Model_.Session().Page(T_Side::Right) + 1)
                                               : QString();
    if (difference->Changed_Pixels == 0 && !difference->Size_Differs())
        return QStringLiteral("No differences") + moved;
    const QLocale locale(QLocale::English);
    QString amount = QStringLiteral("%1 px, %2 %")
                         .arg(locale.toString(qulonglong(difference->Changed_Pixels)))
                         .arg(locale.toString(difference->Changed_Share() * 100, 'f', 2));
    if (difference->Size_Differs())
        amount += (difference->Paper_Size_Differs()
                       ? QStringLiteral(", paper size differs (%1 x %2 / %3 x %4)")
                       : QStringLiteral(", sizes differ (%1 x %2 / %3 x %4)"))
                      .arg(difference->Base_Width)
                      .arg(difference->Base_Height)
                      .arg(difference->Modified_Width)
                      .arg(difference->Modified_Height);
    amount += moved;
    const int count = Current_.Count();
    const int current = Current_.Change();
    // The edits as a reviewer counts them, which the navigation steps through.
    if (current < 0 && !difference->Changes.empty())
        return QStringLiteral("%1, %2")
            .arg(QString::fromStdString(Changes_Summary(difference->Changes)))
            .arg(amount);
    if (current < 0)
        return (count == 1 ? QStringLiteral("%1 change, %2") : QStringLiteral("%1 changes, %2"))
            .arg(count)
            .arg(amount);
    return QStringLiteral("Change %1 of %2, %3").arg(current + 1).arg(count).arg(amount);
}
