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
