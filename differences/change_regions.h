// Change regions: the changed pixels of the tiles grouped into boxes a
// reviewer can step through, and removed shapes that reappear nearby told
// apart as moved. Internal to the difference engine.
#pragma once

#include "differences/picture_difference.h"
#include "differences/pixel_comparison.h"

#include <atomic>
#include <cstdint>
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

// Where a picture has ink, in the area's pixels: the pictures compared, or
// the parts of them kept around the changes.
class T_Ink_Reader {
public:
    virtual ~T_Ink_Reader() = default;
    virtual bool Has_Ink(std::int64_t X, std::int64_t Y) const = 0;
};

// The ink of a whole picture placed in the area.
class T_Picture_Ink final : public T_Ink_Reader {
public:
    T_Picture_Ink(const T_Placed_Picture& Picture, double Max_Delta)
        : Picture_(Picture), Max_Delta_(Max_Delta)
    {
    }
    bool Has_Ink(std::int64_t X, std::int64_t Y) const override
    {
        return Has_Ink_At(Picture_, X, Y, Max_Delta_);
    }

private:
    const T_Placed_Picture& Picture_;
    double Max_Delta_;
};

// Replaces each Removed region whose ink reappears in an Added region of the
// same size no more than `Move_Reach` away, with (nearly) the same mask, by
// one Moved region. The ink is that of the pictures compared.
// Returns false when `Cancel` is set meanwhile.
bool Find_Moved_Shapes(const T_Ink_Reader& Base, const T_Ink_Reader& Modified, int Move_Reach,
                       const std::atomic<bool>* Cancel, std::vector<T_Change_Region>& Regions);

// Top to bottom, then left to right.
void Sort_Regions(std::vector<T_Change_Region>& Regions);

inline bool Cancelled(const std::atomic<bool>* Cancel)
{
    return Cancel != nullptr && Cancel->load(std::memory_order_relaxed);
}

} // namespace differences
