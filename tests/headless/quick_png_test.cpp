// The report's PNG encoder: what it writes reads back as the same pixels,
// whatever the picture's format, size or alpha.
#include "headless/quick_png.h"

#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QImage Read_Back(const std::string& Png)
{
    QByteArray bytes = QByteArray::fromStdString(Png);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "png");
    return reader.read();
}

// Noise, which no filter can predict, over a flat band, which every row
// repeats: both paths of the deflate stream.
QImage Picture(int Width, int Height, QImage::Format Format)
{
    QImage picture(Width, Height, Format);
    QRandomGenerator noise(7);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            picture.setPixelColor(x, y,
                                  y < Height / 2 ? QColor::fromRgba(noise.generate())
                                                 : QColor(200, 210, 220, x % 256));
    return picture;
}

} // namespace

TEST(Quick_Png, ReadsBackAsTheSamePixels)
{
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
          QImage::Format_RGB888, QImage::Format_Grayscale8})
        for (QSize size : {QSize(1, 1), QSize(3, 7), QSize(1281, 803)}) {
            const QImage picture = Picture(size.width(), size.height(), format);
            const QImage back = Read_Back(Quick_Png(picture));
            ASSERT_EQ(back.size(), size) << format;
            EXPECT_EQ(back.hasAlphaChannel(), picture.hasAlphaChannel()) << format;
            const QImage::Format common =
                picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
            EXPECT_EQ(back.convertToFormat(common), picture.convertToFormat(common))
                << format << " " << size.width() << " x " << size.height();
        }
    EXPECT_TRUE(Quick_Png(QImage()).empty());
}

// An indexed picture keeps its palette, its clear entries clear: the
// report's changes are laid over another picture through them.
TEST(Quick_Png, AnIndexedPictureKeepsItsPaletteAndItsClearColour)
{
    for (QSize size : {QSize(1, 1), QSize(257, 9)}) {
        QImage picture(size, QImage::Format_Indexed8);
        picture.setColorTable(
            {qRgba(0, 0, 0, 0), qRgb(224, 27, 36), qRgba(31, 160, 48, 128), qRgb(240, 160, 0)});
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, uint((x * 7 + y) % 4));
        const QImage back = Read_Back(Quick_Png(picture));
        ASSERT_EQ(back.size(), size);
        EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32),
                  picture.convertToFormat(QImage::Format_ARGB32));
    }
    // A palette of opaque colours needs no opacities.
    QImage opaque(4, 4, QImage::Format_Indexed8);
    opaque.setColorTable({qRgb(1, 2, 3), qRgb(250, 250, 250)});
    opaque.fill(1);
    EXPECT_EQ(Quick_Png(opaque).find("tRNS"), std::string::npos);
    EXPECT_EQ(Read_Back(Quick_Png(opaque)).pixel(2, 2), qRgb(250, 250, 250));
}
