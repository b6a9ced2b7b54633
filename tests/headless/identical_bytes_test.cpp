// Pairs with the same bytes: judged from the file's structure or one side,
// with the records the whole comparison gives, and damaged files still
// compared the whole way.
#include "tests/headless/headless_fixture.h"

#include "imaging/image_format_registry.h"
#include "imaging/picture_structure.h"
#include "imaging/u_image_load.h"
#include "tests/pdf/test_pdf_writer.h"

#include <QImageWriter>

#include <regex>

namespace {

// Records without the words that say how they were compared, and where
// a picture of the differences went.
std::string Without_Method(const std::string& Records)
{
    return std::regex_replace(
        std::regex_replace(Records, std::regex(R"(,"compared_by":"[a-z]+"(,"checked":"[a-z]+")?)"),
                           ""),
        std::regex(R"(,"output":"[^"]*")"), "");
}

// The lines of a JSON run after its header.
std::string Records(const std::string& Out) { return Out.substr(Out.find('\n') + 1); }

std::string Flipped(std::string Bytes, std::size_t At)
{
    Bytes[At] = char(Bytes[At] ^ 0x5A);
    return Bytes;
}

} // namespace

class Identical_Bytes : public Headless {
protected:
    // Compares Old and New by their bytes first, then the whole way (a
    // lone pair that writes a picture always is), and expects the same
    // exit code and records but for how they were compared.
    std::string Both_Ways(const std::string& Old, const std::string& New, int Expected)
    {
        EXPECT_EQ(Compare({"--json", Old, New}), Expected) << Out << Err;
        const std::string first = Out, first_errors = Err;
        EXPECT_EQ(Compare({"--json", "--output", dir / "diff.png", Old, New}), Expected) << Err;
        EXPECT_EQ(Without_Method(Records(first)), Without_Method(Records(Out)));
        EXPECT_EQ(first_errors, Err);
        return first;
    }
};

TEST_F(Identical_Bytes, TheStructureOfPngAndJpegIsCheckedWithoutDecoding)
{
    Make_Png(dir / "plan.png", 64, 48, {{4, 4, 10, 10}});
    const std::string png = test::Read_File(dir / "plan.png");
    T_Picture_Structure sound = Check_Picture_Structure(dir / "plan.png");
    EXPECT_TRUE(sound.Sound);
    EXPECT_EQ(sound.Format, T_Picture_Structure::T_Format::Png);
    EXPECT_EQ(sound.Width, 64);
    EXPECT_EQ(sound.Height, 48);
    // A byte changed inside the image data fails its CRC; a file cut short
    // or with bytes after its end is not whole.
    for (const std::string& damaged :
         {Flipped(png, png.size() - 20), png.substr(0, png.size() - 5), png + "more"}) {
        test::Write_File(dir / "damaged.png", damaged);
        EXPECT_FALSE(Check_Picture_Structure(dir / "damaged.png").Sound);
    }
    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    ASSERT_TRUE(photo.save(QString::fromStdString(dir / "photo.jpg"), "JPEG"));
    sound = Check_Picture_Structure(dir / "photo.jpg");
    EXPECT_TRUE(sound.Sound);
    EXPECT_EQ(sound.Format, T_Picture_Structure::T_Format::Jpeg);
    EXPECT_EQ(sound.Width, 40);
    EXPECT_EQ(sound.Height, 30);
    const std::string jpeg = test::Read_File(dir / "photo.jpg");
    test::Write_File(dir / "cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    EXPECT_FALSE(Check_Picture_Structure(dir / "cut.jpg").Sound);
    test::Write_File(dir / "text.png", "not a picture");
    EXPECT_FALSE(Check_Picture_Structure(dir / "text.png").Sound);
}

TEST_F(Identical_Bytes, EveryFormatWrittenHereIsIdenticalToACopyOfItself)
{
    QImage picture(33, 21, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter(&picture).fillRect(3, 3, 9, 7, Qt::red);
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    int formats = 0;
    for (const T_Image_Format& format : Image_Format_Registry()) {
        if (!writable.contains(QByteArray::fromStdString(format.Extension)))
            continue;
        const std::string old_name = dir / ("old." + format.Extension),
                          new_name = dir / ("new." + format.Extension);
        if (!picture.save(QString::fromStdString(old_name), format.Extension.c_str()))
            continue;
        fs::copy_file(old_name, new_name, fs::copy_options::overwrite_existing);
        const std::string out = Both_Ways(old_name, new_name, 0);
        EXPECT_NE(out.find("\"compared_by\":\"bytes\""), std::string::npos) << out;
        EXPECT_NE(out.find("\"old_size\":[33,21]"), std::string::npos) << format.Extension;
        ++formats;
    }
    EXPECT_GE(formats, 5);
}

TEST_F(Identical_Bytes, DamagedFilesGoTheWholeWayAndKeepTheirVerdict)
{
    Make_Png(dir / "plan.png", 64, 48, {{4, 4, 10, 10}});
    const std::string png = test::Read_File(dir / "plan.png");
    test::Write_File(dir / "old.png", Flipped(png, png.size() / 2));
    test::Write_File(dir / "new.png", Flipped(png, png.size() / 2));
    Both_Ways(dir / "old.png", dir / "new.png", Compare({dir / "old.png", dir / "new.png"}));
    EXPECT_EQ(Out.find("\"checked\":\"structure\""), std::string::npos);

    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    ASSERT_TRUE(photo.save(QString::fromStdString(dir / "photo.jpg"), "JPEG"));
    const std::string jpeg = test::Read_File(dir / "photo.jpg");
    for (const char* side : {"old.jpg", "new.jpg"})
        test::Write_File(dir / side, jpeg.substr(0, jpeg.size() - 40));
    Both_Ways(dir / "old.jpg", dir / "new.jpg", Compare({dir / "old.jpg", dir / "new.jpg"}));

#ifndef VARNOLT_TEST_NO_PDF
    const std::string pdf = test::Make_Pdf({test::Text_Page("One")});
    for (const char* side : {"old.pdf", "new.pdf"})
        test::Write_File(dir / side, pdf.substr(0, pdf.size() / 3));
    const std::string out = Both_Ways(dir / "old.pdf", dir / "new.pdf", 2);
    EXPECT_NE(out.find("\"result\":\"error\""), std::string::npos) << out;
#endif
}

TEST_F(Identical_Bytes, OneByteApartInAnAncillaryChunkIsDecodedAndCompared)
{
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (const char* side : {"old", "new"}) {
        picture.setText(QStringLiteral("Comment"), QString::fromLatin1(side));
        ASSERT_TRUE(picture.save(QString::fromStdString(dir / side + ".png"), "PNG"));
    }
    ASSERT_EQ(test::Read_File(dir / "old.png").size(), test::Read_File(dir / "new.png").size());
    EXPECT_EQ(Compare({"--json", dir / "old.png", dir / "new.png"}), 0) << Err;
    EXPECT_NE(Out.find("\"compared_by\":\"pixels\""), std::string::npos) << Out;
}

#ifndef VARNOLT_TEST_NO_PDF
TEST_F(Identical_Bytes, EveryPageOfTheSameDocumentIsReportedAsTheWholeComparisonWould)
{
    const std::string pdf =
        test::Make_Pdf({test::Text_Page("One"), test::Text_Page("Two"), test::Text_Page("One")});
    for (const char* side : {"a", "b"}) {
        fs::create_directories(dir.Path / side);
        test::Write_File(dir / side + "/set.pdf", pdf);
        Make_Png(dir / side + "/plan.png", 20, 20, {{2, 2, 4, 4}});
    }
    const std::string out = Both_Ways(dir / "a/set.pdf", dir / "b/set.pdf", 0);
    EXPECT_NE(out.find("\"new_page\":\"3\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"compared_by\":\"bytes\",\"checked\":\"decoded\""), std::string::npos);
    // A folder of such files counts each page, as it did.
    EXPECT_EQ(Compare({dir / "a", dir / "b"}), 0) << Err;
    EXPECT_TRUE(Out.ends_with("Totals: 4 identical, 0 different, 0 only in old, 0 only in new, "
                              "0 errors\n"))
        << Out;
}
#endif

// JPEG readers fill the missing part of a file cut short with grey and call
// it read: such a file is an error on every path, never "identical" to
// itself nor "changed" in rows nobody drew.
TEST_F(Identical_Bytes, AJpegCutShortIsAnErrorAndOneLackingOnlyItsEndMarkerIsWhole)
{
    QImage photo(240, 160, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * y) % 256, (y * 11) % 256));
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        QImageWriter writer(QString::fromStdString(dir / "whole.jpg"), "jpeg");
        writer.setProgressiveScanWrite(progressive);
        ASSERT_TRUE(writer.write(photo));
        const std::string jpeg = test::Read_File(dir / "whole.jpg");
        for (const char* name : {"cut.jpg", "cut copy.jpg"})
            test::Write_File(dir / name, jpeg.substr(0, jpeg.size() * 2 / 3));
        EXPECT_TRUE(Check_Picture_Structure(dir / "cut.jpg").Cut_Short);
        for (const char* other : {"cut copy.jpg", "whole.jpg"}) {
            EXPECT_EQ(Compare({"--json", dir / "cut.jpg", dir / other}), 2) << Out;
            EXPECT_NE(Out.find("\"result\":\"error\""), std::string::npos) << Out;
        }
        const T_Loaded_Picture shown = Load_Picture(dir / "cut.jpg");
        EXPECT_EQ(shown.Result, T_Picture_Load_Result::Unreadable);
        EXPECT_NE(shown.Reason.find("cut short"), std::string::npos) << shown.Reason;
    }
#ifdef VARNOLT_REFERENCE_DECODERS
    // Without its end-of-image marker the picture is whole: readers show it
    // whole. (Builds without the reference JPEG library cannot tell, and
    // refuse it.)
    ASSERT_TRUE(photo.save(QString::fromStdString(dir / "whole.jpg"), "JPEG"));
    const std::string jpeg = test::Read_File(dir / "whole.jpg");
    test::Write_File(dir / "no end.jpg", jpeg.substr(0, jpeg.size() - 2));
    EXPECT_TRUE(Check_Picture_Structure(dir / "no end.jpg").Cut_Short);
    EXPECT_EQ(Compare({dir / "no end.jpg", dir / "whole.jpg"}), 0) << Out << Err;
#endif
}
