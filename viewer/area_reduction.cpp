#include "viewer/area_reduction.h"

#include <algorithm>
#include <cstdint>
#include <vector>

QImage Area_Averaged_Reduction(const QImage& Picture, int Factor)
{
    if (Picture.isNull() || Factor <= 1)
        return Picture;
    // Premultiplied pixels average correctly across transparent edges.
    const QImage source = Picture.format() == QImage::Format_RGB32 ||
                                  Picture.format() == QImage::Format_ARGB32_Premultiplied
                              ? Picture
                              : Picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = (source.width() + Factor - 1) / Factor;
    const int height = (source.height() + Factor - 1) / Factor;
    QImage reduced(width, height, source.format());
    // Per result row: the sums of each channel of the squares it covers.
    std::vector<std::uint32_t> sums(std::size_t(width) * 4);
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(width));
    for (int row = 0; row < height; ++row) {
        std::fill(sums.begin(), sums.end(), 0u);
        std::fill(counts.begin(), counts.end(), 0u);
        const int last_line = std::min(source.height(), (row + 1) * Factor);
        for (int line = row * Factor; line < last_line; ++line) {
            const auto* pixels = reinterpret_cast<const QRgb*>(source.constScanLine(line));
            for (int x = 0; x < source.width(); ++x) {
                const QRgb pixel = pixels[x];
                const std::size_t at = std::size_t(x / Factor);
                sums[at * 4] += qAlpha(pixel);
                sums[at * 4 + 1] += qRed(pixel);
                sums[at * 4 + 2] += qGreen(pixel);
                sums[at * 4 + 3] += qBlue(pixel);
                ++counts[at];
            }
        }
        auto* out = reinterpret_cast<QRgb*>(reduced.scanLine(row));
        for (int x = 0; x < width; ++x) {
            const std::uint32_t count = counts[std::size_t(x)];
            const std::size_t at = std::size_t(x) * 4;
            auto mean = [&](std::size_t channel) {
                return int((sums[at + channel] + count / 2) / count);
            };
            out[x] = qRgba(mean(1), mean(2), mean(3), mean(0));
        }
    }
    reduced.setDevicePixelRatio(Picture.devicePixelRatio());
    return reduced;
}
