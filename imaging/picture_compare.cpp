#include "imaging/picture_compare.h"

#include "imaging/private_conversion.h"

#include <algorithm>

namespace {

// The engine reads 32-bit pixels 0xAARRGGBB; other layouts are converted,
// off the thread pool that the window's painting shares.
QImage As_32_Bit(const QImage& Picture)
{
    switch (Picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return Picture;
    default:
        return Converted_Privately(Picture, Picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                      : QImage::Format_RGB32);
    }
}

T_Pixels Pixels_Of(const QImage& Picture)
{
    return {Picture.constBits(), Picture.width(), Picture.height(), Picture.bytesPerLine()};
}

} // namespace

T_Difference Compare_Decoded_Pictures(const QImage& Base, const QImage& Modified,
                                      const T_Difference_Options& Options,
                                      const std::atomic<bool>* Cancel)
{
    const QImage base = As_32_Bit(Base), modified = As_32_Bit(Modified);
    return Compare_Pictures(Pixels_Of(base), Pixels_Of(modified), Options, Cancel);
}

T_Aligned_Difference Compare_Decoded_Aligned(const QImage& Base, const QImage& Modified,
                                             T_Align_Mode Mode, const T_Difference_Options& Options,
                                             const std::atomic<bool>* Cancel)
{
    const QImage base = As_32_Bit(Base), modified = As_32_Bit(Modified);
    return Compare_Aligned(Pixels_Of(base), Pixels_Of(modified), Mode, Options, Cancel);
}

bool Is_One_Colour(const QImage& Picture)
{
    if (Picture.isNull())
        return true;
    const QImage picture = As_32_Bit(Picture);
    const auto* first = reinterpret_cast<const QRgb*>(picture.constScanLine(0));
    const QRgb colour = first[0];
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        if (std::any_of(row, row + picture.width(),
                        [colour](QRgb pixel) { return pixel != colour; }))
            return false;
    }
    return true;
}
