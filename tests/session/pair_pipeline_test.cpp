// The pair pipeline on pairs whose two sides are of different kinds, and
// without the converter.
#include "pdf/document_exporters.h"
#include "session/folder_comparison.h"
#include "session/pair_input.h"
#include "session/pair_kinds.h"
#include "session/pair_pipeline.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

namespace {

// A white picture with black boxes.
QImage Drawing(std::vector<QRect> boxes, QSize size = {120, 80})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const QRect& box : boxes)
        painter.fillRect(box, Qt::black);
    return image;
}

const std::string Svg_Text =
    "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120\" "
    "height=\"80\"><rect width=\"120\" height=\"80\" fill=\"white\"/>"
    "<rect x=\"10\" y=\"10\" width=\"40\" height=\"30\" fill=\"black\"/></svg>\n";

class Pair_Pipeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        Settings.Make_Exporter = Create_Document_Exporter;
    }
    T_Pair_Outcome Compare(const std::string& old_file, const std::string& new_file)
    {
        return Compare_Pair(old_file, new_file, old_file, new_file, Settings);
    }
    // The converter's own PNG of a file, which then matches it pixel for pixel.
    std::string Converted(const std::string& file, const std::string& png)
    {
        const std::string command =
            std::string("\"") + VARNOLT_TEST_CONVERTER + "\" \"" + file + "\" \"" + png + "\"";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return png;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages; // nothing below the window shows a message
    T_Pair_Settings Settings;
};

TEST(Picture_Side, ContentDecidesBeforeTheExtension)
{
    test::Scratch_Dir dir;
    auto kind_of = [&](const std::string& name, const std::string& content) {
        test::Write_File(dir / name, content);
        return Picture_Side_Of(dir / name);
    };
    EXPECT_EQ(kind_of("a.svg", "\x89PNG\r\n\x1A\n....").Kind, T_Picture_Side_Kind::Decoded);
    EXPECT_EQ(kind_of("b.png", "\xEF\xBB\xBF  <?xml version=\"1.0\"?><svg/>").Converter,
              T_Converter_Kind::Svg);
    EXPECT_EQ(kind_of("c.png", "%PDF-1.4\n").Kind, T_Picture_Side_Kind::Pdf_Page);
    EXPECT_EQ(kind_of("d", "P6\n2 2\n255\n").Converter, T_Converter_Kind::Ppm);
    EXPECT_EQ(kind_of("e.bin", std::string("\xFF\x4F\xFF\x51", 4)).Converter,
              T_Converter_Kind::J2k);
    // Content that tells nothing: the extension decides.
    EXPECT_EQ(kind_of("f.jp2", "????").Converter, T_Converter_Kind::J2k);
    EXPECT_EQ(kind_of("g.tga", "????").Kind, T_Picture_Side_Kind::Decoded);
    EXPECT_EQ(Picture_Side_Of("/dev/null").Kind, T_Picture_Side_Kind::Missing);
}

TEST_F(Pair_Pipeline, SidesOfDifferentKindsCompareAsThePicturesTheyShow)
{
    if (!test::Converter_Is_ImageMagick)
        GTEST_SKIP() << "needs ImageMagick's own conversions";
    test::Write_File(dir / "old.svg", Svg_Text);
    const std::string same = Converted(dir / "old.svg", dir / "same.png");
    QImage changed_picture(QString::fromStdString(same));
    QPainter(&changed_picture).fillRect(QRect(80, 50, 20, 10), Qt::black);
    ASSERT_TRUE(changed_picture.save(QString::fromStdString(dir / "changed.png")));

    // SVG base, PNG modified (the route of pictures), and the other way round.
    T_Pair_Outcome identical = Compare(dir / "old.svg", same);
    EXPECT_EQ(identical.Verdict, T_Verdict::Identical) << identical.Error;
    T_Pair_Outcome different = Compare(dir / "changed.png", dir / "old.svg");
    EXPECT_EQ(different.Verdict, T_Verdict::Different) << different.Error;
    EXPECT_EQ(different.Changed_Pixels, 200u);

    // A PNG base against a PPM, and a JPEG base against an SVG.
    const std::string ppm = Converted(same, dir / "new.ppm");
    EXPECT_EQ(Compare(dir / "changed.png", ppm).Changed_Pixels, 200u);
    ASSERT_TRUE(QImage(QString::fromStdString(same))
                    .save(QString::fromStdString(dir / "old.jpg"), "JPEG", 100));
    T_Pair_Outcome jpeg = Compare(dir / "old.jpg", dir / "old.svg");
    EXPECT_EQ(jpeg.Verdict, T_Verdict::Identical) << jpeg.Error;
}

// A pair is taken in once: each side's first bytes are read once, by the
// pipeline's record, and the session that prepares the pictures goes by
// them; pairs that are not compared as pictures read none.
TEST_F(Pair_Pipeline, EachSideIsTakenInOnce)
{
    std::map<std::string, int> reads;
    Settings.Read_File_Start = [&](const std::string& File, std::size_t Bytes) {
        ++reads[File];
        return File_Start(File, Bytes);
    };
    ASSERT_TRUE(Drawing({{10, 10, 20, 20}}).save(QString::fromStdString(dir / "old.png")));
    ASSERT_TRUE(
        Drawing({{10, 10, 20, 20}, {60, 40, 5, 4}}).save(QString::fromStdString(dir / "new.png")));
    // A PNG under an SVG's name is decoded as the PNG it is: by its bytes.
    std::filesystem::copy_file(dir / "old.png", dir / "old.svg");
    T_Pair_Outcome changed = Compare(dir / "old.svg", dir / "new.png");
    EXPECT_EQ(changed.Verdict, T_Verdict::Different) << changed.Error;
    EXPECT_EQ(changed.Changed_Pixels, 20u);
    EXPECT_EQ(reads, (std::map<std::string, int>{{dir / "old.svg", 1}, {dir / "new.png", 1}}));

    reads.clear();
    Settings.Bytes_Otherwise = true;
    test::Write_File(dir / "a.txt", "one");
    test::Write_File(dir / "b.txt", "two");
    EXPECT_EQ(Compare(dir / "a.txt", dir / "b.txt").Verdict, T_Verdict::Different);
    EXPECT_EQ(Compare(No_Version, dir / "new.png").Verdict, T_Verdict::Only_New);
    EXPECT_TRUE(reads.empty());
}

// The record the pairs carry is the one the pair was compared by, with the
// name each side is read by: a report reads a picture on one side only
// through it, even under a name Qt cannot spell.
TEST_F(Pair_Pipeline, JudgedPairsCarryTheirRecord)
{
#ifndef _WIN32
    ASSERT_TRUE(Drawing({{10, 10, 20, 20}}).save(QString::fromStdString(dir / "a.png")));
    const std::string odd = dir / "caf\xe9.png";
    std::filesystem::copy_file(dir / "a.png", odd);
    std::shared_ptr<const T_Pair_Input> input;
    Settings.On_Pair = [&](const T_Compared_Pair& pair) { input = pair.Input; };
    EXPECT_EQ(Compare(No_Version, odd).Verdict, T_Verdict::Only_New);
    ASSERT_TRUE(input);
    EXPECT_EQ(input->New.Path, odd);
    EXPECT_EQ(input->New.Kind, dk_Image);
    EXPECT_TRUE(input->Old.Missing());
    EXPECT_NE(input->New.Readable, odd);
    EXPECT_FALSE(QImage(QString::fromStdString(input->New.Readable)).isNull());
#endif
}

#ifndef VARNOLT_TEST_NO_PDF
TEST_F(Pair_Pipeline, AOnePagePdfComparesWithAPicture)
{
    test::Write_File(dir / "sheet.pdf", test::Make_Pdf({{200, 100, test::Box(20, 20, 40, 30)}}));
    test::Write_File(dir / "two.pdf", test::Make_Pdf({{200, 100, ""}, {200, 100, ""}}));
    // The page as the program draws it, saved as the modified picture.
    T_Compared_Pair drawn = {};
    Settings.On_Pair = [&](const T_Compared_Pair& pair) { drawn = pair; };
    ASSERT_EQ(Compare(dir / "sheet.pdf", dir / "sheet.pdf").Verdict, T_Verdict::Identical);
    Settings.On_Pair = nullptr;
    ASSERT_FALSE(drawn.Modified.isNull());
    ASSERT_TRUE(drawn.Modified.save(QString::fromStdString(dir / "page.png")));
    QImage edited = drawn.Modified;
    QPainter(&edited).fillRect(QRect(200, 100, 10, 10), Qt::black);
    ASSERT_TRUE(edited.save(QString::fromStdString(dir / "edited.png")));

    T_Pair_Outcome same = Compare(dir / "sheet.pdf", dir / "page.png");
    EXPECT_EQ(same.Verdict, T_Verdict::Identical) << same.Error;
    EXPECT_EQ(Compare(dir / "sheet.pdf", dir / "edited.png").Changed_Pixels, 100u);
    // The route of PDF documents takes a picture as a document of one page.
    EXPECT_EQ(Compare(dir / "edited.png", dir / "sheet.pdf").Changed_Pixels, 100u);
    T_Pair_Outcome added_sheet = Compare(dir / "page.png", dir / "two.pdf");
    EXPECT_EQ(added_sheet.Verdict, T_Verdict::Different) << added_sheet.Error;
    // A sheet added to a document that is otherwise the same: the pair of
    // files is different, not a file added.
    test::Write_File(dir / "one.pdf", test::Make_Pdf({{200, 100, ""}}));
    T_Pair_Outcome one_more = Compare(dir / "one.pdf", dir / "two.pdf");
    EXPECT_EQ(one_more.Verdict, T_Verdict::Different) << one_more.Error;
    EXPECT_EQ(one_more.Changed_Pixels, 0u);
    // A document of several pages is no picture: refused, not half compared.
    T_Pair_Outcome several = Compare(dir / "two.pdf", dir / "page.png");
    EXPECT_EQ(several.Verdict, T_Verdict::Error);
    EXPECT_NE(several.Error.find("2 pages"), std::string::npos) << several.Error;
    // Nothing was drawn beside the user's files.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path))
        EXPECT_EQ(entry.path().filename().string().find("_page_"), std::string::npos);
}
#endif

// A sheet of a drawing set: the set's frame and outlined components with wires,
// placed by the sheet's number, in points on A4 paper (or `scale` larger).
std::string Sheet_Drawing(int number, double scale = 1)
{
    std::ostringstream ops;
    ops << "0 0 0 RG 0.8 w ";
    unsigned seed = 2654435761u * unsigned(number + 3);
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % unsigned(range));
    };
    for (int shape = 0; shape < 12; ++shape) {
        const double x = 60 + next(400), y = 150 + next(550), w = 20 + next(70), h = 15 + next(50);
        ops << x * scale << " " << y * scale << " " << w * scale << " " << h * scale << " re S "
            << (x + w) * scale << " " << (y + h / 2) * scale << " m " << (x + w + next(90)) * scale
            << " " << (y + h / 2) * scale << " l S ";
    }
    return ops.str();
}

test::Pdf_Page Sheet_Page(int number, const std::string& extra = "")
{
    return {595, 842, test::Sheet_Frame() + Sheet_Drawing(number) + extra};
}

#ifndef VARNOLT_TEST_NO_PDF
// A folder's file on one side only goes through the pipeline: the outcome
// the folder list shows carries its pages, and its document is never read
// from the null device nor drawn beside the user's file.
TEST_F(Pair_Pipeline, AFolderFileOnOneSideOnlyCarriesItsPages)
{
    namespace fs = std::filesystem;
    fs::create_directories(dir.Path / "old");
    fs::create_directories(dir.Path / "new");
    test::Write_File(dir / "new/added.pdf",
                     test::Make_Pdf({{200, 100, ""}, {200, 100, ""}, {200, 100, ""}}));
    test::Write_File(dir / "old/gone.pdf", "damaged");
    T_Folder_Comparison folders(dir / "old", dir / "new", Settings);
    ASSERT_EQ(folders.Rows().size(), 2u);
    const T_Pair_Outcome added = folders.Measure(folders.Rows()[0]);
    EXPECT_EQ(added.Verdict, T_Verdict::Only_New);
    EXPECT_EQ(added.Pages, 3);
    const T_Pair_Outcome gone = folders.Measure(folders.Rows()[1]);
    EXPECT_EQ(gone.Verdict, T_Verdict::Error);
    EXPECT_NE(gone.Error.find("gone.pdf"), std::string::npos) << gone.Error;
    EXPECT_EQ(gone.Error.find(Temp_Dir()), std::string::npos) << gone.Error;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path / "new"), fs::directory_iterator()), 1);
}
#endif

class Pair_Pipeline_Pages : public Pair_Pipeline {
protected:
    // The pipeline's records of the pages of a pair of documents.
    std::vector<T_Compared_Pair> Pages(const std::string& old_file, const std::string& new_file,
                                       T_Pair_Outcome* outcome = nullptr)
    {
        std::vector<T_Compared_Pair> pages;
        Settings.On_Pair = [&](const T_Compared_Pair& pair) { pages.push_back(pair); };
        T_Pair_Outcome result = Compare(old_file, new_file);
        Settings.On_Pair = nullptr;
        if (outcome)
            *outcome = result;
        return pages;
    }
};

#ifndef VARNOLT_TEST_NO_PDF
TEST_F(Pair_Pipeline_Pages, ATextPageThatDrawsNothingIsAnErrorNotIdentical)
{
    // Text set invisible (render mode 3): the page holds words, its picture
    // is blank paper, and a change of the words shows in no pixel.
    auto hidden = [](const char* words) {
        return test::Pdf_Page{595, 842,
                              std::string("BT /F1 24 Tf 3 Tr 100 700 Td (") + words + ") Tj ET",
                              test::Helvetica_Font};
    };
    test::Write_File(dir / "old.pdf", test::Make_Pdf({hidden("Revision A")}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({hidden("Revision B")}));
    T_Pair_Outcome outcome;
    const std::vector<T_Compared_Pair> pages = Pages(dir / "old.pdf", dir / "new.pdf", &outcome);
    EXPECT_EQ(outcome.Verdict, T_Verdict::Error);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].Error.find("Page \"1\" of "), std::string::npos) << pages[0].Error;
    EXPECT_NE(pages[0].Error.find("came out blank"), std::string::npos) << pages[0].Error;
    // A page that holds nothing at all is blank by right.
    test::Write_File(dir / "empty.pdf", test::Make_Pdf({test::Pdf_Page{}}));
    EXPECT_EQ(Compare(dir / "empty.pdf", dir / "empty.pdf").Verdict, T_Verdict::Identical);
}

TEST_F(Pair_Pipeline_Pages, ADamagedBaseIsNamedAsTheUserGaveIt)
{
    // The base of a paged pair is read from a private copy; the message
    // names the user's file.
    test::Write_File(dir / "old.pdf", "%PDF-1.4\nnot a document at all");
    test::Write_File(dir / "new.pdf", test::Make_Pdf({Sheet_Page(1)}));
    const T_Pair_Outcome outcome = Compare(dir / "old.pdf", dir / "new.pdf");
    EXPECT_EQ(outcome.Verdict, T_Verdict::Error);
    EXPECT_NE(outcome.Error.find(dir / "old.pdf"), std::string::npos) << outcome.Error;
    EXPECT_EQ(outcome.Error.find(Temp_Dir()), std::string::npos) << outcome.Error;
}

TEST_F(Pair_Pipeline_Pages, ASheetWithABoxAddedPairsWithItsOldSelf)
{
    // 72 points are 150 pixels at 150 dpi: a box of about 1 % of the page.
    test::Write_File(dir / "old.pdf", test::Make_Pdf({Sheet_Page(1), Sheet_Page(2)}));
    test::Write_File(dir / "new.pdf",
                     test::Make_Pdf({Sheet_Page(1, test::Box(300, 300, 72, 72)), Sheet_Page(2)}));
    T_Pair_Outcome outcome;
    const std::vector<T_Compared_Pair> pages = Pages(dir / "old.pdf", dir / "new.pdf", &outcome);
    EXPECT_EQ(outcome.Verdict, T_Verdict::Different) << outcome.Error;
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].Result, T_Verdict::Different);
    EXPECT_EQ(pages[0].New_Page_Number, 1);
    // The box, but for the few pixels where it covers lines already there.
    EXPECT_GT(outcome.Changed_Pixels, 20000u);
    EXPECT_LE(outcome.Changed_Pixels, 150u * 150u);
    EXPECT_EQ(pages[1].Result, T_Verdict::Identical);
    EXPECT_FALSE(pages[0].Moved || pages[1].Moved);
}

TEST_F(Pair_Pipeline_Pages, SwappedSheetsAreDifferentAndSayWhichMoved)
{
    test::Write_File(dir / "old.pdf",
                     test::Make_Pdf({Sheet_Page(1), Sheet_Page(2), Sheet_Page(3)}));
    test::Write_File(dir / "swapped.pdf",
                     test::Make_Pdf({Sheet_Page(2), Sheet_Page(1), Sheet_Page(3)}));
    T_Pair_Outcome outcome;
    const std::vector<T_Compared_Pair> pages =
        Pages(dir / "old.pdf", dir / "swapped.pdf", &outcome);
    EXPECT_EQ(outcome.Verdict, T_Verdict::Different) << outcome.Error;
    EXPECT_EQ(outcome.Changed_Pixels, 0u);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(pages[0].Moved);
    EXPECT_EQ(pages[0].Result, T_Verdict::Different);
    EXPECT_EQ(pages[0].Old_Page_Number, 1);
    EXPECT_EQ(pages[0].New_Page_Number, 2);
    for (int page : {1, 2}) {
        EXPECT_FALSE(pages[std::size_t(page)].Moved);
        EXPECT_EQ(pages[std::size_t(page)].Result, T_Verdict::Identical);
    }

    // A sheet inserted in front shifts the others: none of them moved.
    test::Write_File(dir / "inserted.pdf",
                     test::Make_Pdf({Sheet_Page(9), Sheet_Page(1), Sheet_Page(2), Sheet_Page(3)}));
    for (const T_Compared_Pair& page : Pages(dir / "old.pdf", dir / "inserted.pdf"))
        EXPECT_FALSE(page.Moved) << page.Old_Page_Number << " " << page.New_Page_Number;
}

TEST_F(Pair_Pipeline_Pages, ASheetOnLargerPaperPairsAndSoDoesTheOnlyPageOfAnUnrelatedDocument)
{
    // Sheet 2 on A2 instead of A3 (both drawn at A3 scale here: A4 points
    // times the square root of 2).
    const double a3 = 1.41421356, a2 = 2;
    auto sheet = [&](int number, double paper) {
        return test::Pdf_Page{595 * paper, 842 * paper,
                              test::Sheet_Frame(595 * paper, 842 * paper) +
                                  Sheet_Drawing(number, a3)};
    };
    test::Write_File(dir / "a3.pdf", test::Make_Pdf({sheet(1, a3), sheet(2, a3), sheet(3, a3)}));
    test::Write_File(dir / "grown.pdf", test::Make_Pdf({sheet(1, a3), sheet(2, a2), sheet(3, a3)}));
    const std::vector<T_Compared_Pair> pages = Pages(dir / "a3.pdf", dir / "grown.pdf");
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[1].Result, T_Verdict::Different);
    EXPECT_EQ(pages[1].New_Page_Number, 2);

    // Two one-page documents of unrelated drawings: nothing else explains
    // the two pages, so they are compared, and differ.
    test::Write_File(dir / "this.pdf", test::Make_Pdf({{595, 842, Sheet_Drawing(1)}}));
    test::Write_File(dir / "that.pdf", test::Make_Pdf({{595, 842, Sheet_Drawing(5)}}));
    const std::vector<T_Compared_Pair> unrelated = Pages(dir / "this.pdf", dir / "that.pdf");
    ASSERT_EQ(unrelated.size(), 1u);
    EXPECT_EQ(unrelated[0].Result, T_Verdict::Different);
    EXPECT_TRUE(unrelated[0].Difference);
}
#endif

TEST(Blank_Pages, APageThatHoldsSomethingButCameOutFlatCannotBeJudged)
{
    QImage flat(40, 30, QImage::Format_RGB32), drawn(40, 30, QImage::Format_RGB32);
    flat.fill(Qt::white);
    drawn.fill(Qt::white);
    drawn.setPixel(5, 5, qRgb(0, 0, 0));
    T_Compared_Pair pair;
    pair.Old_Name = "old.dxf";
    pair.New_Name = "new.dxf";
    pair.Old_Page = pair.New_Page = "Model";
    // Nothing known of the pages' sources: a flat page is an empty page.
    EXPECT_EQ(Blank_Page_Error(pair, flat, flat), "");
    pair.Old_Content = 0; // an empty page, drawn empty
    EXPECT_EQ(Blank_Page_Error(pair, flat, drawn), "");
    pair.New_Content = 12; // twelve shapes, and nothing drawn
    const std::string why = Blank_Page_Error(pair, drawn, flat);
    EXPECT_NE(why.find("Page \"Model\" of new.dxf came out blank"), std::string::npos) << why;
    EXPECT_EQ(Blank_Page_Error(pair, flat, drawn), "");
    QImage transparent(40, 30, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    EXPECT_NE(Blank_Page_Error(pair, drawn, transparent), "");
}

TEST_F(Pair_Pipeline, OnlyConversionsNeedTheConverter)
{
    Set_Converter_Path((dir / "missing") + "/convert");
    ASSERT_TRUE(Drawing({{10, 10, 20, 20}}).save(QString::fromStdString(dir / "a.png")));
    ASSERT_TRUE(Drawing({{10, 10, 20, 21}}).save(QString::fromStdString(dir / "b.png")));
    test::Write_File(dir / "c.svg", Svg_Text);
    T_Pair_Outcome pictures = Compare(dir / "a.png", dir / "b.png");
    EXPECT_EQ(pictures.Verdict, T_Verdict::Different) << pictures.Error;
    EXPECT_EQ(pictures.Changed_Pixels, 20u);
    T_Pair_Outcome svg = Compare(dir / "a.png", dir / "c.svg");
    EXPECT_EQ(svg.Verdict, T_Verdict::Error);
    EXPECT_EQ(svg.Error.rfind("Application components not found!", 0), 0u) << svg.Error;
}

} // namespace
