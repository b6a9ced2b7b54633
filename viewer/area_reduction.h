// A quick reduction of a large picture that keeps its thin lines: each
// pixel of the result is the mean of a square of the picture's pixels, so a
// one-pixel line lightens but never drops out, as it does when every n-th
// pixel is taken.
#pragma once

#include <QImage>

// Picture reduced by a whole Factor (>= 1) in both directions, each result
// pixel the mean of the Factor x Factor square it covers (a square cut by
// the right or bottom edge averages what it holds). Null for a null picture.
QImage Area_Averaged_Reduction(const QImage& Picture, int Factor);
