// The sample files, each loaded as a pane loads it: Qt's readers for the
// common formats, the program's image handlers for the rest.
#include "tests/imaging/decoder_test_support.h"

#include <QImageReader>

using namespace test;

namespace {

struct T_Sample {
    const char* Name;
    const char* Format; // the format that must have read it
    int Tolerance;      // lossy or reduced-depth samples differ a little
};

// PNG and TIFF go to their reference libraries where those are built in.
#if VARNOLT_REFERENCE_DECODERS
constexpr const char* Png_Reader = "libpng";
constexpr const char* Tiff_Reader = "libtiff";
#else
constexpr const char* Png_Reader = "png";
constexpr const char* Tiff_Reader = "tiff";
#endif

const T_Sample Samples[] = {
    {"rgb8.png", Png_Reader, 0},
    {"palette.png", Png_Reader, 0},
    {"interlaced.png", Png_Reader, 0},
    {"rgb16.png", Png_Reader, 0},
    {"rgba.png", Png_Reader, 0},
    {"rgb24.bmp", "winbmp", 0},
    {"palette8.bmp", "winbmp", 0},
    {"rle8.bmp", "winbmp", 0},
    {"rgba32.bmp", "winbmp", 0},
    {"icon.ico", "ico", 0},
    {"rgb.jpg", "jpeg", 6},
    {"progressive.jpg", "jpeg", 40},
    {"cmyk.jpg", "jpeg", 8},
    {"palette.gif", "gif", 0},
    {"interlaced.gif", "gif", 0},
    {"raw.tif", Tiff_Reader, 0},
    {"lzw.tif", Tiff_Reader, 0},
    {"zip.tif", Tiff_Reader, 0},
    {"orient2.tif", Tiff_Reader, 0},
    {"orient3.tif", Tiff_Reader, 0},
    {"orient4.tif", Tiff_Reader, 0},
    {"orient5.tif", Tiff_Reader, 0},
    {"orient6.tif", Tiff_Reader, 0},
    {"orient7.tif", Tiff_Reader, 0},
    {"orient8.tif", Tiff_Reader, 0},
    {"raw.tga", "targa", 0},
    {"rle.tga", "targa", 0},
    {"rgb24.pcx", "pcx", 0},
    {"palette8.pcx", "pcx", 0},
    {"rgb.psd", "psd", 0},
    {"verbatim.sgi", "sgi", 0},
    {"rle.sgi", "sgi", 0},
};

class Sample_Test : public ::testing::TestWithParam<T_Sample> {};

TEST_P(Sample_Test, LoadsToThePatternWithItsFormatsReader)
{
    std::string format;
    QImage image = Load_Ok(Sample_Path(GetParam().Name), {}, &format);
    EXPECT_TRUE(Matches_Reference(image, GetParam().Tolerance));
    EXPECT_EQ(format, GetParam().Format);
}

// Without an extension the format is found by content alone; the Targa
// samples have no signature and load by the other file's name as the hint.
TEST_P(Sample_Test, LoadsWithoutItsExtension)
{
    Scratch_Dir dir;
    Write_File(dir / "base", As_Text(Sample(GetParam().Name)));
    const std::string name = GetParam().Name;
    const std::string hint = name.ends_with(".tga") ? "modified.tga" : "modified.none";
    EXPECT_TRUE(Matches_Reference(Load_Ok(dir / "base", hint), GetParam().Tolerance));
}

INSTANTIATE_TEST_SUITE_P(Samples, Sample_Test, ::testing::ValuesIn(Samples),
                         [](const auto& param_info) {
                             std::string name = param_info.param.Name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(CommonFormats, AlphaChannelsAreKept)
{
    for (const char* name : {"rgba.png", "rgba32.bmp"}) {
        QImage image = Load_Ok(Sample_Path(name));
        EXPECT_TRUE(image.hasAlphaChannel()) << name;
        // Alpha runs from 0 at the left edge to 6/7 at the right.
        EXPECT_EQ(image.pixelColor(0, 2).alpha(), 0) << name;
        EXPECT_NEAR(image.pixelColor(6, 2).alpha(), 6 * 255 / 7, 1) << name;
    }
    QImage grey = Load_Ok(Sample_Path("graya16.png"));
    EXPECT_NEAR(grey.pixelColor(3, 3).alpha(), 128, 1);
    EXPECT_EQ(grey.pixelColor(2, 0).red(), grey.pixelColor(2, 0).blue());
}

TEST(CommonFormats, BilevelPicturesShowBlackAndWhite)
{
    // The G4 fax is TIFF, which Qt reads through its image formats plugin.
    for (const char* name : {"gray1.png", "g4.fax"}) {
        QImage image = Load_Ok(Sample_Path(name));
        ASSERT_EQ(image.width(), 10) << name;
        ASSERT_EQ(image.height(), 6) << name;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(image.pixelColor(x, y).red(), Bilevel_Black(x, y) ? 0 : 255)
                    << name << " at " << x << ", " << y;
    }
}

// A file cut short fails with a reason instead of showing a partial picture
// as if it were whole, whichever reader has it.
TEST(CommonFormats, TruncatedFilesAreUnreadable)
{
    Scratch_Dir dir;
    for (const char* name : {"rgb8.png", "rgb.jpg", "lzw.tif", "raw.tga", "rgb.psd", "verbatim.sgi",
                             "palette.gif", "interlaced.gif"}) {
        Bytes data = Sample(name);
        data.resize(data.size() / 2);
        Write_File(dir / name, As_Text(data));
        T_Loaded_Picture picture = Load_Picture(dir / name);
        EXPECT_EQ(picture.Result, T_Picture_Load_Result::Unreadable) << name;
        EXPECT_FALSE(picture.Reason.empty()) << name;
        EXPECT_TRUE(picture.Image.isNull()) << name;
    }
}

// Viewers show a GIF that lacks only its closing trailer whole.
TEST(CommonFormats, AGifWithoutItsTrailerIsWhole)
{
    Scratch_Dir dir;
    Bytes data = Sample("palette.gif");
    ASSERT_EQ(data.back(), 0x3B);
    const QImage whole = Load_Bytes_Ok(dir, data, "whole.gif");
    data.pop_back();
    EXPECT_EQ(Load_Bytes_Ok(dir, data, "no trailer.gif"), whole);
    // Cut inside the picture's data, Qt's reader fills in the rest.
    data.resize(data.size() - 6);
    Write_File(dir / "cut.gif", As_Text(data));
    EXPECT_EQ(Load_Picture(dir / "cut.gif").Result, T_Picture_Load_Result::Unreadable);
}

TEST(CommonFormats, HugeDimensionsAreRefusedBeforeDecoding)
{
    Scratch_Dir dir;
    // Headers claiming 60000 x 60000 pixels, with no data to back them: the
    // program's handlers report the size without decoding (as Qt's PNG
    // reader does, see image_load_test.cpp), and the picture is refused as
    // too large.
    Bytes tga = Sample("raw.tga");
    tga[12] = 0x60, tga[13] = 0xEA, tga[14] = 0x60, tga[15] = 0xEA;
    Bytes pcx = Sample("rgb24.pcx");
    pcx[8] = 0x5F, pcx[9] = 0xEA, pcx[10] = 0x5F, pcx[11] = 0xEA; // last column and row 59999
    pcx[66] = 0x60, pcx[67] = 0xEA;                               // 60000 bytes a line
    for (auto [name, bytes] : {std::pair{"huge.tga", &tga}, {"huge.pcx", &pcx}}) {
        Write_File(dir / name, As_Text(*bytes));
        T_Loaded_Picture picture = Load_Picture(dir / name);
        EXPECT_EQ(picture.Result, T_Picture_Load_Result::Too_Large) << name;
        EXPECT_EQ(picture.Stored_Size, QSize(60000, 60000)) << name;
        EXPECT_TRUE(picture.Image.isNull()) << name;
    }

    // Within the area limit but far beyond what the file's data can describe.
    tga[12] = 0x00, tga[13] = 0x10, tga[14] = 0x00, tga[15] = 0x10; // 4096 x 4096
    Write_File(dir / "short.tga", As_Text(tga));
    T_Loaded_Picture picture = Load_Picture(dir / "short.tga");
    EXPECT_EQ(picture.Result, T_Picture_Load_Result::Unreadable);
    EXPECT_NE(picture.Reason.find("too short"), std::string::npos) << picture.Reason;

    // The handlers' limits are the caller's: a smaller area refuses the sample.
    QImage image;
    std::string error;
    T_Decode_Limits small;
    small.Max_Pixels = 20;
    EXPECT_FALSE(Decode(Sample("rgb24.pcx"), T_Image_Decoder::Pcx, image, error, small));
    EXPECT_NE(error.find("7 x 5"), std::string::npos) << error;
}

} // namespace
