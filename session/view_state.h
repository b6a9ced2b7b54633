// How the pair is looked at, shared by every pane: actual size or fitted,
// the zoom at actual size, and the offset of the modified picture against
// the base. The comparison model owns it; the panes show it.
#pragma once

#include "vocabulary/document_kinds.h"

struct T_View_State {
    // None until the view has opened its pair, and again once it is unloaded.
    T_View_Mode Mode = T_View_Mode::None;
    double Zoom = 1.0;
    int Offset_X = 0;
    int Offset_Y = 0;
};
