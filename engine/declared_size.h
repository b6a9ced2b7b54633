// The picture size an input file declares in its header, read without
// decoding the picture: the conversion refuses pictures too large to handle
// before the converter spends minutes and gigabytes on them.
#pragma once

#include <string>

// Sizes beyond this are reported as this value: a header may declare any
// number, and the caller only needs to know that it is far too large. Small
// enough that width times height still fits in a long long.
constexpr long long Declared_Size_Limit = 1LL << 31;

// The picture size `file` declares in its header, in the pixels the
// converter will produce. `format` is "svg", "j2k" (a JP2 file or a raw
// codestream) or "ppm" (PBM, PGM, PPM and PAM). Reads only the header (for
// an SVG, up to the end of the root element's start tag).
// SVG sizes follow the converter's own rules: width and height of the root
// element at 96 pixels per inch (but one pixel per "pt"), a missing or
// zero one taken from the viewBox.
// Returns false with a reason in `error` when the header cannot be read or
// declares no usable size (the converter fails on those too).
bool Read_Declared_Size(const std::string& file, const std::string& format, long long& width,
                        long long& height, std::string& error);
