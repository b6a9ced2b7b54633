#include "u_pane_synchronizer.h"

#include "vcs_view_image_frame.h"

#include <algorithm>

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
