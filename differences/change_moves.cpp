// Settling groups of regions into changes, and telling moves apart: the
// base's ink of a removed group that comes back in an added group, shifted
// as a whole, is one shape moved, however far; when most but not all of it
// comes back, the shape moved and changed. A group that lost ink on one
// side and gained it on the other (a shape moved less than its own size)
// is tested the same way within itself.
#include "differences/change_groups.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>

namespace differences {

namespace {

// Share of the inked pixels that may differ once the move is taken off:
// re-rendered edges differ a little, a reshaped outline does not pass.
// Below the first share the shape only moved; up to the second it only
// moved when what is left over is too little ink to be an edit of its own
// (a hole of a few millimetres drawn on a large part is a small share).
constexpr double Clean_Move_Mismatch = 0.02;
constexpr double Moved_Mismatch = 0.12;
// Up to this share the shape moved and changed (a hole added, a tab cut).
constexpr double Moved_Changed_Mismatch = 0.4;
// A shape is said to have moved and changed only when this much of its ink
// is left over once moved; two unrelated small marks match loosely by chance.
constexpr std::size_t Least_Changed_Move_Ink = 200;
// Groups whose boxes differ in width or height by more than this share
// (and a few pixels) are not one shape.
constexpr double Size_Slack = 0.35;
constexpr int Size_Slack_Pixels = 4;
// The added groups tried for each removed one, nearest first.
constexpr std::size_t Most_Candidates = 12;
// Mask tests read at most about this many pixels, every n-th one beyond.
constexpr double Most_Pixels_Read = 250000;

int Right(const T_Rectangle& Box) { return Box.Left + Box.Width; }
int Bottom(const T_Rectangle& Box) { return Box.Top + Box.Height; }

T_Rectangle Union(const T_Rectangle& A, const T_Rectangle& B)
{
    const int Left = std::min(A.Left, B.Left), Top = std::min(A.Top, B.Top);
    return {Left, Top, std::max(Right(A), Right(B)) - Left, std::max(Bottom(A), Bottom(B)) - Top};
}

struct T_Match {
    double Mismatch = 1.0;
    int Dx = 0, Dy = 0;
    std::size_t Inked = 0;
    std::size_t Differing = 0; // inked pixels left over once moved
};

// The share of the pixels inked in either place that have ink in only one:
// the base in Box against the modified picture in Box moved by (Dx, Dy).
T_Match Shift_Mismatch(const T_Ink_Reader& Base, const T_Ink_Reader& Modified,
                       const T_Rectangle& Box, int Dx, int Dy)
{
    const double Area = double(Box.Width) * Box.Height;
    const int Step = std::max(1, int(std::sqrt(Area / Most_Pixels_Read)));
    std::size_t Inked = 0, Differing = 0;
    for (int Y = Box.Top; Y < Bottom(Box); Y += Step)
        for (int X = Box.Left; X < Right(Box); X += Step) {
            const bool Old = Base.Has_Ink(X, Y), New = Modified.Has_Ink(X + Dx, Y + Dy);
            Inked += Old || New;
            Differing += Old != New;
        }
    T_Match Match;
    Match.Dx = Dx;
    Match.Dy = Dy;
    Match.Inked = Inked * std::size_t(Step) * std::size_t(Step);
    Match.Differing = Differing * std::size_t(Step) * std::size_t(Step);
    Match.Mismatch = Inked == 0 ? 1.0 : double(Differing) / double(Inked);
    return Match;
}

// The base's ink in Old against the modified ink moved there, and the
// modified ink in New against the base's moved there: a small shape lies
// inside a larger one, but the larger one does not lie in it.
T_Match Two_Way_Mismatch(const T_Ink_Reader& Base, const T_Ink_Reader& Modified,
                         const T_Rectangle& Old, const T_Rectangle& New, int Dx, int Dy)
{
    T_Match Match = Shift_Mismatch(Base, Modified, Old, Dx, Dy);
    const T_Match Back = Shift_Mismatch(Modified, Base, New, -Dx, -Dy);
    Match.Inked += Back.Inked;
    Match.Differing += Back.Differing;
    Match.Mismatch = Match.Inked == 0 ? 1.0 : double(Match.Differing) / double(Match.Inked);
    return Match;
}

// The best of the moves that lay Old's corners or centre on New's, each
// tried a pixel either way.
T_Match Best_Move(const T_Ink_Reader& Base, const T_Ink_Reader& Modified, const T_Rectangle& Old,
                  const T_Rectangle& New)
{
    const int Lefts[] = {New.Left - Old.Left, Right(New) - Right(Old),
                         (New.Left + Right(New) - Old.Left - Right(Old)) / 2};
    const int Tops[] = {New.Top - Old.Top, Bottom(New) - Bottom(Old),
                        (New.Top + Bottom(New) - Old.Top - Bottom(Old)) / 2};
    T_Match Best;
    std::map<std::pair<int, int>, bool> Tried;
    for (int Dx : Lefts)
        for (int Dy : Tops)
            for (int Nudge_Y = -1; Nudge_Y <= 1; ++Nudge_Y)
                for (int Nudge_X = -1; Nudge_X <= 1; ++Nudge_X) {
                    const std::pair Move(Dx + Nudge_X, Dy + Nudge_Y);
                    if (!Tried.emplace(Move, true).second)
                        continue;
                    const T_Match Match =
                        Two_Way_Mismatch(Base, Modified, Old, New, Move.first, Move.second);
                    if (Match.Mismatch < Best.Mismatch)
                        Best = Match;
                }
    return Best;
}

bool Similar_Size(const T_Rectangle& A, const T_Rectangle& B)
{
    const auto Close = [](int First, int Second) {
        return std::abs(First - Second) <= Size_Slack_Pixels + Size_Slack * std::max(First, Second);
    };
    return Close(A.Width, B.Width) && Close(A.Height, B.Height);
}

T_Change::T_Kind Kind_Of_Match(const T_Match& Match)
{
    if (Match.Mismatch <= Clean_Move_Mismatch ||
        (Match.Mismatch <= Moved_Mismatch && Match.Differing < Least_Changed_Move_Ink))
        return T_Change::T_Kind::Moved;
    if (Match.Mismatch <= Moved_Changed_Mismatch && Match.Differing >= Least_Changed_Move_Ink)
        return T_Change::T_Kind::Moved_Changed;
    return T_Change::T_Kind::Changed; // no move
}

T_Change Plain_Change(const T_Region_Group& Group)
{
    T_Change Change;
    if (Group.Moved) {
        Change.Kind = T_Change::T_Kind::Moved;
        Change.Dx = Group.Dx;
        Change.Dy = Group.Dy;
    } else if (Group.Has_Added && !Group.Has_Removed && !Group.Has_Changed) {
        Change.Kind = T_Change::T_Kind::Added;
    } else if (Group.Has_Removed && !Group.Has_Added && !Group.Has_Changed) {
        Change.Kind = T_Change::T_Kind::Removed;
    }
    Change.Old_Box = Group.Box;
    Change.New_Box = {Group.Box.Left + Change.Dx, Group.Box.Top + Change.Dy, Group.Box.Width,
                      Group.Box.Height};
    Change.Pixels = Group.Pixels;
    Change.Regions = Group.Regions;
    return Change;
}

// The boxes of the group's removed pixels and of its added ones.
std::pair<T_Rectangle, T_Rectangle> Lost_And_Gained(const T_Difference& Difference,
                                                    const T_Rectangle& Box)
{
    int Lost[4] = {Box.Left + Box.Width, Box.Top + Box.Height, Box.Left - 1, Box.Top - 1};
    int Gained[4] = {Lost[0], Lost[1], Lost[2], Lost[3]};
    for (int Y = Box.Top; Y < Bottom(Box); ++Y)
        for (int X = Box.Left; X < Right(Box); ++X) {
            const T_Pixel_Change At = Difference.At(X, Y);
            int* Edges = At == T_Pixel_Change::Removed ? Lost
                         : At == T_Pixel_Change::Added ? Gained
                                                       : nullptr;
            if (Edges == nullptr)
                continue;
            Edges[0] = std::min(Edges[0], X);
            Edges[1] = std::min(Edges[1], Y);
            Edges[2] = std::max(Edges[2], X);
            Edges[3] = std::max(Edges[3], Y);
        }
    const auto Box_Of = [](const int* Edges) {
        return T_Rectangle{Edges[0], Edges[1], std::max(0, Edges[2] - Edges[0] + 1),
                           std::max(0, Edges[3] - Edges[1] + 1)};
    };
    return {Box_Of(Lost), Box_Of(Gained)};
}

// A group that both lost and gained ink: one shape moved by less than its
// size, when its lost ink comes back shifted as its gained ink.
void Settle_Mixed(const T_Difference& Difference, const T_Ink_Reader& Base,
                  const T_Ink_Reader& Modified, T_Change& Change)
{
    // A box this large is a page's worth of changes, not one shape.
    constexpr double Largest_Box = 4e6;
    if (double(Change.Old_Box.Width) * Change.Old_Box.Height > Largest_Box)
        return;
    const auto [Lost, Gained] = Lost_And_Gained(Difference, Change.Old_Box);
    if (Lost.Width == 0 || Gained.Width == 0 || !Similar_Size(Lost, Gained))
        return;
    const T_Match Match = Best_Move(Base, Modified, Lost, Gained);
    // A shape moved by less than its size loses and gains ink across most
    // of its box, one moved further (its two places joined as neighbours)
    // has ink enough to tell; a stroke of a glyph redrawn as another has
    // neither.
    const T_Rectangle& Box = Change.Old_Box;
    const auto Most_Of_Box = [&](const T_Rectangle& Side) {
        return Side.Width * 2 >= Box.Width && Side.Height * 2 >= Box.Height;
    };
    if (!(Most_Of_Box(Lost) && Most_Of_Box(Gained)) && Match.Inked < Least_Changed_Move_Ink)
        return;
    // A glyph redrawn in place loses and gains ink a few pixels apart: only
    // a move of a fair share of the shape's size, or a clean one, counts.
    const int Distance = std::max(std::abs(Match.Dx), std::abs(Match.Dy));
    if (Distance < 2)
        return;
    T_Change::T_Kind Kind = Kind_Of_Match(Match);
    if (Kind == T_Change::T_Kind::Moved_Changed && Distance < std::max(Lost.Width, Lost.Height) / 4)
        Kind = T_Change::T_Kind::Changed;
    if (Kind == T_Change::T_Kind::Changed)
        return;
    Change.Kind = Kind;
    Change.Dx = Match.Dx;
    Change.Dy = Match.Dy;
    Change.Old_Box = Lost;
    Change.New_Box = {Lost.Left + Match.Dx, Lost.Top + Match.Dy, Lost.Width, Lost.Height};
}

struct T_Pair_Candidate {
    T_Match Match;
    std::size_t Removed = 0, Added = 0;
};

std::int64_t Distance_Squared(const T_Rectangle& A, const T_Rectangle& B)
{
    const std::int64_t Dx = std::int64_t(A.Left) * 2 + A.Width - std::int64_t(B.Left) * 2 - B.Width;
    const std::int64_t Dy = std::int64_t(A.Top) * 2 + A.Height - std::int64_t(B.Top) * 2 - B.Height;
    return Dx * Dx + Dy * Dy;
}

// The removed and added groups that are one shape moved, best matches first.
bool Find_Moves(const std::vector<T_Change>& Changes, const T_Ink_Reader& Base,
                const T_Ink_Reader& Modified, const std::atomic<bool>* Cancel,
                std::vector<T_Pair_Candidate>& Moves)
{
    std::vector<std::size_t> Removed, Added;
    for (std::size_t Index = 0; Index < Changes.size(); ++Index) {
        if (Changes[Index].Kind == T_Change::T_Kind::Removed)
            Removed.push_back(Index);
        else if (Changes[Index].Kind == T_Change::T_Kind::Added &&
                 Changes[Index].Old_Box.Height > 0 && Changes[Index].Old_Box.Width > 0)
            Added.push_back(Index);
    }
    // Added groups by height, so that those of a similar size are found
    // without looking at every one.
    std::sort(Added.begin(), Added.end(), [&](std::size_t A, std::size_t B) {
        return Changes[A].Old_Box.Height < Changes[B].Old_Box.Height;
    });
    std::vector<T_Pair_Candidate> Candidates;
    std::vector<std::pair<std::int64_t, std::size_t>> Near;
    for (std::size_t Count = 0; Count < Removed.size(); ++Count) {
        if (Count % 256 == 0 && Cancelled(Cancel))
            return false;
        const T_Rectangle& Old = Changes[Removed[Count]].Old_Box;
        const double Low = (Old.Height - Size_Slack_Pixels) * (1 - Size_Slack);
        auto First =
            std::lower_bound(Added.begin(), Added.end(), Low, [&](std::size_t A, double H) {
                return Changes[A].Old_Box.Height < H;
            });
        Near.clear();
        for (auto It = First; It != Added.end(); ++It) {
            const T_Rectangle& New = Changes[*It].Old_Box;
            if (New.Height > (Old.Height + Size_Slack_Pixels) / (1 - Size_Slack))
                break;
            if (Similar_Size(Old, New))
                Near.emplace_back(Distance_Squared(Old, New), *It);
        }
        const std::size_t Kept = std::min(Near.size(), Most_Candidates);
        std::partial_sort(Near.begin(), Near.begin() + std::ptrdiff_t(Kept), Near.end());
        for (std::size_t I = 0; I < Kept; ++I) {
            const T_Match Match = Best_Move(Base, Modified, Old, Changes[Near[I].second].Old_Box);
            if (Kind_Of_Match(Match) != T_Change::T_Kind::Changed)
                Candidates.push_back({Match, Removed[Count], Near[I].second});
        }
    }
    std::stable_sort(Candidates.begin(), Candidates.end(),
                     [](const T_Pair_Candidate& A, const T_Pair_Candidate& B) {
                         return A.Match.Mismatch < B.Match.Mismatch;
                     });
    std::vector<bool> Taken(Changes.size(), false);
    for (const T_Pair_Candidate& Candidate : Candidates) {
        if (Taken[Candidate.Removed] || Taken[Candidate.Added])
            continue;
        Taken[Candidate.Removed] = Taken[Candidate.Added] = true;
        Moves.push_back(Candidate);
    }
    return true;
}

T_Change Joined_Move(const T_Change& Removed, const T_Change& Added, const T_Match& Match)
{
    T_Change Move;
    Move.Kind = Kind_Of_Match(Match);
    Move.Dx = Match.Dx;
    Move.Dy = Match.Dy;
    Move.Old_Box = Removed.Old_Box;
    Move.New_Box = Added.New_Box;
    Move.Pixels = Removed.Pixels + Added.Pixels;
    Move.Regions = Removed.Regions;
    Move.Regions.insert(Move.Regions.end(), Added.Regions.begin(), Added.Regions.end());
    std::sort(Move.Regions.begin(), Move.Regions.end());
    return Move;
}

bool Within(const T_Rectangle& Box, const T_Rectangle& Area, int Reach)
{
    return Box.Left < Right(Area) + Reach && Right(Box) + Reach > Area.Left &&
           Box.Top < Bottom(Area) + Reach && Bottom(Box) + Reach > Area.Top;
}

// Whether the group in Box is explained by the move both ways: the base's
// ink there comes back moved, and the modified ink there came from the
// base's moved back. An empty side contradicts nothing.
bool Explained_By(const T_Ink_Reader& Base, const T_Ink_Reader& Modified, const T_Rectangle& Box,
                  int Dx, int Dy)
{
    const T_Match Forward = Shift_Mismatch(Base, Modified, Box, Dx, Dy);
    const T_Match Backward = Shift_Mismatch(Modified, Base, Box, -Dx, -Dy);
    const auto Fits = [](const T_Match& Match) {
        return Match.Inked == 0 || Match.Mismatch <= Moved_Mismatch;
    };
    return (Forward.Inked > 0 || Backward.Inked > 0) && Fits(Forward) && Fits(Backward);
}

// A shape moved by less than its height or width leaves its pixels in
// several groups: the edges that lead and those that trail. The groups
// around a move that the same move explains are pieces of it.
void Join_Move_Pieces(const T_Difference& Difference, const T_Ink_Reader& Base,
                      const T_Ink_Reader& Modified, std::vector<T_Change>& Changes,
                      std::vector<bool>& Gone)
{
    for (std::size_t Move = 0; Move < Changes.size(); ++Move) {
        if (Gone[Move] || !Changes[Move].Is_Move())
            continue;
        T_Change& Shape = Changes[Move];
        const int Reach = std::max({std::abs(Shape.Dx), std::abs(Shape.Dy), Shape.Old_Box.Width / 2,
                                    Shape.Old_Box.Height / 2});
        for (std::size_t Other = 0; Other < Changes.size(); ++Other) {
            if (Other == Move || Gone[Other])
                continue;
            const T_Change& Piece = Changes[Other];
            if (!Within(Piece.Old_Box, Shape.Old_Box, Reach) &&
                !Within(Piece.Old_Box, Shape.New_Box, Reach))
                continue;
            const bool Same_Move = Piece.Is_Move() && std::abs(Piece.Dx - Shape.Dx) <= 1 &&
                                   std::abs(Piece.Dy - Shape.Dy) <= 1;
            if (Piece.Is_Move() && !Same_Move)
                continue;
            if (!Same_Move && !Explained_By(Base, Modified, Piece.Old_Box, Shape.Dx, Shape.Dy))
                continue;
            T_Rectangle Lost = Piece.Old_Box, Gained = Piece.New_Box;
            if (!Same_Move)
                std::tie(Lost, Gained) = Lost_And_Gained(Difference, Piece.Old_Box);
            if (Lost.Width > 0)
                Shape.Old_Box = Union(Shape.Old_Box, Lost);
            if (Gained.Width > 0)
                Shape.New_Box = Union(Shape.New_Box, Gained);
            if (Piece.Kind == T_Change::T_Kind::Moved_Changed)
                Shape.Kind = T_Change::T_Kind::Moved_Changed;
            Shape.Pixels += Piece.Pixels;
            Shape.Regions.insert(Shape.Regions.end(), Piece.Regions.begin(), Piece.Regions.end());
            std::sort(Shape.Regions.begin(), Shape.Regions.end());
            Gone[Other] = true;
        }
    }
}

} // namespace

bool Settle_Changes(const T_Difference& Difference, std::vector<T_Region_Group> Groups,
                    const T_Ink_Reader& Base, const T_Ink_Reader& Modified,
                    const std::atomic<bool>* Cancel, std::vector<T_Change>& Changes)
{
    Changes.clear();
    Changes.reserve(Groups.size());
    for (const T_Region_Group& Group : Groups) {
        Changes.push_back(Plain_Change(Group));
        if (Changes.back().Kind == T_Change::T_Kind::Changed)
            Settle_Mixed(Difference, Base, Modified, Changes.back());
    }
    if (Cancelled(Cancel))
        return false;
    std::vector<T_Pair_Candidate> Moves;
    if (!Find_Moves(Changes, Base, Modified, Cancel, Moves))
        return false;
    std::vector<bool> Gone(Changes.size(), false);
    for (const T_Pair_Candidate& Move : Moves) {
        Changes[Move.Removed] = Joined_Move(Changes[Move.Removed], Changes[Move.Added], Move.Match);
        Gone[Move.Added] = true;
    }
    Join_Move_Pieces(Difference, Base, Modified, Changes, Gone);
    std::size_t Kept = 0;
    for (std::size_t Index = 0; Index < Changes.size(); ++Index)
        if (!Gone[Index]) {
            if (Kept != Index)
                Changes[Kept] = std::move(Changes[Index]);
            ++Kept;
        }
    Changes.resize(Kept);
    std::stable_sort(Changes.begin(), Changes.end(), [](const T_Change& A, const T_Change& B) {
        return std::pair(A.Old_Box.Top, A.Old_Box.Left) < std::pair(B.Old_Box.Top, B.Old_Box.Left);
    });
    return true;
}

} // namespace differences
