// Variants that ImageMagick does not write, built byte by byte and loaded as
// the panes load them: run-length bitmaps with their escapes, colour-mapped
// and 16-bit Targa and its alpha channel, EGA planes in PCX, 16-bit SGI, and
// the Photoshop colour modes besides RGB.
#include "tests/imaging/decoder_test_support.h"

using namespace test;

namespace {

QImage Decode(const Bytes& data, const std::string& name)
{
    Scratch_Dir dir;
    return Load_Bytes_Ok(dir, data, name);
}

int Red(const QImage& image, int x, int y) { return image.pixelColor(x, y).red(); }

// A bitmap with a 40-byte header and a palette whose entry i is grey i * 16.
Bytes Bitmap(int width, int height, int bits, int compression, const Bytes& pixels)
{
    Bytes b = {'B', 'M'};
    unsigned colours = 1u << bits, offset = 14 + 40 + colours * 4;
    Put32(b, offset + static_cast<std::uint32_t>(pixels.size())), Put32(b, 0), Put32(b, offset);
    Put32(b, 40), Put32(b, static_cast<std::uint32_t>(width)),
        Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1), Put16(b, static_cast<unsigned>(bits)),
        Put32(b, static_cast<std::uint32_t>(compression));
    Put32(b, static_cast<std::uint32_t>(pixels.size())), Put32(b, 0), Put32(b, 0), Put32(b, 0),
        Put32(b, 0);
    for (unsigned i = 0; i < colours; ++i)
        b.push_back(static_cast<std::uint8_t>(i * 16)),
            b.push_back(static_cast<std::uint8_t>(i * 16)),
            b.push_back(static_cast<std::uint8_t>(i * 16)), b.push_back(0);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

TEST(Variants, RunLengthBitmapsFollowTheirEscapes)
{
    // RLE4, 6 x 3, bottom row first: a run of alternating 1 and 2, a literal
    // 3 4 5, end of line; a delta of (2, 1) that skips a row and a half; end.
    Bytes rle4 = {4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 2, 1, 2, 0x77, 0, 1};
    QImage r = Decode(Bitmap(6, 3, 4, 2, rle4), "x.rle");
    ASSERT_EQ(r.width(), 6);
    const int bottom[6] = {1, 2, 1, 2, 3, 4};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(Red(r, x, 2), bottom[x] * 16) << x;
    EXPECT_EQ(Red(r, 0, 1), 0);      // skipped by the delta: colour 0
    EXPECT_EQ(Red(r, 2, 0), 7 * 16); // the run after the delta, on the top row
    EXPECT_EQ(Red(r, 3, 0), 7 * 16);
    EXPECT_EQ(Red(r, 4, 0), 0);

    // RLE8 with a literal run of odd length, padded to a word.
    Bytes rle8 = {0, 3, 5, 6, 7, 0, 2, 9, 0, 1};
    r = Decode(Bitmap(5, 1, 8, 1, rle8), "x.bmp");
    const int row[5] = {5, 6, 7, 9, 9};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(Red(r, x, 0), row[x] * 16) << x;

    // Data that ends before the end-of-bitmap escape is truncated.
    Bytes cut = Bitmap(5, 4, 8, 1, {0, 3, 5, 6, 7, 0});
    Scratch_Dir dir;
    Write_File(dir / "cut.bmp", As_Text(cut));
    EXPECT_EQ(Load_Picture(dir / "cut.bmp").Result, T_Picture_Load_Result::Unreadable);
}

TEST(Variants, TargaColourMapAnd16Bits)
{
    // Colour-mapped, 8-bit indexes into a 24-bit map starting at entry 1, top-down.
    Bytes tga = {0, 1, 1};
    Put16(tga, 1), Put16(tga, 2), tga.push_back(24);
    Put16(tga, 0), Put16(tga, 0), Put16(tga, 2), Put16(tga, 1);
    tga.push_back(8), tga.push_back(0x20);
    tga.insert(tga.end(), {0, 0, 255, 255, 0, 0}); // entry 1 red, entry 2 blue (stored BGR)
    tga.insert(tga.end(), {2, 1});
    QImage r = Decode(tga, "x.vda");
    EXPECT_TRUE(Color_At(r, 0, 0, 0, 0, 255));
    EXPECT_TRUE(Color_At(r, 1, 0, 255, 0, 0));

    // 16-bit true colour, run-length, bottom-up: one run of pure green (0x03E0).
    Bytes rle = {0, 0, 10};
    for (int i = 0; i < 5; ++i)
        rle.push_back(0);
    Put16(rle, 0), Put16(rle, 0), Put16(rle, 3), Put16(rle, 2);
    rle.push_back(16), rle.push_back(0);
    rle.insert(rle.end(), {0x85, 0xE0, 0x03});
    r = Decode(rle, "x.icb");
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(Color_At(r, i % 3, i / 3, 0, 255, 0));
}

// A 2 x 1 true-colour Targa of 32 bits, top-down: red and green with the
// given alpha bytes, and the alpha bits its descriptor declares.
Bytes Targa32(unsigned alpha_bits, std::uint8_t alpha0, std::uint8_t alpha1)
{
    Bytes tga = {0, 0, 2};
    for (int i = 0; i < 9; ++i)
        tga.push_back(0);
    Put16(tga, 2), Put16(tga, 1);
    tga.push_back(32), tga.push_back(static_cast<std::uint8_t>(0x20 | alpha_bits));
    tga.insert(tga.end(), {0, 0, 255, alpha0, 0, 255, 0, alpha1}); // stored BGRA
    return tga;
}

TEST(Variants, TargaAlphaCountsWhenDeclaredAndUsed)
{
    QImage image;
    std::string error;
    ASSERT_TRUE(test::Decode(Targa32(8, 128, 255), T_Image_Decoder::Targa, image, error)) << error;
    EXPECT_TRUE(image.hasAlphaChannel());
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 128);
    EXPECT_TRUE(Color_At(image, 1, 0, 0, 255, 0));
    // Many writers leave the channel zero, or fill it without declaring it:
    // both pictures are opaque.
    for (const Bytes& opaque : {Targa32(8, 0, 0), Targa32(0, 128, 7)}) {
        ASSERT_TRUE(test::Decode(opaque, T_Image_Decoder::Targa, image, error)) << error;
        EXPECT_FALSE(image.hasAlphaChannel());
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 255);
        EXPECT_TRUE(Color_At(image, 0, 0, 255, 0, 0));
    }
}

TEST(Variants, PcxEgaPlanes)
{
    // Four 1-bit planes: pixel 0 has bits in planes 0 and 2 (colour 5), pixel 1
    // only in plane 3 (colour 8). The header palette gives colour i as (i, i, i) * 10.
    Bytes pcx(128, 0);
    pcx[0] = 0x0A, pcx[1] = 5, pcx[2] = 1, pcx[3] = 1;
    pcx[8] = 1;  // xmax: two pixels wide
    pcx[65] = 4; // planes
    pcx[66] = 2; // bytes per line
    for (int i = 0; i < 16; ++i)
        pcx[16 + 3 * i] = pcx[17 + 3 * i] = pcx[18 + 3 * i] = static_cast<std::uint8_t>(i * 10);
    pcx.insert(pcx.end(), {0x80, 0x00, 0x00, 0x00, 0x80, 0x00, 0x40, 0x00});
    QImage r = Decode(pcx, "x.pcc");
    ASSERT_EQ(r.width(), 2);
    EXPECT_EQ(Red(r, 0, 0), 50);
    EXPECT_EQ(Red(r, 1, 0), 80);
}

TEST(Variants, Sgi16BitGrey)
{
    Bytes sgi(512, 0);
    sgi[0] = 0x01, sgi[1] = 0xDA, sgi[2] = 0, sgi[3] = 2; // verbatim, 2 bytes per sample
    sgi[5] = 2, sgi[7] = 2, sgi[9] = 2, sgi[11] = 1;      // 2 dimensions, 2 x 2, 1 channel
    // Bottom row first: 0x1234 0xFFFF, then 0x0000 0x8000.
    sgi.insert(sgi.end(), {0x12, 0x34, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x00});
    QImage r = Decode(sgi, "x.bw");
    EXPECT_EQ(Red(r, 0, 1), 0x12);
    EXPECT_EQ(Red(r, 1, 1), 0xFF);
    EXPECT_EQ(Red(r, 1, 0), 0x80);
    EXPECT_EQ(r.pixelColor(1, 0).green(), 0x80);
}

// An uncompressed Photoshop file of one row: no colour mode data, resources
// or layers, then the channels' planes one after the other.
Bytes Photoshop(unsigned width, unsigned depth, unsigned mode, const std::vector<Bytes>& planes)
{
    Bytes psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    Put16_BE(psd, static_cast<unsigned>(planes.size())), Put32_BE(psd, 1), Put32_BE(psd, width);
    Put16_BE(psd, depth), Put16_BE(psd, mode);
    Put32_BE(psd, 0), Put32_BE(psd, 0), Put32_BE(psd, 0), Put16_BE(psd, 0);
    for (const Bytes& plane : planes)
        psd.insert(psd.end(), plane.begin(), plane.end());
    return psd;
}

TEST(Variants, PhotoshopColourModes)
{
    // Bitmap: one bit a pixel, 1 is black.
    QImage bitmap = Decode(Photoshop(2, 1, 0, {{0x80}}), "bitmap.psd");
    EXPECT_TRUE(Color_At(bitmap, 0, 0, 0, 0, 0));
    EXPECT_TRUE(Color_At(bitmap, 1, 0, 255, 255, 255));
    // CMYK is stored as 255 - ink: no cyan, full magenta, no yellow and no
    // black is magenta; full black is black whatever the rest.
    QImage cmyk =
        Decode(Photoshop(2, 8, 4, {{255, 255}, {0, 255}, {255, 255}, {255, 0}}), "cmyk.psd");
    EXPECT_TRUE(Color_At(cmyk, 0, 0, 255, 0, 255));
    EXPECT_TRUE(Color_At(cmyk, 1, 0, 0, 0, 0));
    // Grey with a transparency channel; Lab white.
    QImage grey = Decode(Photoshop(2, 8, 1, {{100, 200}, {50, 255}}), "grey.psd");
    EXPECT_TRUE(Color_At(grey, 0, 0, 100, 100, 100));
    EXPECT_EQ(grey.pixelColor(0, 0).alpha(), 50);
    EXPECT_EQ(grey.pixelColor(1, 0).alpha(), 255);
    QImage lab = Decode(Photoshop(1, 8, 9, {{255}, {128}, {128}}), "lab.psd");
    EXPECT_TRUE(Color_At(lab, 0, 0, 255, 255, 255, 2));
}

} // namespace
