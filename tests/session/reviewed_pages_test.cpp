// What a reviewer sees on a page counts: annotations and filled-in form
// fields are drawn and compared, and named in the change; pages that
// changed a lot still pair with their old selves by their places.
#include "pdf/document_exporters.h"
#include "session/pair_pipeline.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"

#include <gtest/gtest.h>

#ifndef VARNOLT_TEST_NO_PDF
namespace {

const std::string Helvetica_Resources =
    "<< /Font << /Helvetica << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>";

// An appearance: a form of Width x Height points drawn by Operators.
std::string Appearance(int Width, int Height, const std::string& Operators)
{
    return "<< /Type /XObject /Subtype /Form /BBox [0 0 " + std::to_string(Width) + " " +
           std::to_string(Height) + "] /Resources " + Helvetica_Resources + " /Length " +
           std::to_string(Operators.size()) + " >>\nstream\n" + Operators + "\nendstream";
}

// A sheet marked up by a reviewer: a stamp, a square, ink and a form field
// whose value is Name, each left out when its flag is false.
std::string Marked_Sheet(bool Stamp, bool Square, bool Ink, const std::string& Name,
                         bool Sheet_Content = true)
{
    test::Pdf_Page page = test::Text_Page(Sheet_Content ? "Sheet" : "");
    if (!Sheet_Content)
        page.Content = "";
    const int stamp_look = test::Extra_Object(1, 0), field_look = test::Extra_Object(1, 1);
    const int field = test::Extra_Object(1, 2);
    if (Stamp)
        page.Annotations += "<< /Type /Annot /Subtype /Stamp /Rect [300 500 420 540] /Name "
                            "/Approved /Contents (APPROVED) /AP << /N " +
                            std::to_string(stamp_look) + " 0 R >> >> ";
    if (Square)
        page.Annotations += "<< /Type /Annot /Subtype /Square /Rect [100 100 200 180] /C [1 0 0] "
                            "/BS << /W 3 >> >> ";
    if (Ink)
        page.Annotations += "<< /Type /Annot /Subtype /Ink /Rect [300 100 450 200] /C [0 0.6 0] "
                            "/BS << /W 3 >> /InkList [[310 110 350 190 400 120 440 190]] >> ";
    page.Annotations += std::to_string(field) + " 0 R";
    const std::string value =
        Name.empty() ? ""
                     : " /V (" + Name + ") /AP << /N " + std::to_string(field_look) + " 0 R >>";
    return test::Make_Pdf(
        {page}, {},
        {Appearance(120, 40,
                    "0 0 1 rg 0 0 120 40 re f BT /Helvetica 18 Tf 1 g 8 12 Td "
                    "(APPROVED) Tj ET"),
         Appearance(150, 20, "BT /Helvetica 12 Tf 0 g 2 6 Td (" + Name + ") Tj ET"),
         "<< /Type /Annot /Subtype /Widget /FT /Tx /T (Name) /Rect [100 400 250 420] /P 3 0 R" +
             value + " >>"},
        "/AcroForm << /Fields [" + std::to_string(field) + " 0 R] >>");
}

class Reviewed_Pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Settings.Make_Exporter = Create_Document_Exporter;
    }
    std::vector<T_Compared_Pair> Pages(const std::string& Old, const std::string& New,
                                       T_Pair_Outcome& Outcome)
    {
        std::vector<T_Compared_Pair> pages;
        Settings.On_Pair = [&](const T_Compared_Pair& pair) { pages.push_back(pair); };
        Outcome = Compare_Pair(Old, New, Old, New, Settings);
        return pages;
    }
    std::string Write(const std::string& Name, const std::string& Bytes)
    {
        test::Write_File(dir / Name, Bytes);
        return dir / Name;
    }
    // The annotation changes of a pair of one-page files, of all regions.
    std::string Changes(const std::string& Old, const std::string& New, T_Verdict& Verdict)
    {
        T_Pair_Outcome outcome;
        const std::vector<T_Compared_Pair> pages = Pages(Old, New, outcome);
        Verdict = outcome.Verdict;
        if (pages.size() != 1 || !pages[0].Text)
            return {};
        std::string named;
        for (const T_Region_Text& region : pages[0].Text->Regions)
            named += region.Annotations + ";";
        return named;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    T_Pair_Settings Settings;
};

TEST_F(Reviewed_Pages, EachRemovedAnnotationOrChangedFieldMakesTheSheetDifferentAndIsNamed)
{
    const std::string all = Write("all.pdf", Marked_Sheet(true, true, true, "Ann"));
    const struct {
        std::string Name, Bytes, Named;
    } cases[] = {
        {"stamp.pdf", Marked_Sheet(false, true, true, "Ann"), "stamp APPROVED removed"},
        {"square.pdf", Marked_Sheet(true, false, true, "Ann"), "square removed"},
        {"ink.pdf", Marked_Sheet(true, true, false, "Ann"), "ink removed"},
        {"field.pdf", Marked_Sheet(true, true, true, "Bob"), "form field Name \"Ann\" -> \"Bob\""},
    };
    for (const auto& c : cases) {
        T_Verdict verdict = T_Verdict::Error;
        const std::string named = Changes(all, Write(c.Name, c.Bytes), verdict);
        EXPECT_EQ(verdict, T_Verdict::Different) << c.Name;
        EXPECT_NE(named.find(c.Named), std::string::npos) << c.Name << ": " << named;
    }
    T_Verdict verdict = T_Verdict::Error;
    Changes(all, all, verdict);
    EXPECT_EQ(verdict, T_Verdict::Identical);
}

TEST_F(Reviewed_Pages, APageOfAnnotationsAloneHasContent)
{
    // No content stream of its own: only the reviewer's marks.
    const std::string marks = Write("marks.pdf", Marked_Sheet(true, true, true, "Ann", false));
    const std::string fewer = Write("fewer.pdf", Marked_Sheet(true, false, true, "Ann", false));
    T_Verdict verdict = T_Verdict::Error;
    Changes(marks, marks, verdict);
    EXPECT_EQ(verdict, T_Verdict::Identical);
    EXPECT_NE(Changes(marks, fewer, verdict).find("square removed"), std::string::npos);
    EXPECT_EQ(verdict, T_Verdict::Different);
}

// A bill of materials of two pages, its rows at the given heights.
test::Pdf_Page Table_Page(int First_Row, int Rows, int Row_Height)
{
    std::string ops = test::Sheet_Frame();
    for (int row = 0; row < Rows; ++row) {
        const int y = 760 - row * Row_Height;
        ops += "0 0 0 RG 1 w 40 " + std::to_string(y) + " 515 " + std::to_string(Row_Height) +
               " re S BT /F1 10 Tf 50 " + std::to_string(y + 4) + " Td (Item " +
               std::to_string(First_Row + row) + " bolt M" + std::to_string(6 + row % 5) +
               ") Tj ET ";
    }
    return {595, 842, ops, test::Helvetica_Font};
}

TEST_F(Reviewed_Pages, PagesThatChangedALotPairByTheirPlaces)
{
    // The rows re-wrapped: taller rows, so fewer on the first page.
    const std::string old_table =
        Write("old.pdf", test::Make_Pdf({Table_Page(1, 30, 20), Table_Page(31, 20, 20)}));
    const std::string new_table =
        Write("new.pdf", test::Make_Pdf({Table_Page(1, 22, 32), Table_Page(23, 28, 26)}));
    T_Pair_Outcome outcome;
    const std::vector<T_Compared_Pair> pages = Pages(old_table, new_table, outcome);
    ASSERT_EQ(pages.size(), 2u);
    for (int page = 0; page < 2; ++page) {
        EXPECT_EQ(pages[std::size_t(page)].Old_Page_Number, page + 1);
        EXPECT_EQ(pages[std::size_t(page)].New_Page_Number, page + 1);
        EXPECT_EQ(pages[std::size_t(page)].Result, T_Verdict::Different);
        EXPECT_TRUE(pages[std::size_t(page)].Difference);
    }
}

} // namespace
#endif
