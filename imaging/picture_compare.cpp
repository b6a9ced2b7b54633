#include "picture_compare.h"

namespace {

// The engine reads 32-bit pixels 0xAARRGGBB; other layouts are converted.
QImage As_32_Bit(const QImage& Picture)
{
    switch (Picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return Picture;
    default:
        return Picture.convertToFormat(Picture.hasAlphaChannel() ? QImage::Format_ARGB32
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
