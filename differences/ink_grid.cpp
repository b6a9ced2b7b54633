#include "differences/ink_grid.h"

#include "differences/pixel_comparison.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace differences {

namespace {

std::uint32_t Pixel_At(const T_Pixels& Picture, int X, int Y)
{
    std::uint32_t Word;
    std::memcpy(&Word, Picture.Data + Picture.Stride * Y + std::ptrdiff_t{X} * 4, 4);
    return Word;
}

// Sums the ink of the cells of rows [First, Last) of cells.
void Sum_Cell_Rows(const T_Pixels& Picture, int Paper, int Factor, int First, int Last,
                   T_Grid& Grid)
{
    const float Scale = 1.0f / (255.0f * float(Factor) * float(Factor));
    std::vector<std::uint32_t> Sums;
    std::uint32_t Last_Colour = 0, Last_Level = std::uint32_t(Ink_Level(0, Paper));
    for (int Cell_Y = First; Cell_Y < Last; ++Cell_Y) {
        const int Cells = std::min(Grid.Width, (Picture.Width + Factor - 1) / Factor);
        Sums.assign(std::size_t(Cells), 0);
        const int Bottom = std::min(Picture.Height, (Cell_Y + 1) * Factor);
        for (int Y = Cell_Y * Factor; Y < Bottom; ++Y) {
            const std::uint8_t* Row = Picture.Data + Picture.Stride * Y;
            for (int Cell_X = 0; Cell_X < Cells; ++Cell_X) {
                const int Right = std::min(Picture.Width, (Cell_X + 1) * Factor);
                std::uint32_t Sum = 0;
                for (int X = Cell_X * Factor; X < Right; ++X) {
                    std::uint32_t Colour;
                    std::memcpy(&Colour, Row + std::ptrdiff_t{X} * 4, 4);
                    // Runs of one colour (the paper, mostly) are weighed once.
                    if (Colour != Last_Colour) {
                        Last_Colour = Colour;
                        Last_Level = std::uint32_t(Ink_Level(Colour, Paper));
                    }
                    Sum += Last_Level;
                }
                Sums[std::size_t(Cell_X)] += Sum;
            }
        }
        for (int Cell_X = 0; Cell_X < Cells; ++Cell_X)
            Grid.At(Cell_X, Cell_Y) = float(Sums[std::size_t(Cell_X)]) * Scale;
    }
}

} // namespace

int Ink_Level(std::uint32_t Colour, int Paper_Brightness)
{
    const int Alpha = int(Colour >> 24);
    const int R = int(Colour >> 16 & 255u), G = int(Colour >> 8 & 255u), B = int(Colour & 255u);
    int Luma = (R * 77 + G * 150 + B * 29) >> 8;
    Luma = 255 - (Alpha * (255 - Luma) + 127) / 255; // over white, as the panes show it
    return std::abs(Luma - Paper_Brightness);
}

int Paper_Brightness(const T_Pixels& Picture)
{
    const T_Placed_Picture Placed = Place_Picture(Picture, 0, 0);
    return 255 - Ink_Level(Estimate_Background(Placed), 255);
}

T_Grid Coarse_Ink(const T_Pixels& Picture, int Paper, int Factor, int Width, int Height)
{
    T_Grid Grid(Width, Height);
    T_Grid Unused(Width, Height);
    Coarse_Ink_Pair(Picture, Paper, T_Pixels{}, 0, Factor, Grid, Unused);
    return Grid;
}

void Coarse_Ink_Pair(const T_Pixels& First, int First_Paper, const T_Pixels& Second,
                     int Second_Paper, int Factor, T_Grid& First_Grid, T_Grid& Second_Grid)
{
    if (Factor < 1)
        return;
    // Both pictures' cell rows as one list of jobs, split evenly among the
    // cores: one start and one join for the pair.
    const auto Rows_Of = [&](const T_Pixels& Picture, const T_Grid& Grid) {
        return Picture.Data == nullptr
                   ? 0
                   : std::min(Grid.Height, (Picture.Height + Factor - 1) / Factor);
    };
    const int First_Rows = Rows_Of(First, First_Grid);
    const int All_Rows = First_Rows + Rows_Of(Second, Second_Grid);
    const auto Sum = [&](int From, int To) {
        if (From < First_Rows)
            Sum_Cell_Rows(First, First_Paper, Factor, From, std::min(To, First_Rows), First_Grid);
        if (To > First_Rows)
            Sum_Cell_Rows(Second, Second_Paper, Factor, std::max(From, First_Rows) - First_Rows,
                          To - First_Rows, Second_Grid);
    };
    const int Cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int Share = std::max(1, (All_Rows + Cores - 1) / Cores);
    std::vector<std::thread> Helpers;
    for (int From = Share; From < All_Rows; From += Share)
        Helpers.emplace_back(Sum, From, std::min(All_Rows, From + Share));
    Sum(0, std::min(All_Rows, Share));
    for (std::thread& Helper : Helpers)
        Helper.join();
}

T_Grid Ink_Window(const T_Pixels& Picture, int Paper, int Left, int Top, int Size)
{
    T_Grid Grid(Size, Size);
    for (int Y = std::max(0, -Top); Y < Size && Top + Y < Picture.Height; ++Y)
        for (int X = std::max(0, -Left); X < Size && Left + X < Picture.Width; ++X)
            Grid.At(X, Y) = float(Ink_Level(Pixel_At(Picture, Left + X, Top + Y), Paper)) / 255.0f;
    return Grid;
}

} // namespace differences
