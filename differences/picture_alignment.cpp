// Compare_Aligned: finds how the modified picture lies on the base (a
// whole-picture transform, or rows aligned as lines), lays it there as
// cheaply as it can (an offset when it merely moved by whole pixels, else
// a redrawn copy) and hands both to the difference engine.
#include "differences/picture_alignment.h"

#include "differences/band_comparison.h"
#include "differences/change_groups.h"
#include "differences/change_regions.h"
#include "differences/column_bands.h"
#include "differences/phase_correlation.h"
#include "differences/global_alignment.h"
#include "differences/in_place_check.h"
#include "differences/ink_grid.h"
#include "differences/picture_warp.h"
#include "differences/pixel_comparison.h"
#include "differences/resampled_changes.h"
#include "differences/row_bands.h"

#include <kiss_fft.h>

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

// Groups the regions again once the bands put in have their own regions.
void Regroup(const T_Pixels& Base, const T_Pixels& Aligned, const T_Difference_Options& Options,
             T_Difference& Difference)
{
    const T_Comparison_Rules Rules = Comparison_Rules_For(Options, false);
    const T_Placed_Picture Placed_Base = Place_Picture(Base, -Difference.Left, -Difference.Top);
    const T_Placed_Picture Placed_Aligned =
        Place_Picture(Aligned, -Difference.Left, -Difference.Top);
    Group_Changes(Difference, Options.Region_Gap, T_Picture_Ink(Placed_Base, Rules.Max_Delta),
                  T_Picture_Ink(Placed_Aligned, Rules.Max_Delta), nullptr);
}

// Plain: the pair compared as it lies, what is shown when no move is found,
// and enough on its own when most of the ink already compares the same.
T_Aligned_Difference Compare_Shifted(const T_Pixels& Base, const T_Pixels& Modified,
                                     T_Difference_Options Options, const T_Difference& Plain,
                                     const std::atomic<bool>* Cancel)
{
    T_Aligned_Difference Result;
    T_Alignment& Alignment = Result.Alignment;
    Alignment.Mode = T_Align_Mode::Shift;
    Result.Difference = Plain;
    if (!Result.Difference.Complete)
        return Result;
    if (Options.Offset_X == 0 && Options.Offset_Y == 0 && Lies_In_Place(Base, Result.Difference)) {
        Alignment.Aligned = true;
        return Result;
    }
    const T_Global_Alignment Found = Estimate_Alignment(Base, Modified);
    if (!Found.Found)
        return Result;
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
        // A move found to be none is the comparison already made.
        if (Whole_X == 0 && Whole_Y == 0 && Options.Offset_X == 0 && Options.Offset_Y == 0)
            return Result;
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

// The picture placed at the origin with its paper found, so that ink can
// be told from paper.
T_Placed_Picture On_Its_Paper(const T_Pixels& Picture)
{
    T_Placed_Picture Painted = Place_Picture(Picture, 0, 0);
    Painted.Background = Estimate_Background(Painted);
    Painted.Paper = To_Yiq(Painted.Background);
    return Painted;
}

// Each added band's ink as an Added region of no height where it goes in.
void Add_Band_Regions(const T_Pixels& Modified, const T_Alignment& Alignment,
                      const T_Difference_Options& Options, T_Difference& Difference)
{
    const T_Placed_Picture Painted = On_Its_Paper(Modified);
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

// The picture's ink summed down each column, repeated over a few rows of
// a grid `Cells` wide (the rest stays 0: room for the move).
T_Grid Column_Profile(const T_Pixels& Picture, int Paper, int Cells)
{
    constexpr int Rows = 4; // the least a phase correlation takes
    T_Grid Profile(Cells, Rows);
    for (int Y = 0; Y < Picture.Height; ++Y) {
        const std::uint8_t* Row = Picture.Data + Picture.Stride * Y;
        for (int X = 0; X < Picture.Width && X < Cells; ++X) {
            std::uint32_t Colour;
            std::memcpy(&Colour, Row + std::ptrdiff_t{X} * 4, 4);
            Profile.At(X, 0) += float(Ink_Level(Colour, Paper)) / 255.0f;
        }
    }
    for (int Y = 1; Y < Rows; ++Y)
        for (int X = 0; X < Cells; ++X)
            Profile.At(X, Y) = Profile.At(X, 0);
    return Profile;
}

// A clear sideways move of the whole modified picture (0: none), from its
// columns' ink: rows that show the same content further right would not
// match as rows. A move down, or content inserted between rows, leaves the
// columns' ink where it was, and the rows' alignment takes it up.
double Sideways_Move(const T_Pixels& Base, int Base_Paper, const T_Pixels& Modified,
                     int Modified_Paper)
{
    const int Wider = std::max(Base.Width, Modified.Width);
    const int Cells = kiss_fft_next_fast_size(std::max(8, Wider + Wider / 4));
    const T_Correlation_Peak Peak =
        Correlate_Phases(Column_Profile(Base, Base_Paper, Cells),
                         Column_Profile(Modified, Modified_Paper, Cells), Wider / 4);
    if (Peak.Clarity < Least_Clarity || std::abs(Peak.Dx) < 0.5)
        return 0;
    const double Whole = std::round(Peak.Dx);
    return std::abs(Peak.Dx - Whole) <= Whole_Pixel_Slack ? Whole : Peak.Dx;
}

// How many of the base's rows show what some row of the other picture
// shows.
std::size_t Rows_Found(const std::vector<std::uint64_t>& Base_Rows,
                       const std::vector<std::uint64_t>& Other_Rows)
{
    std::vector<std::uint64_t> Sorted = Other_Rows;
    std::sort(Sorted.begin(), Sorted.end());
    return std::size_t(std::count_if(Base_Rows.begin(), Base_Rows.end(), [&](std::uint64_t Row) {
        return std::binary_search(Sorted.begin(), Sorted.end(), Row);
    }));
}

// The modified picture with its content moved back by Dx pixels, on its own
// size: copied for whole pixels, redrawn between pixels otherwise; paper
// where nothing comes.
std::vector<std::uint32_t> Moved_Sideways(const T_Pixels& Modified, double Dx, std::uint32_t Paper)
{
    if (Dx != std::round(Dx))
        return Warp_Onto_Base(Modified, T_Similarity{1, 0, Dx, 0}, Modified.Width, Modified.Height,
                              Paper);
    const int Shift = int(Dx);
    std::vector<std::uint32_t> Moved(std::size_t(Modified.Width) * std::size_t(Modified.Height),
                                     Paper);
    const int From = std::max(0, -Shift), To = std::min(Modified.Width, Modified.Width - Shift);
    if (From < To)
        for (int Row = 0; Row < Modified.Height; ++Row)
            std::memcpy(Moved.data() + std::size_t(Row) * std::size_t(Modified.Width) +
                            std::size_t(From),
                        Modified.Data + Modified.Stride * Row + std::ptrdiff_t(From + Shift) * 4,
                        std::size_t(To - From) * 4);
    return Moved;
}

// Runs of base rows [Top, Bottom) paired with consecutive modified rows
// whose signatures differ: content that may have moved sideways there.
std::vector<std::pair<int, int>> Differing_Stretches(const std::vector<int>& Row_Map,
                                                     const std::vector<std::uint64_t>& Base_Rows,
                                                     const std::vector<std::uint64_t>& Rows)
{
    constexpr int Least_Rows = 4;
    std::vector<std::pair<int, int>> Stretches;
    int Top = -1;
    const auto Close = [&](int Bottom) {
        if (Top >= 0 && Bottom - Top >= Least_Rows)
            Stretches.emplace_back(Top, Bottom);
        Top = -1;
    };
    for (int Row = 0; Row < int(Row_Map.size()); ++Row) {
        const int To = Row_Map[std::size_t(Row)];
        const bool Differs = To >= 0 && Base_Rows[std::size_t(Row)] != Rows[std::size_t(To)];
        if (!Differs || (Top >= 0 && To != Row_Map[std::size_t(Row - 1)] + 1))
            Close(Row);
        if (Differs && Top < 0)
            Top = Row;
    }
    Close(int(Row_Map.size()));
    return Stretches;
}

// Whether any pixel of columns [Left, Right) of rows [Top, Bottom) is ink
// as the signatures count it.
bool Has_Ink(const T_Pixels& Picture, int Paper, int Left, int Right, int Top, int Bottom)
{
    for (int Y = std::max(Top, 0); Y < std::min(Bottom, Picture.Height); ++Y)
        for (int X = std::max(Left, 0); X < std::min(Right, Picture.Width); ++X) {
            std::uint32_t Colour;
            std::memcpy(&Colour, Picture.Data + Picture.Stride * Y + std::ptrdiff_t{X} * 4, 4);
            if (Ink_Level(Colour, Paper) > Signature_Ink_Threshold)
                return true;
        }
    return false;
}

// Runs of columns that `Taken` says nobody took, as bands.
void Add_Untaken(const std::vector<bool>& Taken, T_Row_Band::T_Kind Kind, int Offset, int Top,
                 int Bottom, std::vector<T_Column_Band>& Bands)
{
    for (int Column = 0; Column < int(Taken.size()); ++Column) {
        if (Taken[std::size_t(Column)])
            continue;
        if (!Bands.empty() && Bands.back().Kind == Kind && Bands.back().Top == Top &&
            Bands.back().To == Column + Offset)
            ++Bands.back().To;
        else
            Bands.push_back({Kind, Column + Offset, Column + Offset + 1, Top, Bottom});
    }
}

// Aligns the columns of the stretches of paired rows whose content moved
// sideways, redraws those rows of the aligned picture column by column and
// notes the blocks and the columns found on one side only. `Source` is the
// modified picture as the rows were aligned with (moved back by Shift
// whole pixels).
void Align_Sideways_Stretches(const T_Pixels& Base, int Base_Paper, const T_Pixels& Source,
                              int Source_Paper, const std::vector<std::uint64_t>& Base_Rows,
                              const std::vector<std::uint64_t>& Source_Rows, int Shift,
                              std::uint32_t Paper, T_Aligned_Difference& Result)
{
    T_Alignment& Alignment = Result.Alignment;
    const int Width = Result.Aligned_Width;
    const T_Pixels Aligned = View_Of(Result.Aligned_Pixels, Width, Result.Aligned_Height);
    for (const auto& [Top, Bottom] :
         Differing_Stretches(Alignment.Row_Map, Base_Rows, Source_Rows)) {
        std::optional<std::vector<int>> Map =
            Align_Columns(Base, Base_Paper, Aligned, Source_Paper, Top, Bottom);
        if (!Map)
            continue;
        std::vector<bool> Base_Taken(std::size_t(Base.Width), false);
        std::vector<bool> Source_Taken(std::size_t(Width), false);
        for (int Row = Top; Row < Bottom; ++Row) {
            const std::uint8_t* From =
                Source.Data + Source.Stride * Alignment.Row_Map[std::size_t(Row)];
            std::uint32_t* To =
                Result.Aligned_Pixels.data() + std::size_t(Row) * std::size_t(Width);
            for (int Column = 0; Column < Width; ++Column) {
                const int Taken = Column < Base.Width ? (*Map)[std::size_t(Column)] : -1;
                if (Taken >= 0)
                    std::memcpy(To + Column, From + std::ptrdiff_t(Taken) * 4, 4);
                else
                    To[Column] = Paper;
            }
        }
        for (int Column = 0; Column < Base.Width; ++Column)
            if (const int Taken = (*Map)[std::size_t(Column)]; Taken >= 0)
                Base_Taken[std::size_t(Column)] = Source_Taken[std::size_t(Taken)] = true;
        std::vector<T_Column_Band> Bands;
        Add_Untaken(Source_Taken, T_Row_Band::T_Kind::Added, Shift, Alignment.Row_Map[Top],
                    Alignment.Row_Map[Bottom - 1] + 1, Bands);
        Add_Untaken(Base_Taken, T_Row_Band::T_Kind::Removed, 0, Top, Bottom, Bands);
        // Paper that only made room (the page's margin giving way to
        // inserted columns) is no band.
        for (const T_Column_Band& Band : Bands) {
            const bool Added = Band.Kind == T_Row_Band::T_Kind::Added;
            if (Has_Ink(Added ? Source : Base, Added ? Source_Paper : Base_Paper,
                        Band.From - (Added ? Shift : 0), Band.To - (Added ? Shift : 0), Band.Top,
                        Band.Bottom))
                Alignment.Column_Bands.push_back(Band);
        }
        Alignment.Column_Blocks.push_back({Top, Bottom, std::move(*Map)});
    }
}

// The base column before which modified columns from `Column` on go in.
int Insertion_Column(const std::vector<int>& Map, int Column)
{
    for (std::size_t At = 0; At < Map.size(); ++At)
        if (Map[At] >= Column)
            return int(At);
    return int(Map.size());
}

// Each added band of columns' ink as an Added region of no width where it
// goes in, over the base rows its ink lies on.
void Add_Column_Band_Regions(const T_Pixels& Source, int Shift, const T_Alignment& Alignment,
                             const T_Difference_Options& Options, T_Difference& Difference)
{
    const T_Placed_Picture Painted = On_Its_Paper(Source);
    const double Max_Delta = Max_Delta_For(Options.Tolerance);
    for (const T_Column_Band& Band : Alignment.Column_Bands) {
        if (Band.Kind != T_Row_Band::T_Kind::Added)
            continue;
        const auto Block =
            std::find_if(Alignment.Column_Blocks.begin(), Alignment.Column_Blocks.end(),
                         [&](const T_Column_Block& Each) {
                             return Alignment.Row_Map[std::size_t(Each.Top)] == Band.Top;
                         });
        if (Block == Alignment.Column_Blocks.end())
            continue;
        std::size_t Inked = 0;
        int First = -1, Last = -1;
        for (int Y = Band.Top; Y < Band.Bottom; ++Y)
            for (int X = Band.From - Shift; X < Band.To - Shift; ++X)
                if (Is_Ink(Painted.At(X, Y), Painted, Max_Delta)) {
                    ++Inked;
                    First = First < 0 ? Y : First;
                    Last = Y;
                }
        if (Inked == 0)
            continue;
        T_Change_Region Region;
        Region.Kind = T_Change_Region::T_Kind::Added;
        Region.Left = Insertion_Column(Block->Column_Map, Band.From - Shift) - Difference.Left;
        Region.Top = Block->Top + (First - Band.Top) - Difference.Top;
        Region.Width = 0;
        Region.Height = Last - First + 1;
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
    if (Base.Data == nullptr || Modified.Data == nullptr || Base.Height <= 0 ||
        Modified.Height <= 0) {
        Result.Difference = Compare_Pictures(Base, Modified, Options, Cancel);
        return Result;
    }
    const std::uint32_t Paper = Paper_Colour(Modified);
    const int Base_Paper = Paper_Brightness(Base), Source_Paper = Paper_Brightness(Modified);
    const std::vector<std::uint64_t> Base_Rows = Row_Signatures(Base, Base_Paper);
    // The rows are aligned on the modified picture moved back sideways,
    // when the move lets more rows find their match than it costs.
    T_Pixels Source = Modified;
    std::vector<std::uint64_t> Source_Rows = Row_Signatures(Modified, Source_Paper);
    std::vector<std::uint32_t> Moved;
    double Dx = Sideways_Move(Base, Base_Paper, Modified, Source_Paper);
    if (Dx != 0) {
        Moved = Moved_Sideways(Modified, Dx, Paper);
        const T_Pixels Moved_View = View_Of(Moved, Modified.Width, Modified.Height);
        std::vector<std::uint64_t> Moved_Rows = Row_Signatures(Moved_View, Source_Paper);
        if (Rows_Found(Base_Rows, Moved_Rows) > Rows_Found(Base_Rows, Source_Rows)) {
            Source = Moved_View;
            Source_Rows = std::move(Moved_Rows);
        } else {
            Dx = 0;
        }
    }
    std::optional<std::vector<int>> Map = Align_Rows(Base_Rows, Source_Rows);
    if (!Map || std::all_of(Map->begin(), Map->end(), [](int Row) { return Row < 0; })) {
        Result.Difference = Compare_Pictures(Base, Modified, Options, Cancel);
        return Result;
    }
    Alignment.Aligned = true;
    Alignment.Dx = Dx;
    Alignment.Row_Map = std::move(*Map);
    Alignment.Bands = Bands_Of(Alignment.Row_Map, Modified.Height);
    // The modified rows laid at their base rows; removed rows are paper, so
    // that their ink shows as removed.
    Result.Aligned_Width = Modified.Width;
    Result.Aligned_Height = Base.Height;
    Result.Aligned_Pixels.assign(std::size_t(Modified.Width) * std::size_t(Base.Height), Paper);
    for (int Row = 0; Row < Base.Height; ++Row)
        if (const int From = Alignment.Row_Map[std::size_t(Row)]; From >= 0)
            std::memcpy(Result.Aligned_Pixels.data() +
                            std::size_t(Row) * std::size_t(Modified.Width),
                        Source.Data + Source.Stride * From, std::size_t(Modified.Width) * 4);
    const int Shift = int(std::lround(Dx));
    Align_Sideways_Stretches(Base, Base_Paper, Source, Source_Paper, Base_Rows, Source_Rows, Shift,
                             Paper, Result);
    Result.Difference = Compare_Pictures(
        Base, View_Of(Result.Aligned_Pixels, Modified.Width, Base.Height), Options, Cancel);
    Result.Difference.Modified_Width = Modified.Width;
    Result.Difference.Modified_Height = Modified.Height;
    if (Result.Difference.Complete) {
        Add_Band_Regions(Source, Alignment, Options, Result.Difference);
        Add_Column_Band_Regions(Source, Shift, Alignment, Options, Result.Difference);
        Regroup(Base, View_Of(Result.Aligned_Pixels, Modified.Width, Base.Height), Options,
                Result.Difference);
    }
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
    if (Did_Not_Help)
        return "did not help";
    return Aligned ? "aligned" : "no clear match";
}

std::string T_Alignment::Summary() const
{
    if (Mode == T_Align_Mode::Off)
        return {};
    if (Did_Not_Help)
        return "Alignment did not help: compared as the pair lies";
    if (!Aligned)
        return "Not aligned: no clear match";
    if (Mode == T_Align_Mode::Bands) {
        int Added = 0, Removed = 0;
        for (const T_Row_Band& Band : Bands)
            (Band.Kind == T_Row_Band::T_Kind::Added ? Added : Removed) += Band.To - Band.From;
        std::string Text = "Aligned: " + std::to_string(Added) + " rows added, " +
                           std::to_string(Removed) + " rows removed";
        if (!Column_Bands.empty()) {
            int Added_Columns = 0, Removed_Columns = 0;
            for (const T_Column_Band& Band : Column_Bands)
                (Band.Kind == T_Row_Band::T_Kind::Added ? Added_Columns : Removed_Columns) +=
                    Band.To - Band.From;
            Text += ", " + std::to_string(Added_Columns) + " columns added, " +
                    std::to_string(Removed_Columns) + " columns removed in " +
                    std::to_string(Column_Blocks.size()) + " stretches of rows";
        }
        if (Dx != 0)
            Text += ", modified shifted sideways by " + Number(Dx) + " px";
        return Text;
    }
    std::string Text = "Aligned: modified shifted by " + Number(Dx) + ", " + Number(Dy) + " px";
    if (Scale != 1 || Rotation_Degrees != 0)
        Text += ", scaled by " + Number((Scale - 1) * 100) + " %, turned by " +
                Number(Rotation_Degrees) + " degrees";
    return Text;
}

std::pair<int, int> T_Alignment::Columns_In_Modified(const T_Rectangle& In_Base) const
{
    const int Shift = int(std::lround(Dx));
    for (const T_Column_Block& Block : Column_Blocks) {
        if (In_Base.Top >= Block.Bottom || In_Base.Top + In_Base.Height <= Block.Top)
            continue;
        // The columns the rectangle's base columns were compared with, or
        // the place where they would go in.
        const int Right = std::min(In_Base.Left + In_Base.Width, int(Block.Column_Map.size()));
        int First = -1, Last = -1;
        for (int Column = std::max(In_Base.Left, 0); Column < Right; ++Column)
            if (const int To = Block.Column_Map[std::size_t(Column)]; To >= 0) {
                First = First < 0 ? To : First;
                Last = To;
            }
        if (First >= 0)
            return {First + Shift, Last - First + 1};
        int Next = -1;
        for (std::size_t Column = std::size_t(std::max(In_Base.Left, 0));
             Column < Block.Column_Map.size() && Next < 0; ++Column)
            Next = Block.Column_Map[Column];
        return {std::max(Next, 0) + Shift, 0};
    }
    return {In_Base.Left + Shift, In_Base.Width};
}

std::pair<int, int> T_Alignment::Added_Band_Size(const T_Rectangle& In_Base) const
{
    if (!Aligned || Mode != T_Align_Mode::Bands)
        return {In_Base.Width, In_Base.Height};
    if (In_Base.Height == 0)
        for (const T_Row_Band& Band : Bands)
            if (Band.Kind == T_Row_Band::T_Kind::Added &&
                Insertion_Row(Row_Map, Band.From) == In_Base.Top)
                return {In_Base.Width, Band.To - Band.From};
    if (In_Base.Width == 0) {
        const int Shift = int(std::lround(Dx));
        for (const T_Column_Band& Band : Column_Bands)
            for (const T_Column_Block& Block : Column_Blocks)
                if (Band.Kind == T_Row_Band::T_Kind::Added && In_Base.Top >= Block.Top &&
                    In_Base.Top < Block.Bottom && Row_Map[std::size_t(Block.Top)] == Band.Top &&
                    Insertion_Column(Block.Column_Map, Band.From - Shift) == In_Base.Left)
                    return {Band.To - Band.From, In_Base.Height};
    }
    return {In_Base.Width, In_Base.Height};
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
        const auto [Left, Width] = Columns_In_Modified(In_Base);
        if (First < 0) {
            const int At = In_Base.Top < 0 ? 0 : In_Base.Top;
            int Next = -1;
            for (std::size_t Row = std::size_t(At); Row < Row_Map.size() && Next < 0; ++Row)
                Next = Row_Map[Row];
            return {Left, Next < 0 ? 0 : Next, Width, 0};
        }
        return {Left, First, Width, Last - First + 1};
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

// An aligned result explains the pair better when it leaves fewer changed
// pixels and no more changes; or, having at least halved the changed
// pixels, when it splits what was one smear of moved ink into a few edits.
bool Explains_Better(const T_Difference& Aligned, const T_Difference& Plain)
{
    if (Aligned.Changed_Pixels >= Plain.Changed_Pixels)
        return false;
    return Aligned.Changes.size() <= Plain.Changes.size() ||
           Aligned.Changed_Pixels * 2 <= Plain.Changed_Pixels;
}

T_Aligned_Difference Compare_Aligned(const T_Pixels& Base, const T_Pixels& Modified,
                                     T_Align_Mode Mode, T_Difference_Options Options,
                                     const std::atomic<bool>* Cancel)
{
    T_Aligned_Difference Plain;
    Plain.Alignment.Mode = Mode;
    Plain.Difference = Compare_Pictures(Base, Modified, Options, Cancel);
    if (Mode == T_Align_Mode::Off || !Plain.Difference.Complete)
        return Plain;
    // A whole-page move is tried in both modes: bands pair rows of a page
    // that lies where it did, and a page moved as a whole is a shift.
    std::vector<T_Aligned_Difference> Tried;
    Tried.push_back(Compare_Shifted(Base, Modified, Options, Plain.Difference, Cancel));
    if (Mode == T_Align_Mode::Bands)
        Tried.push_back(Compare_Banded(Base, Modified, Options, Cancel));
    if (Cancelled(Cancel))
        return Plain;
    T_Aligned_Difference* Best = nullptr;
    bool Found = false;
    for (T_Aligned_Difference& Each : Tried) {
        if (!Each.Alignment.Aligned || !Each.Difference.Complete)
            continue;
        Found = true;
        // A shift found to be none is the plain comparison itself.
        const bool As_It_Lies = Each.Alignment.Mode == T_Align_Mode::Shift &&
                                Each.Alignment.Dx == 0 && Each.Alignment.Dy == 0 &&
                                Each.Alignment.Scale == 1 && Each.Alignment.Rotation_Degrees == 0;
        if ((As_It_Lies && Mode == T_Align_Mode::Shift) ||
            (Explains_Better(Each.Difference, Plain.Difference) &&
             (Best == nullptr || Each.Difference.Changed_Pixels < Best->Difference.Changed_Pixels)))
            Best = &Each;
    }
    if (Best != nullptr)
        return std::move(*Best);
    Plain.Alignment.Did_Not_Help = Found;
    return Plain;
}
