#include "viewer/u_pane_synchronizer.h"

#include "viewer/vcs_view_image_frame.h"

#include <algorithm>
#include <cmath>

T_Pane_Synchronizer::T_Pane_Synchronizer(std::vector<TView_Image_Frame*> Panes)
    : Panes_(std::move(Panes))
{
}

namespace {

// The picture row at the top of a pane's view, in picture pixels.
double Top_Row(const TView_Image_Frame& Pane)
{
    return Pane.Image1->Content_Point(QPoint(0, Pane.ScrollBox1->Vert_Position())).y();
}

// Scrolls a pane so that picture row Row is at the top of its view.
void Show_Top_Row(TView_Image_Frame& Pane, double Row)
{
    const QRect target = Pane.Image1->Draw_Rect();
    const QRect content = Pane.Image1->Content_Rect();
    if (target.isEmpty() || content.isEmpty())
        return;
    const double scale = double(target.height()) / content.height();
    const int position = int(std::lround(target.top() + (Row - content.top()) * scale));
    if (Pane.ScrollBox1->Vert_Position() != position)
        Pane.ScrollBox1->Set_Vert_Position(position);
}

void Copy_Horizontal(const TMyScrollBox& From, TMyScrollBox& To)
{
    if (To.Horz_Position() != From.Horz_Position())
        To.Set_Horz_Position(From.Horz_Position());
}

void Copy_Vertical(const TMyScrollBox& From, TMyScrollBox& To)
{
    if (To.Vert_Position() != From.Vert_Position())
        To.Set_Vert_Position(From.Vert_Position());
}

} // namespace

void T_Pane_Synchronizer::Follow(TMyScrollBox* Sender) const
{
    const auto sender = std::find_if(Panes_.begin(), Panes_.end(),
                                     [Sender](auto* pane) { return pane->ScrollBox1 == Sender; });
    if (!Sender || sender == Panes_.end())
        return;
    if (Pairs_Rows()) {
        Follow_Paired(*sender);
        return;
    }
    for (TView_Image_Frame* pane : Panes_)
        if (pane->ScrollBox1 != Sender)
            Copy_Position(Sender, pane->ScrollBox1);
}

void T_Pane_Synchronizer::Copy_Position(TMyScrollBox* From, TMyScrollBox* To)
{
    if (!From || !To)
        return;
    Copy_Vertical(*From, *To);
    Copy_Horizontal(*From, *To);
}

void T_Pane_Synchronizer::Follow_Paired(const TView_Image_Frame* Sender) const
{
    // The panes other than the modified one show the base's rows (the
    // compared image and the one-pane views are on the base's pixels).
    const bool from_modified = Sender == Modified_Pane_;
    const double top = Top_Row(*Sender);
    const double base_row = from_modified ? Pairing_.Base_Y(top) : top;
    const double modified_row = from_modified ? top : Pairing_.Modified_Y(top);
    for (TView_Image_Frame* pane : Panes_) {
        if (pane == Sender || !pane->ScrollBox1)
            continue;
        Copy_Horizontal(*Sender->ScrollBox1, *pane->ScrollBox1);
        if (pane == Modified_Pane_)
            Show_Top_Row(*pane, modified_row);
        else if (from_modified)
            Show_Top_Row(*pane, base_row);
        else
            Copy_Vertical(*Sender->ScrollBox1, *pane->ScrollBox1);
    }
}

void T_Pane_Synchronizer::Pair_Rows(T_Row_Pairing Pairing, TView_Image_Frame* Modified_Pane)
{
    const bool paired_before = Pairs_Rows();
    Pairing_ = std::move(Pairing);
    Modified_Pane_ = Modified_Pane;
    if (!paired_before && !Pairs_Rows())
        return;
    // The base's position leads, from the pane the user sees it in.
    TView_Image_Frame* leader = nullptr;
    for (TView_Image_Frame* pane : Panes_)
        if (pane != Modified_Pane_ && pane->ScrollBox1 && (!leader || pane->isVisible()) &&
            !(leader && leader->isVisible()))
            leader = pane;
    if (leader)
        Follow(leader->ScrollBox1);
}

void T_Pane_Synchronizer::Keep_Zoom_In(double& Zoom)
{
    Zoom = *Zoom_;
    Zoom_ = &Zoom;
}

void T_Pane_Synchronizer::Zoom_Keeping(double Zoom, TView_Image_Frame* Pane, const QPointF& Content,
                                       const QPoint& At)
{
    *Zoom_ = Zoom;
    for (TView_Image_Frame* pane : Panes_)
        pane->Set_Zoom(Zoom);
    if (!Pane || !Pane->ScrollBox1)
        return;
    Pane->ScrollBox1->Set_Horz_Position(int(std::lround(Content.x() * Zoom)) - At.x());
    Pane->ScrollBox1->Set_Vert_Position(int(std::lround(Content.y() * Zoom)) - At.y());
    Follow(Pane->ScrollBox1);
}

void T_Pane_Synchronizer::Bring_In_Step(TView_Image_Frame* Pane,
                                        const TView_Image_Frame* Reference) const
{
    Pane->Set_Zoom(*Zoom_);
    if (!Reference)
        return;
    if (Pairs_Rows() && (Pane == Modified_Pane_ || Reference == Modified_Pane_) &&
        Reference->ScrollBox1 && Pane->ScrollBox1) {
        Copy_Horizontal(*Reference->ScrollBox1, *Pane->ScrollBox1);
        const double top = Top_Row(*Reference);
        Show_Top_Row(*Pane,
                     Pane == Modified_Pane_ ? Pairing_.Modified_Y(top) : Pairing_.Base_Y(top));
        return;
    }
    Copy_Position(Reference->ScrollBox1, Pane->ScrollBox1);
}
