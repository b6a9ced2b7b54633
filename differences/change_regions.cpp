// Change regions. The tiles are cut into small square cells; a cell holding
// a changed pixel is marked, marked cells a gap apart are joined with a
// union-find, and each group's box is taken from its actual pixels. Cells
// exist only inside the tiles that hold changes, so a large picture with a
// few changes costs little, and the work grows with the changes.
#include "differences/change_regions.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>
#include <utility>

namespace differences {

namespace {

constexpr int Side = T_Change_Tile::Side;

struct T_Cells {
    int Size = 1;     // pixels per cell side: a power of two that divides the tile side
    int Per_Side = 1; // cells per tile side
    int Reach = 1;    // how many cells apart two marked cells still join
    int Per_Tile() const { return Per_Side * Per_Side; }
};

// The most cells kept at once (64 MB of parents): past it, cells grow.
constexpr std::size_t Cell_Budget = std::size_t{1} << 24;

// The widest gap honoured: each marked cell looks this far around itself,
// so the work grows with the square of the gap.
constexpr int Max_Gap = 1024;

// Cells of at most half the gap, joined up to the gap: pixels the gap apart
// always join, and pixels more than twice the gap apart never do, unless a
// picture changed nearly everywhere made the cells grow to bound the memory.
T_Cells Choose_Cells(int Gap, std::size_t Tile_Count)
{
    Gap = std::clamp(Gap, 1, Max_Gap);
    T_Cells Cells;
    while (Cells.Size * 2 <= std::min(Gap / 2, Side))
        Cells.Size *= 2;
    while (Cells.Size < Side &&
           Tile_Count * std::size_t(Side / Cells.Size) * std::size_t(Side / Cells.Size) >
               Cell_Budget)
        Cells.Size *= 2;
    Cells.Per_Side = Side / Cells.Size;
    Cells.Reach = (Gap + Cells.Size - 1) / Cells.Size;
    return Cells;
}

// A stretch of one tile row inside one cell: its changed pixels, the first
// and last of them (tile pixels), and the OR of their T_Pixel_Change values.
struct T_Run {
    int Y = 0;
    int First = -1;
    int Last = -1;
    int Count = 0;
    unsigned Values = 0;
};

// Calls Visit(T_Run) for each stretch of `Stretch` pixels (at most 8, within
// one cell) that holds changes, skipping unchanged stretches eight pixels
// at a time.
template <class T_Visit> void For_Each_Run(const T_Change_Tile& Tile, int Stretch, T_Visit&& Visit)
{
    if (Tile.Changes.size() < std::size_t(Side) * Side)
        return;
    const std::uint8_t* Bytes = Tile.Changes.data();
    for (int Offset = 0; Offset < Side * Side; Offset += 8) {
        std::uint64_t Eight;
        std::memcpy(&Eight, Bytes + Offset, 8);
        if (Eight == 0)
            continue;
        for (int Start = Offset; Start < Offset + 8; Start += Stretch) {
            T_Run Run;
            for (int Index = Start; Index < Start + Stretch; ++Index) {
                if (Bytes[Index] == 0)
                    continue;
                Run.First = Run.First < 0 ? Index % Side : Run.First;
                Run.Last = Index % Side;
                ++Run.Count;
                Run.Values |= Bytes[Index];
            }
            Run.Y = Offset / Side;
            if (Run.Count > 0)
                Visit(Run);
        }
    }
}

// Finds the slot of the tile at a tile column and row, remembering the
// last answer: neighbouring cells mostly lie in the same tile.
class T_Tile_Finder {
public:
    explicit T_Tile_Finder(const std::vector<T_Change_Tile>& Tiles)
    {
        for (std::size_t Slot = 0; Slot < Tiles.size(); ++Slot)
            Slots.emplace(Key(Tiles[Slot].Left / Side, Tiles[Slot].Top / Side), int(Slot));
    }
    int Find(std::int64_t Column, std::int64_t Row)
    {
        const std::int64_t Wanted = Key(Column, Row);
        if (Wanted != Last_Key) {
            const auto Found = Slots.find(Wanted);
            Last_Key = Wanted;
            Last_Slot = Found == Slots.end() ? -1 : Found->second;
        }
        return Last_Slot;
    }

private:
    static std::int64_t Key(std::int64_t Column, std::int64_t Row) { return (Row << 32) + Column; }
    std::unordered_map<std::int64_t, int> Slots;
    std::int64_t Last_Key = -1;
    int Last_Slot = -1;
};

// The cells' union-find: -1 marks an empty cell, any other value the parent.
// The smaller index always becomes the root.
class T_Cell_Sets {
public:
    explicit T_Cell_Sets(std::size_t Count) : Parent(Count, -1) {}
    void Mark(std::int32_t Cell)
    {
        if (Parent[Cell] < 0)
            Parent[Cell] = Cell;
    }
    bool Marked(std::int32_t Cell) const { return Parent[Cell] >= 0; }
    std::int32_t Root(std::int32_t Cell)
    {
        while (Parent[Cell] != Cell) {
            Parent[Cell] = Parent[Parent[Cell]];
            Cell = Parent[Cell];
        }
        return Cell;
    }
    void Join(std::int32_t First, std::int32_t Second)
    {
        First = Root(First);
        Second = Root(Second);
        if (First != Second)
            Parent[std::max(First, Second)] = std::min(First, Second);
    }
    // Numbers the groups 0, 1, ... in cell order and returns how many there
    // are; Group() then answers for each marked cell.
    int Number_Groups()
    {
        for (std::size_t Cell = 0; Cell < Parent.size(); ++Cell)
            if (Parent[Cell] >= 0)
                Parent[Cell] = Root(std::int32_t(Cell));
        // Every cell now points at its root, which comes before it and so
        // is numbered first; numbers are stored below -1 to tell them from
        // parents.
        int Groups = 0;
        for (std::size_t Cell = 0; Cell < Parent.size(); ++Cell) {
            const std::int32_t Top = Parent[Cell];
            if (Top >= 0)
                Parent[Cell] = Top == std::int32_t(Cell) ? -2 - Groups++ : Parent[Top];
        }
        return Groups;
    }
    int Group(std::int32_t Cell) const { return -2 - Parent[Cell]; }

private:
    std::vector<std::int32_t> Parent;
};

struct T_Region_Sum {
    int Left = std::numeric_limits<int>::max();
    int Top = std::numeric_limits<int>::max();
    int Right = std::numeric_limits<int>::min(); // inclusive
    int Bottom = std::numeric_limits<int>::min();
    std::size_t Pixels = 0;
    unsigned Values = 0; // the OR of the T_Pixel_Change values met
};

// Removed (1) and Added (2) alone keep their kind; Changed (3) or both of
// them make a changed region.
T_Change_Region::T_Kind Kind_Of(unsigned Values)
{
    if (Values == unsigned(T_Pixel_Change::Added))
        return T_Change_Region::T_Kind::Added;
    if (Values == unsigned(T_Pixel_Change::Removed))
        return T_Change_Region::T_Kind::Removed;
    return T_Change_Region::T_Kind::Changed;
}

// Joins each marked cell with the marked cells up to Reach cells after it
// (the ones before it have joined it already).
bool Join_Neighbours(const std::vector<T_Change_Tile>& Tiles, const T_Cells& Cells,
                     const std::atomic<bool>* Cancel, T_Cell_Sets& Sets)
{
    T_Tile_Finder Finder(Tiles);
    const int Reach = Cells.Reach, Per_Side = Cells.Per_Side;
    for (std::size_t Slot = 0; Slot < Tiles.size(); ++Slot) {
        if (Slot % 64 == 0 && Cancelled(Cancel))
            return false;
        for (int Local = 0; Local < Cells.Per_Tile(); ++Local) {
            const auto Cell = std::int32_t(Slot * Cells.Per_Tile() + Local);
            if (!Sets.Marked(Cell))
                continue;
            const std::int64_t X = Tiles[Slot].Left / Cells.Size + Local % Per_Side;
            const std::int64_t Y = Tiles[Slot].Top / Cells.Size + Local / Per_Side;
            for (int Dy = 0; Dy <= Reach; ++Dy) {
                for (int Dx = Dy == 0 ? 1 : -Reach; Dx <= Reach; ++Dx) {
                    const std::int64_t Other_X = X + Dx, Other_Y = Y + Dy;
                    if (Other_X < 0)
                        continue;
                    const int Other_Slot = Finder.Find(Other_X / Per_Side, Other_Y / Per_Side);
                    if (Other_Slot < 0)
                        continue;
                    const auto Other =
                        std::int32_t(Other_Slot * Cells.Per_Tile() +
                                     (Other_Y % Per_Side) * Per_Side + Other_X % Per_Side);
                    if (Sets.Marked(Other))
                        Sets.Join(Cell, Other);
                }
            }
        }
    }
    return true;
}

// What share of the pixels inked in either place have ink in only one: the
// base's ink in the removed box against the modified picture's in the added.
// Returns more than `Limit` as soon as the answer is known to pass it.
double Mask_Mismatch(const T_Ink_Reader& Base, const T_Change_Region& Removed,
                     const T_Ink_Reader& Modified, const T_Change_Region& Added, double Limit,
                     const std::atomic<bool>* Cancel)
{
    const double Box = double(Removed.Width) * Removed.Height;
    std::size_t Inked = 0, Differing = 0;
    for (int Y = 0; Y < Removed.Height; ++Y) {
        for (int X = 0; X < Removed.Width; ++X) {
            const bool Old = Base.Has_Ink(Removed.Left + X, Removed.Top + Y);
            const bool New = Modified.Has_Ink(Added.Left + X, Added.Top + Y);
            Inked += Old || New;
            Differing += Old != New;
        }
        if (Differing > Limit * Box || Cancelled(Cancel)) // ink never outnumbers the box
            return 1.0;
    }
    return Inked == 0 ? 1.0 : double(Differing) / double(Inked);
}

T_Change_Region Moved_Region(const T_Change_Region& Removed, const T_Change_Region& Added)
{
    T_Change_Region Moved;
    Moved.Kind = T_Change_Region::T_Kind::Moved;
    Moved.Left = std::min(Removed.Left, Added.Left);
    Moved.Top = std::min(Removed.Top, Added.Top);
    Moved.Width = std::max(Removed.Left + Removed.Width, Added.Left + Added.Width) - Moved.Left;
    Moved.Height = std::max(Removed.Top + Removed.Height, Added.Top + Added.Height) - Moved.Top;
    Moved.Pixels = Removed.Pixels + Added.Pixels;
    Moved.Dx = Added.Left - Removed.Left;
    Moved.Dy = Added.Top - Removed.Top;
    return Moved;
}

// Nearly the whole shape must come back: a few pixels of a re-rendered edge
// may differ, a reshaped outline does not pass.
constexpr double Allowed_Mask_Mismatch = 0.05;

} // namespace

bool Find_Regions(const std::vector<T_Change_Tile>& Tiles, int Region_Gap,
                  const std::atomic<bool>* Cancel, std::vector<T_Change_Region>& Regions)
{
    Regions.clear();
    const T_Cells Cells = Choose_Cells(Region_Gap, Tiles.size());
    T_Cell_Sets Sets(Tiles.size() * std::size_t(Cells.Per_Tile()));
    const int Stretch = std::min(Cells.Size, 8);
    const auto Cell_Of = [&](std::size_t Slot, int X, int Y) {
        return std::int32_t(Slot * Cells.Per_Tile() + (Y / Cells.Size) * Cells.Per_Side +
                            X / Cells.Size);
    };
    for (std::size_t Slot = 0; Slot < Tiles.size(); ++Slot) {
        if (Slot % 64 == 0 && Cancelled(Cancel))
            return false;
        For_Each_Run(Tiles[Slot], Stretch,
                     [&](const T_Run& Run) { Sets.Mark(Cell_Of(Slot, Run.First, Run.Y)); });
    }
    if (!Join_Neighbours(Tiles, Cells, Cancel, Sets))
        return false;

    std::vector<T_Region_Sum> Sums(std::size_t(Sets.Number_Groups()));
    for (std::size_t Slot = 0; Slot < Tiles.size(); ++Slot) {
        if (Slot % 64 == 0 && Cancelled(Cancel))
            return false;
        const T_Change_Tile& Tile = Tiles[Slot];
        For_Each_Run(Tile, Stretch, [&](const T_Run& Run) {
            T_Region_Sum& Sum = Sums[std::size_t(Sets.Group(Cell_Of(Slot, Run.First, Run.Y)))];
            Sum.Left = std::min(Sum.Left, Tile.Left + Run.First);
            Sum.Top = std::min(Sum.Top, Tile.Top + Run.Y);
            Sum.Right = std::max(Sum.Right, Tile.Left + Run.Last);
            Sum.Bottom = std::max(Sum.Bottom, Tile.Top + Run.Y);
            Sum.Pixels += std::size_t(Run.Count);
            Sum.Values |= Run.Values;
        });
    }
    Regions.reserve(Sums.size());
    for (const T_Region_Sum& Sum : Sums)
        Regions.push_back({Kind_Of(Sum.Values), Sum.Left, Sum.Top, Sum.Right - Sum.Left + 1,
                           Sum.Bottom - Sum.Top + 1, Sum.Pixels, 0, 0});
    Sort_Regions(Regions);
    return true;
}

bool Find_Moved_Shapes(const T_Ink_Reader& Base, const T_Ink_Reader& Modified, int Move_Reach,
                       const std::atomic<bool>* Cancel, std::vector<T_Change_Region>& Regions)
{
    using T_Kind = T_Change_Region::T_Kind;
    std::map<std::pair<int, int>, std::vector<std::size_t>> Added_By_Size;
    for (std::size_t Index = 0; Index < Regions.size(); ++Index)
        if (Regions[Index].Kind == T_Kind::Added)
            Added_By_Size[{Regions[Index].Width, Regions[Index].Height}].push_back(Index);
    if (Added_By_Size.empty())
        return true;

    std::vector<bool> Paired(Regions.size(), false);
    std::vector<T_Change_Region> Moved;
    for (std::size_t Index = 0; Index < Regions.size(); ++Index) {
        const T_Change_Region& Removed = Regions[Index];
        if (Removed.Kind != T_Kind::Removed)
            continue;
        const auto Same_Size = Added_By_Size.find({Removed.Width, Removed.Height});
        if (Same_Size == Added_By_Size.end())
            continue;
        std::size_t Best = Regions.size();
        double Best_Mismatch = Allowed_Mask_Mismatch;
        for (std::size_t Candidate : Same_Size->second) {
            const T_Change_Region& Added = Regions[Candidate];
            if (Paired[Candidate] ||
                std::abs(std::int64_t(Added.Left) - Removed.Left) > Move_Reach ||
                std::abs(std::int64_t(Added.Top) - Removed.Top) > Move_Reach)
                continue;
            const double Mismatch =
                Mask_Mismatch(Base, Removed, Modified, Added, Best_Mismatch, Cancel);
            if (Cancelled(Cancel))
                return false;
            if (Mismatch <= Best_Mismatch) {
                Best = Candidate;
                Best_Mismatch = Mismatch;
            }
        }
        if (Best == Regions.size())
            continue;
        Paired[Index] = Paired[Best] = true;
        Moved.push_back(Moved_Region(Removed, Regions[Best]));
    }

    std::vector<T_Change_Region> Kept;
    for (std::size_t Index = 0; Index < Regions.size(); ++Index)
        if (!Paired[Index])
            Kept.push_back(Regions[Index]);
    Kept.insert(Kept.end(), Moved.begin(), Moved.end());
    Regions = std::move(Kept);
    Sort_Regions(Regions);
    return true;
}

void Sort_Regions(std::vector<T_Change_Region>& Regions)
{
    std::stable_sort(Regions.begin(), Regions.end(),
                     [](const T_Change_Region& A, const T_Change_Region& B) {
                         return std::pair(A.Top, A.Left) < std::pair(B.Top, B.Left);
                     });
}

} // namespace differences
