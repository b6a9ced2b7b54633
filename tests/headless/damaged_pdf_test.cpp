// PDFs as they come from the world: damaged files read from a repaired
// copy, documents of one page, and rewrites that change only a file's
// structure.
#include "tests/headless/headless_fixture.h"
#include "tests/pdf/test_pdf_writer.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::string Read_Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file whose header line was lost: the drawing library refuses it, and
// every offset of its cross-reference table is off by the bytes lost.
std::string Damaged(const std::string& bytes)
{
    const std::string header = "%PDF-1.4\n";
    return "%\xe2\xe3\n" + bytes.substr(header.size());
}

bool Run_Qpdf(const std::string& option, const std::string& from, const std::string& to)
{
    const std::string command = "qpdf " + option + " '" + from + "' '" + to + "'";
    return std::system(command.c_str()) == 0;
}

} // namespace

TEST_F(Headless, ADamagedPdfIsComparedFromARepairedCopyAndTheFileIsLeftAlone)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    const std::string damaged = dir / "from plotter's $queue.pdf";
    const std::string bytes = Damaged(test::Make_Pdf({test::Text_Page("Sheet 1")}));
    test::Write_File(damaged, bytes);
    test::Write_File(dir / "good.pdf", test::Make_Pdf({test::Text_Page("Sheet 1")}));
    test::Write_File(dir / "edited.pdf", test::Make_Pdf({test::Text_Page("Sheet 7")}));

    EXPECT_EQ(Compare({damaged, dir / "good.pdf"}), 0) << Err;
    EXPECT_EQ(Out, damaged + " " + dir / "good.pdf" + " (page 1 / 1): identical; repaired\n");
    EXPECT_EQ(Compare({"--json", damaged, dir / "edited.pdf"}), 1) << Err;
    const QJsonObject pair =
        QJsonDocument::fromJson(QByteArray::fromStdString(Out.substr(Out.find('\n') + 1))).object();
    EXPECT_EQ(pair[QStringLiteral("result")].toString().toStdString(), "different") << Out;
    EXPECT_TRUE(pair[QStringLiteral("repaired")].toBool()) << Out;
    // The user's file is read, never written; clean files say nothing.
    EXPECT_EQ(Read_Bytes(damaged), bytes);
    EXPECT_EQ(Compare({"--json", dir / "good.pdf", dir / "edited.pdf"}), 1) << Err;
    EXPECT_EQ(Out.find("repaired"), std::string::npos) << Out;

    // What qpdf cannot rebuild either is refused with its reason.
    const std::string whole = test::Make_Pdf({test::Text_Page("Sheet 1")});
    test::Write_File(dir / "cut.pdf", whole.substr(0, whole.size() / 3));
    EXPECT_EQ(Compare({dir / "cut.pdf", dir / "good.pdf"}), 2);
    EXPECT_NE(Out.find("damaged beyond repair: unable to find trailer dictionary"),
              std::string::npos)
        << Out;
}

TEST_F(Headless, APageCroppedToNothingIsDrawnWholeAmongTheOthers)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    // The crop box lies beyond the page's corner: readers show the page whole.
    test::Pdf_Page off_page = test::Text_Page("Sheet 2");
    off_page.Resources += " /CropBox [600 850 1000 1000]";
    test::Pdf_Page edited = off_page;
    edited.Content = test::Text_Page("Sheet 9").Content;
    test::Write_File(dir / "old.pdf", test::Make_Pdf({test::Text_Page("Sheet 1"), off_page}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({test::Text_Page("Sheet 1"), edited}));
    EXPECT_EQ(Compare({dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    const std::string pair = dir / "old.pdf" + " " + dir / "new.pdf";
    EXPECT_EQ(Out.find(pair + " (page 1 / 1): identical\n" + pair + " (page 2 / 2): "), 0u) << Out;
    EXPECT_NE(Out.find("px changed"), std::string::npos) << Out;
    EXPECT_EQ(Out.find("error"), std::string::npos) << Out;
}

TEST_F(Headless, TwoOnePageDocumentsAlwaysCompareTheirPagesAsAPair)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    const std::string pair = dir / "old.pdf" + " " + dir / "new.pdf";
    // A one-character edit, and a page that has nothing in common with the
    // other but its place (a label turned into a full sheet); the second of
    // them also lost its header, so that it is drawn from a repaired copy.
    test::Write_File(dir / "old.pdf", test::Make_Pdf({test::Text_Page("Rev A")}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({test::Text_Page("Rev B")}));
    EXPECT_EQ(Compare({dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    EXPECT_EQ(Out.rfind(pair + " (page 1 / 1): ", 0), 0u) << Out;
    EXPECT_EQ(std::count(Out.begin(), Out.end(), '\n'), 1) << Out;

    test::Write_File(dir / "old.pdf",
                     Damaged(test::Make_Pdf({{200, 50, "BT /F1 12 Tf 10 20 Td (Label) Tj ET",
                                              test::Helvetica_Font}})));
    EXPECT_EQ(Compare({dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    EXPECT_EQ(Out.rfind(pair + " (page 1 / 1): ", 0), 0u) << Out;
    EXPECT_EQ(std::count(Out.begin(), Out.end(), '\n'), 1) << Out;
    EXPECT_NE(Out.find("paper size differs"), std::string::npos) << Out;
}

TEST_F(Headless, RewritesThatChangeOnlyTheStructureAreIdenticalPageByPage)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    // Lines set in fonts the file does not carry and the system lacks, which
    // the drawing library replaces with fonts of its own.
    std::string lines;
    for (int line = 0; line < 30; ++line)
        lines += "BT /F" + std::to_string(1 + line % 2) + " 14 Tf 40 " +
                 std::to_string(800 - 20 * line) + " Td (Line " + std::to_string(line) +
                 " of a title block, 0123456789) Tj ET\n";
    const std::string missing_fonts =
        "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Garamond-Bold >> "
        "/F2 << /Type /Font /Subtype /Type1 /BaseFont /ZapfChancery-MediumItalic >> >> >>";
    const std::string original = dir / "original.pdf";
    test::Write_File(original, test::Make_Pdf({{595, 842, lines, missing_fonts},
                                               test::Text_Page("Sheet 2", 300, 500)}));
    for (const char* option : {"--object-streams=generate", "--linearize", "--qdf"}) {
        const std::string rewrite = dir / "rewrite.pdf";
        ASSERT_TRUE(Run_Qpdf(option, original, rewrite)) << "qpdf is needed for " << option;
        EXPECT_EQ(Compare({original, rewrite}), 0) << option << "\n" << Out << Err;
        EXPECT_EQ(Out, original + " " + rewrite + " (page 1 / 1): identical\n" + original + " " +
                           rewrite + " (page 2 / 2): identical\n")
            << option;
    }
}
