// Which pages set text in a font the reader stands in for: those are drawn
// again when found different, the others are compared once.
#include "pdf/pdf_substituted_fonts.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

test::Pdf_Page Text_In(const std::string& Font)
{
    return {595, 842, "BT /F1 12 Tf 40 800 Td (Parts list) Tj ET",
            "<< /Font << /F1 " + Font + " >> >>"};
}

std::string Type1(const std::string& Name)
{
    return "<< /Type /Font /Subtype /Type1 /BaseFont /" + Name + " >>";
}

std::string Reference(int Object) { return std::to_string(Object) + " 0 R"; }

TEST(Pdf_Substituted_Fonts, OnlyFontsNeitherEmbeddedNorTheReadersOwnCount)
{
    test::Scratch_Dir dir;
    constexpr std::size_t Pages = 7;
    const int program = test::Extra_Object(Pages, 0), form = test::Extra_Object(Pages, 1);
    const std::string embedded = "<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Bookman "
                                 "/FontDescriptor << /Type /FontDescriptor /FontName /Bookman "
                                 "/FontFile2 " +
                                 Reference(program) + " >> >>";
    const std::string cid = "<< /Type /Font /Subtype /Type0 /BaseFont /MingLiU /DescendantFonts "
                            "[ << /Type /Font /Subtype /CIDFontType2 /BaseFont /MingLiU >> ] >>";
    // The last page draws a form whose own resources name a font stood in for.
    const test::Pdf_Page by_form{595, 842, "/X Do",
                                 "<< /XObject << /X " + Reference(form) + " >> >>"};
    const std::vector<test::Pdf_Page> pages{Text_In(Type1("Helvetica")),
                                            Text_In(Type1("ABCDEF+Times-Bold")),
                                            Text_In(Type1("Bookman-Demi")),
                                            Text_In(embedded),
                                            Text_In(Type1("Arial")),
                                            Text_In(cid),
                                            by_form};
    ASSERT_EQ(pages.size(), Pages);
    const std::vector<std::string> extra{
        "<< /Length 0 >>\nstream\n\nendstream", // a font program, looked at for being there
        "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /Font << /F1 " +
            Type1("NewCenturySchlbk-Italic") + " >> >> /Length 0 >>\nstream\n\nendstream"};
    const std::string file = (dir.Path / "fonts.pdf").string();
    std::ofstream(file, std::ios::binary) << test::Make_Pdf(pages, {}, extra);
    const std::vector<bool> expected{false, false, true, false, true, true, true};
    for (std::size_t page = 0; page < Pages; ++page)
        EXPECT_EQ(Pdf_Page_Substitutes_Fonts(file, int(page)), expected[page])
            << "page " << page + 1;
    // What cannot be told counts as stood in for: the page is drawn again.
    EXPECT_TRUE(Pdf_Page_Substitutes_Fonts(file, int(Pages)));
    EXPECT_TRUE(Pdf_Page_Substitutes_Fonts((dir.Path / "missing.pdf").string(), 0));
}

} // namespace
