// Text lines found from word boxes, and changes joined by them: what lies
// on one line of text is one edit, while edits on other lines, in another
// cell of a table row, or a shape moved along the line stay apart.
#include "differences/text_line_changes.h"
#include "differences/text_lines.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using differences::T_Text_Word;
using T_Kind = T_Change_Region::T_Kind;

// A word of `Characters` characters, 10 pixels each, 20 high, at (Left, Top).
T_Text_Word Word(int Left, int Top, int Characters)
{
    return {{Left, Top, 10 * Characters, 20}, Characters};
}

bool Same(const T_Rectangle& A, const T_Rectangle& B)
{
    return A.Left == B.Left && A.Top == B.Top && A.Width == B.Width && A.Height == B.Height;
}

TEST(TextLines, WordsOnOneBaselineAtWordSpacingAreOneLine)
{
    // "REV B  DATE 2024-01-10": spaces of one and two characters, and a word
    // a pixel or two off the others' baseline.
    const std::vector<T_Text_Word> Words{Word(100, 50, 3), Word(140, 51, 1), Word(170, 50, 4),
                                         Word(220, 49, 10)};
    const std::vector<T_Rectangle> Lines = differences::Text_Lines(Words);
    ASSERT_EQ(Lines.size(), 1u);
    EXPECT_TRUE(Same(Lines[0], {100, 49, 220, 22}));
}

TEST(TextLines, OtherLinesAndDistantCellsAreLinesOfTheirOwn)
{
    // Two lines of a note, one under the other, then a table row whose
    // cells stand twenty characters apart, and a word of no size.
    const std::vector<T_Text_Word> Words{Word(100, 300, 6), Word(100, 100, 5),
                                         Word(160, 100, 4), Word(100, 124, 5),
                                         Word(350, 300, 4), {{500, 500, 0, 0}, 1}};
    const std::vector<T_Rectangle> Lines = differences::Text_Lines(Words);
    ASSERT_EQ(Lines.size(), 4u);
    // Top to bottom, then left to right.
    EXPECT_TRUE(Same(Lines[0], {100, 100, 100, 20}));
    EXPECT_TRUE(Same(Lines[1], {100, 124, 50, 20}));
    EXPECT_TRUE(Same(Lines[2], {100, 300, 60, 20}));
    EXPECT_TRUE(Same(Lines[3], {350, 300, 40, 20}));
}

TEST(TextLines, TheGapIsMeasuredInTheWiderSetWordsCharacters)
{
    // A gap of 60 pixels is six of these narrow characters, but three of
    // the wide ones of a heading: a heading's space, not a narrow line's.
    const std::vector<T_Text_Word> Narrow{Word(0, 0, 4), Word(100, 0, 4)};
    EXPECT_EQ(differences::Text_Lines(Narrow).size(), 2u);
    const std::vector<T_Text_Word> Wide{{{0, 0, 80, 20}, 4}, {{140, 0, 80, 20}, 4}};
    EXPECT_EQ(differences::Text_Lines(Wide).size(), 1u);
}

// A difference of hand-placed regions, each its own change as the grouping
// left it (`Moved` changes have their one moved region).
struct T_Built {
    T_Difference Difference;

    std::size_t Add(T_Kind Kind, T_Rectangle Box, int Dx = 0)
    {
        const std::size_t Index = Difference.Regions.size();
        T_Change_Region Region;
        Region.Kind = Kind;
        Region.Left = Box.Left;
        Region.Top = Box.Top;
        Region.Width = Box.Width + Dx;
        Region.Height = Box.Height;
        Region.Pixels = 10;
        Region.Dx = Dx;
        Difference.Regions.push_back(Region);
        T_Change Change;
        Change.Kind = Kind == T_Kind::Added     ? T_Change::T_Kind::Added
                      : Kind == T_Kind::Removed ? T_Change::T_Kind::Removed
                      : Kind == T_Kind::Moved   ? T_Change::T_Kind::Moved
                                                : T_Change::T_Kind::Changed;
        Change.Old_Box = Box;
        Change.New_Box = {Box.Left + Dx, Box.Top, Box.Width, Box.Height};
        Change.Dx = Dx;
        Change.Pixels = 10;
        Change.Regions = {Index};
        Difference.Changes.push_back(Change);
        return Index;
    }
};

TEST(TextLineChanges, ChangesOnOneLineBecomeOneChangeOfTheWholeEdit)
{
    // "2024-01-10" to "2025-01-17": one digit removed and another added
    // near each end, the digits kept between them wider than the grouping
    // joins. A note on the line below is edited too.
    T_Built Built;
    Built.Add(T_Kind::Removed, {130, 52, 8, 16});
    Built.Add(T_Kind::Added, {132, 52, 8, 16});
    Built.Add(T_Kind::Changed, {310, 52, 9, 16});
    Built.Add(T_Kind::Changed, {120, 92, 9, 16});
    const differences::T_Page_Text_Lines Lines{
        {{100, 50, 220, 20}, {100, 90, 200, 20}}, {{100, 50, 220, 20}, {100, 90, 200, 20}}, {}};
    differences::Join_Changes_On_Text_Lines(Built.Difference, Lines);
    const std::vector<T_Change>& Changes = Built.Difference.Changes;
    ASSERT_EQ(Changes.size(), 2u);
    EXPECT_EQ(Changes[0].Kind, T_Change::T_Kind::Changed);
    EXPECT_EQ(Changes[0].Regions, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(Same(Changes[0].Old_Box, {130, 52, 189, 16}));
    EXPECT_TRUE(Same(Changes[0].New_Box, Changes[0].Old_Box));
    EXPECT_EQ(Changes[0].Pixels, 30u);
    EXPECT_EQ(Changes[1].Regions, std::vector<std::size_t>{3});
}

TEST(TextLineChanges, AddedInkIsHeldAgainstTheModifiedPagesLines)
{
    // The modified page lies 40 pixels lower: its line of words added,
    // in its own pixels, is where the base's ink moved down to.
    T_Built Built;
    Built.Add(T_Kind::Added, {100, 12, 10, 16});
    Built.Add(T_Kind::Added, {250, 12, 10, 16});
    differences::T_Page_Text_Lines Lines{{}, {{95, 50, 200, 22}}, {}};
    T_Built Unplaced = Built;
    differences::Join_Changes_On_Text_Lines(Unplaced.Difference, Lines);
    EXPECT_EQ(Unplaced.Difference.Changes.size(), 2u);
    Lines.To_New = [](const T_Rectangle& Box) {
        return T_Rectangle{Box.Left, Box.Top + 40, Box.Width, Box.Height};
    };
    differences::Join_Changes_On_Text_Lines(Built.Difference, Lines);
    ASSERT_EQ(Built.Difference.Changes.size(), 1u);
    // Words only added stay an addition.
    EXPECT_EQ(Built.Difference.Changes[0].Kind, T_Change::T_Kind::Added);
    // Removed ink is not read on the modified page's lines.
    T_Built Removed;
    Removed.Add(T_Kind::Removed, {100, 52, 10, 16});
    Removed.Add(T_Kind::Removed, {250, 52, 10, 16});
    differences::Join_Changes_On_Text_Lines(Removed.Difference, {{}, {{95, 50, 200, 22}}, {}});
    EXPECT_EQ(Removed.Difference.Changes.size(), 2u);
}

TEST(TextLineChanges, TheTwoVersionsOfOneLineAreOneLine)
{
    // A glyph's strokes removed near the start of a line, another glyph's
    // added near its end, where the modified line runs a word longer; and
    // strokes added on the line below, which the base did not have.
    T_Built Built;
    Built.Add(T_Kind::Removed, {110, 52, 4, 16});
    Built.Add(T_Kind::Added, {300, 52, 4, 16});
    Built.Add(T_Kind::Added, {120, 92, 4, 16});
    const differences::T_Page_Text_Lines Lines{
        {{100, 50, 150, 20}}, {{100, 51, 250, 20}, {100, 90, 100, 20}}, {}};
    differences::Join_Changes_On_Text_Lines(Built.Difference, Lines);
    const std::vector<T_Change>& Changes = Built.Difference.Changes;
    ASSERT_EQ(Changes.size(), 2u);
    EXPECT_EQ(Changes[0].Kind, T_Change::T_Kind::Changed);
    EXPECT_EQ(Changes[0].Regions, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(Changes[1].Kind, T_Change::T_Kind::Added);
}

TEST(TextLineChanges, CellsOfARowMovesAndShapesAcrossLinesStayApart)
{
    T_Built Built;
    // Edits in two cells of one table row: two lines side by side.
    Built.Add(T_Kind::Changed, {110, 52, 9, 16});
    Built.Add(T_Kind::Changed, {610, 52, 9, 16});
    // A label moved along the line holding another edit.
    Built.Add(T_Kind::Changed, {110, 152, 9, 16});
    Built.Add(T_Kind::Moved, {200, 152, 40, 16}, 30);
    // A leader line drawn down across two lines of a note, and an edit on
    // each of them.
    Built.Add(T_Kind::Added, {400, 240, 2, 90});
    Built.Add(T_Kind::Changed, {300, 252, 9, 16});
    Built.Add(T_Kind::Changed, {300, 302, 9, 16});
    const std::vector<T_Rectangle> Lines{{100, 50, 100, 20},
                                         {600, 50, 100, 20},
                                         {100, 150, 300, 20},
                                         {290, 250, 200, 20},
                                         {290, 300, 200, 20}};
    differences::Join_Changes_On_Text_Lines(Built.Difference, {Lines, Lines, {}});
    EXPECT_EQ(Built.Difference.Changes.size(), 7u);
    int Moves = 0;
    for (const T_Change& Change : Built.Difference.Changes) {
        EXPECT_EQ(Change.Regions.size(), 1u);
        Moves += Change.Is_Move();
    }
    EXPECT_EQ(Moves, 1);
}

TEST(TextLineChanges, JoinedChangesKeepTheOrderTopDownThenLeftToRight)
{
    // A shape drawn down through the line, then two edits of the line: the
    // line's change reaches further left than the shape, so it comes first.
    T_Built Built;
    Built.Add(T_Kind::Added, {300, 40, 20, 80});
    Built.Add(T_Kind::Changed, {400, 40, 9, 16});
    Built.Add(T_Kind::Changed, {100, 41, 9, 16});
    const std::vector<T_Rectangle> Lines{{90, 38, 400, 22}};
    differences::Join_Changes_On_Text_Lines(Built.Difference, {Lines, Lines, {}});
    const std::vector<T_Change>& Changes = Built.Difference.Changes;
    ASSERT_EQ(Changes.size(), 2u);
    EXPECT_EQ(Changes[0].Regions, (std::vector<std::size_t>{1, 2}));
    EXPECT_TRUE(Same(Changes[0].Old_Box, {100, 40, 309, 17}));
    EXPECT_EQ(Changes[1].Regions, std::vector<std::size_t>{0});
}

} // namespace
