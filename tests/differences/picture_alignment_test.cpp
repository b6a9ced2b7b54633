#include "tests/differences/drawn_lines.h"
#include "differences/phase_correlation.h"
#include "differences/picture_alignment.h"
#include "differences/sequence_alignment.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using test::Render;
using test::T_Placement;
using test::T_Segment;

constexpr int Width = 640, Height = 480;

// The drawn change of the modified drawings: a square with a cross in it,
// in the drawing's own coordinates.
constexpr int Change_Left = 300, Change_Top = 200, Change_Side = 50;

std::vector<T_Segment> With_Change(std::vector<T_Segment> Segments)
{
    const double L = Change_Left, T = Change_Top, R = L + Change_Side, B = T + Change_Side;
    for (const T_Segment& Added :
         {T_Segment{L, T, R, T}, T_Segment{R, T, R, B}, T_Segment{R, B, L, B},
          T_Segment{L, B, L, T}, T_Segment{L, T, R, B}})
        Segments.push_back(Added);
    return Segments;
}

// Every region lies on the drawn change (in the base's pixels, with the
// anti-aliased fringe of its lines), and there is one. A redrawn scan may
// leave up to `Stray_Pixels` lone pixels elsewhere.
void Expect_Only_The_Change(const T_Difference& Difference, std::size_t Stray_Pixels = 0)
{
    ASSERT_FALSE(Difference.Regions.empty());
    constexpr int Slack = 6;
    std::size_t Stray = 0;
    for (const T_Change_Region& Region : Difference.Regions) {
        const int Left = Region.Left + Difference.Left, Top = Region.Top + Difference.Top;
        if (Region.Pixels == 1 && Stray < Stray_Pixels) {
            ++Stray;
            continue;
        }
        EXPECT_GE(Left, Change_Left - Slack) << "region at " << Left << "," << Top;
        EXPECT_GE(Top, Change_Top - Slack) << "region at " << Left << "," << Top;
        EXPECT_LE(Left + Region.Width, Change_Left + Change_Side + Slack);
        EXPECT_LE(Top + Region.Height, Change_Top + Change_Side + Slack);
    }
}

// A drawing and the same with the change drawn in, in place: aligned in
// `Mode`, the pair compares as it does without alignment.
T_Aligned_Difference Expect_As_Without_Alignment(T_Align_Mode Mode, unsigned Seed)
{
    const auto Drawing = test::Random_Drawing(Width, Height, Seed);
    const auto Base = Render(Drawing, Width, Height);
    const auto Modified = Render(With_Change(Drawing), Width, Height);
    T_Aligned_Difference Result = Compare_Aligned(Base.View(), Modified.View(), Mode, {});
    const T_Difference Plain = Compare_Pictures(Base.View(), Modified.View(), {});
    EXPECT_EQ(Result.Difference.Changed_Pixels, Plain.Changed_Pixels);
    EXPECT_EQ(Result.Difference.Regions.size(), Plain.Regions.size());
    return Result;
}

TEST(Phase_Correlation, Finds_A_Known_Shift_And_Rejects_Noise)
{
    std::mt19937 Random(7);
    std::uniform_real_distribution<float> Value(0, 1);
    differences::T_Grid Still(96, 64), Moved(96, 64), Unrelated(96, 64);
    for (float& Cell : Still.Values)
        Cell = Value(Random);
    for (float& Cell : Unrelated.Values)
        Cell = Value(Random);
    for (int Y = 0; Y < 64; ++Y)
        for (int X = 0; X < 96; ++X)
            Moved.At((X + 7) % 96, (Y + 64 - 5) % 64) = Still.At(X, Y);
    const differences::T_Correlation_Peak Peak = differences::Correlate_Phases(Still, Moved);
    EXPECT_NEAR(Peak.Dx, 7, 0.01);
    EXPECT_NEAR(Peak.Dy, -5, 0.01);
    EXPECT_GT(Peak.Clarity, 10);
    EXPECT_LT(differences::Correlate_Phases(Still, Unrelated).Clarity, 2);
    // A shift beyond the reach asked for is not found.
    EXPECT_LT(differences::Correlate_Phases(Still, Moved, 3).Clarity, 2);
}

// Checks the runs against the length of a longest common subsequence by
// dynamic programming, and that they pair equal elements in order.
TEST(Sequence_Alignment, Runs_Are_A_Longest_Common_Subsequence)
{
    std::mt19937 Random(3);
    for (int Round = 0; Round < 200; ++Round) {
        std::uniform_int_distribution<int> Length(0, 40), Symbol(0, Round % 2 ? 2 : 6);
        std::vector<std::uint64_t> A(std::size_t(Length(Random))), B(std::size_t(Length(Random)));
        for (auto& Element : A)
            Element = std::uint64_t(Symbol(Random));
        for (auto& Element : B)
            Element = std::uint64_t(Symbol(Random));
        std::vector<std::vector<int>> Table(A.size() + 1, std::vector<int>(B.size() + 1, 0));
        for (std::size_t I = 1; I <= A.size(); ++I)
            for (std::size_t J = 1; J <= B.size(); ++J)
                Table[I][J] = A[I - 1] == B[J - 1] ? Table[I - 1][J - 1] + 1
                                                   : std::max(Table[I - 1][J], Table[I][J - 1]);
        const auto Runs = differences::Common_Runs(A, B, 1000);
        ASSERT_TRUE(Runs);
        int Matched = 0, Last_A = -1, Last_B = -1;
        for (const differences::T_Common_Run& Run : *Runs) {
            EXPECT_GT(Run.A_From, Last_A);
            EXPECT_GT(Run.B_From, Last_B);
            for (int I = 0; I < Run.Length; ++I)
                EXPECT_EQ(A[std::size_t(Run.A_From + I)], B[std::size_t(Run.B_From + I)]);
            Matched += Run.Length;
            Last_A = Run.A_From + Run.Length - 1;
            Last_B = Run.B_From + Run.Length - 1;
        }
        EXPECT_EQ(Matched, Table[A.size()][B.size()]) << "round " << Round;
    }
    // Too unlike for the edits allowed.
    EXPECT_FALSE(differences::Common_Runs({1, 2, 3, 4}, {5, 6, 7, 8}, 3));
}

struct T_Shift_Case {
    double Dx, Dy;
};

class Shift_Alignment : public testing::TestWithParam<T_Shift_Case> {};

TEST_P(Shift_Alignment, Recovers_The_Shift_And_Shows_Only_The_Drawn_Change)
{
    const auto Drawing = test::Random_Drawing(Width, Height, 11);
    const auto Base = Render(Drawing, Width, Height);
    const auto Modified =
        Render(With_Change(Drawing), Width, Height, T_Placement{GetParam().Dx, GetParam().Dy});
    const T_Aligned_Difference Result =
        Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Shift, {});
    ASSERT_TRUE(Result.Alignment.Aligned) << Result.Alignment.Summary();
    EXPECT_EQ(Result.Alignment.Status(), "aligned") << Result.Alignment.Summary();
    EXPECT_NEAR(Result.Alignment.Dx, GetParam().Dx, 0.15);
    EXPECT_NEAR(Result.Alignment.Dy, GetParam().Dy, 0.15);
    EXPECT_DOUBLE_EQ(Result.Alignment.Scale, 1);
    Expect_Only_The_Change(Result.Difference);
    // Without alignment the lines around show too.
    if (GetParam().Dx != 0 || GetParam().Dy != 0) {
        const T_Difference Plain = Compare_Pictures(Base.View(), Modified.View(), {});
        EXPECT_GT(Plain.Changed_Pixels, 4 * Result.Difference.Changed_Pixels);
    }
}

INSTANTIATE_TEST_SUITE_P(Whole_And_Fractional_Pixels, Shift_Alignment,
                         testing::Values(T_Shift_Case{13, -9}, T_Shift_Case{-24, 17},
                                         T_Shift_Case{0, 0}, T_Shift_Case{5.5, 3.25},
                                         T_Shift_Case{-7.3, -2.6}));

TEST(Shift_Alignment, Whole_Pixel_Shift_Is_Exact_And_Leaves_Nothing_Else)
{
    const auto Drawing = test::Random_Drawing(Width, Height, 5);
    const auto Base = Render(Drawing, Width, Height);
    const auto Modified = Render(Drawing, Width, Height, T_Placement{13, -9});
    const T_Aligned_Difference Result =
        Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Shift, {});
    EXPECT_EQ(Result.Alignment.Summary(), "Aligned: modified shifted by 13, -9 px");
    EXPECT_EQ(Result.Difference.Changed_Pixels, 0u);
    EXPECT_TRUE(Result.Aligned_Pixels.empty()); // compared with an offset, not redrawn
    const T_Rectangle In_Modified = Result.Alignment.To_Modified({100, 100, 20, 10});
    EXPECT_EQ(In_Modified.Left, 113);
    EXPECT_EQ(In_Modified.Top, 91);
    EXPECT_EQ(In_Modified.Width, 20);
}

// Thick lines with hard corners bias the correlation peaks' fractions; a
// plain move by whole pixels must still come out whole, compared with an
// offset, and show only the moved wall.
TEST(Shift_Alignment, Thick_Lines_Moved_By_Whole_Pixels_Stay_Whole)
{
    const std::vector<T_Segment> Frame = {
        {60, 60, 580, 60},   {580, 60, 580, 420},  {580, 420, 60, 420},  {60, 420, 60, 60},
        {60, 240, 200, 240}, {120, 330, 220, 400}, {420, 120, 520, 200}, {450, 300, 450, 420}};
    std::vector<T_Segment> Old_Wall = Frame, New_Wall = Frame;
    Old_Wall.push_back({300, 60, 300, 300});
    New_Wall.push_back({330, 60, 330, 300});
    const auto Base = Render(Old_Wall, Width, Height, {}, 24);
    const auto Modified = Render(New_Wall, Width, Height, T_Placement{13, -9}, 24);
    const T_Aligned_Difference Result =
        Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Shift, {});
    EXPECT_EQ(Result.Alignment.Summary(), "Aligned: modified shifted by 13, -9 px");
    EXPECT_TRUE(Result.Aligned_Pixels.empty());
    const T_Difference Unmoved =
        Compare_Pictures(Base.View(), Render(New_Wall, Width, Height, {}, 24).View(), {});
    EXPECT_EQ(Result.Difference.Changed_Pixels, Unmoved.Changed_Pixels);
    EXPECT_EQ(Result.Difference.Regions.size(), Unmoved.Regions.size());
}

TEST(Shift_Alignment, Recovers_A_Scan_Scaled_And_Turned)
{
    const auto Drawing = test::Random_Drawing(Width, Height, 21, 200);
    const auto Base = Render(Drawing, Width, Height);
    const auto Modified =
        Render(With_Change(Drawing), Width, Height, T_Placement{4, -3, 1.005, 0.3});
    const T_Aligned_Difference Result =
        Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Shift, {});
    ASSERT_TRUE(Result.Alignment.Aligned);
    EXPECT_NEAR(Result.Alignment.Scale, 1.005, 0.0005);
    EXPECT_NEAR(Result.Alignment.Rotation_Degrees, 0.3, 0.03);
    EXPECT_NEAR(Result.Alignment.Dx, 4, 0.3);
    EXPECT_NEAR(Result.Alignment.Dy, -3, 0.3);
    Expect_Only_The_Change(Result.Difference, 5);
}

TEST(Shift_Alignment, Refuses_Pictures_That_Do_Not_Match)
{
    const auto Base = Render(test::Random_Drawing(Width, Height, 1), Width, Height);
    const auto Unrelated = Render(test::Random_Drawing(Width, Height, 2), Width, Height);
    const auto Blank = Render({}, Width, Height);
    for (const test::T_Rendered* Other : {&Unrelated, &Blank}) {
        const T_Aligned_Difference Result =
            Compare_Aligned(Base.View(), Other->View(), T_Align_Mode::Shift, {});
        EXPECT_FALSE(Result.Alignment.Aligned);
        EXPECT_EQ(Result.Alignment.Status(), "no clear match");
        EXPECT_EQ(Result.Alignment.Summary(), "Not aligned: no clear match");
        // Compared as they are.
        EXPECT_EQ(Result.Difference.Changed_Pixels,
                  Compare_Pictures(Base.View(), Other->View(), {}).Changed_Pixels);
    }
}

// A pair that already lies in place is taken as it lies, change and all;
// two blank pages have no ink to vouch for any placing.
TEST(Shift_Alignment, A_Pair_In_Place_Is_Compared_As_It_Lies_And_Blank_Pages_Are_Not_Aligned)
{
    const T_Aligned_Difference Result = Expect_As_Without_Alignment(T_Align_Mode::Shift, 7);
    EXPECT_EQ(Result.Alignment.Summary(), "Aligned: modified shifted by 0, 0 px");
    Expect_Only_The_Change(Result.Difference);

    const auto Blank = Render({}, Width, Height);
    EXPECT_FALSE(
        Compare_Aligned(Blank.View(), Blank.View(), T_Align_Mode::Shift, {}).Alignment.Aligned);
}

// Rows of text-like strokes: a page where content is inserted in the middle.
std::vector<T_Segment> Text_Lines(int First, int Last, unsigned Seed)
{
    std::vector<T_Segment> Segments;
    std::mt19937 Random(Seed);
    std::uniform_int_distribution<int> Word(8, 40), Gap(4, 12);
    for (int Line = First; Line < Last; ++Line) {
        const double Y = 20 + Line * 14;
        for (int X = 30; X < Width - 60;) {
            const int W = Word(Random);
            Segments.push_back({double(X), Y, double(X + W), Y});
            Segments.push_back({double(X), Y - 4, double(X), Y + 2});
            X += W + Gap(Random);
        }
    }
    return Segments;
}

// A text page: 24 lines in the base, 4 more after the 10th in the
// modified page, pushing the rest down.
std::pair<std::vector<T_Segment>, std::vector<T_Segment>> Page_With_Inserted_Lines()
{
    auto Before = Text_Lines(0, 10, 1), After = Text_Lines(10, 24, 2);
    std::vector<T_Segment> Base_Drawing = Before, Modified_Drawing = Before;
    Base_Drawing.insert(Base_Drawing.end(), After.begin(), After.end());
    for (const T_Segment& Inserted : Text_Lines(10, 14, 3))
        Modified_Drawing.push_back(Inserted);
    for (T_Segment Moved : After) {
        Moved.Y0 += 4 * 14;
        Moved.Y1 += 4 * 14;
        Modified_Drawing.push_back(Moved);
    }
    return {Base_Drawing, Modified_Drawing};
}

TEST(Band_Alignment, Inserted_Content_Is_One_Added_Band)
{
    const auto [Base_Drawing, Modified_Drawing] = Page_With_Inserted_Lines();
    const auto Base = Render(Base_Drawing, Width, Height);
    const auto Modified = Render(Modified_Drawing, Width, Height);
    const T_Aligned_Difference Result =
        Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Bands, {});
    ASSERT_TRUE(Result.Alignment.Aligned);
    int Added_Rows = 0;
    for (const T_Row_Band& Band : Result.Alignment.Bands)
        if (Band.Kind == T_Row_Band::T_Kind::Added)
            Added_Rows += Band.To - Band.From;
    EXPECT_EQ(Added_Rows, 4 * 14);
    // One region: the inserted lines, going in below the 10th line.
    ASSERT_EQ(Result.Difference.Regions.size(), 1u);
    const T_Change_Region& Region = Result.Difference.Regions[0];
    EXPECT_EQ(Region.Kind, T_Change_Region::T_Kind::Added);
    EXPECT_EQ(Region.Height, 0);
    EXPECT_NEAR(Region.Top, 20 + 10 * 14 - 7, 7);
    EXPECT_GT(Region.Pixels, 1000u);
    // Where it exists, in the modified picture, the band has its rows.
    const T_Rectangle In_Base{Region.Left + Result.Difference.Left,
                              Region.Top + Result.Difference.Top, Region.Width, 0};
    EXPECT_EQ(Result.Alignment.Added_Band_Size(In_Base), std::pair(Region.Width, Added_Rows));
    // Elsewhere a rectangle of no height is no band.
    EXPECT_EQ(Result.Alignment.Added_Band_Size({In_Base.Left, In_Base.Top + 30, 10, 0}),
              std::pair(10, 0));
    // Without alignment everything below the insertion differs.
    EXPECT_GT(Compare_Pictures(Base.View(), Modified.View(), {}).Changed_Pixels,
              2 * Result.Difference.Changed_Pixels);
}

// Rows that show the same content further right do not match as rows: the
// whole page's sideways move is taken off first.
TEST(Band_Alignment, A_Page_Moved_Sideways_With_Inserted_Lines_Shows_Only_The_Lines)
{
    const auto [Base_Drawing, Modified_Drawing] = Page_With_Inserted_Lines();
    const auto Base = Render(Base_Drawing, Width, Height);
    const auto Modified = Render(Modified_Drawing, Width, Height, T_Placement{17, 0});
    const T_Aligned_Difference Result =
        Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Bands, {});
    ASSERT_TRUE(Result.Alignment.Aligned);
    EXPECT_EQ(Result.Alignment.Dx, 17);
    EXPECT_NE(Result.Alignment.Summary().find("shifted sideways by 17 px"), std::string::npos)
        << Result.Alignment.Summary();
    ASSERT_EQ(Result.Difference.Regions.size(), 1u);
    const T_Change_Region& Region = Result.Difference.Regions[0];
    EXPECT_EQ(Region.Kind, T_Change_Region::T_Kind::Added);
    EXPECT_EQ(Region.Height, 0);
    EXPECT_NEAR(Region.Top, 20 + 10 * 14 - 7, 7);
    // Its words start where the base's do (x = 30), not 17 px further.
    EXPECT_NEAR(Region.Left + Result.Difference.Left, 30, 2);
    // A base line below the insertion lies 4 lines down and 17 px right.
    const T_Rectangle Line = Result.Alignment.To_Modified({30, 20 + 15 * 14 - 4, 100, 7});
    EXPECT_EQ(Line.Left, 47);
    EXPECT_EQ(Line.Top, 20 + 19 * 14 - 4);
}

// A table whose third column got 30 px wider: the columns right of it,
// and the table's rules, move sideways inside the table's rows only.
std::vector<T_Segment> Table(int Widened)
{
    std::vector<T_Segment> Segments = Text_Lines(0, 5, 5);
    const std::vector<double> Rules = {40, 140, 240, 330, 430, 530};
    const auto At = [&](std::size_t Rule) { return Rules[Rule] + (Rule >= 3 ? Widened : 0); };
    for (int Row = 0; Row <= 8; ++Row)
        Segments.push_back({At(0), 100.0 + Row * 24, At(5), 100.0 + Row * 24});
    for (std::size_t Rule = 0; Rule < Rules.size(); ++Rule)
        Segments.push_back({At(Rule), 100, At(Rule), 100 + 8 * 24});
    std::mt19937 Random(8);
    std::uniform_int_distribution<int> Word(10, 50);
    for (int Row = 0; Row < 8; ++Row)
        for (std::size_t Cell = 0; Cell + 1 < Rules.size(); ++Cell) {
            const double Y = 100 + Row * 24 + 14, X = At(Cell) + 8;
            Segments.push_back({X, Y, X + Word(Random), Y});
        }
    for (T_Segment Line : Text_Lines(22, 30, 6))
        Segments.push_back(Line);
    return Segments;
}

TEST(Band_Alignment, A_Widened_Table_Column_Is_One_Added_Band_Of_Columns)
{
    const auto Base = Render(Table(0), Width, Height);
    const auto Modified = Render(Table(30), Width, Height);
    const T_Aligned_Difference Result =
        Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Bands, {});
    ASSERT_TRUE(Result.Alignment.Aligned);
    EXPECT_EQ(Result.Alignment.Dx, 0);
    for (const T_Row_Band& Band : Result.Alignment.Bands)
        EXPECT_EQ(Band.Kind, T_Row_Band::T_Kind::Removed) << "rows added " << Band.From;
    ASSERT_EQ(Result.Alignment.Column_Bands.size(), 1u) << Result.Alignment.Summary();
    const T_Column_Band& Band = Result.Alignment.Column_Bands[0];
    EXPECT_EQ(Band.Kind, T_Row_Band::T_Kind::Added);
    EXPECT_EQ(Band.To - Band.From, 30);
    // Inside the widened column, through the table's rows.
    EXPECT_GE(Band.From, 240);
    EXPECT_LE(Band.To, 330 + 30 + 2);
    EXPECT_LE(Band.Top, 100);
    EXPECT_GE(Band.Bottom, 100 + 8 * 24);
    // The one change shown: the rules' ink in the added columns, going in
    // where the column widened.
    ASSERT_EQ(Result.Difference.Regions.size(), 1u);
    const T_Change_Region& Region = Result.Difference.Regions[0];
    EXPECT_EQ(Region.Kind, T_Change_Region::T_Kind::Added);
    EXPECT_EQ(Region.Width, 0);
    EXPECT_NEAR(Region.Top + Result.Difference.Top, 100, 3);
    EXPECT_NEAR(Region.Height, 8 * 24, 4);
    EXPECT_EQ(
        Result.Alignment.Added_Band_Size({Region.Left + Result.Difference.Left,
                                          Region.Top + Result.Difference.Top, 0, Region.Height}),
        std::pair(30, Region.Height));
    EXPECT_GT(Compare_Pictures(Base.View(), Modified.View(), {}).Changed_Pixels,
              5 * Result.Difference.Changed_Pixels);
    // A cell right of the widened column lies 30 px further right; one left
    // of it and the text above the table stay.
    EXPECT_EQ(Result.Alignment.To_Modified({440, 130, 20, 10}).Left, 470);
    EXPECT_EQ(Result.Alignment.To_Modified({150, 130, 20, 10}).Left, 150);
    EXPECT_EQ(Result.Alignment.To_Modified({440, 20, 20, 10}).Left, 440);
}

// An edit that keeps the width of what it changes is compared in place:
// a diff of columns would show it as removed and added columns.
TEST(Band_Alignment, An_Edit_In_Place_Is_No_Band_Of_Columns)
{
    std::vector<T_Segment> Edited = Table(0);
    Edited.push_back({300, 150, 320, 170});
    const auto Base = Render(Table(0), Width, Height);
    const auto Modified = Render(Edited, Width, Height);
    const T_Aligned_Difference Result =
        Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Bands, {});
    EXPECT_TRUE(Result.Alignment.Column_Bands.empty()) << Result.Alignment.Summary();
    const T_Difference Plain = Compare_Pictures(Base.View(), Modified.View(), {});
    EXPECT_EQ(Result.Difference.Changed_Pixels, Plain.Changed_Pixels);
}

TEST(Band_Alignment, Same_Rows_Compare_As_Without_Alignment)
{
    Expect_As_Without_Alignment(T_Align_Mode::Bands, 9);
}

// Alignment is used only where it explains the pair better than the pair
// as it lies: a whole page moved is taken as a move by bands too, an
// inserted band never brings more changes, and a move that fits only part
// of the page leaves the plain result, saying so.
TEST(Alignment_Never_Harms, Bands_Take_A_Whole_Page_Move_And_Never_Add_Changes)
{
    const auto Drawing = test::Random_Drawing(Width, Height, 7, 150);
    const auto Base = Render(Drawing, Width, Height);
    for (const T_Placement Move : {T_Placement{6, 4}, T_Placement{13, -9}}) {
        const auto Modified = Render(With_Change(Drawing), Width, Height, Move);
        const T_Aligned_Difference Shifted =
            Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Shift, {});
        const T_Aligned_Difference Banded =
            Compare_Aligned(Base.View(), Modified.View(), T_Align_Mode::Bands, {});
        EXPECT_LE(Banded.Difference.Changed_Pixels, Shifted.Difference.Changed_Pixels);
        EXPECT_EQ(Banded.Alignment.Summary(), Shifted.Alignment.Summary());
        Expect_Only_The_Change(Banded.Difference);
    }
    const auto [Base_Drawing, Modified_Drawing] = Page_With_Inserted_Lines();
    const auto Page = Render(Base_Drawing, Width, Height);
    const auto Inserted = Render(Modified_Drawing, Width, Height);
    const T_Aligned_Difference Banded =
        Compare_Aligned(Page.View(), Inserted.View(), T_Align_Mode::Bands, {});
    const T_Difference Plain = Compare_Pictures(Page.View(), Inserted.View(), {});
    EXPECT_TRUE(Banded.Alignment.Aligned) << Banded.Alignment.Summary();
    EXPECT_LE(Banded.Difference.Changes.size(), Plain.Changes.size());
    EXPECT_EQ(Banded.Difference.Changes.size(), 1u);
}

TEST(Alignment_Never_Harms, A_Move_That_Fits_Only_Part_Of_The_Page_Leaves_The_Plain_Result)
{
    // A heavy block moved; the fine lines around it stayed where they were.
    // Laying the block on its place would move every line.
    std::vector<T_Segment> Lines;
    for (int Y = 40; Y < Height - 40; Y += 12)
        Lines.push_back({40, double(Y), 250, double(Y)});
    std::vector<T_Segment> Old_Block = Lines, New_Block = Lines;
    for (int Y = 150; Y < 330; Y += 3) {
        Old_Block.push_back({350, double(Y), 560, double(Y)});
        New_Block.push_back({380, double(Y + 20), 590, double(Y + 20)});
    }
    const auto Base = Render(Old_Block, Width, Height, {}, 3);
    const auto Modified = Render(New_Block, Width, Height, {}, 3);
    const T_Difference Plain = Compare_Pictures(Base.View(), Modified.View(), {});
    for (const T_Align_Mode Mode : {T_Align_Mode::Shift, T_Align_Mode::Bands}) {
        const T_Aligned_Difference Result = Compare_Aligned(Base.View(), Modified.View(), Mode, {});
        EXPECT_EQ(Result.Difference.Changed_Pixels, Plain.Changed_Pixels)
            << Result.Alignment.Summary();
        EXPECT_FALSE(Result.Alignment.Aligned);
        // The rows pair (the lines stayed), but bands make it worse.
        if (Mode == T_Align_Mode::Bands) {
            EXPECT_TRUE(Result.Alignment.Did_Not_Help);
            EXPECT_EQ(Result.Alignment.Status(), "did not help");
            EXPECT_EQ(Result.Alignment.Summary(),
                      "Alignment did not help: compared as the pair lies");
        }
    }
}

TEST(Align_Mode, Words)
{
    T_Align_Mode Mode = T_Align_Mode::Off;
    EXPECT_TRUE(Parse_Align_Mode("bands", Mode));
    EXPECT_EQ(Mode, T_Align_Mode::Bands);
    EXPECT_FALSE(Parse_Align_Mode("Shift", Mode));
    EXPECT_EQ(Mode, T_Align_Mode::Bands);
}

} // namespace
