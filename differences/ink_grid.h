// A picture's ink as a grid of numbers, for finding where two pictures'
// content lines up: 0 on the paper, up to 1 where a pixel is as far from
// the paper's brightness as it can be. Internal to the difference engine.
#pragma once

#include "differences/phase_correlation.h"
#include "differences/picture_difference.h"

#include <cstdint>

namespace differences {

// How far a pixel's brightness (blended over white) lies from the paper's,
// 0 to 255.
int Ink_Level(std::uint32_t Colour, int Paper_Brightness);

// The brightness (0 to 255, blended over white) of a picture's paper: its
// most common colour.
int Paper_Brightness(const T_Pixels& Picture);

// The picture's ink averaged over Factor x Factor cells, placed at the top
// left of a grid of Width x Height cells (the rest stays 0: room for the
// content to move). Rows are shared among the cores.
T_Grid Coarse_Ink(const T_Pixels& Picture, int Paper, int Factor, int Width, int Height);

// Coarse_Ink of two pictures into grids made by the caller, in one pass
// whose rows are shared among the cores.
void Coarse_Ink_Pair(const T_Pixels& First, int First_Paper, const T_Pixels& Second,
                     int Second_Paper, int Factor, T_Grid& First_Grid, T_Grid& Second_Grid);

// The ink of the Size x Size pixels whose top left is (Left, Top); what
// lies outside the picture is paper.
T_Grid Ink_Window(const T_Pixels& Picture, int Paper, int Left, int Top, int Size);

} // namespace differences
