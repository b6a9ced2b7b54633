// Cases that the suites cover only in part, built here byte by byte: a
// Targa file with an image-ID field, bit fields that must be scaled (not
// shifted) to 8 bits, and a metafile that draws beyond its header's frame.
#include "tests/imaging/decoder_test_support.h"

#include <QBuffer>

using namespace test;

namespace {

TEST(ReferenceCases, TargaImageIdFieldDoesNotShiftThePixels)
{
    // Uncompressed true colour, 2 x 1, top row first, after a 5-byte ID.
    Bytes tga = {5, 0, 2, 0, 0, 0, 0, 0};
    Put16(tga, 0), Put16(tga, 0), Put16(tga, 2), Put16(tga, 1);
    tga.push_back(24), tga.push_back(0x20);
    tga.insert(tga.end(), {'H', 'E', 'L', 'L', 'O'});
    tga.insert(tga.end(), {0, 0, 255, 255, 0, 0}); // red, blue (stored BGR)
    Scratch_Dir dir;
    std::string format;
    Write_File(dir / "id.tga", As_Text(tga));
    const QImage image = Load_Ok(dir / "id.tga", {}, &format);
    EXPECT_EQ(format, "targa");
    EXPECT_TRUE(Color_At(image, 0, 0, 255, 0, 0));
    EXPECT_TRUE(Color_At(image, 1, 0, 0, 0, 255));
}

// A bitmap file with a 40-byte header and 16-bit bit fields.
Bytes Bit_Field_Bitmap(std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                       std::initializer_list<unsigned> pixels)
{
    Bytes bmp = {'B', 'M'};
    const std::uint32_t row = (static_cast<std::uint32_t>(pixels.size()) * 2 + 3) / 4 * 4;
    Put32(bmp, 14 + 40 + 12 + row), Put32(bmp, 0), Put32(bmp, 14 + 40 + 12);
    Put32(bmp, 40), Put32(bmp, static_cast<std::uint32_t>(pixels.size())), Put32(bmp, 1);
    Put16(bmp, 1), Put16(bmp, 16), Put32(bmp, 3), Put32(bmp, row);
    Put32(bmp, 2835), Put32(bmp, 2835), Put32(bmp, 0), Put32(bmp, 0);
    Put32(bmp, red), Put32(bmp, green), Put32(bmp, blue);
    for (unsigned p : pixels)
        Put16(bmp, p);
    bmp.resize(14 + 40 + 12 + row, 0);
    return bmp;
}

TEST(ReferenceCases, BitFieldsAreScaledToFullRange)
{
    Scratch_Dir dir;
    // 5-6-5: the largest value of each channel is full brightness, not 248 or 252.
    Write_File(dir / "565.bmp",
               As_Text(Bit_Field_Bitmap(0xF800, 0x07E0, 0x001F, {0xF800, 0x07E0, 0x001F, 0x8410})));
    QImage image = Load_Ok(dir / "565.bmp");
    EXPECT_TRUE(Color_At(image, 0, 0, 255, 0, 0));
    EXPECT_TRUE(Color_At(image, 1, 0, 0, 255, 0));
    EXPECT_TRUE(Color_At(image, 2, 0, 0, 0, 255));
    EXPECT_TRUE(Color_At(image, 3, 0, 132, 130, 132)); // 16/31, 32/63, 16/31, rounded
    // A one-bit channel is off or fully on.
    Write_File(dir / "1bit.bmp",
               As_Text(Bit_Field_Bitmap(0x8000, 0x7FE0, 0x001F, {0x8000, 0x0000})));
    image = Load_Ok(dir / "1bit.bmp");
    EXPECT_TRUE(Color_At(image, 0, 0, 255, 0, 0));
    EXPECT_TRUE(Color_At(image, 1, 0, 0, 0, 0));
}

TEST(ReferenceCases, MetafileDrawingBeyondItsFrameIsShownWhole)
{
    // A placeable metafile whose frame is 100 x 50 at 96 units an inch (one
    // unit a pixel), with a red rectangle from (150, 20) to (190, 40).
    Bytes wmf;
    Put32(wmf, 0x9AC6CDD7), Put16(wmf, 0);
    Put16(wmf, 0), Put16(wmf, 0), Put16(wmf, 100), Put16(wmf, 50), Put16(wmf, 96);
    Put32(wmf, 0), Put16(wmf, 0);
    Bytes records;
    auto record = [&](unsigned function, std::initializer_list<unsigned> words) {
        Put32(records, static_cast<std::uint32_t>(3 + words.size()));
        Put16(records, function);
        for (unsigned w : words)
            Put16(records, w);
    };
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // a solid red brush
    record(0x012D, {0});                    // selected
    record(0x041B, {40, 190, 20, 150});     // the rectangle: bottom, right, top, left
    record(0x041B, {30, 60, 10, 10});       // and one inside the frame
    record(0x0000, {});
    Put16(wmf, 1), Put16(wmf, 9), Put16(wmf, 0x0300);
    Put32(wmf, static_cast<std::uint32_t>((18 + records.size()) / 2));
    Put16(wmf, 1), Put32(wmf, 7), Put16(wmf, 0);
    wmf.insert(wmf.end(), records.begin(), records.end());

    Scratch_Dir dir;
    Write_File(dir / "wide.wmf", As_Text(wmf));
    const QImage image = Load_Ok(dir / "wide.wmf");
    ASSERT_GE(image.width(), 190);
    EXPECT_EQ(image.height(), 50);
    EXPECT_TRUE(Color_At(image, 170, 30, 255, 0, 0)); // beyond the frame
    EXPECT_TRUE(Color_At(image, 30, 20, 255, 0, 0));  // inside it, where it was
    EXPECT_TRUE(Color_At(image, 120, 30, 255, 255, 255));
}

// A camera's JPEG turned a quarter clockwise by its EXIF orientation (6):
// shown, and compared, standing up, as viewers show it.
TEST(ReferenceCases, ExifOrientationIsApplied)
{
    QImage lying(200, 100, QImage::Format_RGB32);
    lying.fill(Qt::white);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            lying.setPixel(x, y, qRgb(0, 0, 0)); // top left as stored
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(lying.save(&buffer, "JPEG", 95));
    // APP1 "Exif": a big-endian TIFF header and one entry, Orientation = 6.
    Bytes exif = {0xFF, 0xE1};
    Put16_BE(exif, 2 + 6 + 8 + 2 + 12 + 4);
    exif.insert(exif.end(), {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42});
    Put32_BE(exif, 8);
    Put16_BE(exif, 1);
    Put16_BE(exif, 0x0112), Put16_BE(exif, 3), Put32_BE(exif, 1), Put16_BE(exif, 6),
        Put16_BE(exif, 0);
    Put32_BE(exif, 0);
    jpeg.insert(2, reinterpret_cast<const char*>(exif.data()), qsizetype(exif.size()));
    Scratch_Dir dir;
    Write_File(dir / "turned.jpg", jpeg.toStdString());
    const T_Loaded_Picture picture = Load_Picture(dir / "turned.jpg");
    ASSERT_EQ(picture.Result, T_Picture_Load_Result::Loaded) << picture.Reason;
    EXPECT_TRUE(picture.Oriented);
    EXPECT_EQ(picture.Image.size(), QSize(100, 200));
    EXPECT_TRUE(Color_At(picture.Image, 90, 10, 0, 0, 0, 40)); // now top right
    EXPECT_TRUE(Color_At(picture.Image, 10, 10, 255, 255, 255, 40));
    EXPECT_FALSE(Load_Picture(Sample_Path("rgb.jpg")).Oriented);
}

} // namespace

namespace {

int Shell(const std::string& Command) { return std::system(Command.c_str()); }

// Pixels that differ between two pictures of one size; -1 for sizes apart.
long Differing(const QImage& A, const QImage& B)
{
    if (A.size() != B.size())
        return -1;
    const QImage a = A.convertToFormat(QImage::Format_RGB32);
    const QImage b = B.convertToFormat(QImage::Format_RGB32);
    long count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

} // namespace

// Each of the eight orientations, stored turned the other way by the
// converter, shows as the upright picture, as viewers show it.
TEST(ReferenceCases, TiffOrientationsOneToEightShowUpright)
{
#ifdef _WIN32
    // The converter is not at hand here by that name; the samples
    // orient2.tif to orient8.tif check the same in every build.
    GTEST_SKIP() << "the pictures are made with ImageMagick's convert";
#endif
    Scratch_Dir dir;
    const std::string up = dir / "up.png";
    ASSERT_EQ(Shell("convert -size 60x40 xc:white -fill red -draw 'rectangle 0,0 19,9' -fill blue "
                    "-draw 'rectangle 40,30 59,39' '" +
                    up + "'"),
              0);
    const char* stored[8][2] = {{"", "TopLeft"},
                                {"-flop", "TopRight"},
                                {"-rotate 180", "BottomRight"},
                                {"-flip", "BottomLeft"},
                                {"-transpose", "LeftTop"},
                                {"-rotate 270", "RightTop"},
                                {"-transverse", "RightBottom"},
                                {"-rotate 90", "LeftBottom"}};
    const QImage upright = Load_Ok(up);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string tiff = dir / ("o" + std::to_string(orientation) + ".tif");
        ASSERT_EQ(Shell("convert '" + up + "' " + stored[orientation - 1][0] + " -orient " +
                        stored[orientation - 1][1] + " '" + tiff + "'"),
                  0);
        EXPECT_EQ(Differing(Load_Ok(tiff), upright), 0) << "orientation " << orientation;
    }
}

// A Targa file without its footer but with an image-ID field reads the same
// whichever way it is reached: by its name or by its content (the base of a
// pair, told the modified file's name).
TEST(ReferenceCases, TargaWithAnImageIdReadsAlikeOnEveryPath)
{
    Scratch_Dir dir;
    Bytes tga = {5, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 24, 0x20};
    for (char c : std::string("NOTE!"))
        tga.push_back(std::uint8_t(c));
    for (int pixel = 0; pixel < 8; ++pixel) // blue, green, red per pixel
        tga.insert(tga.end(), {std::uint8_t(pixel * 30), 0, std::uint8_t(255 - pixel * 30)});
    Write_File(dir / "id.tga", As_Text(tga));
    const std::string file = dir / "id.tga";
    const QImage by_name = Load_Ok(file);
    ASSERT_EQ(by_name.size(), QSize(4, 2));
    EXPECT_TRUE(Color_At(by_name, 0, 0, 255, 0, 0));
    EXPECT_EQ(Differing(Load_Ok(file, file), by_name), 0);
}

// A placeable metafile whose white background reaches past its frame shows
// at its frame: paper beyond it is no drawing.
TEST(ReferenceCases, MetafileShowsAtItsFrameWhenOnlyPaperLiesBeyond)
{
    Bytes wmf;
    Put32(wmf, 0x9AC6CDD7), Put16(wmf, 0);
    Put16(wmf, 0), Put16(wmf, 0), Put16(wmf, 110), Put16(wmf, 110), Put16(wmf, 96);
    Put32(wmf, 0), Put16(wmf, 0);
    Bytes records;
    auto record = [&](unsigned function, std::initializer_list<unsigned> words) {
        Put32(records, static_cast<std::uint32_t>(3 + words.size()));
        Put16(records, function);
        for (unsigned w : words)
            Put16(records, w);
    };
    record(0x02FC, {0, 0xFFFF, 0x00FF, 0}); // a white brush
    record(0x012D, {0});
    record(0x02FA, {0, 1, 0, 0xFFFF, 0x00FF}); // a white pen
    record(0x012D, {1});
    record(0x041B, {128, 128, 0, 0});       // the background, larger than the frame
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // a red brush
    record(0x012D, {2});
    record(0x041B, {60, 60, 10, 10});
    record(0x0000, {});
    Put16(wmf, 1), Put16(wmf, 9), Put16(wmf, 0x0300);
    Put32(wmf, static_cast<std::uint32_t>((18 + records.size()) / 2));
    Put16(wmf, 3), Put32(wmf, 7), Put16(wmf, 0);
    wmf.insert(wmf.end(), records.begin(), records.end());
    Scratch_Dir dir;
    Write_File(dir / "framed.wmf", As_Text(wmf));
    const QImage image = Load_Ok(dir / "framed.wmf");
    EXPECT_EQ(image.size(), QSize(110, 110));
    EXPECT_TRUE(Color_At(image, 30, 30, 255, 0, 0));
}
