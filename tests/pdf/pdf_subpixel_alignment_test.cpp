// A PDF page drawn twice by the PDF module, its content moved by a fraction
// of a point the second time: the alignment finds the move to a quarter of
// a pixel and redraws the page so that nothing shows as changed, yet a
// changed digit in the moved page is still found.
#include "pdf/pdf_page_render.h"
#include "imaging/picture_compare.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"

#include <QPdfDocument>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <utility>

namespace {

// Lines at several angles, a frame, filled boxes and text: what a drawing
// sheet shows, with one dimension's figure.
std::string Sheet_Content(const std::string& Length = "5600")
{
    return test::Sheet_Frame() + test::Box(300, 300, 120, 80) + test::Box(90, 520, 40, 160, 0.4) +
           "0 0 0 RG 1 w 80 120 m 260 330 l S 120 400 m 480 430 l S 420 560 m 450 760 l S "
           "0.5 w 60 200 m 540 200 l S 200 80 m 200 460 l S "
           "BT /F1 24 Tf 100 700 Td (Sheet A-101) Tj ET BT /F1 11 Tf 380 40 Td (Revision 3) Tj "
           "ET BT /F1 11 Tf 380 60 Td (Length " +
           Length + ") Tj ET ";
}

struct T_Move {
    double Right_Points, Up_Points; // the content's move, in the PDF's own way
    double Dx, Dy;                  // the same in pixels at 150 dpi, y down
};

// The first page shows the sheet, the second the sheet with `Length`
// moved by `Move`; both drawn at 150 dpi.
std::pair<QImage, QImage> Sheet_And_Moved(const T_Move& Move, const std::string& Length = "5600")
{
    test::Scratch_Dir dir;
    const std::string path = (dir.Path / "moved.pdf").string();
    std::ostringstream moved;
    moved << "q 1 0 0 1 " << Move.Right_Points << " " << Move.Up_Points << " cm "
          << Sheet_Content(Length) << " Q";
    std::ofstream(path, std::ios::binary)
        << test::Make_Pdf({{595, 842, Sheet_Content(), test::Helvetica_Font},
                           {595, 842, moved.str(), test::Helvetica_Font}});
    QPdfDocument document;
    EXPECT_EQ(document.load(QString::fromStdString(path)), QPdfDocument::Error::None);
    return {Render_Pdf_Page(document, 0), Render_Pdf_Page(document, 1)};
}

class Pdf_Subpixel_Alignment : public testing::TestWithParam<T_Move> {};

TEST_P(Pdf_Subpixel_Alignment, FindsTheMoveAndShowsNoChange)
{
    const T_Move Move = GetParam();
    const auto [base, modified] = Sheet_And_Moved(Move);
    ASSERT_FALSE(base.isNull());
    ASSERT_EQ(base.size(), modified.size());

    const T_Aligned_Difference Result =
        Compare_Decoded_Aligned(base, modified, T_Align_Mode::Shift, {});
    ASSERT_TRUE(Result.Alignment.Aligned) << Result.Alignment.Summary();
    EXPECT_NEAR(Result.Alignment.Dx, Move.Dx, 0.25) << Result.Alignment.Summary();
    EXPECT_NEAR(Result.Alignment.Dy, Move.Dy, 0.25) << Result.Alignment.Summary();
    EXPECT_EQ(Result.Alignment.Scale, 1);
    EXPECT_EQ(Result.Alignment.Rotation_Degrees, 0);
    ASSERT_TRUE(Result.Difference.Regions.empty())
        << Result.Difference.Regions.size() << " regions, " << Result.Difference.Changed_Pixels
        << " px, first at " << Result.Difference.Regions[0].Left << ","
        << Result.Difference.Regions[0].Top;
    // As they lie, the two pages differ along every line.
    EXPECT_GT(Compare_Decoded_Pictures(base, modified, {}).Changed_Pixels, 5000u);
}

// The thin lines and small text drawn anew at another fraction of a pixel
// are forgiven, but not a figure that changed: "5600" became "5650", and
// only there is a change.
TEST_P(Pdf_Subpixel_Alignment, StillFindsAChangedDigit)
{
    const T_Move Move = GetParam();
    const auto [base, modified] = Sheet_And_Moved(Move, "5650");
    ASSERT_FALSE(base.isNull());

    const T_Aligned_Difference Result =
        Compare_Decoded_Aligned(base, modified, T_Align_Mode::Shift, {});
    EXPECT_NEAR(Result.Alignment.Dx, Move.Dx, 0.25) << Result.Alignment.Summary();
    EXPECT_NEAR(Result.Alignment.Dy, Move.Dy, 0.25) << Result.Alignment.Summary();
    ASSERT_FALSE(Result.Difference.Regions.empty());
    // The figure's line: from x = 380 pt, 11 pt high above y = 60 pt (from
    // the bottom), in pixels at 150 dpi with a little room.
    constexpr double Pixels_Per_Point = 150.0 / 72;
    const int Line_Left = int(380 * Pixels_Per_Point) - 4;
    const int Line_Bottom = int((842 - 60) * Pixels_Per_Point) + 8;
    const int Line_Top = Line_Bottom - int(11 * Pixels_Per_Point) - 12;
    for (const T_Change_Region& Region : Result.Difference.Regions) {
        EXPECT_GE(Region.Left, Line_Left);
        EXPECT_GE(Region.Top, Line_Top);
        EXPECT_LE(Region.Top + Region.Height, Line_Bottom);
    }
}

// 1.2 pt is 2.5 px at 150 dpi, 0.6 pt 1.25 px; up in the PDF is down on
// the picture.
INSTANTIATE_TEST_SUITE_P(Fractions_Of_A_Point, Pdf_Subpixel_Alignment,
                         testing::Values(T_Move{1.2, -0.6, 2.5, 1.25},
                                         T_Move{-0.6, 1.2, -1.25, -2.5}));

} // namespace
