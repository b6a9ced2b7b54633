// Converting on the program's own threads must give exactly what Qt's own
// conversion gives, strip seams and odd widths included.
#include "imaging/private_conversion.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <random>

namespace {

QImage Noise(int Width, int Height, QImage::Format Format)
{
    QImage picture(Width, Height, Format);
    if (Format == QImage::Format_Indexed8) {
        QList<QRgb> table;
        for (int k = 0; k < 256; ++k)
            table.append(qRgba(k, 255 - k, (k * 7) & 255, (k * 13) & 255));
        picture.setColorTable(table);
    }
    std::mt19937 random(std::uint32_t(Width * 31 + Height + int(Format)));
    for (int y = 0; y < Height; ++y) {
        uchar* row = picture.scanLine(y);
        for (qsizetype x = 0; x < picture.bytesPerLine(); ++x)
            row[x] = uchar(random());
    }
    return picture;
}

TEST(PrivateConversion, EqualsQtsConversionForEveryCommonLayout)
{
    // 70,001 is wider than one of Qt's segments: a strip of one row each.
    const QSize sizes[] = {{1301, 517}, {70001, 3}, {40, 40}};
    const QImage::Format sources[] = {QImage::Format_RGBX64,   QImage::Format_RGBA64,
                                      QImage::Format_Indexed8, QImage::Format_Grayscale16,
                                      QImage::Format_RGB888,   QImage::Format_RGBA8888};
    for (QSize size : sizes)
        for (QImage::Format source : sources)
            for (QImage::Format target : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
                const QImage picture = Noise(size.width(), size.height(), source);
                const QImage ours = Converted_Privately(picture, target, 3);
                EXPECT_EQ(ours, picture.convertToFormat(target))
                    << size.width() << "x" << size.height() << " from " << int(source) << " to "
                    << int(target);
            }
}

TEST(PrivateConversion, KeepsTheResolutionAndPassesNullAndSameLayoutThrough)
{
    QImage picture = Noise(900, 300, QImage::Format_RGBX64);
    picture.setDotsPerMeterX(5906);
    picture.setDotsPerMeterY(3937);
    const QImage ours = Converted_Privately(picture, QImage::Format_RGB32);
    EXPECT_EQ(ours.dotsPerMeterX(), 5906);
    EXPECT_EQ(ours.dotsPerMeterY(), 3937);
    EXPECT_TRUE(Converted_Privately(QImage(), QImage::Format_RGB32).isNull());
    EXPECT_EQ(Converted_Privately(ours, QImage::Format_RGB32).constBits(), ours.constBits());
}

} // namespace
