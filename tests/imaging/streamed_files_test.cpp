// Files compared while they are read, against decoding them whole: the row
// decoders give Load_Picture's pixels (PngSuite, JPEG variants made with
// ImageMagick), pairs drawn with Qt (anti-aliased text and lines, sizes,
// transparency, pixel layouts) and the suite's files against edited copies
// come to the same differences, and files the row decoders do not take are
// left to the whole comparison.
#include "imaging/picture_compare.h"
#include "imaging/picture_rows.h"
#include "tests/differences/same_difference.h"
#include "imaging/streamed_files.h"
#include "tests/imaging/suite_support.h"
#include "imaging/u_image_load.h"

#include <QBuffer>
#include <QFont>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <ostream>

namespace {

// The picture Load_Picture gives, in the engine's 32-bit layout.
QImage Decoded_32_Bit(const std::string& File)
{
    const QImage picture = Load_Picture(File).Image;
    return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                             : QImage::Format_RGB32);
}

// The rows a row source gives, as a picture; null when it breaks.
QImage Read_Rows(T_Row_Source& Rows)
{
    QImage picture(Rows.Width(), Rows.Height(), QImage::Format_ARGB32);
    if (!Rows.Read_Rows(picture.bits(), picture.bytesPerLine(), picture.height()))
        return {};
    return picture;
}

// Whether the rows of a file are Load_Picture's pixels, word for word.
void Expect_Rows_As_Decoded(const std::string& File, T_Row_Source& Rows)
{
    const QImage expected = Decoded_32_Bit(File);
    const QImage actual = Read_Rows(Rows);
    ASSERT_FALSE(actual.isNull()) << File;
    ASSERT_EQ(actual.size(), expected.size()) << File;
    for (int y = 0; y < expected.height(); ++y)
        ASSERT_EQ(std::memcmp(actual.constScanLine(y), expected.constScanLine(y),
                              std::size_t(expected.width()) * 4),
                  0)
            << File << ", row " << y;
}

T_Difference Compared_Whole(const std::string& Old, const std::string& New,
                            const T_Difference_Options& Options = {})
{
    return Compare_Decoded_Pictures(Load_Picture(Old).Image, Load_Picture(New, Old).Image, Options);
}

bool Convert(const std::string& Arguments)
{
    return std::system(("\"" + std::string(VARNOLT_TEST_CONVERTER) + "\" " + Arguments).c_str()) ==
           0;
}

// A window-like screen: a title bar, panels, labels and a button.
QImage Screen(int Width, int Height, const QString& Label, QImage::Format Format,
              const std::function<void(QPainter&)>& Extra)
{
    QImage picture(Width, Height, Format);
    picture.fill(QColor(243, 243, 243));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(0, 0, Width, 28, QColor(43, 87, 154));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    painter.drawText(10, 19, QStringLiteral("Sheet A-101 - Revision C"));
    painter.setPen(QPen(QColor(90, 90, 90), 1.5));
    painter.drawRoundedRect(QRectF(12.5, 40.5, Width - 25, Height - 80), 6, 6);
    painter.drawLine(QPointF(20, 70), QPointF(Width - 30, 95.5));
    painter.setPen(Qt::black);
    painter.drawText(24, 62, Label);
    painter.drawEllipse(QPointF(Width * 0.6, Height * 0.55), 30, 22);
    Extra(painter);
    painter.end();
    return picture;
}

// A pair drawn when its test runs (Qt draws text only once the
// application is up).
struct T_Drawn_Pair {
    std::string Name;
    std::function<std::pair<QImage, QImage>()> Draw;
    const char* Format = "png";
};

void PrintTo(const T_Drawn_Pair& Pair, std::ostream* Out) { *Out << Pair.Name; }

using T_Painting = std::function<void(QPainter&)>;

QImage Screen_Of(
    QImage::Format Format, const T_Painting& Extra = [](QPainter&) {}, int Width = 320,
    int Height = 200, const QString& Label = QStringLiteral("Save drawing"))
{
    return Screen(Width, Height, Label, Format, Extra);
}

T_Painting Line(QColor Colour)
{
    return [=](QPainter& Painter) {
        Painter.setPen(QPen(Colour, 2.2));
        Painter.drawLine(QPointF(30, 150), QPointF(290, 120));
    };
}

T_Painting Box_At(int X, int Y)
{
    return [=](QPainter& Painter) { Painter.fillRect(X, Y, 11, 7, Qt::black); };
}

std::pair<QImage, QImage> Cut_Away_Into_Transparency()
{
    const QImage Old = Screen_Of(QImage::Format_ARGB32);
    QImage New(Old.size(), QImage::Format_ARGB32);
    New.fill(Qt::transparent);
    QPainter Painter(&New);
    Painter.drawImage(0, 0, Old.copy(0, 0, 320, 150));
    return {Old, New};
}

std::vector<T_Drawn_Pair> Drawn_Pairs()
{
    constexpr QImage::Format Rgb = QImage::Format_RGB32;
    const QString Apply = QStringLiteral("Apply changes");
    const auto None = [](QPainter&) {};
    return {
        {"Identical", [=] { return std::pair(Screen_Of(Rgb), Screen_Of(Rgb)); }},
        {"LabelChanged",
         [=] { return std::pair(Screen_Of(Rgb), Screen_Of(Rgb, None, 320, 200, Apply)); }},
        {"LineAdded", [=] { return std::pair(Screen_Of(Rgb), Screen_Of(Rgb, Line(Qt::black))); }},
        {"LineRemoved", [=] { return std::pair(Screen_Of(Rgb, Line(Qt::black)), Screen_Of(Rgb)); }},
        {"LineRecoloured",
         [=] {
             return std::pair(Screen_Of(Rgb, Line(Qt::black)),
                              Screen_Of(Rgb, Line(QColor(200, 30, 30))));
         }},
        {"ShapeMoved",
         [=] {
             return std::pair(Screen_Of(Rgb, Box_At(40, 120)), Screen_Of(Rgb, Box_At(75, 140)));
         }},
        {"SizesDiffer", [=] { return std::pair(Screen_Of(Rgb), Screen_Of(Rgb, None, 360, 230)); }},
        {"TransparencyCutAway", Cut_Away_Into_Transparency},
        {"SixteenBitSamples",
         [=] {
             return std::pair(Screen_Of(QImage::Format_RGBA64),
                              Screen_Of(QImage::Format_RGBA64, None, 320, 200, Apply));
         }},
        {"GreyLevels",
         [=] {
             return std::pair(Screen_Of(QImage::Format_Grayscale8),
                              Screen_Of(QImage::Format_Grayscale8, Line(Qt::black)));
         }},
        {"Palette",
         [=] {
             return std::pair(
                 Screen_Of(Rgb).convertToFormat(QImage::Format_Indexed8),
                 Screen_Of(Rgb, None, 320, 200, Apply).convertToFormat(QImage::Format_Indexed8));
         }},
        {"JpegLabelChanged",
         [=] { return std::pair(Screen_Of(Rgb), Screen_Of(Rgb, None, 320, 200, Apply)); }, "jpg"},
        {"JpegSizesDiffer",
         [=] { return std::pair(Screen_Of(Rgb), Screen_Of(Rgb, None, 330, 190)); }, "jpg"},
    };
}

class StreamedFiles : public ::testing::TestWithParam<T_Drawn_Pair> {
protected:
    QTemporaryDir Folder;
    std::string Path(const std::string& Name) const
    {
        return Folder.filePath(QString::fromStdString(Name)).toStdString();
    }
};

} // namespace

TEST_P(StreamedFiles, DrawnPairsComeToTheDifferencesOfTheWholePictures)
{
    const T_Drawn_Pair& Pair = GetParam();
    const std::string Old = Path(std::string("old.") + Pair.Format),
                      New = Path(std::string("new.") + Pair.Format);
    const auto [Old_Picture, New_Picture] = Pair.Draw();
    ASSERT_TRUE(Old_Picture.save(QString::fromStdString(Old), Pair.Format, 90));
    ASSERT_TRUE(New_Picture.save(QString::fromStdString(New), Pair.Format, 90));
    const std::optional<T_Difference> Streamed = Compare_Files_Streamed(Old, New, {});
    ASSERT_TRUE(Streamed.has_value());
    test::Expect_Same_Difference(*Streamed, Compared_Whole(Old, New));
}

INSTANTIATE_TEST_SUITE_P(QtDrawn, StreamedFiles, ::testing::ValuesIn(Drawn_Pairs()),
                         [](const ::testing::TestParamInfo<T_Drawn_Pair>& Info) {
                             return Info.param.Name;
                         });

TEST(StreamedSuiteFiles, RowsOfEveryNonInterlacedPngAreThePicturesLoadPictureGives)
{
    int Streamed = 0;
    for (const std::string& Name : test::Suite_Files("pngsuite", ".png")) {
        const std::string File = test::Suite_Path("pngsuite", Name);
        const std::unique_ptr<T_Row_Source> Rows = Open_Picture_Rows(File);
        const bool Damaged = Name[0] == 'x'; // the suite's broken files start with x
        if (!Rows) {
            // Only interlaced files (the suite names them ...i...) and
            // damaged ones are left to the whole decoding.
            EXPECT_TRUE(Damaged || Name[3] == 'i') << Name;
            continue;
        }
        if (Damaged) {
            EXPECT_TRUE(Read_Rows(*Rows).isNull()) << Name;
            continue;
        }
        Expect_Rows_As_Decoded(File, *Rows);
        ++Streamed;
    }
    EXPECT_GT(Streamed, 70);
}

TEST(StreamedSuiteFiles, EditedCopiesComeToTheDifferencesOfTheWholePictures)
{
    QTemporaryDir Folder;
    int Compared = 0;
    for (const std::string& Name : test::Suite_Files("pngsuite", ".png")) {
        const std::string File = test::Suite_Path("pngsuite", Name);
        QImage Edited = Load_Picture(File).Image;
        if (Edited.isNull())
            continue;
        Edited = Edited.convertToFormat(QImage::Format_ARGB32);
        Edited.setPixel(Edited.width() / 2, Edited.height() / 2, qRgb(255, 0, 0));
        Edited.setPixel(0, Edited.height() - 1, qRgba(0, 0, 255, 128));
        const std::string Copy = Folder.filePath(QString::fromStdString(Name)).toStdString();
        ASSERT_TRUE(Edited.save(QString::fromStdString(Copy), "png"));
        const std::optional<T_Difference> Streamed = Compare_Files_Streamed(File, Copy, {});
        ASSERT_EQ(Streamed.has_value(), Open_Picture_Rows(File) != nullptr) << Name;
        if (!Streamed)
            continue;
        SCOPED_TRACE(Name);
        test::Expect_Same_Difference(*Streamed, Compared_Whole(File, Copy));
        ++Compared;
    }
    EXPECT_GT(Compared, 70);
}

// Every 16-bit value in every channel, opaque and with every opacity: the
// rows scale them to 8 bits as Qt does.
TEST(StreamedSixteenBits, EveryValueScalesAsLoadPictureScalesIt)
{
    QTemporaryDir Folder;
    for (const bool Opaque : {true, false}) {
        QImage picture(256, 256, Opaque ? QImage::Format_RGBX64 : QImage::Format_RGBA64);
        for (int y = 0; y < 256; ++y) {
            auto* row = reinterpret_cast<quint16*>(picture.scanLine(y));
            for (int x = 0; x < 256; ++x) {
                const quint16 value = quint16(y * 256 + x);
                row[4 * x] = value;
                row[4 * x + 1] = quint16(~value);
                row[4 * x + 2] = quint16(value * 7);
                row[4 * x + 3] = Opaque ? 0xFFFF : quint16(value * 3);
            }
        }
        const std::string File =
            Folder.filePath(Opaque ? QStringLiteral("rgb16.png") : QStringLiteral("rgba16.png"))
                .toStdString();
        ASSERT_TRUE(picture.save(QString::fromStdString(File)));
        const std::unique_ptr<T_Row_Source> Rows = Open_Picture_Rows(File);
        ASSERT_NE(Rows, nullptr);
        Expect_Rows_As_Decoded(File, *Rows);
    }
}

class StreamedJpeg : public ::testing::TestWithParam<std::string> {};

// JPEG variants of one drawing as ImageMagick writes them: the rows are
// what Qt's JPEG reader decodes, pixel for pixel.
TEST_P(StreamedJpeg, RowsAreWhatQtsReaderDecodes)
{
    QTemporaryDir Folder;
    const std::string Source = Folder.filePath(QStringLiteral("source.png")).toStdString();
    const std::string File = Folder.filePath(QStringLiteral("variant.jpg")).toStdString();
    ASSERT_TRUE(
        Screen(333, 217, QStringLiteral("Room 2.14"), QImage::Format_RGB32, [](QPainter& Painter) {
            Painter.fillRect(200, 120, 60, 40, QColor(30, 160, 60));
        }).save(QString::fromStdString(Source)));
    ASSERT_TRUE(Convert("\"" + Source + "\" " + GetParam() + " \"" + File + "\""));
    const std::unique_ptr<T_Row_Source> Rows = Open_Picture_Rows(File);
    ASSERT_NE(Rows, nullptr);
    Expect_Rows_As_Decoded(File, *Rows);
}

INSTANTIATE_TEST_SUITE_P(ImageMagickWritten, StreamedJpeg,
                         ::testing::Values("-quality 90", "-quality 40 -sampling-factor 4:4:4",
                                           "-sampling-factor 4:2:2", "-colorspace Gray",
                                           "-interlace JPEG", "-quality 100"));

namespace {

// A JPEG with an EXIF block that gives its orientation, its first
// directory where `Directory` says.
std::string Jpeg_With_Orientation(const QTemporaryDir& Folder, int Orientation,
                                  std::uint32_t Directory = 8)
{
    const std::string File =
        Folder.filePath(QStringLiteral("turned%1_%2.jpg").arg(Orientation).arg(Directory))
            .toStdString();
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "jpg");
    }
    // APP1 "Exif", a little-endian TIFF header and one entry: orientation.
    QByteArray exif("\xFF\xE1\x00\x1E"
                    "Exif\0\0II*\0",
                    14);
    for (int shift = 0; shift < 32; shift += 8)
        exif.append(char((Directory >> shift) & 0xFF));
    exif.append("\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00", 10);
    exif.append(char(Orientation)).append(QByteArray(3, '\0'));
    bytes.insert(2, exif);
    std::ofstream(File, std::ios::binary).write(bytes.constData(), bytes.size());
    return File;
}

} // namespace

TEST(StreamedFallback, FilesTheRowDecodersDoNotTakeAreLeftToTheWholeComparison)
{
    QTemporaryDir Folder;
    const auto In_Folder = [&](const char* Name) {
        return Folder.filePath(QString::fromLatin1(Name)).toStdString();
    };
    const QImage picture =
        Screen(120, 90, QStringLiteral("A"), QImage::Format_RGB32, [](QPainter&) {});
    const std::string Png = In_Folder("plain.png"), Gif = In_Folder("plain.gif"),
                      Cmyk = In_Folder("cmyk.jpg"), Misnamed = In_Folder("jpeg.bmp"),
                      Cut = In_Folder("cut.png");
    ASSERT_TRUE(picture.save(QString::fromStdString(Png)));
    ASSERT_TRUE(Convert("\"" + Png + "\" \"" + Gif + "\""));
    ASSERT_TRUE(Convert("\"" + Png + "\" -colorspace CMYK \"" + Cmyk + "\""));
    ASSERT_TRUE(picture.save(QString::fromStdString(Misnamed), "jpg"));
    {
        std::ifstream in(Png, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(Cut, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size() / 2));
    }
    const std::string Interlaced = test::Suite_Path("pngsuite", "basi2c08.png");
    // An EXIF block that points past its end cannot say how the picture
    // is turned.
    const std::string Broken_Exif = Jpeg_With_Orientation(Folder, 1, 0xFFFFFFF0u);
    for (const std::string& File :
         {Gif, Cmyk, Misnamed, Interlaced, Jpeg_With_Orientation(Folder, 6), Broken_Exif}) {
        EXPECT_EQ(Open_Picture_Rows(File), nullptr) << File;
        EXPECT_FALSE(Compare_Files_Streamed(Png, File, {}).has_value()) << File;
    }
    // A damaged file is found only while it is read: the whole comparison
    // then reports it as it always did (a JPEG cut short reads on with
    // made-up rows, which only the whole decoding shows).
    const std::string Jpeg = In_Folder("whole.jpg"), Cut_Jpeg = In_Folder("cut.jpg");
    ASSERT_TRUE(picture.save(QString::fromStdString(Jpeg)));
    {
        std::ifstream in(Jpeg, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(Cut_Jpeg, std::ios::binary)
            .write(bytes.data(), std::streamsize(bytes.size() * 2 / 3));
    }
    EXPECT_TRUE(Compare_Files_Streamed(Jpeg, Jpeg, {}).has_value());
    for (const auto& [Old, New] : {std::pair(Png, Cut), std::pair(Cut, Png),
                                   std::pair(Jpeg, Cut_Jpeg), std::pair(Cut_Jpeg, Jpeg)})
        EXPECT_FALSE(Compare_Files_Streamed(Old, New, {}).has_value()) << Old << " " << New;
    // An orientation that leaves the picture as stored is no reason to decline.
    EXPECT_NE(Open_Picture_Rows(Jpeg_With_Orientation(Folder, 1)), nullptr);
}
