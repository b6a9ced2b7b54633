// One band of the compared area (a row of tiles): its rows compared and the
// changes written into the band's tiles. The whole-picture comparison hands
// bands to all cores; the streamed comparison compares each band as its
// rows arrive. Internal to the difference engine.
#pragma once

#include "differences/picture_difference.h"
#include "differences/pixel_comparison.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace differences {

// The changes of one band of T_Change_Tile::Side rows from Top: its tiles,
// by Left, and how many pixels changed.
struct T_Band {
    std::int64_t Top = 0;
    std::vector<T_Change_Tile> Tiles;
    std::size_t Changed = 0;
};

// Compares the band's rows (those below Area_Height) over the area's width.
// False when `Cancel` was set meanwhile.
bool Compare_Band(const T_Placed_Picture& Base, const T_Placed_Picture& Modified,
                  const T_Comparison_Rules& Rules, std::int64_t Area_Width,
                  std::int64_t Area_Height, const std::atomic<bool>* Cancel, T_Band& Band);

// The rules of a comparison with these options; Sizes_Differ when the two
// pictures (both there) differ in size.
T_Comparison_Rules Comparison_Rules_For(const T_Difference_Options& Options, bool Sizes_Differ);

} // namespace differences
