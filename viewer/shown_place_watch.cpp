#include "viewer/shown_place_watch.h"

#include "viewer/diff_status_line.h"
#include "viewer/pane_grid.h"
#include "viewer/u_blend_frame.h"
#include "viewer/vcs_view_image_frame.h"

#include <array>

namespace {

std::array<TView_Image_Frame*, 4> All_Panes(const T_Pane_Grid& Panes)
{
    return {Panes.View_Image_Frame1, Panes.View_Image_Frame2, Panes.View_Image_Frame3,
            Panes.View_Image_Frame4};
}

} // namespace

T_Shown_Place_Watch::T_Shown_Place_Watch(T_Pane_Grid& Panes, T_Diff_Status_Line& Status_Line)
    : Panes(Panes)
{
    Pending.setSingleShot(true);
    Pending.setInterval(0);
    QObject::connect(&Pending, &QTimer::timeout, &Pending,
                     [&Status_Line] { Status_Line.Update(); });
    for (TView_Image_Frame* pane : All_Panes(Panes)) {
        pane->On_Picture_Moved = [this](TView_Image_Frame*) { Pending.start(); };
        pane->On_Pointer_Left = [&Status_Line](TView_Image_Frame* from) {
            Status_Line.Pointer_Left(from);
        };
    }
}

T_Shown_Place_Watch::~T_Shown_Place_Watch()
{
    for (TView_Image_Frame* pane : All_Panes(Panes)) {
        pane->On_Picture_Moved = nullptr;
        pane->On_Pointer_Left = nullptr;
    }
}
