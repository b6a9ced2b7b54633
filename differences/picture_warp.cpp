#include "differences/picture_warp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace differences {

namespace {

std::uint32_t Pixel_Or(const T_Pixels& Picture, int X, int Y, std::uint32_t Paper)
{
    if (X < 0 || Y < 0 || X >= Picture.Width || Y >= Picture.Height)
        return Paper;
    std::uint32_t Word;
    std::memcpy(&Word, Picture.Data + Picture.Stride * Y + std::ptrdiff_t{X} * 4, 4);
    return Word;
}

std::uint32_t Blend(std::uint32_t A, std::uint32_t B, std::uint32_t C, std::uint32_t D, int Wx,
                    int Wy)
{
    // Weights in 1/256: A top left, B top right, C bottom left, D bottom right.
    std::uint32_t Out = 0;
    for (int Shift = 0; Shift < 32; Shift += 8) {
        const int Top = int(A >> Shift & 255u) * (256 - Wx) + int(B >> Shift & 255u) * Wx;
        const int Bottom = int(C >> Shift & 255u) * (256 - Wx) + int(D >> Shift & 255u) * Wx;
        const int Value = (Top * (256 - Wy) + Bottom * Wy + (1 << 15)) >> 16;
        Out |= std::uint32_t(std::clamp(Value, 0, 255)) << Shift;
    }
    return Out;
}

void Warp_Rows(const T_Pixels& Modified, const T_Similarity& Transform, int Width, int First,
               int Last, std::uint32_t Paper, std::uint32_t* Out)
{
    const double C = Transform.Scale * std::cos(Transform.Rotation);
    const double S = Transform.Scale * std::sin(Transform.Rotation);
    for (int Y = First; Y < Last; ++Y) {
        std::uint32_t* Row = Out + std::size_t(Y) * std::size_t(Width);
        for (int X = 0; X < Width; ++X) {
            const double From_X = C * X - S * Y + Transform.Dx;
            const double From_Y = S * X + C * Y + Transform.Dy;
            const double Floor_X = std::floor(From_X), Floor_Y = std::floor(From_Y);
            const int X0 = int(Floor_X), Y0 = int(Floor_Y);
            const int Wx = int(std::lround((From_X - Floor_X) * 256));
            const int Wy = int(std::lround((From_Y - Floor_Y) * 256));
            Row[X] = Blend(Pixel_Or(Modified, X0, Y0, Paper), Pixel_Or(Modified, X0 + 1, Y0, Paper),
                           Pixel_Or(Modified, X0, Y0 + 1, Paper),
                           Pixel_Or(Modified, X0 + 1, Y0 + 1, Paper), Wx, Wy);
        }
    }
}

} // namespace

std::vector<std::uint32_t> Warp_Onto_Base(const T_Pixels& Modified, const T_Similarity& Transform,
                                          int Width, int Height, std::uint32_t Paper)
{
    std::vector<std::uint32_t> Out(std::size_t(Width) * std::size_t(Height), Paper);
    if (Modified.Data == nullptr)
        return Out;
    const int Cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int Share = (Height + Cores - 1) / Cores;
    std::vector<std::thread> Helpers;
    for (int First = Share; First < Height; First += Share)
        Helpers.emplace_back(Warp_Rows, std::cref(Modified), std::cref(Transform), Width, First,
                             std::min(Height, First + Share), Paper, Out.data());
    Warp_Rows(Modified, Transform, Width, 0, std::min(Height, Share), Paper, Out.data());
    for (std::thread& Helper : Helpers)
        Helper.join();
    return Out;
}

} // namespace differences
