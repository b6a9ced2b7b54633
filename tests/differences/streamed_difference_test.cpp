// The streamed comparison against the comparison of the whole pictures, on
// drawn pairs fed to it in rows of awkward counts, and the cases in which
// it declines so that the whole pictures are compared.
#include "tests/differences/same_difference.h"
#include "differences/streamed_difference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t White = 0xFFFFFFFF, Black = 0xFF000000, Blue = 0xFF1040C0;

struct T_Canvas {
    int Width, Height;
    std::vector<std::uint32_t> Words;

    T_Canvas(int W, int H, std::uint32_t Paper = White)
        : Width(W), Height(H), Words(std::size_t(W) * H, Paper)
    {
    }
    void Fill(int X, int Y, int W, int H, std::uint32_t Colour)
    {
        for (int Row = std::max(Y, 0); Row < std::min(Y + H, Height); ++Row)
            for (int Column = std::max(X, 0); Column < std::min(X + W, Width); ++Column)
                Words[std::size_t(Row) * Width + Column] = Colour;
    }
    // A line `Thickness` wide with anti-aliased edges: each pixel takes the
    // share of ink that its distance from the line leaves.
    void Line(double X0, double Y0, double X1, double Y1, double Thickness, std::uint32_t Ink)
    {
        const double Length_Squared = (X1 - X0) * (X1 - X0) + (Y1 - Y0) * (Y1 - Y0);
        const int Reach = int(Thickness) + 2;
        for (int Y = std::max(0, int(std::min(Y0, Y1)) - Reach);
             Y < std::min(Height, int(std::max(Y0, Y1)) + Reach); ++Y)
            for (int X = std::max(0, int(std::min(X0, X1)) - Reach);
                 X < std::min(Width, int(std::max(X0, X1)) + Reach); ++X) {
                const double T = std::clamp(
                    ((X - X0) * (X1 - X0) + (Y - Y0) * (Y1 - Y0)) / Length_Squared, 0.0, 1.0);
                const double Dx = X - (X0 + T * (X1 - X0)), Dy = Y - (Y0 + T * (Y1 - Y0));
                const double Cover =
                    std::clamp(Thickness / 2 + 0.5 - std::sqrt(Dx * Dx + Dy * Dy), 0.0, 1.0);
                if (Cover > 0)
                    Blend(X, Y, Ink, Cover);
            }
    }
    void Blend(int X, int Y, std::uint32_t Ink, double Cover)
    {
        std::uint32_t& Pixel = Words[std::size_t(Y) * Width + X];
        std::uint32_t Mixed = 0;
        for (int Shift = 0; Shift < 32; Shift += 8) {
            const double Old = (Pixel >> Shift) & 0xFF, New = (Ink >> Shift) & 0xFF;
            Mixed |= std::uint32_t(std::lround(Old + (New - Old) * Cover)) << Shift;
        }
        Pixel = Mixed;
    }
    T_Pixels View() const
    {
        return {reinterpret_cast<const std::uint8_t*>(Words.data()), Width, Height,
                std::ptrdiff_t(Width) * 4};
    }
};

// A canvas read top down, `Fail_At` rows in a broken file.
class T_Canvas_Rows final : public T_Row_Source {
public:
    explicit T_Canvas_Rows(const T_Canvas& Canvas, int Fail_At = -1)
        : Canvas_(Canvas), Fail_At_(Fail_At)
    {
    }
    int Width() const override { return Canvas_.Width; }
    int Height() const override { return Canvas_.Height; }
    bool Read_Rows(std::uint8_t* Rows, std::ptrdiff_t Stride, int Count) override
    {
        for (int Row = 0; Row < Count; ++Row, ++Next_) {
            if (Next_ == Fail_At_ || Next_ >= Canvas_.Height)
                return false;
            std::memcpy(Rows + Stride * Row, Canvas_.Words.data() + std::size_t(Next_) * Width(),
                        std::size_t(Width()) * 4);
        }
        return true;
    }

private:
    const T_Canvas& Canvas_;
    int Fail_At_;
    int Next_ = 0;
};

std::optional<T_Difference> Streamed(const T_Canvas& Base, const T_Canvas& Modified,
                                     const T_Difference_Options& Options = {},
                                     T_Stream_Threads Threads = T_Stream_Threads::Decoders_Apart)
{
    T_Canvas_Rows Base_Rows(Base), Modified_Rows(Modified);
    return Compare_Streamed(Base_Rows, Modified_Rows, Options, Threads);
}

// A drawing on a sheet: a frame, walls, a circle of short strokes.
void Draw_Sheet(T_Canvas& Canvas, std::uint32_t Ink = Black)
{
    const double W = Canvas.Width, H = Canvas.Height;
    Canvas.Line(8, 8, W - 9, 8, 3, Ink);
    Canvas.Line(8, H - 9, W - 9, H - 9, 3, Ink);
    Canvas.Line(8, 8, 8, H - 9, 3, Ink);
    Canvas.Line(W - 9, 8, W - 9, H - 9, 3, Ink);
    Canvas.Line(40, 60, W * 0.7, 60, 5, Ink);
    Canvas.Line(W * 0.5, 60, W * 0.5, H * 0.8, 2.5, Ink);
    for (int Step = 0; Step < 24; ++Step) {
        const double A = Step * 0.2618, B = A + 0.2;
        Canvas.Line(W * 0.3 + 50 * std::cos(A), H * 0.5 + 50 * std::sin(A),
                    W * 0.3 + 50 * std::cos(B), H * 0.5 + 50 * std::sin(B), 1.5, Ink);
    }
}

// A long diagonal stroke of dots, moved 64 pixels to the right: one removed
// and one added region, far enough apart not to merge, of one size.
void Move_Dotted_Diagonal(T_Canvas& Base, T_Canvas& Modified)
{
    for (int Step = 0; Step <= 560; Step += 10) {
        Base.Fill(20 + Step, 20 + Step, 3, 3, Black);
        Modified.Fill(84 + Step, 20 + Step, 3, 3, Black);
    }
}

struct T_Pair_Case {
    std::string Name;
    std::function<void(T_Canvas& Base, T_Canvas& Modified)> Edit;
    int Base_Width = 300, Base_Height = 260, Modified_Width = 300, Modified_Height = 260;
    std::uint32_t Paper = White;
    T_Difference_Options Options = {};
    bool Sheet = true; // drawn on a sheet (else on blank paper)
};

T_Difference_Options Strict()
{
    T_Difference_Options Options;
    Options.Tolerance = 0;
    Options.Ignore_Antialiasing = false;
    return Options;
}

// Left out: the given rectangles, and with a mask the pixels of a diagonal
// band across the picture (a shape no set of rectangles gives cheaply).
T_Difference_Options Ignoring(std::vector<T_Ignore_Rectangle> Rectangles, int Mask_Width = 0,
                              int Mask_Height = 0)
{
    T_Difference_Options Options;
    Options.Ignore.Rectangles = std::move(Rectangles);
    if (Mask_Width > 0) {
        auto Mask = std::make_shared<T_Ignore_Mask>();
        Mask->Width = Mask_Width;
        Mask->Height = Mask_Height;
        Mask->Ignored.resize(std::size_t(Mask_Width) * Mask_Height);
        for (int Y = 0; Y < Mask_Height; ++Y)
            for (int X = 0; X < Mask_Width; ++X)
                Mask->Ignored[std::size_t(Y) * Mask_Width + X] = std::abs(X - Y) < 20;
        Options.Ignore.Mask = Mask;
    }
    return Options;
}

void PrintTo(const T_Pair_Case& Case, std::ostream* Out) { *Out << Case.Name; }

class StreamedDifference : public ::testing::TestWithParam<T_Pair_Case> {};

} // namespace

TEST_P(StreamedDifference, EqualsTheComparisonOfTheWholePictures)
{
    const T_Pair_Case& Case = GetParam();
    T_Canvas Base(Case.Base_Width, Case.Base_Height, Case.Paper),
        Modified(Case.Modified_Width, Case.Modified_Height, Case.Paper);
    const std::uint32_t Ink = Case.Paper == White ? Black : White;
    if (Case.Sheet) {
        Draw_Sheet(Base, Ink);
        Draw_Sheet(Modified, Ink);
    }
    Case.Edit(Base, Modified);
    const T_Difference Whole = Compare_Pictures(Base.View(), Modified.View(), Case.Options);
    // Decoded ahead on threads of their own, or on the comparison's thread
    // as it reaches their rows.
    for (const T_Stream_Threads Threads :
         {T_Stream_Threads::Decoders_Apart, T_Stream_Threads::One_Thread}) {
        const std::optional<T_Difference> Rows = Streamed(Base, Modified, Case.Options, Threads);
        ASSERT_TRUE(Rows.has_value());
        test::Expect_Same_Difference(*Rows, Whole);
    }
}

INSTANTIATE_TEST_SUITE_P(
    DrawnPairs, StreamedDifference,
    ::testing::Values(T_Pair_Case{"Identical", [](T_Canvas&, T_Canvas&) {}},
                      T_Pair_Case{
                          "LineAdded",
                          [](T_Canvas&, T_Canvas& M) { M.Line(30, 200, 280, 150, 2, Black); }},
                      T_Pair_Case{
                          "LineRemoved",
                          [](T_Canvas& B, T_Canvas&) { B.Line(30, 200, 280, 150, 2, Black); }},
                      T_Pair_Case{"LineRecoloured",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Line(30, 120, 280, 120, 4, Black);
                                      M.Line(30, 120, 280, 120, 4, Blue);
                                  }},
                      T_Pair_Case{"ShapeMovedWithinReach",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Fill(200, 150, 12, 3, Black);
                                      B.Fill(200, 150, 3, 14, Black);
                                      M.Fill(240, 170, 12, 3, Black);
                                      M.Fill(240, 170, 3, 14, Black);
                                  }},
                      T_Pair_Case{"ShapeMovedAcrossABandEdge",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Fill(100, 40, 9, 9, Black);
                                      M.Fill(110, 70, 9, 9, Black);
                                  }},
                      // Changes on the rows and columns where bands and tiles meet, and
                      // on the last row, where the context of a row runs out.
                      T_Pair_Case{"ChangesAtBandAndTileEdges",
                                  [](T_Canvas&, T_Canvas& M) {
                                      M.Line(20, 63, 290, 64.5, 1.5, Black);
                                      M.Line(127.5, 20, 128.5, 250, 1.5, Black);
                                      M.Fill(0, 259, 300, 1, Black);
                                      M.Fill(299, 0, 1, 260, Blue);
                                  }},
                      T_Pair_Case{"ModifiedLarger",
                                  [](T_Canvas&, T_Canvas& M) { M.Fill(290, 250, 40, 40, Blue); },
                                  300, 260, 340, 300},
                      T_Pair_Case{"ModifiedNarrowerAndTaller", [](T_Canvas&, T_Canvas&) {}, 300,
                                  260, 250, 330},
                      T_Pair_Case{"TransparentPaper",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Fill(50, 150, 60, 40, 0x80FF0000);
                                      M.Fill(50, 150, 60, 40, 0x40FF0000);
                                      M.Fill(150, 200, 30, 30, 0x00000000);
                                  },
                                  300, 260, 300, 260, 0x00FFFFFF},
                      // On dark paper white ink is what was added or removed: the kinds
                      // follow the paper, which is known only at the end.
                      T_Pair_Case{"DarkPaper",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Line(30, 220, 200, 220, 3, White);
                                      M.Line(30, 100, 200, 180, 3, White);
                                  },
                                  300, 260, 300, 260, Black},
                      T_Pair_Case{"MostlyInkedSheet",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Fill(20, 20, 260, 220, Blue);
                                      M.Fill(20, 20, 260, 220, Blue);
                                      M.Line(40, 40, 260, 200, 3, White);
                                  }},
                      T_Pair_Case{"StrictTolerance",
                                  [](T_Canvas&, T_Canvas& M) {
                                      M.Fill(10, 100, 280, 30, 0xFFFEFEFE);
                                      M.Line(30, 200, 280, 150, 2, Black);
                                  },
                                  300, 260, 300, 260, White, Strict()},
                      T_Pair_Case{"SmallGapAndNoMoves",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Fill(200, 150, 12, 12, Black);
                                      M.Fill(230, 150, 12, 12, Black);
                                  },
                                  300, 260, 300, 260, White,
                                  [] {
                                      T_Difference_Options Options;
                                      Options.Region_Gap = 2;
                                      Options.Move_Reach = 0;
                                      return Options;
                                  }()},
                      // The test of the moved stroke reads the paper over its whole box,
                      // far from any change: tiles of one colour answer for it.
                      T_Pair_Case{"LongStrokeMovedOnBlankPaper",
                                  Move_Dotted_Diagonal,
                                  700,
                                  700,
                                  700,
                                  700,
                                  White,
                                  {},
                                  false},
                      // Left-out pixels count nothing on both paths, also where a left-out
                      // area cuts through a change, a tile or a band edge.
                      T_Pair_Case{"ChangeInsideAnIgnoredRectangle",
                                  [](T_Canvas&, T_Canvas& M) { M.Fill(200, 150, 20, 20, Black); },
                                  300, 260, 300, 260, White, Ignoring({{190, 140, 40, 40}})},
                      T_Pair_Case{"IgnoredRectanglesAcrossChangesAndTiles",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Line(30, 120, 280, 120, 4, Black);
                                      M.Line(30, 200, 280, 150, 2, Black);
                                      M.Fill(100, 40, 9, 9, Blue);
                                  },
                                  300, 260, 300, 260, White,
                                  Ignoring({{60, 0, 70, 260}, {0, 60, 300, 8}})},
                      T_Pair_Case{"IgnoredByAMaskAndBeyondAGrownPicture",
                                  [](T_Canvas& B, T_Canvas& M) {
                                      B.Line(30, 220, 200, 220, 3, Black);
                                      M.Line(30, 100, 280, 180, 3, Black);
                                      M.Fill(290, 250, 40, 40, Blue);
                                  },
                                  300, 260, 340, 300, White,
                                  Ignoring({{300, 270, 40, 30}}, 300, 260)},
                      T_Pair_Case{"SmallerThanABand",
                                  [](T_Canvas&, T_Canvas& M) { M.Fill(5, 5, 3, 3, Blue); }, 20, 30,
                                  20, 30}),
    [](const ::testing::TestParamInfo<T_Pair_Case>& Info) { return Info.param.Name; });

TEST(IgnoredPixels, CountNothingWhereTheOnlyChangeLiesButCountOutside)
{
    T_Canvas Base(300, 260, White), Modified(300, 260, White);
    Draw_Sheet(Base);
    Draw_Sheet(Modified);
    Modified.Fill(200, 150, 20, 20, Black);
    const T_Difference Inside =
        Compare_Pictures(Base.View(), Modified.View(), Ignoring({{195, 145, 30, 30}}));
    EXPECT_EQ(Inside.Changed_Pixels, 0u);
    EXPECT_TRUE(Inside.Regions.empty() && Inside.Tiles.empty());
    // Half of the square left out: the other half is still a change.
    const T_Difference Half =
        Compare_Pictures(Base.View(), Modified.View(), Ignoring({{200, 150, 10, 20}}));
    EXPECT_EQ(Half.Changed_Pixels, 200u);
    ASSERT_EQ(Half.Regions.size(), 1u);
    EXPECT_EQ(Half.Regions[0].Left, 210);
    // The rectangles are in the base's pixels: with the modified picture
    // placed 10 pixels right, the same place of the base is left out.
    T_Difference_Options Offset = Ignoring({{140, 100, 40, 40}}); // across a wall

    Offset.Offset_X = 10;
    Modified = T_Canvas(300, 260, White);
    Draw_Sheet(Modified);
    const T_Difference Moved = Compare_Pictures(Base.View(), Modified.View(), Offset);
    EXPECT_GT(Moved.Changed_Pixels, 0u);
    std::size_t Left_Out = 0;
    for (int Y = 100; Y < 140; ++Y)
        for (int X = 140; X < 180; ++X)
            Left_Out += Moved.At(X - Moved.Left, Y - Moved.Top) != T_Pixel_Change::Same;
    EXPECT_EQ(Left_Out, 0u);
    // ...where the same pair without the rectangle has changes.
    const T_Difference All = Compare_Pictures(Base.View(), Modified.View(), [] {
        T_Difference_Options Options;
        Options.Offset_X = 10;
        return Options;
    }());
    EXPECT_GT(All.Changed_Pixels, Moved.Changed_Pixels);
}

TEST(StreamedDifferenceDeclines, WhenARowSourceBreaksOrHasNoPixels)
{
    T_Canvas Base(200, 300), Modified(200, 300), Empty(0, 0);
    Draw_Sheet(Base);
    Draw_Sheet(Modified);
    for (const T_Stream_Threads Threads :
         {T_Stream_Threads::Decoders_Apart, T_Stream_Threads::One_Thread})
        for (int Fail_At : {0, 70, 299}) {
            T_Canvas_Rows Broken(Modified, Fail_At), Whole(Base);
            EXPECT_FALSE(Compare_Streamed(Whole, Broken, {}, Threads).has_value())
                << "broken at " << Fail_At;
        }
    EXPECT_FALSE(Streamed(Base, Empty).has_value());
}

TEST(StreamedDifferenceDeclines, WhenThePicturesAreOffset)
{
    T_Canvas Base(100, 100), Modified(100, 100);
    T_Difference_Options Options;
    Options.Offset_Y = 3;
    EXPECT_FALSE(Streamed(Base, Modified, Options).has_value());
}

// The moved stroke of LongStrokeMovedOnBlankPaper with a dot of ink, the
// same in both pictures, inside the stroke's box and far from it: the test
// of the moved shape reads the tile of that dot, whose pixels were not kept.
// The streamed comparison must not guess there.
TEST(StreamedDifferenceDeclines, WhenAMovedShapeNeedsPixelsFarFromTheChanges)
{
    T_Canvas Base(700, 700), Modified(700, 700);
    Base.Fill(30, 500, 2, 2, Black);
    Modified.Fill(30, 500, 2, 2, Black);
    Move_Dotted_Diagonal(Base, Modified);
    const T_Difference Whole = Compare_Pictures(Base.View(), Modified.View(), {});
    ASSERT_EQ(Whole.Regions.size(), 1u);
    ASSERT_EQ(Whole.Regions[0].Kind, T_Change_Region::T_Kind::Moved);
    EXPECT_FALSE(Streamed(Base, Modified).has_value());
}
