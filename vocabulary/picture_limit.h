// The largest picture the program shows or makes.
#pragma once

#include <cstdint>

// 16384 x 16384 pixels, or any other shape with as many pixels.
constexpr std::int64_t Max_Picture_Pixels = std::int64_t{16384} * 16384;
// No side may pass this, whatever the other one is (the decoders' bound).
constexpr std::int64_t Max_Picture_Side = 65535;
// A page the program draws itself (a PDF sheet) is drawn no larger than
// this: an A0 sheet at 150 dpi (4967 x 7022) fits whole, a larger sheet is
// drawn smaller. A 200 m plot drawn at the picture limit would take
// gigabytes for the drawing and its copies.
constexpr std::int64_t Max_Drawn_Page_Pixels = std::int64_t{6144} * 8192;

constexpr bool Picture_Fits(std::int64_t width, std::int64_t height)
{
    return width >= 0 && height >= 0 && width <= Max_Picture_Side && height <= Max_Picture_Side &&
           width * height <= Max_Picture_Pixels;
}
