// The difference engine's frame: lays out the compared area, splits its
// rows into bands of one tile row each and hands the bands to all cores,
// then merges the bands' tiles and groups the changes into regions.
#include "differences/picture_difference.h"

#include "differences/band_comparison.h"
#include "differences/change_groups.h"
#include "differences/change_regions.h"
#include "differences/pixel_comparison.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

using namespace differences;

namespace {

constexpr int Side = T_Change_Tile::Side;

struct T_Layout {
    T_Placed_Picture Base;
    T_Placed_Picture Modified;
    std::int64_t Left = 0, Top = 0, Width = 0, Height = 0; // the area, in base pixels
};

// The area is the union of both pictures; an empty picture adds nothing.
T_Layout Lay_Out(const T_Pixels& Base, const T_Pixels& Modified,
                 const T_Difference_Options& Options)
{
    T_Layout Layout;
    Layout.Base = Place_Picture(Base, 0, 0);
    Layout.Modified = Place_Picture(Modified, Options.Offset_X, Options.Offset_Y);
    std::int64_t Left = std::numeric_limits<std::int64_t>::max(), Top = Left;
    std::int64_t Right = std::numeric_limits<std::int64_t>::min(), Bottom = Right;
    for (const T_Placed_Picture* Picture : {&Layout.Base, &Layout.Modified}) {
        if (Picture->Empty())
            continue;
        Left = std::min(Left, Picture->Left);
        Top = std::min(Top, Picture->Top);
        Right = std::max(Right, Picture->Left + Picture->Width);
        Bottom = std::max(Bottom, Picture->Top + Picture->Height);
    }
    if (Right <= Left || Bottom <= Top)
        return Layout;
    Layout.Left = Left;
    Layout.Top = Top;
    Layout.Width = Right - Left;
    Layout.Height = Bottom - Top;
    // From here on both pictures are placed in the area's own pixels.
    for (T_Placed_Picture* Picture : {&Layout.Base, &Layout.Modified}) {
        Picture->Left -= Left;
        Picture->Top -= Top;
    }
    return Layout;
}

// The bands that hold rows of either picture: with a large offset between
// the pictures, the empty rows between them cost nothing.
std::vector<std::int64_t> Bands_To_Compare(const T_Layout& Layout)
{
    std::vector<std::int64_t> Bands;
    for (const T_Placed_Picture* Picture : {&Layout.Base, &Layout.Modified}) {
        if (Picture->Empty())
            continue;
        for (std::int64_t Band = Picture->Top / Side;
             Band <= (Picture->Top + Picture->Height - 1) / Side; ++Band)
            Bands.push_back(Band);
    }
    std::sort(Bands.begin(), Bands.end());
    Bands.erase(std::unique(Bands.begin(), Bands.end()), Bands.end());
    return Bands;
}

// Compares the given bands on all cores. False when cancelled.
bool Compare_Bands(const T_Layout& Layout, const T_Comparison_Rules& Rules,
                   const std::atomic<bool>* Cancel, std::vector<T_Band>& Bands)
{
    std::atomic<std::size_t> Next{0};
    std::atomic<bool> Stopped{false};
    std::exception_ptr Failure;
    std::mutex Failure_Lock;
    const auto Work = [&] {
        try {
            for (std::size_t Index = Next++; Index < Bands.size() && !Stopped; Index = Next++) {
                if (!Compare_Band(Layout.Base, Layout.Modified, Rules, Layout.Width, Layout.Height,
                                  Cancel, Bands[Index])) {
                    Stopped = true;
                    return;
                }
            }
        } catch (...) {
            const std::lock_guard<std::mutex> Lock(Failure_Lock);
            if (!Failure)
                Failure = std::current_exception();
            Stopped = true;
        }
    };
    const std::size_t Cores = std::max(2u, std::thread::hardware_concurrency());
    std::vector<std::thread> Helpers;
    for (std::size_t Helper = 1; Helper < std::min(Cores, Bands.size()); ++Helper) {
        try {
            Helpers.emplace_back(Work);
        } catch (const std::system_error&) {
            break; // no more threads to be had: the ones running share the bands
        }
    }
    Work();
    for (std::thread& Helper : Helpers)
        Helper.join();
    if (Failure)
        std::rethrow_exception(Failure);
    return !Stopped;
}

T_Difference Incomplete(T_Difference Difference)
{
    Difference.Tiles.clear();
    Difference.Regions.clear();
    Difference.Changes.clear();
    Difference.Changed_Pixels = 0;
    Difference.Complete = false;
    return Difference;
}

} // namespace

T_Pixel_Change T_Difference::At(int X, int Y) const
{
    if (X < 0 || Y < 0 || X >= Width || Y >= Height)
        return T_Pixel_Change::Same;
    const int Left_Of = X / Side * Side, Top_Of = Y / Side * Side;
    const auto Found = std::lower_bound(Tiles.begin(), Tiles.end(), std::pair(Top_Of, Left_Of),
                                        [](const T_Change_Tile& Tile, std::pair<int, int> Wanted) {
                                            return std::pair(Tile.Top, Tile.Left) < Wanted;
                                        });
    if (Found == Tiles.end() || Found->Top != Top_Of || Found->Left != Left_Of)
        return T_Pixel_Change::Same;
    const std::size_t Index = std::size_t(Y - Top_Of) * Side + std::size_t(X - Left_Of);
    return Index < Found->Changes.size() ? T_Pixel_Change(Found->Changes[Index] & 3u)
                                         : T_Pixel_Change::Same;
}

T_Difference Compare_Pictures(const T_Pixels& Base, const T_Pixels& Modified,
                              const T_Difference_Options& Options, const std::atomic<bool>* Cancel)
{
    const T_Layout Layout = Lay_Out(Base, Modified, Options);
    T_Difference Difference;
    // An area wider or taller than an int can address (an offset near the
    // int range) cannot be described: it is reported as not done.
    constexpr std::int64_t Int_Max = std::numeric_limits<int>::max();
    if (Layout.Width > Int_Max || Layout.Height > Int_Max)
        return Incomplete(Difference);
    Difference.Left = int(Layout.Left);
    Difference.Top = int(Layout.Top);
    Difference.Width = int(Layout.Width);
    Difference.Height = int(Layout.Height);
    Difference.Base_Width = Layout.Base.Width;
    Difference.Base_Height = Layout.Base.Height;
    Difference.Modified_Width = Layout.Modified.Width;
    Difference.Modified_Height = Layout.Modified.Height;

    // Against no picture at all (a page on one side only) its ink is what
    // tells the reviewer what is missing.
    Difference.On_Larger_Sheet = Options.Pages_On_Larger_Sheet;
    T_Comparison_Rules Rules = Comparison_Rules_For(
        Options, Difference.Size_Differs() && !Layout.Base.Empty() && !Layout.Modified.Empty() &&
                     !Options.Pages_On_Larger_Sheet);
    Rules.Area_Left = Layout.Left;
    Rules.Area_Top = Layout.Top;
    std::vector<T_Band> Bands;
    for (std::int64_t Band : Bands_To_Compare(Layout))
        Bands.push_back({Band * Side, {}, 0});
    if (!Compare_Bands(Layout, Rules, Cancel, Bands))
        return Incomplete(Difference);

    for (T_Band& Band : Bands) {
        Difference.Changed_Pixels += Band.Changed;
        std::move(Band.Tiles.begin(), Band.Tiles.end(), std::back_inserter(Difference.Tiles));
    }
    const T_Picture_Ink Base_Ink(Layout.Base, Rules.Max_Delta);
    const T_Picture_Ink Modified_Ink(Layout.Modified, Rules.Max_Delta);
    if (!Find_Regions(Difference.Tiles, Options.Region_Gap, Cancel, Difference.Regions) ||
        !Find_Moved_Shapes(Base_Ink, Modified_Ink, std::max(Options.Move_Reach, 0), Cancel,
                           Difference.Regions) ||
        !Group_Changes(Difference, Options.Region_Gap, Base_Ink, Modified_Ink, Cancel))
        return Incomplete(Difference);
    return Difference;
}
