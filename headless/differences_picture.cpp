#include "headless/differences_picture.h"

#include <QPainter>

namespace {

// Diagonal stripes over the pixels left out, so that a reviewer sees at once
// where no change could show: every other band of Stripe pixels across.
void Hatch_Ignored(QImage& Picture, const T_Difference& Difference, const T_Ignore_Areas& Ignore)
{
    constexpr int Stripe = 4;
    const QRgb stripe = qRgb(0x7F, 0x8F, 0xA8);
    const auto hatch = [&](int x, int y, QRgb* row) {
        if ((x + y) / Stripe % 2 == 0 && Ignore.Ignores(x + Difference.Left, y + Difference.Top))
            row[x] = stripe;
    };
    // Only the rows and columns an area can reach are looked at.
    QRect reach;
    for (const T_Ignore_Rectangle& box : Ignore.Rectangles)
        reach |= QRect(box.Left - Difference.Left, box.Top - Difference.Top, box.Width, box.Height);
    if (Ignore.Mask)
        reach |= QRect(-Difference.Left, -Difference.Top, Ignore.Mask->Width, Ignore.Mask->Height);
    reach &= Picture.rect();
    for (int y = reach.top(); y <= reach.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(Picture.scanLine(y));
        for (int x = reach.left(); x <= reach.right(); ++x)
            hatch(x, y, row);
    }
}

} // namespace

QImage Differences_Picture(const QImage& Modified, const T_Difference& Difference, int Offset_X,
                           int Offset_Y, const T_Ignore_Areas& Ignore)
{
    QImage picture(Difference.Width, Difference.Height, QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.setOpacity(0.25);
        painter.drawImage(Offset_X - Difference.Left, Offset_Y - Difference.Top, Modified);
    }
    if (!Ignore.Empty())
        Hatch_Ignored(picture, Difference, Ignore);
    static const QRgb colours[] = {0, qRgb(0xE0, 0x1B, 0x24), qRgb(0x1F, 0xA0, 0x30),
                                   qRgb(0xF0, 0xA0, 0x00)};
    for (const T_Change_Tile& tile : Difference.Tiles) {
        const int rows = std::min(T_Change_Tile::Side, Difference.Height - tile.Top);
        const int columns = std::min(T_Change_Tile::Side, Difference.Width - tile.Left);
        for (int y = 0; y < rows; ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(tile.Top + y)) + tile.Left;
            const std::uint8_t* changes =
                tile.Changes.data() + std::size_t(y) * T_Change_Tile::Side;
            for (int x = 0; x < columns; ++x)
                if (changes[x] != 0)
                    row[x] = colours[changes[x] & 3];
        }
    }
    return picture;
}
