#include "ink_grid.h"

#include "pixel_comparison.h"

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
    for (int Cell_Y = First; Cell_Y < Last; ++Cell_Y) {
        const int Cells = std::min(Grid.Width, (Picture.Width + Factor - 1) / Factor);
        Sums.assign(std::size_t(Cells), 0);
        const int Bottom = std::min(Picture.Height, (Cell_Y + 1) * Factor);
        for (int Y = Cell_Y * Factor; Y < Bottom; ++Y) {
            const std::uint8_t* Row = Picture.Data + Picture.Stride * Y;
            const int Right = std::min(Picture.Width, Cells * Factor);
            for (int X = 0; X < Right; ++X) {
                std::uint32_t Colour;
                std::memcpy(&Colour, Row + std::ptrdiff_t{X} * 4, 4);
                Sums[std::size_t(X / Factor)] += std::uint32_t(Ink_Level(Colour, Paper));
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
    if (Picture.Data == nullptr || Factor < 1)
        return Grid;
    const int Rows = std::min(Height, (Picture.Height + Factor - 1) / Factor);
    const int Cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int Share = (Rows + Cores - 1) / Cores;
    std::vector<std::thread> Helpers;
    for (int First = Share; First < Rows; First += Share)
        Helpers.emplace_back(Sum_Cell_Rows, std::cref(Picture), Paper, Factor, First,
                             std::min(Rows, First + Share), std::ref(Grid));
    Sum_Cell_Rows(Picture, Paper, Factor, 0, std::min(Rows, Share), Grid);
    for (std::thread& Helper : Helpers)
        Helper.join();
    return Grid;
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
