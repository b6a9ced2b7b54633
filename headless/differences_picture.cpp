#include "headless/differences_picture.h"

#include <QPainter>

namespace {

// The colours of removed, added and recoloured pixels, by a tile's change
// value, and of the stripes over what the comparison left out.
const QRgb Change_Colours[] = {0, qRgb(0xE0, 0x1B, 0x24), qRgb(0x1F, 0xA0, 0x30),
                               qRgb(0xF0, 0xA0, 0x00)};
const QRgb Stripe_Colour = qRgb(0x7F, 0x8F, 0xA8);

// Diagonal stripes over the pixels left out, so that a reviewer sees at once
// where no change could show: every other band of Stripe pixels across.
// Mark(x, y) sets one pixel of the area to the stripes' colour.
template <typename T_Mark>
void Hatch_Ignored(const QRect& Area, const T_Difference& Difference, const T_Ignore_Areas& Ignore,
                   T_Mark&& Mark)
{
    constexpr int Stripe = 4;
    // Only the rows and columns an area can reach are looked at.
    QRect reach;
    for (const T_Ignore_Rectangle& box : Ignore.Rectangles)
        reach |= QRect(box.Left - Difference.Left, box.Top - Difference.Top, box.Width, box.Height);
    if (Ignore.Mask)
        reach |= QRect(-Difference.Left, -Difference.Top, Ignore.Mask->Width, Ignore.Mask->Height);
    reach &= Area;
    for (int y = reach.top(); y <= reach.bottom(); ++y)
        for (int x = reach.left(); x <= reach.right(); ++x)
            if ((x + y) / Stripe % 2 == 0 &&
                Ignore.Ignores(x + Difference.Left, y + Difference.Top))
                Mark(x, y);
}

// Calls Take(row, columns, changes) for each row of each change tile: the
// tile's changes on that row of the area, from the tile's left column.
template <typename T_Take> void For_Each_Tile_Row(const T_Difference& Difference, T_Take&& Take)
{
    for (const T_Change_Tile& tile : Difference.Tiles) {
        const int rows = std::min(T_Change_Tile::Side, Difference.Height - tile.Top);
        const int columns = std::min(T_Change_Tile::Side, Difference.Width - tile.Left);
        for (int y = 0; y < rows; ++y)
            Take(tile.Top + y, tile.Left, columns,
                 tile.Changes.data() + std::size_t(y) * T_Change_Tile::Side);
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
        Hatch_Ignored(picture.rect(), Difference, Ignore, [&](int x, int y) {
            reinterpret_cast<QRgb*>(picture.scanLine(y))[x] = Stripe_Colour;
        });
    For_Each_Tile_Row(Difference, [&](int y, int left, int columns, const std::uint8_t* changes) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y)) + left;
        for (int x = 0; x < columns; ++x)
            if (changes[x] != 0)
                row[x] = Change_Colours[changes[x] & 3];
    });
    return picture;
}

QImage Differences_Overlay(const T_Difference& Difference, const T_Ignore_Areas& Ignore)
{
    QImage overlay(Difference.Width, Difference.Height, QImage::Format_Indexed8);
    if (overlay.isNull())
        return overlay;
    // Index 0 is clear, 1 to 3 the changes by their value, 4 the stripes.
    overlay.setColorTable({qRgba(0, 0, 0, 0), Change_Colours[1], Change_Colours[2],
                           Change_Colours[3], Stripe_Colour});
    overlay.fill(0);
    if (!Ignore.Empty())
        Hatch_Ignored(overlay.rect(), Difference, Ignore,
                      [&](int x, int y) { overlay.scanLine(y)[x] = 4; });
    For_Each_Tile_Row(Difference, [&](int y, int left, int columns, const std::uint8_t* changes) {
        std::uint8_t* row = overlay.scanLine(y) + left;
        for (int x = 0; x < columns; ++x)
            if (changes[x] != 0)
                row[x] = std::uint8_t(changes[x] & 3);
    });
    return overlay;
}
