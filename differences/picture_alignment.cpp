// Compare_Aligned: finds how the modified picture lies on the base (a
// whole-picture transform, or rows aligned as lines), lays it there as
// cheaply as it can (an offset when it merely moved by whole pixels, else
// a redrawn copy) and hands both to the difference engine.
#include "picture_alignment.h"

#include "change_regions.h"
#include "global_alignment.h"
#include "ink_grid.h"
#include "picture_warp.h"
#include "pixel_comparison.h"
#include "resampled_changes.h"
#include "row_bands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

using namespace differences;

namespace {

// A shift this close to whole pixels is compared as whole pixels: redrawing
// a picture a tenth of a pixel over would blur every line by more.
constexpr double Whole_Pixel_Slack = 0.2;

std::string Number(double Value)
{
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.2f", Value);
    std::string Out = Text;
    while (Out.back() == '0')
        Out.pop_back();
    if (Out.back() == '.')
        Out.pop_back();
    return Out == "-0" ? "0" : Out;
}

T_Pixels View_Of(const std::vector<std::uint32_t>& Pixels, int Width, int Height)
{
    return {reinterpret_cast<const std::uint8_t*>(Pixels.data()), Width, Height,
            std::ptrdiff_t{Width} * 4};
}

std::uint32_t Paper_Colour(const T_Pixels& Picture)
{
    return Estimate_Background(Place_Picture(Picture, 0, 0));
}

T_Aligned_Difference Compare_Shifted(const T_Pixels& Base, const T_Pixels& Modified,
                                     T_Difference_Options Options, const std::atomic<bool>* Cancel)
{
    T_Aligned_Difference Result;
    Result.Alignment.Mode = T_Align_Mode::Shift;
    const T_Global_Alignment Found = Estimate_Alignment(Base, Modified);
    if (!Found.Found) {
        Result.Difference = Compare_Pictures(Base, Modified, Options, Cancel);
        return Result;
    }
    T_Alignment& Alignment = Result.Alignment;
    const T_Similarity& Transform = Found.Transform;
    Alignment.Aligned = true;
    Alignment.Dx = Transform.Dx;
    Alignment.Dy = Transform.Dy;
    Alignment.Scale = Transform.Scale;
    Alignment.Rotation_Degrees = Transform.Rotation * 180 / std::numbers::pi;
    const bool Plain_Shift = Transform.Scale == 1 && Transform.Rotation == 0;
    const double Whole_X = std::round(Transform.Dx), Whole_Y = std::round(Transform.Dy);
    if (Plain_Shift && std::abs(Transform.Dx - Whole_X) <= Whole_Pixel_Slack &&
        std::abs(Transform.Dy - Whole_Y) <= Whole_Pixel_Slack) {
        Alignment.Dx = Whole_X;
        Alignment.Dy = Whole_Y;
        Options.Offset_X = -int(Whole_X);
        Options.Offset_Y = -int(Whole_Y);
        Result.Difference = Compare_Pictures(Base, Modified, Options, Cancel);
        return Result;
    }
    Result.Aligned_Pixels =
        Warp_Onto_Base(Modified, Transform, Base.Width, Base.Height, Paper_Colour(Modified));
    Result.Aligned_Width = Base.Width;
    Result.Aligned_Height = Base.Height;
    Options.Offset_X = Options.Offset_Y = 0;
    const T_Pixels Aligned = View_Of(Result.Aligned_Pixels, Base.Width, Base.Height);
    Result.Difference = Compare_Pictures(Base, Aligned, Options, Cancel);
    if (Result.Difference.Complete)
        Forgive_Resampling(Base, Modified, Aligned, Transform, Options, Result.Difference);
    Result.Difference.Modified_Width = Modified.Width;
    Result.Difference.Modified_Height = Modified.Height;
    return Result;
}

// Runs of base rows with no partner, and of modified rows that no base row
// took.
std::vector<T_Row_Band> Bands_Of(const std::vector<int>& Map, int Modified_Height)
{
    std::vector<T_Row_Band> Bands;
    const auto Add = [&](T_Row_Band::T_Kind Kind, int Row) {
        if (!Bands.empty() && Bands.back().Kind == Kind && Bands.back().To == Row)
            ++Bands.back().To;
        else
            Bands.push_back({Kind, Row, Row + 1});
    };
    std::vector<bool> Taken(std::size_t(Modified_Height), false);
    for (std::size_t Row = 0; Row < Map.size(); ++Row)
        if (Map[Row] < 0)
            Add(T_Row_Band::T_Kind::Removed, int(Row));
        else
            Taken[std::size_t(Map[Row])] = true;
    for (int Row = 0; Row < Modified_Height; ++Row)
        if (!Taken[std::size_t(Row)])
            Add(T_Row_Band::T_Kind::Added, Row);
    return Bands;
}

// The base row before which modified rows from `Row` on go in.
int Insertion_Row(const std::vector<int>& Map, int Row)
{
    for (std::size_t At = 0; At < Map.size(); ++At)
        if (Map[At] >= Row)
            return int(At);
    return int(Map.size());
}

// Each added band's ink as an Added region of no height where it goes in.
void Add_Band_Regions(const T_Pixels& Modified, const T_Alignment& Alignment,
                      const T_Difference_Options& Options, T_Difference& Difference)
{
    const T_Placed_Picture Placed = Place_Picture(Modified, 0, 0);
    T_Placed_Picture Painted = Placed;
    Painted.Background = Estimate_Background(Placed);
    Painted.Paper = To_Yiq(Painted.Background);
    const double Max_Delta = Max_Delta_For(Options.Tolerance);
    for (const T_Row_Band& Band : Alignment.Bands) {
        if (Band.Kind != T_Row_Band::T_Kind::Added)
            continue;
        std::size_t Inked = 0;
        int Left = Modified.Width, Right = -1;
        for (int Y = Band.From; Y < Band.To; ++Y)
            for (int X = 0; X < Modified.Width; ++X)
                if (Is_Ink(Painted.At(X, Y), Painted, Max_Delta)) {
                    ++Inked;
                    Left = std::min(Left, X);
                    Right = std::max(Right, X);
                }
        if (Inked == 0)
            continue;
        T_Change_Region Region;
        Region.Kind = T_Change_Region::T_Kind::Added;
        Region.Left = Left - Difference.Left;
        Region.Top = Insertion_Row(Alignment.Row_Map, Band.From) - Difference.Top;
        Region.Width = Right - Left + 1;
        Region.Height = 0;
        Region.Pixels = Inked;
        Difference.Regions.push_back(Region);
        Difference.Changed_Pixels += Inked;
    }
    Sort_Regions(Difference.Regions);
}

T_Aligned_Difference Compare_Banded(const T_Pixels& Base, const T_Pixels& Modified,
                                    T_Difference_Options Options, const std::atomic<bool>* Cancel)
{
    T_Aligned_Difference Result;
    T_Alignment& Alignment = Result.Alignment;
    Alignment.Mode = T_Align_Mode::Bands;
    Options.Offset_X = Options.Offset_Y = 0;
    std::optional<std::vector<int>> Map;
    if (Base.Data != nullptr && Modified.Data != nullptr && Base.Height > 0 && Modified.Height > 0)
        Map = Align_Rows(Base, Paper_Brightness(Base), Modified, Paper_Brightness(Modified));
    if (!Map || std::all_of(Map->begin(), Map->end(), [](int Row) { return Row < 0; })) {
        Result.Difference = Compare_Pictures(Base, Modified, Options, Cancel);
        return Result;
    }
    Alignment.Aligned = true;
    Alignment.Row_Map = std::move(*Map);
    Alignment.Bands = Bands_Of(Alignment.Row_Map, Modified.Height);
    // The modified rows laid at their base rows; removed rows are paper, so
    // that their ink shows as removed.
    const std::uint32_t Paper = Paper_Colour(Modified);
    Result.Aligned_Width = Modified.Width;
    Result.Aligned_Height = Base.Height;
    Result.Aligned_Pixels.assign(std::size_t(Modified.Width) * std::size_t(Base.Height), Paper);
    for (int Row = 0; Row < Base.Height; ++Row)
        if (const int From = Alignment.Row_Map[std::size_t(Row)]; From >= 0)
            std::memcpy(Result.Aligned_Pixels.data() +
                            std::size_t(Row) * std::size_t(Modified.Width),
                        Modified.Data + Modified.Stride * From, std::size_t(Modified.Width) * 4);
    Result.Difference = Compare_Pictures(
        Base, View_Of(Result.Aligned_Pixels, Modified.Width, Base.Height), Options, Cancel);
    Result.Difference.Modified_Width = Modified.Width;
    Result.Difference.Modified_Height = Modified.Height;
    if (Result.Difference.Complete)
        Add_Band_Regions(Modified, Alignment, Options, Result.Difference);
    return Result;
}

} // namespace

bool Parse_Align_Mode(const std::string& Word, T_Align_Mode& Mode)
{
    for (T_Align_Mode Each : {T_Align_Mode::Off, T_Align_Mode::Shift, T_Align_Mode::Bands})
        if (Word == Align_Mode_Word(Each)) {
            Mode = Each;
            return true;
        }
    return false;
}

const char* Align_Mode_Word(T_Align_Mode Mode)
{
    switch (Mode) {
    case T_Align_Mode::Shift:
        return "shift";
    case T_Align_Mode::Bands:
        return "bands";
    case T_Align_Mode::Off:
        break;
    }
    return "off";
}

std::string T_Alignment::Status() const
{
    if (Mode == T_Align_Mode::Off)
        return "off";
    return Aligned ? "aligned" : "no clear match";
}

std::string T_Alignment::Summary() const
{
    if (Mode == T_Align_Mode::Off)
        return {};
    if (!Aligned)
        return "Not aligned: no clear match";
    if (Mode == T_Align_Mode::Bands) {
        int Added = 0, Removed = 0;
        for (const T_Row_Band& Band : Bands)
            (Band.Kind == T_Row_Band::T_Kind::Added ? Added : Removed) += Band.To - Band.From;
        return "Aligned: " + std::to_string(Added) + " rows added, " + std::to_string(Removed) +
               " rows removed";
    }
    std::string Text = "Aligned: modified shifted by " + Number(Dx) + ", " + Number(Dy) + " px";
    if (Scale != 1 || Rotation_Degrees != 0)
        Text += ", scaled by " + Number((Scale - 1) * 100) + " %, turned by " +
                Number(Rotation_Degrees) + " degrees";
    return Text;
}

T_Rectangle T_Alignment::To_Modified(const T_Rectangle& In_Base) const
{
    if (!Aligned)
        return In_Base;
    if (Mode == T_Align_Mode::Bands) {
        // The rows the rectangle's base rows were compared with.
        int First = -1, Last = -1;
        for (int Row = std::max(In_Base.Top, 0);
             Row < In_Base.Top + In_Base.Height && Row < int(Row_Map.size()); ++Row)
            if (Row_Map[std::size_t(Row)] >= 0) {
                if (First < 0)
                    First = Row_Map[std::size_t(Row)];
                Last = Row_Map[std::size_t(Row)];
            }
        if (First < 0) {
            const int At = In_Base.Top < 0 ? 0 : In_Base.Top;
            int Next = At < int(Row_Map.size()) ? -1 : -1;
            for (std::size_t Row = std::size_t(At); Row < Row_Map.size() && Next < 0; ++Row)
                Next = Row_Map[Row];
            return {In_Base.Left, Next < 0 ? 0 : Next, In_Base.Width, 0};
        }
        return {In_Base.Left, First, In_Base.Width, Last - First + 1};
    }
    double Left = 1e300, Top = 1e300, Right = -1e300, Bottom = -1e300;
    const double C = Scale * std::cos(Rotation_Degrees * std::numbers::pi / 180);
    const double S = Scale * std::sin(Rotation_Degrees * std::numbers::pi / 180);
    for (double X : {double(In_Base.Left), double(In_Base.Left + In_Base.Width)})
        for (double Y : {double(In_Base.Top), double(In_Base.Top + In_Base.Height)}) {
            const double To_X = C * X - S * Y + Dx, To_Y = S * X + C * Y + Dy;
            Left = std::min(Left, To_X);
            Right = std::max(Right, To_X);
            Top = std::min(Top, To_Y);
            Bottom = std::max(Bottom, To_Y);
        }
    const int L = int(std::floor(Left + 1e-6)), T = int(std::floor(Top + 1e-6));
    return {L, T, int(std::ceil(Right - 1e-6)) - L, int(std::ceil(Bottom - 1e-6)) - T};
}

T_Aligned_Difference Compare_Aligned(const T_Pixels& Base, const T_Pixels& Modified,
                                     T_Align_Mode Mode, T_Difference_Options Options,
                                     const std::atomic<bool>* Cancel)
{
    switch (Mode) {
    case T_Align_Mode::Shift:
        return Compare_Shifted(Base, Modified, std::move(Options), Cancel);
    case T_Align_Mode::Bands:
        return Compare_Banded(Base, Modified, std::move(Options), Cancel);
    case T_Align_Mode::Off:
        break;
    }
    T_Aligned_Difference Result;
    Result.Difference = Compare_Pictures(Base, Modified, Options, Cancel);
    return Result;
}
