// Pages of a drawing set drawn small: a frame and a title block that every
// sheet carries, and a few shapes of each sheet's own.
#include "differences/page_pairing.h"

#include "differences/content_pairing.h"
#include "tests/differences/drawn_sheets.h"
#include "differences/page_moves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <tuple>
#include <utility>
#include <vector>

namespace {

struct T_Sheet {
    int Width = 160, Height = 226;
    std::vector<std::uint8_t> Grey = std::vector<std::uint8_t>(Width * Height, 255);

    void Fill(int x0, int y0, int x1, int y1)
    {
        for (int y = std::max(y0, 0); y < std::min(y1, Height); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, Width); ++x)
                Grey[y * Width + x] = 0;
    }
    void Box(int x0, int y0, int x1, int y1)
    {
        Fill(x0, y0, x1, y0 + 1), Fill(x0, y1 - 1, x1, y1);
        Fill(x0, y0, x0 + 1, y1), Fill(x1 - 1, y0, x1, y1);
    }
    T_Page_Signature Signature() const
    {
        return Make_Page_Signature(Grey.data(), Width, Height, Width, 0);
    }
};

// A sheet of the set: the shared frame and title block (its text drawn as
// dashes), and four shapes placed by the sheet's number. An edited sheet has
// its shapes a pixel off and one more line.
T_Sheet Drawing(int number, bool edited = false)
{
    T_Sheet sheet;
    sheet.Box(6, 6, 154, 220);
    sheet.Box(64, 190, 154, 220);
    for (int dash = 0; dash < 12; ++dash)
        sheet.Fill(68 + dash * 7, 196, 72 + dash * 7, 199),
            sheet.Fill(68 + dash * 7, 208, 72 + dash * 7, 211);
    unsigned seed = 2654435761u * (number + 1);
    auto next = [&](int range) {
        return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % range;
    };
    const int shift = edited ? 1 : 0;
    for (int shape = 0; shape < 4; ++shape) {
        const int x = 12 + next(100) + shift, y = 12 + next(140) + shift, size = 12 + next(30);
        if (shape % 2 == 0)
            sheet.Box(x, y, x + size, y + size);
        else
            sheet.Fill(x, y + size / 2, x + size, y + size / 2 + 1),
                sheet.Fill(x + size / 2, y, x + size / 2 + 1, y + size);
    }
    if (edited)
        sheet.Fill(20, 170, 60, 171);
    return sheet;
}

std::vector<T_Page_Signature> Signatures(const std::vector<T_Sheet>& sheets)
{
    std::vector<T_Page_Signature> signatures;
    for (const T_Sheet& sheet : sheets)
        signatures.push_back(sheet.Signature());
    return signatures;
}

} // namespace

TEST(PageSignature, AveragesInkOverCellsAndRejectsNonsense)
{
    T_Sheet page;
    page.Fill(0, 0, page.Width, page.Height);
    const T_Page_Signature black = page.Signature();
    ASSERT_EQ(black.Ink.size(), 32u * 32u);
    for (float ink : black.Ink)
        EXPECT_NEAR(ink, 1.0f, 1e-4);
    EXPECT_NEAR(std::accumulate(black.Row_Profile.begin(), black.Row_Profile.end(), 0.0), 1.0,
                1e-5);
    EXPECT_DOUBLE_EQ(black.Aspect, 160.0 / 226.0);

    const T_Page_Signature blank = T_Sheet().Signature();
    EXPECT_EQ(*std::max_element(blank.Column_Profile.begin(), blank.Column_Profile.end()), 0.0f);

    // A line on a cell border moved by one pixel hands its ink over, it
    // does not jump from one cell to the next (cells are 5 pixels wide).
    T_Sheet at, moved;
    at.Fill(79, 0, 80, at.Height), moved.Fill(80, 0, 81, moved.Height);
    EXPECT_LT(Page_Distance(at.Signature(), moved.Signature()), 0.25);

    // Bytes past the width in each row are not part of the page.
    std::vector<std::uint8_t> padded(200 * at.Height, 0);
    for (int y = 0; y < at.Height; ++y)
        std::copy_n(&at.Grey[y * at.Width], at.Width, &padded[y * 200]);
    EXPECT_EQ(Make_Page_Signature(padded.data(), 160, at.Height, 200, 0).Ink, at.Signature().Ink);

    for (const auto& rejected : {Make_Page_Signature(nullptr, 10, 10, 10, 0),
                                 Make_Page_Signature(padded.data(), 0, 10, 10, 0),
                                 Make_Page_Signature(padded.data(), 10, -1, 10, 0),
                                 Make_Page_Signature(padded.data(), 10, 10, 5, 0)})
        EXPECT_TRUE(rejected.Ink.empty());
}

TEST(PageDistance, SeparatesEditsFromOtherSheets)
{
    const T_Page_Signature sheet = Drawing(1).Signature(), blank = T_Sheet().Signature();
    EXPECT_EQ(Page_Distance(sheet, sheet), 0.0);
    EXPECT_EQ(Page_Distance(blank, blank), 0.0);
    EXPECT_DOUBLE_EQ(Page_Distance(blank, sheet), 1.0);
    // Without the set's common ink taken out the frame dominates both, but
    // an edit still comes out nearer than another sheet.
    EXPECT_LT(Page_Distance(sheet, Drawing(1, true).Signature()) * 2,
              Page_Distance(sheet, Drawing(2).Signature()));

    T_Page_Signature same_picture = blank;
    same_picture.Content_Hash = 7;
    EXPECT_EQ(Page_Distance(same_picture, T_Page_Signature{sheet.Ink, {}, {}, 1.0, 7}), 0.0);

    // The same drawing turned to landscape is not the same page.
    T_Page_Signature landscape = sheet;
    landscape.Aspect = 1 / sheet.Aspect;
    EXPECT_GT(Page_Distance(sheet, landscape), T_Pairing_Rule().Ceiling);
}

TEST(PagePairing, FollowsInsertedDeletedAndSwappedSheets)
{
    // Sheet 5 is gone, sheets 3 and 4 changed places and sheet 7 is new.
    const auto left =
        Signatures({Drawing(1), Drawing(2), Drawing(3), Drawing(4), Drawing(5), Drawing(6)});
    const auto right = Signatures(
        {Drawing(1, true), Drawing(2), Drawing(4, true), Drawing(3), Drawing(7), Drawing(6, true)});
    const T_Page_Pairing pairing = Pair_Pages(left, right);
    EXPECT_EQ(pairing.Left_To_Right, (std::vector<int>{0, 1, 3, 2, -1, 5}));
    EXPECT_EQ(pairing.Right_To_Left, (std::vector<int>{0, 1, 3, 2, -1, 5}));

    // Pages that look alike keep their order: a blank page pairs with the
    // blank page after the same sheet, not with the first one free.
    const T_Sheet blank;
    EXPECT_EQ(Pair_Pages(Signatures({Drawing(1), blank, Drawing(2), blank}),
                         Signatures({blank, Drawing(1), blank, Drawing(2), blank}))
                  .Left_To_Right,
              (std::vector<int>{1, 2, 3, 4}));
}

TEST(PagePairing, HandlesEmptySidesAndLongDocuments)
{
    const std::vector<T_Page_Signature> none, two(2, Drawing(1).Signature());
    EXPECT_EQ(Pair_Pages(none, two).Right_To_Left, (std::vector<int>{-1, -1}));
    EXPECT_EQ(Pair_Pages(two, none).Left_To_Right, (std::vector<int>{-1, -1}));
    EXPECT_TRUE(Pair_Pages(none, none).Left_To_Right.empty());

    // 200 sheets against the same sheets in reverse order.
    std::vector<T_Page_Signature> left;
    for (int number = 0; number < 200; ++number)
        left.push_back(Drawing(number).Signature());
    const std::vector<T_Page_Signature> right(left.rbegin(), left.rend());
    const T_Page_Pairing pairing = Pair_Pages(left, right);
    for (int page = 0; page < 200; ++page)
        ASSERT_EQ(pairing.Left_To_Right[page], 199 - page) << "page " << page;
}

// ---- Sheets drawn at full size: edits against other sheets ----------------

namespace {

using test::T_Sheet_Plan;

T_Page_Signature Sheet(T_Sheet_Plan plan) { return test::T_Drawn_Sheet(plan).Signature(); }

T_Sheet_Plan Numbered(int number, T_Sheet_Plan plan = {})
{
    plan.Number = number;
    return plan;
}

// A3 and A2 paper, in millimetres.
T_Sheet_Plan On_Paper(T_Sheet_Plan plan, double width, double height)
{
    plan.Paper_Width = width, plan.Paper_Height = height;
    return plan;
}

} // namespace

TEST(PagePairing, SheetsWithSmallAdditionsPairAndAReplacedSheetStaysAlone)
{
    T_Sheet_Plan one_percent = Numbered(1), five_percent = Numbered(2);
    one_percent.Added_Box_Share = 0.01, five_percent.Added_Box_Share = 0.05;
    std::vector<T_Page_Signature> old_set, new_set = {Sheet(one_percent), Sheet(five_percent)};
    for (int number = 1; number <= 6; ++number)
        old_set.push_back(Sheet(Numbered(number)));
    // Sheet 4 is replaced by another sheet of the set's frame.
    for (int number : {3, 11, 5, 6})
        new_set.push_back(Sheet(Numbered(number)));
    const T_Page_Pairing pairing = Pair_Pages(old_set, new_set);
    EXPECT_EQ(pairing.Left_To_Right, (std::vector<int>{0, 1, 2, -1, 4, 5}));

    // One page against one: the edited page pairs, a page of another
    // drawing does not.
    T_Sheet_Plan bare = Numbered(1), other = Numbered(2);
    bare.Frame = other.Frame = false;
    EXPECT_EQ(Pair_Pages({Sheet(Numbered(1))}, {Sheet(one_percent)}).Left_To_Right[0], 0);
    EXPECT_EQ(Pair_Pages({Sheet(bare)}, {Sheet(other)}).Left_To_Right[0], -1);
}

TEST(PagePairing, SheetsThatGainedAFrameOrLargerPaperPairWithTheirOldSelves)
{
    // Every sheet of the new version gained a frame and title block.
    std::vector<T_Page_Signature> bare, framed;
    for (int number = 1; number <= 5; ++number) {
        T_Sheet_Plan plan = Numbered(number);
        framed.push_back(Sheet(plan));
        plan.Frame = false;
        bare.push_back(Sheet(plan));
    }
    std::reverse(framed.begin(), framed.end());
    EXPECT_EQ(Pair_Pages(bare, framed).Left_To_Right, (std::vector<int>{4, 3, 2, 1, 0}));

    // An A3 set: sheet 2 moved to A2 paper with its drawing at its scale,
    // sheet 3 to A2 with its drawing enlarged with the paper.
    std::vector<T_Page_Signature> a3_set, grown;
    for (int number = 1; number <= 5; ++number) {
        T_Sheet_Plan a3 = On_Paper(Numbered(number), 297, 420);
        a3.Drawing_Scale = 297 / 210.0;
        a3_set.push_back(Sheet(a3));
        T_Sheet_Plan a2 = On_Paper(a3, 420, 594);
        if (number == 3)
            a2.Drawing_Scale = 420 / 210.0;
        grown.push_back(Sheet(number == 2 || number == 3 ? a2 : a3));
    }
    EXPECT_EQ(Pair_Pages(a3_set, grown).Left_To_Right, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(PagePairing, ATurnedSheetDoesNotPairWithAnotherSheet)
{
    std::vector<T_Page_Signature> old_set, new_set;
    for (int number = 1; number <= 5; ++number) {
        old_set.push_back(Sheet(Numbered(number)));
        T_Sheet_Plan plan = Numbered(number);
        if (number == 2)
            plan = On_Paper(plan, 297, 210), plan.Turned = true;
        new_set.push_back(Sheet(plan));
    }
    const T_Page_Pairing pairing = Pair_Pages(old_set, new_set);
    EXPECT_TRUE(pairing.Right_To_Left[1] == -1 || pairing.Right_To_Left[1] == 1);
    for (int page : {0, 2, 3, 4})
        EXPECT_EQ(pairing.Left_To_Right[page], page);
}

TEST(PagePairing, ARuleOfNonsenseNumbersStillPairsIdenticalPages)
{
    const std::vector<T_Page_Signature> pages = {Drawing(1).Signature(), Drawing(2).Signature()};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const T_Pairing_Rule& rule : {T_Pairing_Rule{nan, nan, nan}, T_Pairing_Rule{-1, -1, -1},
                                       T_Pairing_Rule{1e300, 1e300, 1e300}}) {
        const T_Page_Pairing pairing = Pair_Pages(pages, pages, rule);
        ASSERT_EQ(pairing.Left_To_Right.size(), 2u);
        for (int page : pairing.Left_To_Right)
            EXPECT_LE(page, 1);
    }
}

TEST(PageMoves, OnlyPagesOutOfTheCommonOrderMoved)
{
    // Two sheets swapped: the first counts as moved.
    EXPECT_EQ(Moved_Pages({1, 0}), (std::vector<bool>{true, false}));
    // Inserted and removed sheets shift the others without moving them.
    EXPECT_EQ(Moved_Pages({0, 2, 3, -1, 4}), (std::vector<bool>(5, false)));
    // The last sheet put first: it alone moved.
    EXPECT_EQ(Moved_Pages({1, 2, 3, 0}), (std::vector<bool>{false, false, false, true}));
    // Reversed: all but one moved.
    const std::vector<bool> reversed = Moved_Pages({3, 2, 1, 0});
    EXPECT_EQ(std::count(reversed.begin(), reversed.end(), true), 3);
    EXPECT_TRUE(Moved_Pages({}).empty());
    EXPECT_EQ(Moved_Pages({-1, -1}), (std::vector<bool>(2, false)));
}

TEST(PageMoves, PairsMadeByNameAreJudgedAndTheirMovesKnownOnBothSides)
{
    T_Page_Signature sheet = Drawing(1).Signature(), other = Drawing(2).Signature();
    sheet.Content_Hash = sheet.Sketch_Hash = 1, other.Content_Hash = other.Sketch_Hash = 2;
    // A page that could not be drawn has no ink (and no hash): against
    // another such page it is not "the same".
    const T_Page_Signature undrawn;
    T_Page_Pairing pairs;
    pairs.Left_To_Right = {2, 0, 1, -1};
    pairs.Right_To_Left = {1, 2, 0, -1};
    const T_Content_Pairing judged =
        Judge_Pairing(pairs, {sheet, sheet, undrawn, other}, {sheet, undrawn, other, other});
    using M = T_Page_Match;
    EXPECT_EQ(judged.Left, (std::vector<M>{M::Changed, M::Same, M::Unknown, M::Unpaired}));
    EXPECT_EQ(judged.Right, (std::vector<M>{M::Same, M::Unknown, M::Changed, M::Unpaired}));
    // The last sheet put first: it moved, and so did its counterpart.
    EXPECT_EQ(judged.Left_Moved, (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(judged.Right_Moved, (std::vector<bool>{false, false, true, false}));
}

TEST(PageMoves, PagesDrawnSmallAreTheSameOnlyByWhatTheyAreDrawnFrom)
{
    // Small drawings (sketches) that differ prove a change; equal ones do
    // not prove sameness: a changed digit may vanish at that size.
    T_Page_Signature base = Drawing(1).Signature(), look_alike = base, other = base;
    base.Content_Hash = 0, base.Sketch_Hash = 5;
    look_alike.Content_Hash = 0, look_alike.Sketch_Hash = 5;
    other.Content_Hash = 0, other.Sketch_Hash = 6;
    T_Page_Signature same_source = base, other_source = base;
    same_source.Content_Hash = 9;
    other_source.Content_Hash = 10;
    T_Page_Pairing pairs;
    pairs.Left_To_Right = {0, 1, 2, 3};
    pairs.Right_To_Left = {0, 1, 2, 3};
    const T_Content_Pairing judged = Judge_Pairing(pairs, {base, base, same_source, same_source},
                                                   {look_alike, other, same_source, other_source});
    using M = T_Page_Match;
    EXPECT_EQ(judged.Left, (std::vector<M>{M::Unknown, M::Changed, M::Same, M::Unknown}));
}

TEST(PagePairing, LongSetsPairSameContentFirstAndTheEditedRestInTheirBands)
{
    // 600 pages a side, too many to pair all at once: 597 same pages (by
    // their hashes), one sheet inserted on the right near the front and one
    // sheet edited near the end; the blank pages pair in order.
    auto page = [](int sheet, bool edited = false) {
        T_Page_Signature signature = Drawing(sheet, edited).Signature();
        signature.Content_Hash = 1000u + static_cast<std::uint64_t>(sheet) * 2 + edited;
        return signature;
    };
    std::vector<T_Page_Signature> left, right;
    for (int sheet = 0; sheet < 600; ++sheet)
        left.push_back(page(sheet));
    right = left;
    right.insert(right.begin() + 5, page(5000));
    right.pop_back();             // the last sheet removed
    right[550] = page(549, true); // left 549 (right 550) edited
    const T_Page_Pairing pairing = Pair_Pages(left, right);
    ASSERT_EQ(pairing.Left_To_Right.size(), 600u);
    for (int sheet = 0; sheet < 599; ++sheet)
        EXPECT_EQ(pairing.Left_To_Right[sheet], sheet < 5 ? sheet : sheet + 1) << sheet;
    EXPECT_EQ(pairing.Left_To_Right[599], -1);
    EXPECT_EQ(pairing.Right_To_Left[5], -1);
}

TEST(PagePairing, LongSetsWhereEverySheetChangedPairEverySheet)
{
    // 250 sheets against their revision, too many to pair all at once, with
    // no hash in common: every sheet edited (its shapes a pixel off and a
    // line more), a new sheet in the middle, and a tenth of the sheets
    // exported with their origin moved, which only a reading laid off
    // brings back to their old selves.
    std::vector<T_Page_Signature> left, right;
    for (int sheet = 0; sheet < 250; ++sheet) {
        left.push_back(Drawing(sheet).Signature());
        if (sheet == 125)
            right.push_back(Drawing(9000).Signature());
        T_Sheet edited = Drawing(sheet, true);
        if (sheet % 10 == 3) {
            T_Sheet moved;
            for (int y = 0; y + 6 < moved.Height; ++y)
                for (int x = 0; x + 8 < moved.Width; ++x)
                    moved.Grey[(y + 6) * moved.Width + x + 8] = edited.Grey[y * edited.Width + x];
            edited = moved;
        }
        right.push_back(edited.Signature());
    }
    const T_Page_Pairing pairing = Pair_Pages(left, right);
    for (int sheet = 0; sheet < 250; ++sheet)
        EXPECT_EQ(pairing.Left_To_Right[sheet], sheet < 125 ? sheet : sheet + 1) << sheet;
    EXPECT_EQ(pairing.Right_To_Left[125], -1);
}

namespace {

// A page's signature with its hashes taken from its pixels, as a document's
// reader gives them.
T_Page_Signature Hashed_Sheet(const T_Sheet_Plan& plan)
{
    const test::T_Drawn_Sheet sheet(plan);
    T_Page_Signature signature = sheet.Signature();
    std::uint64_t hash = 1469598103934665603u;
    for (std::uint8_t grey : sheet.Grey)
        hash = (hash ^ grey) * 1099511628211u;
    signature.Content_Hash = signature.Sketch_Hash = hash;
    return signature;
}

T_Sheet_Plan Shifted(T_Sheet_Plan plan, int x, int y)
{
    plan.Shift_X = x, plan.Shift_Y = y;
    return plan;
}

} // namespace

TEST(PagePairing, ASheetWhoseContentShiftedPairsWithItsOldSelfAndIsChanged)
{
    // Revision b's sheet 2 is revision a's moved 40 px (about a cell at 150
    // dpi) right, down or both, on A4 and on A3 paper.
    for (const auto& [x, y, a3] :
         {std::tuple{40, 0, false}, std::tuple{0, 40, false}, std::tuple{40, -40, false},
          std::tuple{40, 0, true}, std::tuple{0, 40, true}, std::tuple{40, 40, true}}) {
        SCOPED_TRACE(testing::Message() << x << ", " << y << (a3 ? " on A3" : " on A4"));
        std::vector<T_Page_Signature> old_set, new_set;
        for (int number = 1; number <= 5; ++number) {
            const T_Sheet_Plan plan = a3 ? On_Paper(Numbered(number), 297, 420) : Numbered(number);
            old_set.push_back(Hashed_Sheet(plan));
            new_set.push_back(Hashed_Sheet(number == 2 ? Shifted(plan, x, y) : plan));
        }
        const T_Content_Pairing judged =
            Judge_Pairing(Pair_Pages(old_set, new_set), old_set, new_set);
        EXPECT_EQ(judged.Pairs.Left_To_Right, (std::vector<int>{0, 1, 2, 3, 4}));
        using M = T_Page_Match;
        EXPECT_EQ(judged.Left, (std::vector<M>{M::Same, M::Changed, M::Same, M::Same, M::Same}));

        // One page against one, each side's frame left in.
        EXPECT_EQ(Pair_Pages({old_set[1]}, {new_set[1]}).Left_To_Right[0], 0);
    }
    // Shifted, a different sheet still does not pair.
    T_Sheet_Plan bare = Numbered(1), other = Numbered(2);
    bare.Frame = other.Frame = false;
    EXPECT_EQ(Pair_Pages({Sheet(bare)}, {Sheet(Shifted(other, 40, 40))}).Left_To_Right[0], -1);
}
