// Pixel comparison. Most pixels of two versions of a drawing are identical,
// so a row is compared in blocks of whole 32-bit words first and only the
// blocks that differ are looked at pixel by pixel; the colour arithmetic
// runs for the few pixels whose words differ.
#include "differences/pixel_comparison.h"

#include <algorithm>
#include <bit>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace differences {

namespace {

// The channel values of a colour blended over white: what a transparent
// pixel shows on paper.
struct T_Rgb {
    double R, G, B;
};
T_Rgb Over_White(std::uint32_t Colour)
{
    const double Alpha = ((Colour >> 24) & 0xFF) * (1.0 / 255);
    const auto Blend = [Alpha](std::uint32_t Channel) { return 255.0 + (Channel - 255.0) * Alpha; };
    return {Blend((Colour >> 16) & 0xFF), Blend((Colour >> 8) & 0xFF), Blend(Colour & 0xFF)};
}

// Pixels per block of the word-by-word scan: 256 bytes, long enough for the
// library's vectorised compare and short enough to narrow a difference down.
constexpr std::int64_t Block = 64;

// How many neighbours of the pixel at (X, Y) have exactly its colour,
// counting no further than `Enough`.
int Equal_Neighbours(const T_Placed_Picture& Picture, int X, int Y, int Enough)
{
    const std::uint32_t Colour = Picture.At(X, Y);
    if (X > 0 && Y > 0 && X + 1 < Picture.Width && Y + 1 < Picture.Height) {
        // Inside the picture, all eight are there: count them without checks.
        int Equal = -1; // the pixel itself is counted below
        for (int Dy = -1; Dy <= 1; ++Dy) {
            const std::uint8_t* Row = Picture.Row(Y + Dy) + std::ptrdiff_t{X - 1} * 4;
            for (int Dx = 0; Dx < 3; ++Dx) {
                std::uint32_t Neighbour;
                std::memcpy(&Neighbour, Row + Dx * 4, 4);
                Equal += Neighbour == Colour;
            }
            if (Equal + (Dy < 0) >= Enough)
                return std::min(Equal + (Dy < 0), Enough);
        }
        return std::min(Equal, Enough);
    }
    int Equal = 0;
    for (int Dy = -1; Dy <= 1; ++Dy)
        for (int Dx = -1; Dx <= 1; ++Dx)
            if ((Dx != 0 || Dy != 0) && Picture.Inside(X + Dx, Y + Dy) &&
                Picture.At(X + Dx, Y + Dy) == Colour && ++Equal == Enough)
                return Equal;
    return Equal;
}

// Whether a colour (with its YIQ) stands out from the picture's paper.
bool Stands_Out(std::uint32_t Colour, const T_Yiq& Yiq, const T_Placed_Picture& Picture,
                double Max_Delta)
{
    return Colour != Picture.Background && Yiq_Delta(Yiq, Picture.Paper) > Max_Delta;
}

bool Stands_Out(std::uint32_t Colour, const T_Placed_Picture& Picture, double Max_Delta)
{
    return Colour != Picture.Background && Stands_Out(Colour, To_Yiq(Colour), Picture, Max_Delta);
}

// What a pair of differing colours amounts to, wherever it lies: Same within
// the tolerance, else by which side has ink. Neighbouring pixels mostly
// repeat the last pair, so its answer is kept.
class T_Colour_Verdicts {
public:
    T_Colour_Verdicts(const T_Placed_Picture& Old_Picture, const T_Placed_Picture& New_Picture,
                      const T_Comparison_Rules& Rules)
        : Base(Old_Picture), Modified(New_Picture), Max_Delta(Rules.Max_Delta),
          Max_Alpha_Delta(Rules.Max_Alpha_Delta)
    {
    }
    T_Pixel_Change Of(std::uint32_t Old, std::uint32_t New)
    {
        if (Old != Last_Old || New != Last_New || !Known) {
            Last_Old = Old;
            Last_New = New;
            Known = true;
            Last = Judge(Old, New);
        }
        return Last;
    }

private:
    T_Pixel_Change Judge(std::uint32_t Old, std::uint32_t New) const
    {
        const T_Yiq Old_Yiq = To_Yiq(Old), New_Yiq = To_Yiq(New);
        // Colours are compared as shown on white paper, so opacity is
        // compared on its own: white that became transparent looks the same
        // on paper but is not the same picture.
        const int Alpha_Delta = std::abs(int(Old >> 24) - int(New >> 24));
        if (Yiq_Delta(Old_Yiq, New_Yiq) <= Max_Delta && Alpha_Delta <= Max_Alpha_Delta)
            return T_Pixel_Change::Same;
        return Ink_Change(Old, Old_Yiq, New, New_Yiq, Base, Modified, Max_Delta);
    }

    const T_Placed_Picture& Base;
    const T_Placed_Picture& Modified;
    double Max_Delta;
    int Max_Alpha_Delta;
    std::uint32_t Last_Old = 0, Last_New = 0;
    bool Known = false;
    T_Pixel_Change Last = T_Pixel_Change::Same;
};

// Area columns [From, To) where both pictures lie on row Y.
void Compare_Both(const T_Placed_Picture& Base, const T_Placed_Picture& Modified,
                  const T_Comparison_Rules& Rules, std::int64_t Y, std::int64_t From,
                  std::int64_t To, T_Change_Sink& Sink)
{
    const int Base_Y = int(Y - Base.Top);
    const int Modified_Y = int(Y - Modified.Top);
    const std::uint8_t* Old = Base.Row(Base_Y) + (From - Base.Left) * 4;
    const std::uint8_t* New = Modified.Row(Modified_Y) + (From - Modified.Left) * 4;
    T_Colour_Verdicts Verdicts(Base, Modified, Rules);
    for (std::int64_t Start = From; Start < To; Start += Block) {
        const std::int64_t Count = std::min(Block, To - Start);
        const std::int64_t Offset = (Start - From) * 4;
        if (std::memcmp(Old + Offset, New + Offset, std::size_t(Count) * 4) == 0)
            continue;
        for (std::int64_t X = Start; X < Start + Count; ++X) {
            std::uint32_t Old_Colour, New_Colour;
            std::memcpy(&Old_Colour, Old + (X - From) * 4, 4);
            std::memcpy(&New_Colour, New + (X - From) * 4, 4);
            if (Old_Colour == New_Colour)
                continue;
            const T_Pixel_Change Change = Verdicts.Of(Old_Colour, New_Colour);
            const int Base_X = int(X - Base.Left), Modified_X = int(X - Modified.Left);
            if (Change == T_Pixel_Change::Same ||
                (Rules.Ignore_Antialiasing &&
                 (Is_Antialiased(Base, Base_X, Base_Y, &Modified, Modified_X, Modified_Y) ||
                  Is_Antialiased(Modified, Modified_X, Modified_Y, &Base, Base_X, Base_Y))))
                continue;
            Sink.Record(X, Change);
        }
    }
}

// Area columns [From, To) of row Y where only `Picture` lies. Between
// pictures of different sizes every pixel there is area that the other
// picture lacks, paper included, so that a picture that grew or shrank never
// passes for the same. Between pictures of one size (moved against each
// other by an offset) the paper that the offset uncovers is no change; only
// the ink there is what the other picture lacks.
void Compare_Alone(const T_Placed_Picture& Picture, T_Pixel_Change Ink_Change,
                   const T_Comparison_Rules& Rules, std::int64_t Y, std::int64_t From,
                   std::int64_t To, T_Change_Sink& Sink)
{
    if (Rules.Sizes_Differ) {
        for (std::int64_t X = From; X < To; ++X)
            Sink.Record(X, Ink_Change);
        return;
    }
    std::array<std::uint32_t, Block> Paper;
    Paper.fill(Picture.Background);
    const int Row_Y = int(Y - Picture.Top);
    const std::uint8_t* Row = Picture.Row(Row_Y) + (From - Picture.Left) * 4;
    std::uint32_t Last_Colour = Picture.Background; // the paper never stands out
    bool Last_Stands_Out = false;
    for (std::int64_t Start = From; Start < To; Start += Block) {
        const std::int64_t Count = std::min(Block, To - Start);
        const std::uint8_t* Pixels = Row + (Start - From) * 4;
        if (std::memcmp(Pixels, Paper.data(), std::size_t(Count) * 4) == 0)
            continue;
        for (std::int64_t X = Start; X < Start + Count; ++X) {
            const int Picture_X = int(X - Picture.Left);
            const std::uint32_t Colour = Picture.At(Picture_X, Row_Y);
            if (Colour != Last_Colour) {
                Last_Colour = Colour;
                Last_Stands_Out = Stands_Out(Colour, Picture, Rules.Max_Delta);
            }
            if (!Last_Stands_Out)
                continue;
            if (Rules.Ignore_Antialiasing &&
                Is_Antialiased(Picture, Picture_X, Row_Y, nullptr, 0, 0))
                continue;
            Sink.Record(X, Ink_Change);
        }
    }
}

// The area columns [From, To) that `Picture` covers on row Y (empty when it
// does not reach that row).
void Span_Of(const T_Placed_Picture& Picture, std::int64_t Y, std::int64_t& From, std::int64_t& To)
{
    From = To = 0;
    if (Picture.Empty() || Y < Picture.Top || Y >= Picture.Top + Picture.Height)
        return;
    From = Picture.Left;
    To = Picture.Left + Picture.Width;
}

} // namespace

T_Yiq To_Yiq(std::uint32_t Colour)
{
    const T_Rgb C = Over_White(Colour);
    return {C.R * 0.29889531 + C.G * 0.58662247 + C.B * 0.11448223,
            C.R * 0.59597799 - C.G * 0.27417610 - C.B * 0.32180189,
            C.R * 0.21147017 - C.G * 0.52261711 + C.B * 0.31114694};
}

double Yiq_Delta(const T_Yiq& First, const T_Yiq& Second)
{
    const double Y = First.Y - Second.Y, I = First.I - Second.I, Q = First.Q - Second.Q;
    return 0.5053 * Y * Y + 0.299 * I * I + 0.1957 * Q * Q;
}

double Brightness(std::uint32_t Colour)
{
    const T_Rgb C = Over_White(Colour);
    return C.R * 0.29889531 + C.G * 0.58662247 + C.B * 0.11448223;
}

double Max_Delta_For(int Tolerance)
{
    if (Tolerance >= 100) // every pair, whatever the rounding of the scale's corners
        return std::numeric_limits<double>::infinity();
    const double T = std::max(Tolerance, 0) / 100.0;
    return Max_Yiq_Delta * T * T;
}

int Max_Alpha_Delta_For(int Tolerance)
{
    if (Tolerance >= 100)
        return 255;
    return 255 * std::max(Tolerance, 0) / 100;
}

T_Placed_Picture Place_Picture(const T_Pixels& Pixels, std::int64_t Left, std::int64_t Top)
{
    T_Placed_Picture Picture;
    if (Pixels.Data == nullptr || Pixels.Width <= 0 || Pixels.Height <= 0 ||
        Pixels.Stride < std::ptrdiff_t{Pixels.Width} * 4)
        return Picture;
    Picture.Data = Pixels.Data;
    Picture.Width = Pixels.Width;
    Picture.Height = Pixels.Height;
    Picture.Stride = Pixels.Stride;
    Picture.Left = Left;
    Picture.Top = Top;
    Picture.Background = Estimate_Background(Picture);
    Picture.Paper = To_Yiq(Picture.Background);
    return Picture;
}

std::uint32_t Estimate_Background(const T_Placed_Picture& Picture)
{
    if (Picture.Empty())
        return 0xFFFFFFFFu;
    T_Background_Samples Samples(Picture.Width, Picture.Height);
    for (int Y = 0; Y < Picture.Height; ++Y)
        Samples.Take_Row(Y, Picture.Row(Y));
    return Samples.Most_Common();
}

// The commonest colour of the border and of a grid over the whole picture: a
// frame drawn along the edges (or a renderer's dark edge line) must not pass
// for the paper, or every line on it would count as removed where it was
// added.
T_Background_Samples::T_Background_Samples(int Picture_Width, int Picture_Height)
    : Width(Picture_Width), Height(Picture_Height),
      Step(std::max(1, int(std::sqrt(double(Picture_Width) * Picture_Height / 65536.0))))
{
    Samples.reserve(2 * (std::size_t(std::max(Width, 0)) + std::size_t(std::max(Height, 0))) +
                    70000);
}

void T_Background_Samples::Take_Row(int Y, const std::uint8_t* Row)
{
    const auto At = [Row](int X) {
        std::uint32_t Word;
        std::memcpy(&Word, Row + std::ptrdiff_t{X} * 4, 4);
        return Word;
    };
    for (int Edge : {0, Height - 1})
        if (Y == Edge)
            for (int X = 0; X < Width; ++X)
                Samples.push_back(At(X));
    Samples.push_back(At(0));
    Samples.push_back(At(Width - 1));
    if (Y >= Step / 2 && (Y - Step / 2) % Step == 0)
        for (int X = Step / 2; X < Width; X += Step)
            Samples.push_back(At(X));
}

std::uint32_t T_Background_Samples::Most_Common()
{
    if (Samples.empty())
        return 0xFFFFFFFFu;
    // Counted in an open-addressed table, in one pass: sorting the samples
    // took as long as decoding a screenshot. Of colours sampled equally
    // often the lowest wins, so that the choice never depends on the order
    // the samples came in.
    const std::size_t Slots = std::bit_ceil(Samples.size() * 2);
    const int Shift = 64 - std::countr_zero(Slots);
    std::vector<std::uint32_t> Colours(Slots);
    std::vector<std::uint32_t> Counts(Slots, 0);
    std::uint32_t Best = Samples.front();
    std::uint32_t Best_Count = 0;
    for (const std::uint32_t Colour : Samples) {
        std::size_t Slot = std::size_t((Colour * 0x9E3779B97F4A7C15ull) >> Shift);
        while (Counts[Slot] != 0 && Colours[Slot] != Colour)
            Slot = (Slot + 1) & (Slots - 1);
        Colours[Slot] = Colour;
        const std::uint32_t Count = ++Counts[Slot];
        if (Count > Best_Count || (Count == Best_Count && Colour < Best)) {
            Best_Count = Count;
            Best = Colour;
        }
    }
    return Best;
}

bool Is_Antialiased(const T_Placed_Picture& Picture, int X, int Y, const T_Placed_Picture* Other,
                    int Other_X, int Other_Y)
{
    if (Equal_Neighbours(Picture, X, Y, 3) > 2)
        return false; // inside a flat area, not on an edge
    const std::uint32_t Colour = Picture.At(X, Y);
    const double Own = Brightness(Colour);
    double Darkest = Own, Brightest = Own;
    int Dark_X = -1, Dark_Y = -1, Bright_X = -1, Bright_Y = -1;
    for (int Dy = -1; Dy <= 1; ++Dy) {
        for (int Dx = -1; Dx <= 1; ++Dx) {
            if ((Dx == 0 && Dy == 0) || !Picture.Inside(X + Dx, Y + Dy))
                continue;
            const std::uint32_t Neighbour = Picture.At(X + Dx, Y + Dy);
            if (Neighbour == Colour)
                continue;
            const double Level = Brightness(Neighbour);
            if (Level < Darkest) {
                Darkest = Level;
                Dark_X = X + Dx;
                Dark_Y = Y + Dy;
            }
            if (Level > Brightest) {
                Brightest = Level;
                Bright_X = X + Dx;
                Bright_Y = Y + Dy;
            }
        }
    }
    if (Dark_X < 0 || Bright_X < 0)
        return false;
    // An edge pixel lies between the two sides it blends, and one of them is
    // a flat area of its own colour, in this picture and, where there is
    // one, at the same place in the other (a thin line's dark core is not
    // flat, the paper beside it is).
    auto flat = [&](int At_X, int At_Y) {
        if (Equal_Neighbours(Picture, At_X, At_Y, 3) < 3)
            return false;
        const int Shifted_X = At_X - X + Other_X, Shifted_Y = At_Y - Y + Other_Y;
        return !Other || !Other->Inside(Shifted_X, Shifted_Y) ||
               Equal_Neighbours(*Other, Shifted_X, Shifted_Y, 3) >= 3;
    };
    return flat(Dark_X, Dark_Y) || flat(Bright_X, Bright_Y);
}

void Compare_Row(const T_Placed_Picture& Base, const T_Placed_Picture& Modified,
                 const T_Comparison_Rules& Rules, std::int64_t Y, std::int64_t Area_Width,
                 T_Change_Sink& Sink)
{
    std::int64_t Base_From, Base_To, Modified_From, Modified_To;
    Span_Of(Base, Y, Base_From, Base_To);
    Span_Of(Modified, Y, Modified_From, Modified_To);
    // The row splits at the pictures' edges into stretches covered by both,
    // by one or by neither.
    std::array<std::int64_t, 6> Edges{0,       Area_Width,    Base_From,
                                      Base_To, Modified_From, Modified_To};
    for (std::int64_t& Edge : Edges)
        Edge = std::clamp<std::int64_t>(Edge, 0, Area_Width);
    std::sort(Edges.begin(), Edges.end());
    for (std::size_t Index = 0; Index + 1 < Edges.size(); ++Index) {
        const std::int64_t From = Edges[Index], To = Edges[Index + 1];
        if (From == To)
            continue;
        const bool In_Base = From >= Base_From && To <= Base_To;
        const bool In_Modified = From >= Modified_From && To <= Modified_To;
        if (In_Base && In_Modified)
            Compare_Both(Base, Modified, Rules, Y, From, To, Sink);
        else if (In_Base)
            Compare_Alone(Base, T_Pixel_Change::Removed, Rules, Y, From, To, Sink);
        else if (In_Modified)
            Compare_Alone(Modified, T_Pixel_Change::Added, Rules, Y, From, To, Sink);
    }
}

T_Pixel_Change Ink_Change(std::uint32_t Old, const T_Yiq& Old_Yiq, std::uint32_t New,
                          const T_Yiq& New_Yiq, const T_Placed_Picture& Base,
                          const T_Placed_Picture& Modified, double Max_Delta)
{
    const bool Old_Ink = Stands_Out(Old, Old_Yiq, Base, Max_Delta);
    const bool New_Ink = Stands_Out(New, New_Yiq, Modified, Max_Delta);
    if (Old_Ink != New_Ink)
        return Old_Ink ? T_Pixel_Change::Removed : T_Pixel_Change::Added;
    return T_Pixel_Change::Changed;
}

bool Is_Ink(std::uint32_t Colour, const T_Placed_Picture& Picture, double Max_Delta)
{
    return Stands_Out(Colour, Picture, Max_Delta);
}

bool Has_Ink_At(const T_Placed_Picture& Picture, std::int64_t X, std::int64_t Y, double Max_Delta)
{
    const std::int64_t Own_X = X - Picture.Left, Own_Y = Y - Picture.Top;
    if (!Picture.Inside(Own_X, Own_Y))
        return false;
    return Stands_Out(Picture.At(int(Own_X), int(Own_Y)), Picture, Max_Delta);
}

} // namespace differences
