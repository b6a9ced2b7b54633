// The modified picture redrawn on the base's pixel grid through a
// similarity transform, so that a scan turned or scaled a little compares
// pixel for pixel with its base. Internal to the difference engine.
#pragma once

#include "differences/global_alignment.h"

#include <cstdint>
#include <vector>

namespace differences {

// Width x Height pixels (0xAARRGGBB, rows packed): at each base pixel the
// modified picture's colour where `Transform` puts it, interpolated between
// its four nearest pixels; `Paper` where it falls outside the picture.
std::vector<std::uint32_t> Warp_Onto_Base(const T_Pixels& Modified, const T_Similarity& Transform,
                                          int Width, int Height, std::uint32_t Paper);

} // namespace differences
