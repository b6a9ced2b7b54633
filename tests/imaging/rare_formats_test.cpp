// The rarer formats, the metafiles, and how a decoder is chosen for a file.
#include "decoder_test_support.h"
#include "image_format_registry.h"
#include "test_support.h"

#include <cstring>

using namespace test;

namespace {

T_Raster Decode_Ok(const Bytes& data, const std::string& hint)
{
    T_Raster r;
    std::string error;
    EXPECT_TRUE(Decode_Image_Buffer(data.data(), data.size(), hint, r, error)) << hint << ": " << error;
    return r;
}

::testing::AssertionResult Color_At(const T_Raster& r, int x, int y, std::uint8_t red, std::uint8_t green,
                                    std::uint8_t blue)
{
    if (x >= r.Width || y >= r.Height)
        return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is outside " << r.Width << " x " << r.Height;
    const std::uint8_t* p = r.At(x, y);
    if (p[0] == red && p[1] == green && p[2] == blue)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is " << int(p[0]) << "," << int(p[1]) << ","
                                         << int(p[2]);
}

TEST(RareFormats, PatternSamplesDecode)
{
    // Animator palettes have 6-bit components, so grey 128 comes back as 125.
    for (auto [name, tolerance] : {std::pair{"pattern.rla", 0}, {"pattern.cel", 0}, {"pattern.pic", 3}}) {
        T_Raster r = Decode_Ok(Sample(name), name);
        EXPECT_TRUE(Matches_Reference(r, tolerance)) << name;
    }
    T_Raster rla = Decode_Ok(Sample("pattern.rla"), "x.rpf");
    EXPECT_EQ(rla.At(3, 3)[3], 200); // the matte channel is the transparency
    EXPECT_TRUE(rla.Has_Alpha);
}

TEST(RareFormats, PaintShopProFirstLayer)
{
    // Format version 3 with raw channels and version 5 with run-length
    // channels; both carry a mask that hides the last pixel.
    for (const char* name : {"pattern_v3.psp", "pattern.psp"}) {
        T_Raster r = Decode_Ok(Sample(name), name);
        EXPECT_TRUE(Matches_Reference(r, 0)) << name;
        EXPECT_EQ(r.At(6, 4)[3], 0) << name;
        EXPECT_EQ(r.At(5, 4)[3], 255) << name;
    }
}

TEST(RareFormats, HaloPictureTakesThePaletteBesideIt)
{
    Scratch_Dir dir;
    Bytes cut = Sample("pattern.cut"), pal = Sample("pattern.pal");
    Write_File(dir / "picture.cut", std::string(cut.begin(), cut.end()));
    T_Raster r;
    std::string error;
    // Without its palette: the indexes as grey levels.
    ASSERT_TRUE(Decode_Image_File(dir / "picture.cut", "", r, error)) << error;
    EXPECT_TRUE(Color_At(r, 2, 1, 4, 4, 4));
    Write_File(dir / "picture.pal", std::string(pal.begin(), pal.end()));
    ASSERT_TRUE(Decode_Image_File(dir / "picture.cut", "", r, error)) << error;
    EXPECT_TRUE(Matches_Reference(r, 0));
}

TEST(RareFormats, MetafilesAreDrawn)
{
    // A placeable metafile of 100 x 60 units at 100 per inch: a red rectangle
    // (10..40, 10..50), a blue ellipse (55..95, 10..50), a green line at y = 5.
    T_Raster wmf = Decode_Ok(Sample("drawing.wmf"), "x.wmf");
    ASSERT_EQ(wmf.Width, 96);
    ASSERT_EQ(wmf.Height, 58);
    EXPECT_TRUE(Color_At(wmf, 24, 29, 255, 0, 0));
    EXPECT_TRUE(Color_At(wmf, 72, 29, 0, 0, 255));
    EXPECT_TRUE(Color_At(wmf, 48, 5, 0, 255, 0));
    EXPECT_TRUE(Color_At(wmf, 48, 29, 255, 255, 255));
    EXPECT_TRUE(Color_At(wmf, 55, 12, 255, 255, 255)); // outside the ellipse, inside its box
    EXPECT_FALSE(wmf.Has_Alpha);

    // An enhanced metafile of 96 x 48 pixels: a green square (10..40) and a
    // blue triangle filled from a path (50,40), (90,40), (70,5).
    T_Raster emf = Decode_Ok(Sample("drawing.emf"), "x.emf");
    ASSERT_EQ(emf.Width, 96);
    ASSERT_EQ(emf.Height, 48);
    EXPECT_TRUE(Color_At(emf, 25, 25, 0, 255, 0));
    EXPECT_TRUE(Color_At(emf, 70, 30, 0, 0, 255));
    EXPECT_TRUE(Color_At(emf, 55, 10, 255, 255, 255));
    EXPECT_TRUE(Color_At(emf, 5, 45, 255, 255, 255));
}

TEST(RareFormats, MetafileThatNeverEndsItsShapesStops)
{
    // Thousands of polygons that each cover the whole picture: the drawing is
    // refused once its work budget (here a small one) is spent.
    Bytes emf = Sample("drawing.emf");
    Bytes head(emf.begin(), emf.begin() + 88), big = head;
    Bytes polygon;
    Put32(polygon, 3), Put32(polygon, 8 + 16 + 4 + 8 * 200); // EMR_POLYGON with 200 points
    for (int i = 0; i < 4; ++i)
        Put32(polygon, 0);
    Put32(polygon, 200);
    for (int i = 0; i < 200; ++i)
        Put32(polygon, i % 2 ? 0 : 96), Put32(polygon, i * 48 / 200);
    for (int i = 0; i < 2000; ++i)
        big.insert(big.end(), polygon.begin(), polygon.end());
    T_Raster r;
    std::string error;
    T_Decode_Limits limits;
    limits.Max_Draw_Work = 1'000'000;
    EXPECT_FALSE(Decode_Image_Buffer(big.data(), big.size(), "x.emf", r, error, limits));
    EXPECT_NE(error.find("too complex"), std::string::npos) << error;
    EXPECT_TRUE(Decode_Image_Buffer(big.data(), big.size(), "x.emf", r, error)) << error;
}

TEST(RareFormats, PhotoCdBasePicture)
{
    // The base picture of 768 x 512 pixels lies at 0x30000: pairs of luma lines,
    // each followed by a half-width line of each chroma channel.
    Bytes pcd(0x30000 + 768 * 512 * 3 / 2, 0);
    std::memcpy(pcd.data() + 0x800, "PCD_IPI", 7);
    for (int pair = 0; pair < 256; ++pair) {
        std::uint8_t* block = pcd.data() + 0x30000 + pair * 768 * 3;
        std::memset(block, pair < 128 ? 188 : 0, 768 * 2); // white above, black below
        std::memset(block + 768 * 2, 156, 384);            // neutral chroma
        std::memset(block + 768 * 2 + 384, 137, 384);
    }
    T_Raster r = Decode_Ok(pcd, "x.pcd");
    ASSERT_EQ(r.Width, 768);
    ASSERT_EQ(r.Height, 512);
    EXPECT_TRUE(Color_At(r, 10, 10, 255, 255, 255));
    EXPECT_TRUE(Color_At(r, 10, 500, 0, 0, 0));
    // A portrait picture is stored turned; the orientation byte turns it upright.
    pcd[0x0E02] = 1;
    r = Decode_Ok(pcd, "x.pcd");
    EXPECT_EQ(r.Width, 512);
    EXPECT_EQ(r.Height, 768);
    // A disc image cut before the base picture's end is refused.
    pcd.resize(0x30000 + 1000);
    std::string error;
    EXPECT_FALSE(Decode_Image_Buffer(pcd.data(), pcd.size(), "x.pcd", r, error));
}

Bytes Dos_Eps(const Bytes& tiff, const Bytes& wmf)
{
    const std::string postscript = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 7 5\n";
    Bytes eps;
    Put32(eps, 0xC6D3D0C5);
    Put32(eps, 30), Put32(eps, static_cast<std::uint32_t>(postscript.size()));
    std::uint32_t wmf_at = wmf.empty() ? 0 : 30 + static_cast<std::uint32_t>(postscript.size());
    Put32(eps, wmf_at), Put32(eps, static_cast<std::uint32_t>(wmf.size()));
    std::uint32_t tiff_at = tiff.empty() ? 0 : 30 + static_cast<std::uint32_t>(postscript.size() + wmf.size());
    Put32(eps, tiff_at), Put32(eps, static_cast<std::uint32_t>(tiff.size()));
    Put16(eps, 0xFFFF);
    eps.insert(eps.end(), postscript.begin(), postscript.end());
    eps.insert(eps.end(), wmf.begin(), wmf.end());
    eps.insert(eps.end(), tiff.begin(), tiff.end());
    return eps;
}

TEST(RareFormats, EpsShowsItsPreview)
{
    EXPECT_TRUE(Matches_Reference(Decode_Ok(Dos_Eps(Sample("raw.tif"), {}), "x.eps"), 0));
    EXPECT_EQ(Decode_Ok(Dos_Eps({}, Sample("drawing.wmf")), "x.eps").Width, 96);

    T_Raster r;
    std::string error;
    Bytes bare = Dos_Eps({}, {});
    EXPECT_FALSE(Decode_Image_Buffer(bare.data(), bare.size(), "x.eps", r, error));
    EXPECT_NE(error.find("preview"), std::string::npos) << error;
    std::string text = "%!PS-Adobe-3.0 EPSF-3.0\nshowpage\n";
    EXPECT_FALSE(Decode_Image_Buffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), "x.eps", r, error));
    EXPECT_NE(error.find("preview"), std::string::npos) << error;
    // A preview said to lie past the end of the file.
    Bytes eps = Dos_Eps(Sample("raw.tif"), {});
    eps.resize(eps.size() - 100);
    EXPECT_FALSE(Decode_Image_Buffer(eps.data(), eps.size(), "x.eps", r, error));
}

TEST(RareFormats, TruncatedOrCorruptFailsCleanly)
{
    for (const char* name : {"pattern.rla", "pattern.cut", "pattern.pic", "pattern.cel", "pattern.psp", "pattern_v3.psp",
                             "drawing.wmf", "drawing.emf"}) {
        const Bytes data = Sample(name);
        T_Raster r;
        std::string error;
        for (std::size_t length = 1; length < data.size(); ++length) {
            error.clear();
            bool ok = Decode_Image_Buffer(data.data(), length, name, r, error);
            ASSERT_TRUE(Clean_Outcome(ok, r, error)) << name << " cut at " << length;
        }
        for (std::size_t i = 0; i < data.size(); ++i)
            for (std::uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
                Bytes bad = data;
                bad[i] = value;
                error.clear();
                bool ok = Decode_Image_Buffer(bad.data(), bad.size(), name, r, error);
                ASSERT_TRUE(Clean_Outcome(ok, r, error)) << name << " byte " << i << " = " << int(value);
            }
    }
}

// --------------------------------------------------------- choosing a decoder

TEST(DecoderChoice, EveryRegisteredExtensionHasADecoder)
{
    for (const auto& format : Image_Format_Registry()) {
        EXPECT_NE(format.Decoder, T_Image_Decoder::None) << format.Extension;
        EXPECT_EQ(Decoder_For_Extension("." + format.Extension), format.Decoder);
    }
    EXPECT_EQ(Decoder_For_Extension("TGA"), T_Image_Decoder::Targa);
    EXPECT_EQ(Decoder_For_Extension("svg"), T_Image_Decoder::None);
    EXPECT_EQ(Extension_Of("/data.old/readme"), "");
    EXPECT_EQ(Extension_Of("C:\\pics\\plan.WIN"), "WIN");
    EXPECT_EQ(Extension_Of("pack.tar.gz"), "gz");
}

TEST(DecoderChoice, ContentWinsOverTheExtension)
{
    Scratch_Dir dir;
    Bytes png = Sample("rgb8.png"), tiff = Sample("g4.fax"), bmp = Sample("rgb24.bmp");
    Write_File(dir / "plan.win", std::string(png.begin(), png.end()));   // a Targa extension
    Write_File(dir / "x.fax", std::string(bmp.begin(), bmp.end()));      // a TIFF extension
    Write_File(dir / "scan.pcx", std::string(tiff.begin(), tiff.end())); // a PCX extension
    T_Raster r;
    std::string error;
    ASSERT_TRUE(Decode_Image_File(dir / "plan.win", "", r, error)) << error;
    EXPECT_TRUE(Matches_Reference(r, 0));
    ASSERT_TRUE(Decode_Image_File(dir / "x.fax", "", r, error)) << error;
    EXPECT_TRUE(Matches_Reference(r, 0));
    ASSERT_TRUE(Decode_Image_File(dir / "scan.pcx", "other.psd", r, error)) << error;
    EXPECT_EQ(r.Width, 10);
}

TEST(DecoderChoice, HintThenOwnExtension)
{
    Scratch_Dir dir;
    Bytes tga = Sample("raw.tga");
    // Targa has no signature: a base file without extension loads by the
    // other document's format, given as the hint.
    Write_File(dir / "base", std::string(tga.begin(), tga.end()));
    T_Raster r;
    std::string error;
    ASSERT_TRUE(Decode_Image_File(dir / "base", dir / "modified.tga", r, error)) << error;
    EXPECT_TRUE(Matches_Reference(r, 0));
    // A hint of another format does not stop the file's own extension.
    Write_File(dir / "a.tga", std::string(tga.begin(), tga.end()));
    ASSERT_TRUE(Decode_Image_File(dir / "a.tga", dir / "b.pcx", r, error)) << error;
    EXPECT_TRUE(Matches_Reference(r, 0));
}

TEST(DecoderChoice, FailuresSayWhy)
{
    Scratch_Dir dir;
    T_Raster r;
    std::string error;
    EXPECT_FALSE(Decode_Image_File(dir / "missing.png", "", r, error));
    EXPECT_NE(error.find("missing.png"), std::string::npos) << error;
    Write_File(dir / "empty.png", "");
    EXPECT_FALSE(Decode_Image_File(dir / "empty.png", "", r, error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;
    Write_File(dir / "notes.txt", "just some text, not a picture");
    EXPECT_FALSE(Decode_Image_File(dir / "notes.txt", "", r, error));
    EXPECT_NE(error.find("not recognised"), std::string::npos) << error;
    // Recognised by content but broken: the content decoder's reason is given.
    Bytes png = Sample("rgb8.png");
    png.resize(40);
    Write_File(dir / "cut.png", std::string(png.begin(), png.end()));
    EXPECT_FALSE(Decode_Image_File(dir / "cut.png", "", r, error));
    EXPECT_NE(error.find("PNG"), std::string::npos) << error;
    EXPECT_TRUE(r.Pixels.empty());
}

} // namespace
