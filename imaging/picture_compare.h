// The differences of two decoded pictures, whatever their pixel layout.
#pragma once

#include "differences/picture_alignment.h"
#include "differences/picture_difference.h"

#include <QImage>

#include <atomic>

// Pictures in another layout than 32-bit RGB are converted first; the usual
// layouts are read as they are.
T_Difference Compare_Decoded_Pictures(const QImage& Base, const QImage& Modified,
                                      const T_Difference_Options& Options,
                                      const std::atomic<bool>* Cancel = nullptr);

// The same after laying the modified picture on the base as `Mode` says:
// what the window's alignment and --align compare.
T_Aligned_Difference Compare_Decoded_Aligned(const QImage& Base, const QImage& Modified,
                                             T_Align_Mode Mode, const T_Difference_Options& Options,
                                             const std::atomic<bool>* Cancel = nullptr);

// True when every pixel of the picture has one colour (or it has none): what
// a page comes out as when its application drew nothing on it.
bool Is_One_Colour(const QImage& Picture);
