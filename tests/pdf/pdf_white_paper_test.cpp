// A drawn page laid on white paper: transparent and half-covered pixels
// blended with white, the picture opaque RGB32, in its own pixels.
#include "pdf/pdf_page_render.h"

#include <gtest/gtest.h>

TEST(White_Paper, PixelsAreBlendedOverWhiteInThePicturesOwnMemory)
{
    for (QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32}) {
        SCOPED_TRACE(int(format));
        QImage drawn(300, 200, format);
        drawn.fill(Qt::transparent);
        // Ink, half-covered ink, a half-covered red, and bare paper.
        drawn.setPixelColor(10, 10, QColor(0, 0, 0));
        drawn.setPixelColor(20, 10, QColor(0, 0, 0, 128));
        drawn.setPixelColor(30, 10, QColor(255, 0, 0, 64));
        const uchar* memory = drawn.constBits();
        const QImage paper = On_White_Paper(std::move(drawn));
        EXPECT_EQ(paper.format(), QImage::Format_RGB32);
        EXPECT_EQ(paper.constBits(), memory);
        EXPECT_EQ(paper.pixel(10, 10), qRgb(0, 0, 0));
        EXPECT_NEAR(qGray(paper.pixel(20, 10)), 127, 2);
        EXPECT_EQ(qRed(paper.pixel(30, 10)), 255);
        EXPECT_NEAR(qGreen(paper.pixel(30, 10)), 191, 2);
        EXPECT_EQ(paper.pixel(100, 100), qRgb(255, 255, 255));
        for (int y = 0; y < paper.height(); ++y)
            for (int x = 0; x < paper.width(); ++x)
                ASSERT_EQ(qAlpha(paper.pixel(x, y)), 255);
    }
    // A picture already opaque stays as it is.
    QImage grey(4, 4, QImage::Format_Grayscale8);
    grey.fill(100);
    const QImage paper = On_White_Paper(grey);
    EXPECT_EQ(paper.format(), QImage::Format_RGB32);
    EXPECT_EQ(paper.pixel(2, 2), qRgb(100, 100, 100));
    EXPECT_TRUE(On_White_Paper(QImage()).isNull());
}
