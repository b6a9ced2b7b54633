// Joining changes by text line. A region lies on a line when most of its
// box does, along both axes: a glyph's ink lies in its word's box, while a
// leader line or a frame drawn across several lines lies mostly outside
// each, and so does not tie their edits together. A line of the base and
// one of the modified page in the same place are one line in two versions:
// a glyph's removed strokes and its replacement's added ones, found apart,
// are one edit of it.
#include "differences/text_line_changes.h"

#include "differences/union_find.h"

#include <algorithm>

namespace differences {

namespace {

int Right(const T_Rectangle& Box) { return Box.Left + Box.Width; }
int Bottom(const T_Rectangle& Box) { return Box.Top + Box.Height; }

T_Rectangle Union(const T_Rectangle& A, const T_Rectangle& B)
{
    const int Left = std::min(A.Left, B.Left), Top = std::min(A.Top, B.Top);
    return {Left, Top, std::max(Right(A), Right(B)) - Left, std::max(Bottom(A), Bottom(B)) - Top};
}

bool Lies_On(const T_Rectangle& Region, const T_Rectangle& Line)
{
    const int Across = std::min(Right(Region), Right(Line)) - std::max(Region.Left, Line.Left);
    const int Down = std::min(Bottom(Region), Bottom(Line)) - std::max(Region.Top, Line.Top);
    return Across > 0 && Down > 0 && 2 * Across >= Region.Width && 2 * Down >= Region.Height;
}

// Two versions of one line: on one baseline, over some of the same width.
bool Same_Place(const T_Rectangle& Old_Line, const T_Rectangle& New_Line)
{
    const int Across =
        std::min(Right(Old_Line), Right(New_Line)) - std::max(Old_Line.Left, New_Line.Left);
    const int Down =
        std::min(Bottom(Old_Line), Bottom(New_Line)) - std::max(Old_Line.Top, New_Line.Top);
    return Across > 0 && 2 * Down >= std::min(Old_Line.Height, New_Line.Height);
}

// One page's lines by their tops, so that a region is held against the
// few lines that reach its rows.
class T_Line_Index {
public:
    T_Line_Index(const std::vector<T_Rectangle>& Lines, std::size_t First_Key)
        : First_Key_(First_Key)
    {
        for (std::size_t Index = 0; Index < Lines.size(); ++Index) {
            if (Lines[Index].Width <= 0 || Lines[Index].Height <= 0)
                continue;
            By_Top_.push_back({Lines[Index], Index});
            Tallest_ = std::max(Tallest_, Lines[Index].Height);
        }
        std::sort(By_Top_.begin(), By_Top_.end(),
                  [](const T_Entry& A, const T_Entry& B) { return A.Box.Top < B.Box.Top; });
    }
    // Calls Visit(key) for each line that reaches Box's rows and for which
    // Fits(Box, line) holds; keys of the lines of one page follow First_Key.
    template <class T_Fits, class T_Visit>
    void For_Each_Line(const T_Rectangle& Box, T_Fits Fits, T_Visit Visit) const
    {
        const int Lowest_Top = Box.Top - Tallest_;
        auto It =
            std::lower_bound(By_Top_.begin(), By_Top_.end(), Lowest_Top,
                             [](const T_Entry& Entry, int Top) { return Entry.Box.Top < Top; });
        for (; It != By_Top_.end() && It->Box.Top < Bottom(Box); ++It)
            if (Fits(Box, It->Box))
                Visit(First_Key_ + It->Index);
    }

private:
    struct T_Entry {
        T_Rectangle Box;
        std::size_t Index = 0;
    };
    std::vector<T_Entry> By_Top_;
    std::size_t First_Key_ = 0;
    int Tallest_ = 0;
};

T_Rectangle In_New(const T_Page_Text_Lines& Lines, const T_Rectangle& In_Old)
{
    return Lines.To_New ? Lines.To_New(In_Old) : In_Old;
}

// The lines of both pages, the two versions of one line joined: keys of
// the base's lines first, then the modified page's.
T_Union_Find Lines_Of_Both(const T_Page_Text_Lines& Lines, const T_Line_Index& New_Lines)
{
    T_Union_Find Sets(Lines.Old.size() + Lines.New.size());
    for (std::size_t Old = 0; Old < Lines.Old.size(); ++Old)
        New_Lines.For_Each_Line(In_New(Lines, Lines.Old[Old]), Same_Place,
                                [&](std::size_t New) { Sets.Join(Old, New); });
    return Sets;
}

// The changes that share a line, as sets: moves share none.
T_Union_Find Changes_By_Line(const T_Difference& Difference, const T_Page_Text_Lines& Lines)
{
    const T_Line_Index Old_Lines(Lines.Old, 0), New_Lines(Lines.New, Lines.Old.size());
    T_Union_Find Line_Sets = Lines_Of_Both(Lines, New_Lines);
    std::vector<std::ptrdiff_t> First_On_Line(Lines.Old.size() + Lines.New.size(), -1);
    T_Union_Find Sets(Difference.Changes.size());
    for (std::size_t Change = 0; Change < Difference.Changes.size(); ++Change) {
        if (Difference.Changes[Change].Is_Move())
            continue;
        const auto Meet = [&](std::size_t Line) {
            std::ptrdiff_t& First = First_On_Line[Line_Sets.Find(Line)];
            if (First < 0)
                First = std::ptrdiff_t(Change);
            else
                Sets.Join(Change, std::size_t(First));
        };
        for (std::size_t Index : Difference.Changes[Change].Regions) {
            const T_Change_Region& Region = Difference.Regions[Index];
            const T_Rectangle In_Old{Region.Left + Difference.Left, Region.Top + Difference.Top,
                                     Region.Width, Region.Height};
            using T_Kind = T_Change_Region::T_Kind;
            if (Region.Kind == T_Kind::Removed || Region.Kind == T_Kind::Changed)
                Old_Lines.For_Each_Line(In_Old, Lies_On, Meet);
            if (Region.Kind == T_Kind::Added || Region.Kind == T_Kind::Changed)
                New_Lines.For_Each_Line(In_New(Lines, In_Old), Lies_On, Meet);
        }
    }
    return Sets;
}

// One change of several on a line: added when all of them are, removed
// likewise, changed otherwise.
void Add_To(T_Change& Joined, const T_Change& Change)
{
    if (Joined.Kind != Change.Kind)
        Joined.Kind = T_Change::T_Kind::Changed;
    Joined.Old_Box = Union(Joined.Old_Box, Change.Old_Box);
    Joined.New_Box = Union(Joined.New_Box, Change.New_Box);
    Joined.Pixels += Change.Pixels;
    Joined.Regions.insert(Joined.Regions.end(), Change.Regions.begin(), Change.Regions.end());
}

} // namespace

void Join_Changes_On_Text_Lines(T_Difference& Difference, const T_Page_Text_Lines& Lines)
{
    if (Difference.Changes.size() < 2 || (Lines.Old.empty() && Lines.New.empty()))
        return;
    T_Union_Find Sets = Changes_By_Line(Difference, Lines);
    std::vector<T_Change> Joined;
    std::vector<std::ptrdiff_t> Joined_Of_Root(Difference.Changes.size(), -1);
    for (std::size_t Change = 0; Change < Difference.Changes.size(); ++Change) {
        std::ptrdiff_t& At = Joined_Of_Root[Sets.Find(Change)];
        if (At < 0) {
            At = std::ptrdiff_t(Joined.size());
            Joined.push_back(std::move(Difference.Changes[Change]));
        } else {
            Add_To(Joined[std::size_t(At)], Difference.Changes[Change]);
        }
    }
    for (T_Change& Change : Joined)
        std::sort(Change.Regions.begin(), Change.Regions.end());
    std::stable_sort(Joined.begin(), Joined.end(), [](const T_Change& A, const T_Change& B) {
        return std::pair(A.Old_Box.Top, A.Old_Box.Left) < std::pair(B.Old_Box.Top, B.Old_Box.Left);
    });
    Difference.Changes = std::move(Joined);
}

} // namespace differences
