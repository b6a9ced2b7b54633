// The largest picture the program shows or makes.
#pragma once

#include <cstdint>

// 16384 x 16384 pixels, or any other shape with as many pixels.
constexpr std::int64_t Max_Picture_Pixels = std::int64_t{16384} * 16384;
// No side may pass this, whatever the other one is (the decoders' bound).
constexpr std::int64_t Max_Picture_Side = 65535;

constexpr bool Picture_Fits(std::int64_t width, std::int64_t height)
{
    return width >= 0 && height >= 0 && width <= Max_Picture_Side && height <= Max_Picture_Side &&
           width * height <= Max_Picture_Pixels;
}
