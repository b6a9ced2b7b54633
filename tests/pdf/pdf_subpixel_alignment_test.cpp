// A PDF page drawn twice by the PDF module, its content moved by a fraction
// of a point the second time: the alignment finds the move to a quarter of
// a pixel and redraws the page so that nothing shows as changed.
#include "pdf_page_render.h"
#include "picture_compare.h"
#include "test_pdf_writer.h"
#include "test_support.h"

#include <QPdfDocument>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

// Lines at several angles, a frame, filled boxes and text: what a drawing
// sheet shows.
std::string Sheet_Content()
{
    return test::Sheet_Frame() + test::Box(300, 300, 120, 80) + test::Box(90, 520, 40, 160, 0.4) +
           "0 0 0 RG 1 w 80 120 m 260 330 l S 120 400 m 480 430 l S 420 560 m 450 760 l S "
           "0.5 w 60 200 m 540 200 l S 200 80 m 200 460 l S "
           "BT /F1 24 Tf 100 700 Td (Sheet A-101) Tj ET BT /F1 11 Tf 380 40 Td (Revision 3) Tj "
           "ET ";
}

struct T_Move {
    double Right_Points, Up_Points; // the content's move, in the PDF's own way
    double Dx, Dy;                  // the same in pixels at 150 dpi, y down
};

class Pdf_Subpixel_Alignment : public testing::TestWithParam<T_Move> {};

// Not yet met: the small text of the first move leaves one region, and the
// second move is fitted as a scale; enabled once the alignment reaches it.
TEST_P(Pdf_Subpixel_Alignment, DISABLED_FindsTheMoveAndShowsNoChange)
{
    const T_Move Move = GetParam();
    test::Scratch_Dir dir;
    const std::string path = (dir.Path / "moved.pdf").string();
    std::ostringstream moved;
    moved << "q 1 0 0 1 " << Move.Right_Points << " " << Move.Up_Points << " cm " << Sheet_Content()
          << " Q";
    std::ofstream(path, std::ios::binary)
        << test::Make_Pdf({{595, 842, Sheet_Content(), test::Helvetica_Font},
                           {595, 842, moved.str(), test::Helvetica_Font}});
    QPdfDocument document;
    ASSERT_EQ(document.load(QString::fromStdString(path)), QPdfDocument::Error::None);
    const QImage base = Render_Pdf_Page(document, 0);
    const QImage modified = Render_Pdf_Page(document, 1);
    ASSERT_FALSE(base.isNull());
    ASSERT_EQ(base.size(), modified.size());

    const T_Aligned_Difference Result =
        Compare_Decoded_Aligned(base, modified, T_Align_Mode::Shift, {});
    ASSERT_TRUE(Result.Alignment.Aligned) << Result.Alignment.Summary();
    EXPECT_NEAR(Result.Alignment.Dx, Move.Dx, 0.25) << Result.Alignment.Summary();
    EXPECT_NEAR(Result.Alignment.Dy, Move.Dy, 0.25) << Result.Alignment.Summary();
    EXPECT_EQ(Result.Alignment.Scale, 1);
    EXPECT_TRUE(Result.Difference.Regions.empty())
        << Result.Difference.Regions.size() << " regions, " << Result.Difference.Changed_Pixels
        << " px, first at " << Result.Difference.Regions[0].Left << ","
        << Result.Difference.Regions[0].Top;
    // As they lie, the two pages differ along every line.
    EXPECT_GT(Compare_Decoded_Pictures(base, modified, {}).Changed_Pixels, 5000u);
}

// 1.2 pt is 2.5 px at 150 dpi, 0.6 pt 1.25 px; up in the PDF is down on
// the picture.
INSTANTIATE_TEST_SUITE_P(Fractions_Of_A_Point, Pdf_Subpixel_Alignment,
                         testing::Values(T_Move{1.2, -0.6, 2.5, 1.25},
                                         T_Move{-0.6, 1.2, -1.25, -2.5}));

} // namespace
