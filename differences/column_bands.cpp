#include "differences/column_bands.h"

#include "differences/ink_grid.h"
#include "differences/row_bands.h"
#include "differences/sequence_alignment.h"

#include <algorithm>
#include <cstring>

namespace differences {

namespace {

// A column diff of a stretch of rows needs few edits when columns were
// inserted; a stretch that needs more shows other content.
constexpr int Most_Edits = 1000;
// Inked columns that must pair with columns moved sideways before the
// stretch counts as shifted: a stray match of a narrow stroke does not.
constexpr int Least_Shifted_Columns = 8;

// The signature of a column without ink over `Rows` rows.
std::uint64_t Blank_Signature(int Rows)
{
    std::uint64_t Hash = std::uint64_t(Rows);
    for (int Top = 0; Top < Rows; Top += Signature_Cell)
        Hash = Mix_Signature(Hash, 0);
    return Hash;
}

} // namespace

std::vector<std::uint64_t> Column_Signatures(const T_Pixels& Picture, int Paper, int Top,
                                             int Bottom)
{
    Top = std::max(Top, 0);
    Bottom = std::min(Bottom, Picture.Height);
    const std::size_t Width = std::size_t(std::max(Picture.Width, 0));
    std::vector<std::uint64_t> Signatures(Width, std::uint64_t(std::max(Bottom - Top, 0)));
    std::vector<int> Inked(Width);
    // Row by row, as the pixels lie in memory, each cell's counts gathered
    // for all columns at once.
    for (int Cell_Top = Top; Cell_Top < Bottom; Cell_Top += Signature_Cell) {
        std::fill(Inked.begin(), Inked.end(), 0);
        for (int Y = Cell_Top; Y < std::min(Bottom, Cell_Top + Signature_Cell); ++Y) {
            const std::uint8_t* Row = Picture.Data + Picture.Stride * Y;
            for (std::size_t X = 0; X < Width; ++X) {
                std::uint32_t Colour;
                std::memcpy(&Colour, Row + X * 4, 4);
                Inked[X] += Ink_Level(Colour, Paper) > Signature_Ink_Threshold;
            }
        }
        for (std::size_t X = 0; X < Width; ++X)
            Signatures[X] = Mix_Signature(Signatures[X], std::uint64_t(Ink_Step(Inked[X])));
    }
    return Signatures;
}

std::optional<std::vector<int>> Align_Columns(const T_Pixels& Base, int Base_Paper,
                                              const T_Pixels& Modified, int Modified_Paper, int Top,
                                              int Bottom)
{
    const std::vector<std::uint64_t> Old = Column_Signatures(Base, Base_Paper, Top, Bottom);
    const std::vector<std::uint64_t> New = Column_Signatures(Modified, Modified_Paper, Top, Bottom);
    const std::optional<std::vector<T_Common_Run>> Runs = Common_Runs(Old, New, Most_Edits);
    if (!Runs)
        return std::nullopt;
    const std::uint64_t Blank = Blank_Signature(std::min(Bottom, Base.Height) - std::max(Top, 0));
    // Inked columns that pair with an equal column moved sideways, and
    // those equal where they lie: the diff must pair more than lying still
    // does, and some of it sideways.
    int Shifted = 0, Matched = 0, In_Place = 0;
    for (const T_Common_Run& Run : *Runs)
        for (int I = 0; I < Run.Length; ++I)
            if (Old[std::size_t(Run.A_From + I)] != Blank) {
                ++Matched;
                Shifted += Run.A_From != Run.B_From;
            }
    for (std::size_t X = 0; X < Old.size() && X < New.size(); ++X)
        In_Place += Old[X] != Blank && Old[X] == New[X];
    if (Shifted < Least_Shifted_Columns || Matched <= In_Place)
        return std::nullopt;
    return Map_Of_Runs(*Runs, Base.Width, Modified.Width);
}

} // namespace differences
