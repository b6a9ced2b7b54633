// Change groups: the change regions of a difference gathered into the edits
// a reviewer names. Glyphs of one word or line of text are one change, and
// so are the pieces of one retouched spot; a shape removed in one place and
// added in another that matches it after a move, at any distance on the
// page, is one moved change. Internal to the difference engine.
#pragma once

#include "differences/change_regions.h"
#include "differences/picture_difference.h"

#include <atomic>
#include <cstddef>
#include <vector>

namespace differences {

// The regions of one edit, before its kind is settled.
struct T_Region_Group {
    std::vector<std::size_t> Regions;
    T_Rectangle Box; // the union of the regions' boxes (for moved regions: their old places)
    std::size_t Pixels = 0;
    bool Has_Added = false, Has_Removed = false, Has_Changed = false;
    // All its regions are moved regions with this move.
    bool Moved = false;
    int Dx = 0, Dy = 0;
};

// How far apart the regions of one edit may lie, measured on the pair: the
// usual height of a region, which on text is the height of its glyphs.
struct T_Group_Scale {
    double Line_Height = 0;
    int Region_Gap = 16;
};
T_Group_Scale Measure_Group_Scale(const std::vector<T_Change_Region>& Regions, int Region_Gap);

// Gathers the regions into groups: regions on one line of text whose gap is
// under a share of the line's height, regions stacked closer than a smaller
// share, and moved regions only with regions moved the same way.
bool Gather_Regions(const std::vector<T_Change_Region>& Regions, const T_Group_Scale& Scale,
                    const std::atomic<bool>* Cancel, std::vector<T_Region_Group>& Groups);

// Settles each group's kind and pairs removed and added groups, and groups
// that lost ink on one side of them and gained it on the other, into moves
// when the base's ink comes back moved in the modified picture.
bool Settle_Changes(const T_Difference& Difference, std::vector<T_Region_Group> Groups,
                    const T_Ink_Reader& Base, const T_Ink_Reader& Modified,
                    const std::atomic<bool>* Cancel, std::vector<T_Change>& Changes);

// Both steps, on the difference's regions, into Difference.Changes.
bool Group_Changes(T_Difference& Difference, int Region_Gap, const T_Ink_Reader& Base,
                   const T_Ink_Reader& Modified, const std::atomic<bool>* Cancel);

// A moved region's box where the shape was (its box covers both places).
T_Rectangle Old_Place(const T_Change_Region& Region);

} // namespace differences
