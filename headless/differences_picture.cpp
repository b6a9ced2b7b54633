#include "differences_picture.h"

#include <QPainter>

QImage Differences_Picture(const QImage& Modified, const T_Difference& Difference, int Offset_X,
                           int Offset_Y)
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
