#include "u_pane_synchronizer.h"

#include "vcs_view_image_frame.h"

#include <algorithm>
#include <cmath>

T_Pane_Synchronizer::T_Pane_Synchronizer(std::vector<TView_Image_Frame*> Panes)
    : Panes_(std::move(Panes))
{
}

void T_Pane_Synchronizer::Follow(TMyScrollBox* Sender) const
{
    bool known = Sender && std::any_of(Panes_.begin(), Panes_.end(),
                                       [Sender](auto* pane) { return pane->ScrollBox1 == Sender; });
    if (!known)
        return;
    for (TView_Image_Frame* pane : Panes_)
        if (pane->ScrollBox1 != Sender)
            Copy_Position(Sender, pane->ScrollBox1);
}

void T_Pane_Synchronizer::Copy_Position(TMyScrollBox* From, TMyScrollBox* To)
{
    if (!From || !To)
        return;
    if (To->Vert_Position() != From->Vert_Position())
        To->Set_Vert_Position(From->Vert_Position());
    if (To->Horz_Position() != From->Horz_Position())
        To->Set_Horz_Position(From->Horz_Position());
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
    if (Reference)
        Copy_Position(Reference->ScrollBox1, Pane->ScrollBox1);
}
