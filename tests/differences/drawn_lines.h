// A line drawing rendered anti-aliased at any placement: the same drawing
// moved by whole or fractional pixels, scaled or turned a little, as a
// re-export or a scan would give it. Coverage is sampled 4 x 4 per pixel.
#pragma once

#include "differences/picture_difference.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace test {

struct T_Segment {
    double X0, Y0, X1, Y1;
};

// Lines at random places and angles (a fixed seed gives a fixed drawing),
// inside a margin of the Width x Height drawing.
inline std::vector<T_Segment> Random_Drawing(int Width, int Height, unsigned Seed, int Lines = 120,
                                             int Margin = 40)
{
    std::uint64_t State = Seed * 2654435761u + 1;
    const auto Next = [&](double Low, double High) {
        State = State * 6364136223846793005ull + 1442695040888963407ull;
        return Low + (High - Low) * double(State >> 11) / double(1ull << 53);
    };
    std::vector<T_Segment> Segments;
    for (int Line = 0; Line < Lines; ++Line) {
        const double X = Next(Margin, Width - Margin), Y = Next(Margin, Height - Margin);
        const double Length = Next(10, 90), Angle = Next(0, 3.14159);
        Segments.push_back(
            {X, Y, std::clamp(X + Length * std::cos(Angle), double(Margin), double(Width - Margin)),
             std::clamp(Y + Length * std::sin(Angle), double(Margin), double(Height - Margin))});
    }
    return Segments;
}

// A placement of the drawing on the picture: drawing point p lands at
// Scale * rotated(p) + (Dx, Dy), rotation in degrees.
struct T_Placement {
    double Dx = 0, Dy = 0, Scale = 1, Degrees = 0;
};

struct T_Rendered {
    int Width, Height;
    std::vector<std::uint32_t> Words;
    T_Pixels View() const
    {
        return {reinterpret_cast<const std::uint8_t*>(Words.data()), Width, Height,
                std::ptrdiff_t(Width) * 4};
    }
};

inline T_Rendered Render(const std::vector<T_Segment>& Segments, int Width, int Height,
                         const T_Placement& At = {}, double Line_Width = 2.0)
{
    constexpr int Samples = 4;
    const int SW = Width * Samples, SH = Height * Samples;
    std::vector<std::uint8_t> Inked(std::size_t(SW) * SH, 0);
    const double Radians = At.Degrees * 3.14159265358979 / 180;
    const double C = At.Scale * std::cos(Radians), S = At.Scale * std::sin(Radians);
    const double Half = Line_Width * At.Scale / 2;
    for (const T_Segment& Segment : Segments) {
        const double Ax = C * Segment.X0 - S * Segment.Y0 + At.Dx,
                     Ay = S * Segment.X0 + C * Segment.Y0 + At.Dy;
        const double Bx = C * Segment.X1 - S * Segment.Y1 + At.Dx,
                     By = S * Segment.X1 + C * Segment.Y1 + At.Dy;
        const double Length2 = std::max(1e-9, (Bx - Ax) * (Bx - Ax) + (By - Ay) * (By - Ay));
        const int X0 = std::max(0, int((std::min(Ax, Bx) - Half - 1) * Samples));
        const int X1 = std::min(SW, int((std::max(Ax, Bx) + Half + 1) * Samples));
        const int Y0 = std::max(0, int((std::min(Ay, By) - Half - 1) * Samples));
        const int Y1 = std::min(SH, int((std::max(Ay, By) + Half + 1) * Samples));
        for (int Y = Y0; Y < Y1; ++Y)
            for (int X = X0; X < X1; ++X) {
                const double Px = (X + 0.5) / Samples, Py = (Y + 0.5) / Samples;
                const double T =
                    std::clamp(((Px - Ax) * (Bx - Ax) + (Py - Ay) * (By - Ay)) / Length2, 0.0, 1.0);
                const double Qx = Ax + T * (Bx - Ax) - Px, Qy = Ay + T * (By - Ay) - Py;
                if (Qx * Qx + Qy * Qy <= Half * Half)
                    Inked[std::size_t(Y) * SW + X] = 1;
            }
    }
    T_Rendered Picture{Width, Height, std::vector<std::uint32_t>(std::size_t(Width) * Height)};
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            int Covered = 0;
            for (int Sy = 0; Sy < Samples; ++Sy)
                for (int Sx = 0; Sx < Samples; ++Sx)
                    Covered += Inked[std::size_t(Y * Samples + Sy) * SW + X * Samples + Sx];
            const std::uint32_t Level = std::uint32_t(255 - 255 * Covered / (Samples * Samples));
            Picture.Words[std::size_t(Y) * Width + X] =
                0xFF000000u | Level << 16 | Level << 8 | Level;
        }
    return Picture;
}

} // namespace test
