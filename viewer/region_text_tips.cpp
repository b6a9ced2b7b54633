#include "viewer/region_text_tips.h"

#include "session/comparison_model.h"
#include "viewer/change_list_text.h"
#include "viewer/current_change.h"
#include "viewer/pane_grid.h"
#include "viewer/u_blend_frame.h"
#include "viewer/u_pane_image.h"
#include "viewer/vcs_view_image_frame.h"

#include <QCheckBox>
#include <QHelpEvent>
#include <QToolTip>

T_Region_Text_Tips::T_Region_Text_Tips(const T_Diff_View_Context& View)
    : QObject(&View.View), View_(View),
      Texts_(std::make_unique<T_Change_List_Text>(
          this, [this](T_Change_List_Text::T_Text Text) { Texts_Shown_ = std::move(Text); }))
{
    const T_Pane_Grid& panes = View.Panes;
    for (TView_Image_Frame* pane : {panes.View_Image_Frame1, panes.View_Image_Frame2,
                                    static_cast<TView_Image_Frame*>(panes.View_Image_Frame4)})
        if (pane->Image1)
            pane->Image1->installEventFilter(this);
}

T_Region_Text_Tips::~T_Region_Text_Tips() = default;

bool T_Region_Text_Tips::Outlined(int Region) const
{
    const auto* show_changes = View_.View.findChild<QCheckBox*>(QStringLiteral("Show_Changes_C"));
    return Region >= 0 &&
           ((show_changes && show_changes->isChecked()) || View_.Current.Is_Current(Region));
}

int T_Region_Text_Tips::Region_At(const T_Difference& Difference, const TPane_Image& Image,
                                  QPoint At) const
{
    QPointF in_base = Image.Content_Point(At);
    // The modified pane shows its own pixels; the base's lie at the offset.
    if (View_.Panes.View_Image_Frame2 && &Image == View_.Panes.View_Image_Frame2->Image1)
        in_base += View_.Panes.Offset();
    // The smallest region under the point: one inside another is the one
    // pointed at.
    int found = -1;
    long long found_area = 0;
    for (std::size_t index = 0; index < Difference.Regions.size(); ++index) {
        const T_Change_Region& region = Difference.Regions[index];
        const QRectF box(region.Left + Difference.Left, region.Top + Difference.Top,
                         region.Width + 1, region.Height + 1);
        const long long area = (long long)region.Width * region.Height;
        if (box.contains(in_base) && Outlined(int(index)) && (found < 0 || area < found_area)) {
            found = int(index);
            found_area = area;
        }
    }
    return found;
}

QString T_Region_Text_Tips::Tip_At(const TPane_Image& Image, QPoint At)
{
    const std::shared_ptr<const T_Difference> difference = View_.Model.Shared_Differences();
    if (!difference)
        return {};
    const int region = Region_At(*difference, Image, At);
    if (region < 0)
        return {};
    // Read once per differences: the mouse moves over the same ones.
    if (difference != Texts_Of_ || View_.Panes.Offset() != Texts_Offset_) {
        Texts_Of_ = difference;
        Texts_Offset_ = View_.Panes.Offset();
        Texts_Shown_.reset();
        Texts_->Request(View_.Model, difference, Texts_Offset_);
    }
    // The text is read off the window's thread; the next tooltip has it.
    if (Texts_->Reading())
        return Reading_Text_Placeholder();
    if (!Texts_Shown_ || std::size_t(region) >= Texts_Shown_->Regions.size())
        return {};
    return Region_Text_Tip(Texts_Shown_->Regions[std::size_t(region)]);
}

bool T_Region_Text_Tips::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() != QEvent::ToolTip)
        return false;
    auto* image = static_cast<TPane_Image*>(Watched);
    auto* help = static_cast<QHelpEvent*>(Event);
    const QString tip = Tip_At(*image, help->pos());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        Event->ignore();
    } else
        QToolTip::showText(help->globalPos(), tip, image);
    return true;
}
