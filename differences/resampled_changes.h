// A picture redrawn onto another's pixel grid (turned, scaled or moved by a
// fraction of a pixel) has every line's edge blended anew: a pixel of the
// base that shows what the modified picture shows within one pixel of
// where it maps is no change, nor is one on the edge of a line that both
// pictures draw with the same ink, spread over other pixels. Internal to
// the difference engine.
#pragma once

#include "differences/global_alignment.h"
#include "differences/picture_difference.h"

namespace differences {

// Clears the changed pixels of `Difference` (compared against the redrawn
// picture) whose base brightness lies within the range of brightness of the
// modified picture's pixels around where `Transform` maps them, widened by
// the tolerance, or whose 3 x 3 pixels beside paper hold nearly the same
// ink as the redrawn picture's; then groups what is left into regions again, with `Aligned`
// (the redrawn picture) for moved shapes.
void Forgive_Resampling(const T_Pixels& Base, const T_Pixels& Modified, const T_Pixels& Aligned,
                        const T_Similarity& Transform, const T_Difference_Options& Options,
                        T_Difference& Difference);

} // namespace differences
