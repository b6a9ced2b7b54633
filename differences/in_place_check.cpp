#include "differences/in_place_check.h"

#include "differences/ink_grid.h"
#include "differences/pixel_comparison.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace differences {

namespace {

constexpr int Side = T_Change_Tile::Side;
// Unchanged tiles looked at: enough for a share of a few per cent to show,
// few enough to cost a few milliseconds on a large drawing.
constexpr std::size_t Sampled_Tiles = 384;
// Fewer inked tiles than this in the sample vouch for nothing.
constexpr std::size_t Least_Inked = 8;
// Rows of a sampled tile looked at.
constexpr int Row_Step = 4;
// A pixel this far from the paper's brightness is ink.
constexpr int Ink_Threshold = 64;

bool Tile_Has_Ink(const T_Pixels& Picture, int Left, int Top, std::uint32_t Paper, int Brightness)
{
    const int Right = std::min(Picture.Width, Left + Side);
    const int Bottom = std::min(Picture.Height, Top + Side);
    // Every fourth row: the rows of a tile lie far apart in memory, and a
    // tile whose only ink runs along a skipped row merely counts as paper,
    // which errs towards estimating the move.
    for (int Y = Top; Y < Bottom; Y += Row_Step) {
        const std::uint8_t* Row = Picture.Data + Y * Picture.Stride;
        for (int X = Left; X < Right; ++X) {
            std::uint32_t Colour;
            std::memcpy(&Colour, Row + std::ptrdiff_t{X} * 4, 4);
            if (Colour != Paper && Ink_Level(Colour, Brightness) > Ink_Threshold)
                return true;
        }
    }
    return false;
}

} // namespace

bool Lies_In_Place(const T_Pixels& Base, const T_Difference& Plain)
{
    if (!Plain.Complete || Plain.Size_Differs() || Plain.Left != 0 || Plain.Top != 0 ||
        Base.Data == nullptr)
        return false;
    const int Columns = (Base.Width + Side - 1) / Side, Rows = (Base.Height + Side - 1) / Side;
    const std::size_t Total = std::size_t(Columns) * Rows;
    std::vector<bool> Changed(Total, false);
    for (const T_Change_Tile& Tile : Plain.Tiles)
        Changed[std::size_t(Tile.Top / Side) * Columns + Tile.Left / Side] = true;
    const std::size_t Changed_Tiles = Plain.Tiles.size();
    const std::size_t Unchanged_Tiles = Total - std::min(Total, Changed_Tiles);
    if (Unchanged_Tiles == 0)
        return false;
    const std::uint32_t Paper = Estimate_Background(Place_Picture(Base, 0, 0));
    const int Brightness = 255 - Ink_Level(Paper, 255);
    // Unchanged tiles spread evenly over the picture.
    const std::size_t Step = std::max<std::size_t>(1, Unchanged_Tiles / Sampled_Tiles);
    std::size_t Seen = 0, Sampled = 0, Inked = 0;
    for (std::size_t Index = 0; Index < Total; ++Index) {
        if (Changed[Index] || Seen++ % Step != 0)
            continue;
        ++Sampled;
        const int Left = int(Index % Columns) * Side, Top = int(Index / Columns) * Side;
        Inked += Tile_Has_Ink(Base, Left, Top, Paper, Brightness);
    }
    const double Inked_Unchanged = double(Inked) * double(Unchanged_Tiles) / double(Sampled);
    return Inked >= Least_Inked && Inked_Unchanged >= 3.0 * double(Changed_Tiles);
}

} // namespace differences
