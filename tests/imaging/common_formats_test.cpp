// The common formats, decoded from samples that ImageMagick wrote, then
// truncated and corrupted.
#include "decoder_test_support.h"
#include "test_support.h"

using namespace test;

namespace {

struct T_Sample {
    const char* Name;
    int Tolerance; // lossy or reduced-depth samples differ a little
};

const T_Sample Samples[] = {
    {"rgb8.png", 0},      {"palette.png", 0},  {"interlaced.png", 0}, {"rgb16.png", 0},     {"rgba.png", 0},
    {"rgb24.bmp", 0},     {"palette8.bmp", 0}, {"rle8.bmp", 0},       {"rgba32.bmp", 0},    {"icon.ico", 0},
    {"rgb.jpg", 6},       {"progressive.jpg", 40}, {"cmyk.jpg", 8},   {"palette.gif", 0},   {"interlaced.gif", 0},
    {"raw.tif", 0},       {"lzw.tif", 0},      {"zip.tif", 0},        {"raw.tga", 0},       {"rle.tga", 0},
    {"rgb24.pcx", 0},     {"palette8.pcx", 0}, {"rgb.psd", 0},        {"verbatim.sgi", 0},  {"rle.sgi", 0},
};

class Sample_Test : public ::testing::TestWithParam<T_Sample> {};

TEST_P(Sample_Test, DecodesToThePattern)
{
    Bytes data = Sample(GetParam().Name);
    ASSERT_FALSE(data.empty());
    T_Raster r;
    std::string error;
    ASSERT_TRUE(Decode_Image_Buffer(data.data(), data.size(), GetParam().Name, r, error)) << error;
    EXPECT_TRUE(Matches_Reference(r, GetParam().Tolerance));
}

// The format is found by content alone, whatever the name says.
TEST_P(Sample_Test, IsRecognisedByContent)
{
    Bytes data = Sample(GetParam().Name);
    std::string name = GetParam().Name;
    if (name.ends_with(".tga")) // Targa files without footer carry no signature
        GTEST_SKIP();
    EXPECT_NE(Detect_Image_Decoder(data.data(), data.size()), T_Image_Decoder::None);
    T_Raster r;
    std::string error;
    EXPECT_TRUE(Decode_Image_Buffer(data.data(), data.size(), "", r, error)) << error;
}

TEST_P(Sample_Test, TruncatedOrCorruptFailsCleanly)
{
    const Bytes data = Sample(GetParam().Name);
    T_Raster r;
    std::string error;
    // Every cut point: a clear failure or a consistent picture, never a crash.
    for (std::size_t length = 1; length < data.size(); ++length) {
        error.clear();
        bool ok = Decode_Image_Buffer(data.data(), length, GetParam().Name, r, error);
        ASSERT_TRUE(Clean_Outcome(ok, r, error)) << "cut at " << length;
    }
    // Half of the file is never enough.
    EXPECT_FALSE(Decode_Image_Buffer(data.data(), data.size() / 2, GetParam().Name, r, error));
    EXPECT_FALSE(error.empty());
    // Every byte set to each of a few values.
    for (std::size_t i = 0; i < data.size(); ++i)
        for (std::uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
            Bytes bad = data;
            bad[i] = value;
            error.clear();
            bool ok = Decode_Image_Buffer(bad.data(), bad.size(), GetParam().Name, r, error);
            ASSERT_TRUE(Clean_Outcome(ok, r, error)) << "byte " << i << " = " << int(value);
        }
}

INSTANTIATE_TEST_SUITE_P(Samples, Sample_Test, ::testing::ValuesIn(Samples), [](const auto& param_info) {
    std::string name = param_info.param.Name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

TEST(Decoders, AlphaChannelsAreKept)
{
    for (const char* name : {"rgba.png", "rgba32.bmp"}) {
        Bytes data = Sample(name);
        T_Raster r;
        std::string error;
        ASSERT_TRUE(Decode_Image_Buffer(data.data(), data.size(), name, r, error)) << error;
        EXPECT_TRUE(r.Has_Alpha) << name;
        // Alpha runs from 0 at the left edge to 6/7 at the right.
        EXPECT_EQ(r.At(0, 2)[3], 0) << name;
        EXPECT_NEAR(r.At(6, 2)[3], 6 * 255 / 7, 1) << name;
    }
    Bytes data = Sample("graya16.png");
    T_Raster r;
    std::string error;
    ASSERT_TRUE(Decode_Image_Buffer(data.data(), data.size(), "", r, error)) << error;
    EXPECT_NEAR(r.At(3, 3)[3], 128, 1);
    EXPECT_EQ(r.At(2, 0)[0], r.At(2, 0)[2]); // grey
}

TEST(Decoders, BilevelPicturesShowBlackAndWhite)
{
    for (const char* name : {"gray1.png", "g4.fax"}) {
        Bytes data = Sample(name);
        T_Raster r;
        std::string error;
        ASSERT_TRUE(Decode_Image_Buffer(data.data(), data.size(), name, r, error)) << name << ": " << error;
        ASSERT_EQ(r.Width, 10);
        ASSERT_EQ(r.Height, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(r.At(x, y)[0], Bilevel_Black(x, y) ? 0 : 255) << name << " at " << x << ", " << y;
    }
}

TEST(Decoders, HugeDimensionsAreRefusedBeforeAllocation)
{
    // A valid header claiming 60000 x 60000 pixels, with no data to back it.
    Bytes bmp = Sample("rgb24.bmp");
    bmp[18] = 0x60, bmp[19] = 0xEA, bmp[20] = 0, bmp[21] = 0; // width 60000
    bmp[22] = 0x60, bmp[23] = 0xEA, bmp[24] = 0, bmp[25] = 0; // height 60000
    T_Raster r;
    std::string error;
    EXPECT_FALSE(Decode_Image_Buffer(bmp.data(), bmp.size(), "x.bmp", r, error));
    EXPECT_NE(error.find("60000 x 60000"), std::string::npos) << error;

    // Within the area limit but far beyond what the file's data can describe.
    bmp[18] = 0x00, bmp[19] = 0x10, bmp[22] = 0x00, bmp[23] = 0x10; // 4096 x 4096
    EXPECT_FALSE(Decode_Image_Buffer(bmp.data(), bmp.size(), "x.bmp", r, error));
    EXPECT_NE(error.find("too short"), std::string::npos) << error;

    // The limits are the caller's: a smaller area refuses the sample itself.
    Bytes png = Sample("rgb8.png");
    T_Decode_Limits small;
    small.Max_Pixels = 20;
    EXPECT_FALSE(Decode_Image_Buffer(png.data(), png.size(), "", r, error, small));
    EXPECT_NE(error.find("7 x 5"), std::string::npos) << error;
}

} // namespace
