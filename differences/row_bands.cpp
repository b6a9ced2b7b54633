#include "differences/row_bands.h"

#include "differences/ink_grid.h"
#include "differences/sequence_alignment.h"

#include <algorithm>
#include <cstring>

namespace differences {

namespace {

constexpr int Most_Edits = 3000;

} // namespace

std::uint64_t Mix_Signature(std::uint64_t Hash, std::uint64_t Value)
{
    Hash ^= Value + 0x9E3779B97F4A7C15ull + (Hash << 6) + (Hash >> 2);
    return Hash * 0xBF58476D1CE4E5B9ull;
}

std::vector<std::uint64_t> Row_Signatures(const T_Pixels& Picture, int Paper)
{
    std::vector<std::uint64_t> Signatures(std::size_t(std::max(Picture.Height, 0)));
    for (int Y = 0; Y < Picture.Height; ++Y) {
        const std::uint8_t* Row = Picture.Data + Picture.Stride * Y;
        std::uint64_t Hash = std::uint64_t(Picture.Width);
        for (int Left = 0; Left < Picture.Width; Left += Signature_Cell) {
            int Inked = 0;
            for (int X = Left; X < std::min(Picture.Width, Left + Signature_Cell); ++X) {
                std::uint32_t Colour;
                std::memcpy(&Colour, Row + std::ptrdiff_t{X} * 4, 4);
                Inked += Ink_Level(Colour, Paper) > Signature_Ink_Threshold;
            }
            Hash = Mix_Signature(Hash, std::uint64_t(Ink_Step(Inked)));
        }
        Signatures[std::size_t(Y)] = Hash;
    }
    return Signatures;
}

std::optional<std::vector<int>> Align_Rows(const T_Pixels& Base, int Base_Paper,
                                           const T_Pixels& Modified, int Modified_Paper)
{
    return Align_Rows(Row_Signatures(Base, Base_Paper), Row_Signatures(Modified, Modified_Paper));
}

std::optional<std::vector<int>> Align_Rows(const std::vector<std::uint64_t>& Base_Rows,
                                           const std::vector<std::uint64_t>& Modified_Rows)
{
    const std::optional<std::vector<T_Common_Run>> Runs =
        Common_Runs(Base_Rows, Modified_Rows, Most_Edits);
    if (!Runs)
        return std::nullopt;
    return Map_Of_Runs(*Runs, int(Base_Rows.size()), int(Modified_Rows.size()));
}

} // namespace differences
