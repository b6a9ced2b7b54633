#include "imaging/picture_signature.h"

#include <QPainter>

#include <cstdint>
#include <cstring>

namespace {

// A hash of the picture's pixels: equal hashes mean equal pictures. Pages
// are large (17 MB for A3 at 150 dpi), so it mixes 8 bytes at a time.
std::uint64_t Picture_Hash(const QImage& picture)
{
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ (std::uint64_t(picture.width()) << 32) ^
                         std::uint64_t(picture.height());
    auto mix = [&hash](std::uint64_t word) {
        hash ^= word;
        hash *= 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    };
    const std::size_t row_bytes = std::size_t(picture.width()) * 4;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* row = picture.constScanLine(y);
        std::size_t at = 0;
        for (; at + 8 <= row_bytes; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, row + at, 8);
            mix(word);
        }
        std::uint64_t tail = 0;
        std::memcpy(&tail, row + at, row_bytes - at);
        mix(tail);
    }
    return hash;
}

} // namespace

T_Page_Signature Picture_Signature(const QImage& Picture)
{
    if (Picture.isNull())
        return {};
    QImage on_white(Picture.size(), QImage::Format_RGB32);
    on_white.fill(Qt::white);
    QPainter(&on_white).drawImage(0, 0, Picture);
    const QImage grey = on_white.convertToFormat(QImage::Format_Grayscale8);
    return Make_Page_Signature(grey.constBits(), grey.width(), grey.height(),
                               int(grey.bytesPerLine()), Picture_Hash(on_white));
}
