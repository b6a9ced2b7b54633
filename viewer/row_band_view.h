// Shows a band alignment in the side-by-side panes: they scroll with
// matching rows facing each other, and the bands are marked.
#pragma once

struct T_Alignment;
class T_Pane_Grid;

// Takes over Alignment (null, or another kind than bands: none, and the
// panes scroll to equal positions again).
void Show_Row_Bands(T_Pane_Grid& Panes, const T_Alignment* Alignment);
