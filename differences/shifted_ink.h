// Two pages' ink cells compared with one laid a few cells off the other: a
// sheet re-exported with its origin moved (its drawing 40 px further right
// or down at 150 dpi, one or two cells) would otherwise share almost no
// cells with its old self and look like another sheet.
#pragma once

#include <vector>

// How far the second page's ink lies from the first's, in cells (fractions
// allowed): its content at (x, y) shows what the first has at
// (x - Dx, y - Dy).
struct T_Cell_Shift {
    double Dx = 0;
    double Dy = 0;
};

// The shift, within `reach` cells each way, that best lays the second
// page's row and column profiles (its ink summed along each row and column
// of cells) on the first's; a fraction of a cell is read from the match
// of the neighbouring whole shifts. Grids are `cells` x `cells`, rows from
// the top; grids of another size give no shift.
T_Cell_Shift Profile_Shift(const std::vector<float>& first, const std::vector<float>& second,
                           int cells, int reach);

// The grid read at (x + Dx, y + Dy) for each cell (x, y): its content moved
// back by `shift`, each cell blending the four around that point as the
// cells' tents blend the pixels between them; nothing comes from beyond the
// grid. Empty for a grid of another size.
std::vector<float> Shifted_Cells(const std::vector<float>& grid, int cells, T_Cell_Shift shift);

// Sum |a - b| over sum (a + b), as for unshifted cells, with the second
// grid moved back by `shift` (its cells interpolated between their
// neighbours). Ink that the move takes off either grid meets none on the
// other and counts as unlike in full, so a shift never hides ink.
double Shifted_Ink_Dissimilarity(const std::vector<float>& first, const std::vector<float>& second,
                                 int cells, T_Cell_Shift shift);
