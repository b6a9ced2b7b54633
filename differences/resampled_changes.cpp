#include "differences/resampled_changes.h"

#include "differences/band_comparison.h"
#include "differences/change_groups.h"
#include "differences/change_regions.h"
#include "differences/ink_grid.h"
#include "differences/pixel_comparison.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace differences {

namespace {

// Half a pixel's worth of ink: around a pixel with less there is no line on
// that side.
constexpr int Least_Ink_Nearby = 128;
// What a renderer's other sampling of the same line or glyph may move
// between 3 x 3 pixels: most of one pixel's ink.
constexpr int Ink_Difference_Slack = 200;
// A pixel with no more ink than this is paper beside a line.
constexpr int Most_Paper_Ink = 32;

int Brightness_At(const T_Pixels& Picture, int X, int Y)
{
    std::uint32_t Colour;
    std::memcpy(&Colour, Picture.Data + Picture.Stride * Y + std::ptrdiff_t{X} * 4, 4);
    return 255 - Ink_Level(Colour, 255);
}

// Whether the base pixel's brightness is one the modified picture shows
// within a pixel of where the pixel maps.
bool Explained_By_Resampling(const T_Pixels& Base, const T_Pixels& Modified,
                             const T_Similarity& Transform, int X, int Y, int Slack)
{
    if (X < 0 || Y < 0 || X >= Base.Width || Y >= Base.Height)
        return false;
    double To_X, To_Y;
    Transform.Apply(X, Y, To_X, To_Y);
    const int Left = int(std::floor(To_X)) - 1, Top = int(std::floor(To_Y)) - 1;
    if (Left < 0 || Top < 0 || Left + 3 >= Modified.Width || Top + 3 >= Modified.Height)
        return false;
    int Darkest = 255, Brightest = 0;
    for (int Dy = 0; Dy < 4; ++Dy)
        for (int Dx = 0; Dx < 4; ++Dx) {
            const int Level = Brightness_At(Modified, Left + Dx, Top + Dy);
            Darkest = std::min(Darkest, Level);
            Brightest = std::max(Brightest, Level);
        }
    const int Level = Brightness_At(Base, X, Y);
    return Level >= Darkest - Slack && Level <= Brightest + Slack;
}

// The ink of the 3 x 3 pixels around (X, Y), in steps of 1/255 of a pixel,
// and the least ink among them.
struct T_Ink_Around {
    int Sum = 0;
    int Least = 255;
};

T_Ink_Around Ink_Around(const T_Pixels& Picture, int X, int Y)
{
    T_Ink_Around Ink;
    for (int Row = std::max(0, Y - 1); Row <= std::min(Picture.Height - 1, Y + 1); ++Row)
        for (int Column = std::max(0, X - 1); Column <= std::min(Picture.Width - 1, X + 1);
             ++Column) {
            const int Level = 255 - Brightness_At(Picture, Column, Row);
            Ink.Sum += Level;
            Ink.Least = std::min(Ink.Least, Level);
        }
    return Ink;
}

// Whether (X, Y) lies on the anti-aliased fringe of ink that both the base
// and the redrawn picture have there, in nearly the same amount: a thin
// line or a glyph's stem that the renderer drew at another fraction of a
// pixel lays the same ink on other pixels (one dark pixel against two half
// dark ones), which no bilinear redraw reproduces; a line or stroke added,
// removed or changed brings a pixel's worth of ink or more. Inside a filled
// area (no paper around in the base) a lighter or darker shade is a change.
bool Same_Ink_Nearby(const T_Pixels& Base, const T_Pixels& Aligned, int X, int Y)
{
    const T_Ink_Around In_Base = Ink_Around(Base, X, Y), In_Aligned = Ink_Around(Aligned, X, Y);
    return In_Base.Least <= Most_Paper_Ink && In_Base.Sum >= Least_Ink_Nearby &&
           In_Aligned.Sum >= Least_Ink_Nearby &&
           std::abs(In_Base.Sum - In_Aligned.Sum) <= Ink_Difference_Slack;
}

} // namespace

void Forgive_Resampling(const T_Pixels& Base, const T_Pixels& Modified, const T_Pixels& Aligned,
                        const T_Similarity& Transform, const T_Difference_Options& Options,
                        T_Difference& Difference)
{
    // The tolerance's colour distance as a step of brightness.
    const int Slack = int(std::sqrt(Max_Delta_For(Options.Tolerance)));
    constexpr int Side = T_Change_Tile::Side;
    std::vector<T_Change_Tile> Kept;
    for (T_Change_Tile& Tile : Difference.Tiles) {
        bool Any = false;
        for (int Row = 0; Row < Side; ++Row)
            for (int Column = 0; Column < Side; ++Column) {
                std::uint8_t& Change = Tile.Changes[std::size_t(Row) * Side + std::size_t(Column)];
                if ((Change & 3u) == 0)
                    continue;
                const int X = Difference.Left + Tile.Left + Column;
                const int Y = Difference.Top + Tile.Top + Row;
                if (Explained_By_Resampling(Base, Modified, Transform, X, Y, Slack) ||
                    Same_Ink_Nearby(Base, Aligned, X, Y)) {
                    Change = 0;
                    --Difference.Changed_Pixels;
                } else {
                    Any = true;
                }
            }
        if (Any)
            Kept.push_back(std::move(Tile));
    }
    Difference.Tiles = std::move(Kept);
    Difference.Regions.clear();
    const T_Comparison_Rules Rules = Comparison_Rules_For(Options, false);
    const T_Placed_Picture Placed_Base = Place_Picture(Base, -Difference.Left, -Difference.Top);
    const T_Placed_Picture Placed_Aligned =
        Place_Picture(Aligned, -Difference.Left, -Difference.Top);
    const T_Picture_Ink Base_Ink(Placed_Base, Rules.Max_Delta);
    const T_Picture_Ink Aligned_Ink(Placed_Aligned, Rules.Max_Delta);
    if (!Find_Regions(Difference.Tiles, Options.Region_Gap, nullptr, Difference.Regions) ||
        !Find_Moved_Shapes(Base_Ink, Aligned_Ink, std::max(Options.Move_Reach, 0), nullptr,
                           Difference.Regions) ||
        !Group_Changes(Difference, Options.Region_Gap, Base_Ink, Aligned_Ink, nullptr))
        Difference.Complete = false;
}

} // namespace differences
