// How two pixels compare: perceptual colour distance, what counts as ink
// against a picture's background, anti-aliased edge pixels, and the scan of
// one row of the compared area. Internal to the difference engine.
#pragma once

#include "differences/picture_difference.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace differences {

// The largest squared distance of two colours on the YIQ scale below (black
// against white is 32857; the far corners of the colour cube reach this).
constexpr double Max_Yiq_Delta = 35215.0;

// A colour blended over white (so that transparent pixels look as they are
// shown) in YIQ: luma and two chroma axes.
struct T_Yiq {
    double Y = 255;
    double I = 0;
    double Q = 0;
};
T_Yiq To_Yiq(std::uint32_t Colour);
// Squared perceptual distance of two colours.
double Yiq_Delta(const T_Yiq& First, const T_Yiq& Second);
// The luma of a colour blended over white, 0 (black) to 255 (white).
double Brightness(std::uint32_t Colour);
// The distance that still counts as the same colour for a Tolerance of 0..100.
double Max_Delta_For(int Tolerance);

// A picture placed in the compared area: its pixels, its background colour
// and where its top left lies in the area. An empty view has no pixels.
struct T_Placed_Picture {
    const std::uint8_t* Data = nullptr;
    int Width = 0;
    int Height = 0;
    std::ptrdiff_t Stride = 0;
    std::int64_t Left = 0; // in the area's pixels
    std::int64_t Top = 0;
    std::uint32_t Background = 0xFFFFFFFFu;
    T_Yiq Paper; // the background in YIQ
    // 0 when Data holds every row; else Data is a ring of this many rows
    // that holds the picture's rows Y at Y % Rows_Kept (a picture that
    // arrives row by row keeps only the rows around those compared).
    int Rows_Kept = 0;

    bool Empty() const { return Data == nullptr || Width <= 0 || Height <= 0; }
    bool Inside(std::int64_t X, std::int64_t Y) const
    {
        return !Empty() && X >= 0 && Y >= 0 && X < Width && Y < Height;
    }
    const std::uint8_t* Row(int Y) const
    {
        return Data + Stride * (Rows_Kept > 0 ? Y % Rows_Kept : Y);
    }
    // A pixel in the picture's own coordinates; the caller checks Inside.
    std::uint32_t At(int X, int Y) const
    {
        std::uint32_t Word;
        std::memcpy(&Word, Row(Y) + std::ptrdiff_t{X} * 4, 4);
        return Word;
    }
};

// The view of `Pixels`, empty when it has no data, no size or rows shorter
// than its width (reading such rows would leave the buffer).
T_Placed_Picture Place_Picture(const T_Pixels& Pixels, std::int64_t Left, std::int64_t Top);

// The most common colour among the picture's border pixels and a grid of
// samples over all of it: the paper a drawing is drawn on, also where a
// frame runs along the edges. White for an empty picture.
std::uint32_t Estimate_Background(const T_Placed_Picture& Picture);

// The samples behind Estimate_Background, taken row by row: where they lie
// follows from the picture's size alone, so a picture that arrives row by
// row is sampled as it comes.
class T_Background_Samples {
public:
    T_Background_Samples(int Width, int Height);
    // Row Y of the picture (Width pixels 0xAARRGGBB); each row once.
    void Take_Row(int Y, const std::uint8_t* Row);
    // The most common sample (the smallest colour among equally common
    // ones); white without samples.
    std::uint32_t Most_Common();

private:
    int Width, Height, Step;
    std::vector<std::uint32_t> Samples;
};

// A pixel on an intensity slope beside a flat area: it has at most two
// neighbours of its own colour, it lies strictly between its darkest and
// brightest neighbours, and one of those has at least three neighbours of its
// own colour, here and at the same place in the other picture when one is
// given ((Other_X, Other_Y) is where (X, Y) lies in it). Coordinates are the
// pictures' own.
bool Is_Antialiased(const T_Placed_Picture& Picture, int X, int Y, const T_Placed_Picture* Other,
                    int Other_X, int Other_Y);

struct T_Comparison_Rules {
    double Max_Delta = 0;
    // The largest difference of opacity (0..255) that still counts as the same.
    int Max_Alpha_Delta = 0;
    bool Ignore_Antialiasing = true;
    // Every pixel outside the other picture counts, not only its ink.
    bool Sizes_Differ = false;
    // Pixels never reported as changed (null: none), and where the area's
    // top left lies in the base's pixels, in which they are given.
    const T_Ignore_Areas* Ignore = nullptr;
    std::int64_t Area_Left = 0, Area_Top = 0;
};

// The opacity difference that still counts as the same for a Tolerance of
// 0..100: the same share of full opacity as the colour distance allows of
// the largest one.
int Max_Alpha_Delta_For(int Tolerance);

// Receives each changed pixel of a row, left to right, in area coordinates.
class T_Change_Sink {
public:
    virtual ~T_Change_Sink() = default;
    virtual void Record(std::int64_t X, T_Pixel_Change Change) = 0;
};

// Compares one row of the area (area row `Y`, columns 0..`Area_Width`) and
// reports every pixel that is not Same.
void Compare_Row(const T_Placed_Picture& Base, const T_Placed_Picture& Modified,
                 const T_Comparison_Rules& Rules, std::int64_t Y, std::int64_t Area_Width,
                 T_Change_Sink& Sink);

// What a pair of colours that differ beyond the tolerance amounts to, by
// which side has ink against its own paper: Removed, Added or Changed.
T_Pixel_Change Ink_Change(std::uint32_t Old, const T_Yiq& Old_Yiq, std::uint32_t New,
                          const T_Yiq& New_Yiq, const T_Placed_Picture& Base,
                          const T_Placed_Picture& Modified, double Max_Delta);

// Whether a colour stands out from the picture's paper by more than `Max_Delta`.
bool Is_Ink(std::uint32_t Colour, const T_Placed_Picture& Picture, double Max_Delta);

// Whether the picture has ink at area position (X, Y): a pixel there that
// stands out from its background by more than `Max_Delta`.
bool Has_Ink_At(const T_Placed_Picture& Picture, std::int64_t X, std::int64_t Y, double Max_Delta);

} // namespace differences
