// Change regions: the changed pixels of the tiles grouped into boxes a
// reviewer can step through, and removed shapes that reappear nearby told
// apart as moved. Internal to the difference engine.
#pragma once

#include "picture_difference.h"
#include "pixel_comparison.h"

#include <atomic>
#include <vector>

namespace differences {

// Groups the changed pixels of `Tiles` (ordered by Top, then Left) so that
// pixels up to `Region_Gap` apart along each axis share a region; pixels a
// little farther apart may share one too, never those more than twice the
// gap apart (save in pictures changed nearly everywhere). Gaps below 1
// count as 1, gaps above 1024 as 1024.
// Returns false, with `Regions` unspecified, when `Cancel` is set meanwhile.
bool Find_Regions(const std::vector<T_Change_Tile>& Tiles, int Region_Gap,
                  const std::atomic<bool>* Cancel, std::vector<T_Change_Region>& Regions);

// Replaces each Removed region whose ink reappears in an Added region of the
// same size no more than `Move_Reach` away, with (nearly) the same mask, by
// one Moved region. The pictures are those compared, placed in the area.
// Returns false when `Cancel` is set meanwhile.
bool Find_Moved_Shapes(const T_Placed_Picture& Base, const T_Placed_Picture& Modified,
                       double Max_Delta, int Move_Reach, const std::atomic<bool>* Cancel,
                       std::vector<T_Change_Region>& Regions);

// Top to bottom, then left to right.
void Sort_Regions(std::vector<T_Change_Region>& Regions);

inline bool Cancelled(const std::atomic<bool>* Cancel)
{
    return Cancel != nullptr && Cancel->load(std::memory_order_relaxed);
}

} // namespace differences
