// Comparisons without a window, end to end: real PNG and PDF files and the
// real converter, run the way the command line runs them.
#include "tests/headless/headless_fixture.h"
#include "tests/pdf/test_pdf_writer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <sstream>

TEST_F(Headless, ReportsIdenticalAndDifferentPicturesWithTheirCounts)
{
    Make_Png(dir / "a.png", 100, 80, {{10, 10, 20, 20}});
    Make_Png(dir / "same.png", 100, 80, {{10, 10, 20, 20}});
    Make_Png(dir / "b.png", 100, 80, {{10, 10, 20, 20}, {60, 50, 10, 10}, {80, 5, 10, 10}});
    EXPECT_EQ(Compare({dir / "a.png", dir / "same.png"}), 0);
    EXPECT_EQ(Out, dir / "a.png" + " " + dir / "same.png" + ": identical\n");

    EXPECT_EQ(Compare({dir / "a.png", dir / "b.png"}), 1);
    EXPECT_EQ(Out, dir / "a.png" + " " + dir / "b.png" +
                       ": 200 px changed (2.50 %), 2 changes, 2 change regions\n");
    EXPECT_EQ(Err, "");

    // A faint change counts only where the tolerance is lowered to see it.
    QImage faint(100, 80, QImage::Format_RGB32);
    faint.fill(qRgb(250, 250, 250));
    ASSERT_TRUE(faint.save(QString::fromStdString(dir / "faint.png")));
    Make_Png(dir / "white.png", 100, 80);
    EXPECT_EQ(Compare({dir / "white.png", dir / "faint.png"}), 0);
    EXPECT_EQ(Compare({"--tolerance", "0", dir / "white.png", dir / "faint.png"}), 1);
    EXPECT_TRUE(messages.Messages.empty());
}

// The JSON lines a run printed: the header first, then one object per record.
std::vector<QJsonObject> Json_Lines(const std::string& Out)
{
    std::vector<QJsonObject> lines;
    std::istringstream text(Out);
    for (std::string line; std::getline(text, line);) {
        QJsonParseError error;
        lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object());
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    }
    return lines;
}

TEST_F(Headless, WritesJsonAndTheDifferencesPictureOfTheUnionOfBothSizes)
{
    Make_Png(dir / "old.png", 100, 80, {{10, 10, 20, 20}});
    Make_Png(dir / "new.png", 120, 60, {{60, 20, 10, 10}});
    EXPECT_EQ(Compare({"--json", "--tolerance", "4", "--output", dir / "d.png", dir / "old.png",
                       dir / "new.png"}),
              1);
    const std::vector<QJsonObject> lines = Json_Lines(Out);
    ASSERT_EQ(lines.size(), 2u) << Out;
    // The header names the format's version and the options in effect.
    EXPECT_EQ(lines[0][u"version"].toInt(), 1);
    EXPECT_EQ(lines[0][u"options"].toObject()[u"tolerance"].toInt(), 4);
    EXPECT_TRUE(lines[0][u"options"].toObject()[u"ignore_antialiasing"].toBool());
    const QJsonObject& pair = lines[1];
    EXPECT_EQ(pair[u"old"].toString().toStdString(), dir / "old.png");
    EXPECT_EQ(pair[u"compared_by"].toString().toStdString(), "pixels");
    EXPECT_EQ(pair[u"result"].toString().toStdString(), "different");
    EXPECT_EQ(pair[u"old_size"].toArray(), QJsonArray({100, 80}));
    EXPECT_EQ(pair[u"new_size"].toArray(), QJsonArray({120, 60}));
    EXPECT_TRUE(pair[u"size_differs"].toBool());
    EXPECT_EQ(pair[u"output"].toString().toStdString(), dir / "d.png");
    // The ink changes, and every pixel that only one of the pictures has:
    // the new picture's 20 columns on the right, the old one's 20 rows below.
    EXPECT_EQ(pair[u"changed_pixels"].toInt(), 400 + 100 + 20 * 60 + 100 * 20);
    EXPECT_NEAR(pair[u"changed_share"].toDouble(), 3700.0 / (120 * 80), 1e-6);
    std::vector<std::string> regions;
    for (const QJsonValue& value : pair[u"regions"].toArray()) {
        const QJsonObject region = value.toObject();
        std::ostringstream text;
        text << region[u"kind"].toString().toStdString() << " " << region[u"x"].toInt() << ","
             << region[u"y"].toInt() << " " << region[u"width"].toInt() << "x"
             << region[u"height"].toInt() << " " << region[u"pixels"].toInt();
        regions.push_back(text.str());
    }
    EXPECT_NE(std::find(regions.begin(), regions.end(), "removed 10,10 20x20 400"), regions.end());
    EXPECT_NE(std::find(regions.begin(), regions.end(), "added 60,20 10x10 100"), regions.end());

    // Removed ink in red, added ink in green, the rest washed out.
    const QImage picture(QString::fromStdString(dir / "d.png"));
    ASSERT_EQ(picture.size(), QSize(120, 80));
    EXPECT_EQ(picture.pixel(10, 10), qRgb(0xE0, 0x1B, 0x24));
    EXPECT_EQ(picture.pixel(29, 29), qRgb(0xE0, 0x1B, 0x24));
    EXPECT_EQ(picture.pixel(60, 20), qRgb(0x1F, 0xA0, 0x30));
    EXPECT_EQ(picture.pixel(69, 29), qRgb(0x1F, 0xA0, 0x30));
    EXPECT_EQ(picture.pixel(110, 10), qRgb(0x1F, 0xA0, 0x30)); // only the new picture's
    EXPECT_EQ(picture.pixel(50, 70), qRgb(0xE0, 0x1B, 0x24));  // only the old one's
    for (QPoint paper : {QPoint(9, 10), QPoint(30, 30), QPoint(70, 25), QPoint(110, 70)})
        EXPECT_EQ(picture.pixel(paper), qRgb(255, 255, 255)) << paper.x() << "," << paper.y();
}

TEST_F(Headless, JsonStaysValidForNamesThatAreNotUtf8AndGivesNullForAMissingSide)
{
#ifndef _WIN32 // Windows names are Unicode
    Make_Png(dir / "a.png", 20, 20);
    // Bytes that are no UTF-8: a name POSIX allows and Qt cannot spell.
    const std::string odd = dir / "caf\xe9 \xff.png";
    fs::copy_file(dir / "a.png", odd); // by its bytes: Qt could not spell the name
    EXPECT_EQ(Compare({"--json", dir / "a.png", odd}), 0) << Err;
    const std::vector<QJsonObject> odd_lines = Json_Lines(Out);
    ASSERT_EQ(odd_lines.size(), 2u) << Out;
    const QJsonObject& pair = odd_lines[1];
    EXPECT_EQ(pair[u"result"].toString().toStdString(), "identical");
    EXPECT_EQ(pair[u"new"].toString(), QString::fromStdString(dir / "caf\uFFFD \uFFFD.png"));
    EXPECT_TRUE(pair[u"new_bytes"].toString().endsWith(QLatin1String("636166e920ff2e706e67")));
    EXPECT_FALSE(pair.contains(QLatin1String("old_bytes")));
#endif

    // A file on one side only: the other side's name is null.
    fs::create_directories(dir.Path / "old");
    fs::create_directories(dir.Path / "new");
    Make_Png(dir / "new/added.png", 10, 10);
    EXPECT_EQ(Compare({"--json", dir / "old", dir / "new"}), 1);
    const std::vector<QJsonObject> lines = Json_Lines(Out);
    ASSERT_EQ(lines.size(), 3u) << Out;
    EXPECT_TRUE(lines[1][u"old"].isNull());
    EXPECT_EQ(lines[1][u"new"].toString(), QLatin1String("added.png"));
    EXPECT_EQ(lines[1][u"result"].toString(), QLatin1String("only_in_new"));
    EXPECT_EQ(lines[1][u"compared_by"].toString(), QLatin1String("none"));
}

TEST_F(Headless, EndsWith2AndSaysWhyWhenAPairCannotBeCompared)
{
    Make_Png(dir / "a.png", 20, 20);
    test::Write_File(dir / "broken.png", "not a picture");
    test::Write_File(dir / "a.txt", "text");
    const std::string a = dir / "a.png";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{a, dir / "gone.png"}, "File not found! " + dir / "gone.png"},
        {{dir.Str(), a}, "This is a folder, not a file! " + dir.Str()},
        {{a, dir / "broken.png"},
         "Can't read image! File may be corrupted or of an unknown format. (" + dir / "broken.png" +
             ")"},
        {{dir / "a.txt", dir / "a.txt"}, "File format is not supported!"},
        // The pair compares, but the picture asked for cannot be written.
        {{"--output", dir / "no/such/folder/d.png", a, a}, "cannot write "},
    };
    for (const auto& [arguments, why] : cases) {
        EXPECT_EQ(Compare(arguments), 2) << why;
        EXPECT_NE(Err.find(why), std::string::npos) << Err;
        EXPECT_TRUE(Err.starts_with("varnolt: ")) << Err;
    }
    EXPECT_NE(Out.find(": identical"), std::string::npos);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Headless, PairsPdfPagesByContentAndListsAnInsertedPage)
{
#ifdef VARNOLT_TEST_NO_PDF
    test::Write_File(dir / "old.pdf", "%PDF-1.4");
    EXPECT_EQ(Compare({dir / "old.pdf", dir / "old.pdf"}), 2);
    EXPECT_NE(Err.find("built without PDF support"), std::string::npos) << Err;
    GTEST_SKIP() << "built without PDF support";
#endif
    auto page = [](double x) {
        return test::Pdf_Page{595, 842, test::Sheet_Frame() + test::Box(x, 400, 120, 80)};
    };
    test::Write_File(dir / "old.pdf", test::Make_Pdf({page(100), page(300)}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({page(100), page(200), page(300)}));
    EXPECT_EQ(Compare({dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    const std::string pair = dir / "old.pdf" + " " + dir / "new.pdf";
    EXPECT_EQ(Out, pair + " (page 1 / 1): identical\n" + pair + " (page 2 / 3): identical\n" +
                       pair + " (page - / 2): only in new\n");
    // The page pictures stay out of the user's folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), fs::directory_iterator()), 2);
}

TEST_F(Headless, PdfRegionsTellTheirTextAndWhetherItChangedOrMoved)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    // A dimension changed in one digit, a label moved, on a shared sheet.
    auto page = [](const std::string& number, int label_x) {
        return test::Pdf_Page{595, 842,
                              test::Sheet_Frame() + test::Box(300, 300, 120, 80) +
                                  "BT /F1 24 Tf 100 700 Td (" + number + ") Tj ET BT /F1 18 Tf " +
                                  std::to_string(label_x) + " 450 Td (Title block) Tj ET",
                              test::Helvetica_Font};
    };
    test::Write_File(dir / "old.pdf", test::Make_Pdf({page("5600", 100)}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({page("5650", 250)}));
    EXPECT_EQ(Compare({"--json", dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    EXPECT_NE(Out.find(R"("old_text":"5600","new_text":"5650","text_change":"changed")"),
              std::string::npos)
        << Out;
    EXPECT_NE(Out.find(R"("new_text":"Title block","text_change":"moved")"), std::string::npos)
        << Out;
    EXPECT_NE(Out.find(R"("old_text":"Title block","text_change":"moved")"), std::string::npos)
        << Out;
    EXPECT_EQ(Out.find("not available"), std::string::npos) << Out;

    // Pages without a text layer (scans) say so once, not per region.
    auto scan = [](double x) {
        return test::Pdf_Page{595, 842, test::Sheet_Frame() + test::Box(x, 600, 80, 30)};
    };
    test::Write_File(dir / "old.pdf", test::Make_Pdf({scan(100)}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({scan(110)}));
    EXPECT_EQ(Compare({"--json", dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    EXPECT_NE(Out.find(R"("text":"not available")"), std::string::npos) << Out;
    EXPECT_EQ(Out.find("text_change"), std::string::npos) << Out;
}

namespace {

// A text document with a two-row table whose first cell on the right holds
// Length, as an office suite saves it in one XML file.
std::string Table_Document(const std::string& Length)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>
<text:p>Dimensions</text:p><table:table table:name="T">
<table:table-column table:number-columns-repeated="2"/>
<table:table-row><table:table-cell><text:p>Length</text:p></table:table-cell>
<table:table-cell><text:p>)" +
           Length + R"(</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell><text:p>Width</text:p></table:table-cell>
<table:table-cell><text:p>1200</text:p></table:table-cell></table:table-row>
</table:table></office:text></office:body></office:document>
)";
}

} // namespace

TEST_F(Headless, TheChangedCellOfAnOfficeTableIsReadFromItsPdf)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    if (std::system("command -v soffice >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "soffice is not installed";
    test::Write_File(dir / "old.fodt", Table_Document("5600"));
    test::Write_File(dir / "new.fodt", Table_Document("5650"));
    // Saved as .odt first, then printed to PDF, as a user's documents are;
    // a profile of its own keeps the office's settings out of the way.
    const std::string office =
        "soffice -env:UserInstallation=file://" + dir / "profile" + " --headless --convert-to ";
    const std::string quiet = " >/dev/null 2>&1";
    ASSERT_EQ(std::system((office + "odt --outdir " + dir / "odt" + " " + dir / "old.fodt" + " " +
                           dir / "new.fodt" + quiet)
                              .c_str()),
              0);
    ASSERT_EQ(std::system((office + "pdf --outdir " + dir / "pdf" + " " + dir / "odt/old.odt" +
                           " " + dir / "odt/new.odt" + quiet)
                              .c_str()),
              0);
    EXPECT_EQ(Compare({"--json", dir / "pdf/old.pdf", dir / "pdf/new.pdf"}), 1) << Err;
    EXPECT_NE(Out.find(R"("old_text":"5600","new_text":"5650","text_change":"changed")"),
              std::string::npos)
        << Out;
}

TEST_F(Headless, AFileOnOneSideOnlyCountsItsPages)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    auto page = [](double x) {
        return test::Pdf_Page{595, 842, test::Sheet_Frame() + test::Box(x, 400, 120, 80)};
    };
    test::Write_File(dir / "three.pdf", test::Make_Pdf({page(100), page(200), page(300)}));
    Make_Png(dir / "a.png", 10, 10);

    // An added document: its pages, as a line and as JSON.
    EXPECT_EQ(Compare({"/dev/null", dir / "three.pdf"}), 1) << Err;
    EXPECT_EQ(Out, "/dev/null " + dir / "three.pdf" + ": only in the new version (3 pages)\n");
    EXPECT_EQ(Compare({"--json", "/dev/null", dir / "three.pdf"}), 1) << Err;
    std::vector<QJsonObject> lines = Json_Lines(Out);
    ASSERT_EQ(lines.size(), 2u) << Out;
    EXPECT_EQ(lines[1][u"result"].toString(), QLatin1String("only_in_new"));
    EXPECT_EQ(lines[1][u"pages"].toInt(), 3);
    EXPECT_TRUE(lines[1][u"old"].isNull());
    EXPECT_NE(Out.find("\"pages\":3"), std::string::npos) << Out;

    // A deleted picture is one page.
    EXPECT_EQ(Compare({"--json", dir / "a.png", "/dev/null"}), 1) << Err;
    lines = Json_Lines(Out);
    ASSERT_EQ(lines.size(), 2u) << Out;
    EXPECT_EQ(lines[1][u"result"].toString(), QLatin1String("only_in_old"));
    EXPECT_EQ(lines[1][u"pages"].toInt(), 1);

    // A document that cannot be opened on its one side is an error, as in a pair.
    test::Write_File(dir / "broken.pdf", "not a PDF at all");
    EXPECT_EQ(Compare({"/dev/null", dir / "broken.pdf"}), 2);
    EXPECT_NE(Out.find(": error: "), std::string::npos) << Out;
    EXPECT_NE(Err.find("broken.pdf"), std::string::npos) << Err;

    // A folder's added document is counted the same way; its pages are
    // drawn in the private folder, not beside it.
    fs::create_directories(dir.Path / "old");
    fs::create_directories(dir.Path / "new");
    fs::copy_file(dir / "three.pdf", dir / "old/gone.pdf");
    EXPECT_EQ(Compare({dir / "old", dir / "new"}), 1) << Err;
    EXPECT_EQ(Out, "gone.pdf: only in the old version (3 pages)\n"
                   "Totals: 0 identical, 0 different, 1 only in old, 0 only in new, 0 errors\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path / "old"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), fs::directory_iterator()), 5);
}

TEST_F(Headless, ComparesFoldersFileByFileAndTotalsThem)
{
    for (const char* side : {"old", "new"}) {
        fs::create_directories(dir.Path / side / "sub/deep");
        Make_Png(dir / side + "/same.png", 40, 30, {{5, 5, 10, 10}});
        test::Write_File(dir / side + "/readme.txt", "the same bytes");
    }
    Make_Png(dir / "old/sub/deep/plan.png", 40, 30);
    Make_Png(dir / "new/sub/deep/plan.png", 40, 30, {{20, 10, 5, 4}});
    test::Write_File(dir / "old/notes.txt", "first");
    test::Write_File(dir / "new/notes.txt", "first!");
    Make_Png(dir / "old/gone.png", 10, 10);
    Make_Png(dir / "new/added.png", 10, 10);
    EXPECT_EQ(Compare({"--output", dir / "pictures", dir / "old", dir / "new"}), 1) << Err;
    EXPECT_EQ(Out, "added.png: only in the new version (1 page)\n"
                   "gone.png: only in the old version (1 page)\n"
                   "notes.txt: different\n"
                   "readme.txt: identical\n"
                   "same.png: identical\n"
                   "sub/deep/plan.png: 20 px changed (1.67 %), 1 change, 1 change region\n"
                   "Totals: 2 identical, 2 different, 1 only in old, 1 only in new, 0 errors\n");
    // One differences picture per changed pair, at its own path in the folder.
    EXPECT_EQ(QImage(QString::fromStdString(dir / "pictures/sub/deep/plan.png")).pixel(20, 10),
              qRgb(0x1F, 0xA0, 0x30));
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path / "pictures"))
        if (entry.is_regular_file())
            written.push_back(
                entry.path().lexically_relative(dir.Path / "pictures").generic_string());
    EXPECT_EQ(written, std::vector<std::string>{"sub/deep/plan.png"});
    // A file where the folder of pictures should go is refused, not replaced.
    test::Write_File(dir / "taken", "mine");
    EXPECT_EQ(Compare({"--output", dir / "taken", dir / "old", dir / "new"}), 2);
    EXPECT_NE(Err.find("--output must name a folder"), std::string::npos) << Err;
    EXPECT_EQ(test::Read_File(dir / "taken"), "mine");

    EXPECT_EQ(Compare({"--json", dir / "new", dir / "new"}), 0);
    EXPECT_TRUE(Out.ends_with("{\"totals\":{\"identical\":5,\"different\":0,\"only_in_old\":0,"
                              "\"only_in_new\":0,\"errors\":0}}\n"))
        << Out;
}

TEST_F(Headless, AFileNamedLikeAnOptionIsComparedAfterTheDoubleDash)
{
    Make_Png(dir / "--help.png", 30, 30);
    Make_Png(dir / "-.png", 30, 30, {{0, 0, 4, 4}});
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path);
    EXPECT_EQ(Compare({"--", "--help.png", "-.png"}), 1);
    fs::current_path(before);
    EXPECT_EQ(Out, "--help.png -.png: 16 px changed (1.78 %), 1 change, 1 change region\n");
}

TEST_F(Headless, SheetsThatOnlyChangedPlacesAreDifferentAndSayWhereTheyWent)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    auto page = [](double x, double y) {
        return test::Pdf_Page{595, 842,
                              test::Sheet_Frame() + test::Box(x, y, 120, 80) +
                                  test::Box(y / 2, x + 200, 60, 150)};
    };
    test::Write_File(dir / "old.pdf", test::Make_Pdf({page(100, 500), page(300, 200)}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({page(300, 200), page(100, 500)}));
    EXPECT_EQ(Compare({dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    const std::string pair = dir / "old.pdf" + " " + dir / "new.pdf";
    EXPECT_EQ(Out, pair + " (page 1 / 2): moved from page 1 to page 2\n" + pair +
                       " (page 2 / 1): identical\n");

    ASSERT_EQ(Compare({"--json", dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    const std::vector<QJsonObject> lines = Json_Lines(Out);
    ASSERT_EQ(lines.size(), 3u) << Out;
    EXPECT_EQ(lines[1][u"result"].toString().toStdString(), "different");
    EXPECT_EQ(lines[1][u"moved"].toObject()[u"from"].toInt(), 1);
    EXPECT_EQ(lines[1][u"moved"].toObject()[u"to"].toInt(), 2);
    EXPECT_FALSE(lines[2].contains(QLatin1String("moved"))) << Out;
}

TEST_F(Headless, RefusesADifferencesPictureOverTheLimitBeforeMakingIt)
{
    // Two tiny files whose pictures' union is 30000 x 30000 pixels: the
    // verdict still comes, the picture is refused with its size.
    Make_Png(dir / "wide.png", 30000, 1);
    Make_Png(dir / "tall.png", 1, 30000);
    EXPECT_EQ(Compare({"--output", dir / "d.png", dir / "wide.png", dir / "tall.png"}), 2);
    EXPECT_NE(Err.find("cannot write " + dir / "d.png" +
                       ": the picture would be 30000 x 30000 pixels, more than the limit"),
              std::string::npos)
        << Err;
    EXPECT_NE(Out.find("sizes differ (30000 x 1 / 1 x 30000)"), std::string::npos) << Out;
    EXPECT_FALSE(fs::exists(dir / "d.png"));
}

// Aligned by bands, the modified picture is redrawn with its rows at their
// base rows: the picture of the differences shows it so, under the changes
// found there, not as it lies in its file.
TEST_F(Headless, TheDifferencesPictureOfAnAlignedPairShowsTheModifiedPictureAsCompared)
{
    Make_Png(dir / "old.png", 200, 200,
             {{20, 20, 100, 6}, {20, 60, 80, 6}, {20, 100, 60, 6}, {20, 140, 40, 6}});
    // 40 rows with a wide box go in between the second and third boxes.
    Make_Png(
        dir / "new.png", 200, 240,
        {{20, 20, 100, 6}, {20, 60, 80, 6}, {20, 85, 150, 6}, {20, 140, 60, 6}, {20, 180, 40, 6}});
    EXPECT_EQ(Compare({"--json", "--align", "bands", "--output", dir / "d.png", dir / "old.png",
                       dir / "new.png"}),
              1)
        << Err;
    const std::vector<QJsonObject> lines = Json_Lines(Out);
    ASSERT_EQ(lines.size(), 2u) << Out;
    const QJsonObject alignment = lines[1][u"alignment"].toObject();
    EXPECT_EQ(alignment[u"status"].toString().toStdString(), "aligned") << Out;
    const QJsonArray bands = alignment[u"bands"].toArray();
    ASSERT_FALSE(bands.isEmpty()) << Out;
    for (const QJsonValue band : bands)
        EXPECT_EQ(band[u"orientation"].toString().toStdString(), "rows");
    EXPECT_EQ(lines[1][u"regions"].toArray().size(), 1) << Out; // the inserted box only

    const QImage picture(QString::fromStdString(dir / "d.png"));
    ASSERT_EQ(picture.size(), QSize(200, 200));
    // The last box, at row 180 of the new file, lies washed out at its base
    // row 140; nothing is drawn 40 rows further down.
    EXPECT_LT(qGray(picture.pixel(30, 142)), 230);
    EXPECT_EQ(picture.pixel(30, 142), picture.pixel(30, 22)); // an unchanged box
    EXPECT_EQ(picture.pixel(30, 182), qRgb(255, 255, 255));
}
