#include "row_bands.h"

#include "ink_grid.h"
#include "sequence_alignment.h"

#include <algorithm>
#include <cstring>

namespace differences {

namespace {

constexpr int Cell = 8;
constexpr int Ink_Threshold = 48; // of 255: darker than an anti-aliased fringe's faint end
constexpr int Most_Edits = 3000;

std::uint64_t Mix(std::uint64_t Hash, std::uint64_t Value)
{
    Hash ^= Value + 0x9E3779B97F4A7C15ull + (Hash << 6) + (Hash >> 2);
    return Hash * 0xBF58476D1CE4E5B9ull;
}

// Rows pair in order across the gap between two matched stretches.
void Pair_Gap(int A_From, int A_To, int B_From, int B_To, std::vector<int>& Map)
{
    for (int Offset = 0; A_From + Offset < A_To && B_From + Offset < B_To; ++Offset)
        Map[std::size_t(A_From + Offset)] = B_From + Offset;
}

} // namespace

std::vector<std::uint64_t> Row_Signatures(const T_Pixels& Picture, int Paper)
{
    std::vector<std::uint64_t> Signatures(std::size_t(std::max(Picture.Height, 0)));
    for (int Y = 0; Y < Picture.Height; ++Y) {
        const std::uint8_t* Row = Picture.Data + Picture.Stride * Y;
        std::uint64_t Hash = std::uint64_t(Picture.Width);
        for (int Left = 0; Left < Picture.Width; Left += Cell) {
            int Inked = 0;
            for (int X = Left; X < std::min(Picture.Width, Left + Cell); ++X) {
                std::uint32_t Colour;
                std::memcpy(&Colour, Row + std::ptrdiff_t{X} * 4, 4);
                Inked += Ink_Level(Colour, Paper) > Ink_Threshold;
            }
            // 0-1, 2-5 and 6-8 inked pixels: a fringe pixel more or less
            // rarely crosses a step.
            Hash = Mix(Hash, std::uint64_t((Inked + 2) / 4));
        }
        Signatures[std::size_t(Y)] = Hash;
    }
    return Signatures;
}

std::optional<std::vector<int>> Align_Rows(const T_Pixels& Base, int Base_Paper,
                                           const T_Pixels& Modified, int Modified_Paper)
{
    const std::optional<std::vector<T_Common_Run>> Runs = Common_Runs(
        Row_Signatures(Base, Base_Paper), Row_Signatures(Modified, Modified_Paper), Most_Edits);
    if (!Runs)
        return std::nullopt;
    std::vector<int> Map(std::size_t(std::max(Base.Height, 0)), -1);
    int A = 0, B = 0;
    for (const T_Common_Run& Run : *Runs) {
        Pair_Gap(A, Run.A_From, B, Run.B_From, Map);
        for (int I = 0; I < Run.Length; ++I)
            Map[std::size_t(Run.A_From + I)] = Run.B_From + I;
        A = Run.A_From + Run.Length;
        B = Run.B_From + Run.Length;
    }
    Pair_Gap(A, Base.Height, B, Modified.Height, Map);
    return Map;
}

} // namespace differences
