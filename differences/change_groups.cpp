// Gathering change regions into edits. The distances are shares of the
// pair's own line height, so that the same rule holds for a drawing drawn
// at 600 dpi and a screenshot: glyphs of one word lie closer than half a
// glyph's height, separate notes farther.
#include "differences/change_groups.h"

#include "differences/union_find.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace differences {

namespace {

// Two regions of one line are one edit when the gap between them is under
// this share of the line's height: wider than a glyph left as it was
// between two edited ones (a number with one digit kept), narrower than
// the gap between separate entries of a table or title block.
constexpr double Line_Gap_Share = 1.5;
// Two regions one above the other (the pieces of one glyph, an accent) are
// one edit when the gap is under this share.
constexpr double Stack_Gap_Share = 0.3;
// A region taller than this many line heights is a drawn shape, not a
// glyph: it does not stretch the gap for its neighbours.
constexpr double Tallest_Glyph = 1.5;
// Regions spanning more grid cells than this are checked against all.
constexpr std::int64_t Most_Cells = 64;

int Right(const T_Rectangle& Box) { return Box.Left + Box.Width; }
int Bottom(const T_Rectangle& Box) { return Box.Top + Box.Height; }

T_Rectangle Union(const T_Rectangle& A, const T_Rectangle& B)
{
    const int Left = std::min(A.Left, B.Left), Top = std::min(A.Top, B.Top);
    return {Left, Top, std::max(Right(A), Right(B)) - Left, std::max(Bottom(A), Bottom(B)) - Top};
}

// The length two spans share; negative: the gap between them.
int Overlap(int First_A, int Last_A, int First_B, int Last_B)
{
    return std::min(Last_A, Last_B) - std::max(First_A, First_B);
}

bool Same_Move(const T_Change_Region& A, const T_Change_Region& B)
{
    using T_Kind = T_Change_Region::T_Kind;
    const bool Moved_A = A.Kind == T_Kind::Moved, Moved_B = B.Kind == T_Kind::Moved;
    if (Moved_A != Moved_B)
        return false;
    return !Moved_A || (std::abs(A.Dx - B.Dx) <= 1 && std::abs(A.Dy - B.Dy) <= 1);
}

T_Rectangle Box_Of(const T_Change_Region& Region)
{
    return Region.Kind == T_Change_Region::T_Kind::Moved
               ? Old_Place(Region)
               : T_Rectangle{Region.Left, Region.Top, Region.Width, Region.Height};
}

// Whether two regions belong to one edit.
bool One_Edit(const T_Rectangle& A, const T_Rectangle& B, const T_Group_Scale& Scale)
{
    const int Across = Overlap(A.Left, Right(A), B.Left, Right(B));
    const int Down = Overlap(A.Top, Bottom(A), B.Top, Bottom(B));
    // What the regions were found with already joins them; a little more
    // keeps a region of no height (a band put in) with its neighbours.
    if (-Across <= Scale.Region_Gap && -Down <= Scale.Region_Gap)
        return true;
    const double Tallest = Scale.Line_Height * Tallest_Glyph;
    const double Height = std::min<double>(std::max(A.Height, B.Height), Tallest);
    if (Down >= std::min(A.Height, B.Height) / 2.0 && Down > 0)
        return -Across <= Line_Gap_Share * Height;
    if (Across >= std::min(A.Width, B.Width) / 2.0 && Across > 0)
        return -Down <= Stack_Gap_Share * Height;
    return false;
}

// The largest gap One_Edit joins.
int Widest_Gap(const T_Group_Scale& Scale)
{
    return std::max(Scale.Region_Gap,
                    int(std::ceil(Line_Gap_Share * Scale.Line_Height * Tallest_Glyph)));
}

// Regions by the grid cells their boxes, grown by the widest gap, cover.
class T_Region_Grid {
public:
    T_Region_Grid(const std::vector<T_Rectangle>& Boxes, int Reach) : Reach_(Reach)
    {
        Cell_ = std::max(64, 4 * Reach);
        for (std::size_t Index = 0; Index < Boxes.size(); ++Index) {
            const T_Rectangle& Box = Boxes[Index];
            const std::int64_t Left = Cell(Box.Left - Reach), Right_Cell = Cell(Right(Box) + Reach);
            const std::int64_t Top = Cell(Box.Top - Reach), Bottom_Cell = Cell(Bottom(Box) + Reach);
            if ((Right_Cell - Left + 1) * (Bottom_Cell - Top + 1) > Most_Cells) {
                Large_.push_back(Index);
                continue;
            }
            for (std::int64_t Y = Top; Y <= Bottom_Cell; ++Y)
                for (std::int64_t X = Left; X <= Right_Cell; ++X)
                    Cells_[Key(X, Y)].push_back(Index);
        }
    }
    // Calls Visit(A, B) for pairs that may be close, A < B, some twice.
    template <class T_Visit> void For_Each_Near_Pair(std::size_t Count, T_Visit Visit) const
    {
        for (const auto& [Key, Members] : Cells_)
            for (std::size_t I = 0; I < Members.size(); ++I)
                for (std::size_t J = I + 1; J < Members.size(); ++J)
                    Visit(Members[I], Members[J]);
        for (std::size_t Large : Large_)
            for (std::size_t Other = 0; Other < Count; ++Other)
                if (Other != Large)
                    Visit(std::min(Large, Other), std::max(Large, Other));
    }

private:
    std::int64_t Cell(std::int64_t Pixel) const
    {
        return Pixel >= 0 ? Pixel / Cell_ : -((-Pixel + Cell_ - 1) / Cell_);
    }
    static std::int64_t Key(std::int64_t X, std::int64_t Y) { return (Y << 32) ^ (X & 0xffffffff); }
    int Reach_ = 0;
    std::int64_t Cell_ = 64;
    std::unordered_map<std::int64_t, std::vector<std::size_t>> Cells_;
    std::vector<std::size_t> Large_;
};

} // namespace

T_Rectangle Old_Place(const T_Change_Region& Region)
{
    return {Region.Left + std::max(0, -Region.Dx), Region.Top + std::max(0, -Region.Dy),
            std::max(1, Region.Width - std::abs(Region.Dx)),
            std::max(1, Region.Height - std::abs(Region.Dy))};
}

T_Group_Scale Measure_Group_Scale(const std::vector<T_Change_Region>& Regions, int Region_Gap)
{
    T_Group_Scale Scale;
    Scale.Region_Gap = std::max(1, Region_Gap);
    std::vector<int> Heights;
    Heights.reserve(Regions.size());
    for (const T_Change_Region& Region : Regions)
        if (const T_Rectangle Box = Box_Of(Region); Box.Height > 0 && Box.Width > 0)
            Heights.push_back(Box.Height);
    if (Heights.empty())
        return Scale;
    std::nth_element(Heights.begin(), Heights.begin() + std::ptrdiff_t(Heights.size() / 2),
                     Heights.end());
    Scale.Line_Height = Heights[Heights.size() / 2];
    return Scale;
}

bool Gather_Regions(const std::vector<T_Change_Region>& Regions, const T_Group_Scale& Scale,
                    const std::atomic<bool>* Cancel, std::vector<T_Region_Group>& Groups)
{
    Groups.clear();
    std::vector<T_Rectangle> Boxes;
    Boxes.reserve(Regions.size());
    for (const T_Change_Region& Region : Regions)
        Boxes.push_back(Box_Of(Region));
    T_Union_Find Sets(Regions.size());
    const T_Region_Grid Grid(Boxes, Widest_Gap(Scale));
    std::size_t Visits = 0;
    bool Stopped = false;
    Grid.For_Each_Near_Pair(Regions.size(), [&](std::size_t A, std::size_t B) {
        if (Stopped || (++Visits % 65536 == 0 && Cancelled(Cancel))) {
            Stopped = true;
            return;
        }
        if (Sets.Find(A) != Sets.Find(B) && Same_Move(Regions[A], Regions[B]) &&
            One_Edit(Boxes[A], Boxes[B], Scale))
            Sets.Join(A, B);
    });
    if (Stopped)
        return false;

    std::unordered_map<std::size_t, std::size_t> Group_Of_Root;
    for (std::size_t Index = 0; Index < Regions.size(); ++Index) {
        const auto [Found, Added] = Group_Of_Root.try_emplace(Sets.Find(Index), Groups.size());
        if (Added) {
            Groups.emplace_back();
            Groups.back().Box = Boxes[Index];
        }
        T_Region_Group& Group = Groups[Found->second];
        const T_Change_Region& Region = Regions[Index];
        Group.Regions.push_back(Index);
        Group.Box = Union(Group.Box, Boxes[Index]);
        Group.Pixels += Region.Pixels;
        using T_Kind = T_Change_Region::T_Kind;
        Group.Has_Added |= Region.Kind == T_Kind::Added;
        Group.Has_Removed |= Region.Kind == T_Kind::Removed;
        Group.Has_Changed |= Region.Kind == T_Kind::Changed;
        if (Region.Kind == T_Kind::Moved) {
            Group.Moved = true;
            Group.Dx = Region.Dx;
            Group.Dy = Region.Dy;
        }
    }
    return true;
}

bool Group_Changes(T_Difference& Difference, int Region_Gap, const T_Ink_Reader& Base,
                   const T_Ink_Reader& Modified, const std::atomic<bool>* Cancel)
{
    Difference.Changes.clear();
    std::vector<T_Region_Group> Groups;
    return Gather_Regions(Difference.Regions, Measure_Group_Scale(Difference.Regions, Region_Gap),
                          Cancel, Groups) &&
           Settle_Changes(Difference, std::move(Groups), Base, Modified, Cancel,
                          Difference.Changes);
}

} // namespace differences

const char* Change_Kind_Word(T_Change::T_Kind Kind)
{
    switch (Kind) {
    case T_Change::T_Kind::Added:
        return "added";
    case T_Change::T_Kind::Removed:
        return "removed";
    case T_Change::T_Kind::Moved:
        return "moved";
    case T_Change::T_Kind::Moved_Changed:
        return "moved and changed";
    case T_Change::T_Kind::Changed:
        break;
    }
    return "changed";
}

std::string Changes_Summary(const std::vector<T_Change>& Changes)
{
    const auto Moves = std::count_if(Changes.begin(), Changes.end(),
                                     [](const T_Change& Change) { return Change.Is_Move(); });
    return Changes_Summary(Changes.size(), std::size_t(Moves));
}

std::string Changes_Summary(std::size_t Changes, std::size_t Moves)
{
    if (Changes == 0)
        return "no changes";
    std::string Text = std::to_string(Changes) + (Changes == 1 ? " change" : " changes");
    if (Moves > 0)
        Text += " (" + std::to_string(Moves) + " moved)";
    return Text;
}
