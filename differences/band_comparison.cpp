// The band's rows compared one after the other, each change written into
// the tile that holds it.
#include "differences/band_comparison.h"

#include "differences/change_regions.h"

#include <algorithm>
#include <unordered_map>

namespace differences {

namespace {

constexpr int Side = T_Change_Tile::Side;
// Rows between two looks at the cancel flag: about a millisecond on the
// widest identical rows, a few tens where every pixel changed.
constexpr int Rows_Between_Checks = 16;

// Writes the changes of a band's rows into its tiles, making a tile when its
// first change arrives.
class T_Band_Sink final : public T_Change_Sink {
public:
    T_Band_Sink(T_Band& Target, const T_Comparison_Rules& Rules) : Band(Target), Rules_(Rules) {}
    void Start_Row(std::int64_t Y)
    {
        Row = int(Y - Band.Top);
        Row_Changes = nullptr;
    }
    void Record(std::int64_t X, T_Pixel_Change Change) override
    {
        if (Rules_.Ignore != nullptr &&
            Rules_.Ignore->Ignores(X + Rules_.Area_Left, Band.Top + Row + Rules_.Area_Top))
            return;
        if (Row_Changes == nullptr || std::uint64_t(X - Tile_Left) >= std::uint64_t(Side))
            Enter_Tile(X);
        Row_Changes[X - Tile_Left] = std::uint8_t(Change);
        ++Changed;
    }
    void Finish()
    {
        Band.Changed = Changed;
        std::sort(Band.Tiles.begin(), Band.Tiles.end(),
                  [](const T_Change_Tile& A, const T_Change_Tile& B) { return A.Left < B.Left; });
    }

private:
    // Points Row_Changes at the current row of the tile holding column X.
    // A tile's bytes stay where they are when the list of tiles grows.
    void Enter_Tile(std::int64_t X)
    {
        const int Column = int(X / Side);
        const auto [Found, Made] = Slots.try_emplace(Column, Band.Tiles.size());
        if (Made)
            Band.Tiles.push_back({Column * Side, int(Band.Top),
                                  std::vector<std::uint8_t>(std::size_t(Side) * Side, 0)});
        T_Change_Tile& Tile = Band.Tiles[Found->second];
        Tile_Left = Tile.Left;
        Row_Changes = Tile.Changes.data() + std::size_t(Row) * Side;
    }

    T_Band& Band;
    const T_Comparison_Rules& Rules_;
    int Row = 0;
    std::unordered_map<int, std::size_t> Slots;
    std::int64_t Tile_Left = 0;
    std::uint8_t* Row_Changes = nullptr;
    std::size_t Changed = 0;
};

} // namespace

bool Compare_Band(const T_Placed_Picture& Base, const T_Placed_Picture& Modified,
                  const T_Comparison_Rules& Rules, std::int64_t Area_Width,
                  std::int64_t Area_Height, const std::atomic<bool>* Cancel, T_Band& Band)
{
    T_Band_Sink Sink(Band, Rules);
    const std::int64_t End = std::min(Band.Top + Side, Area_Height);
    for (std::int64_t Y = Band.Top; Y < End; ++Y) {
        if ((Y - Band.Top) % Rows_Between_Checks == 0 && Cancelled(Cancel))
            return false;
        Sink.Start_Row(Y);
        Compare_Row(Base, Modified, Rules, Y, Area_Width, Sink);
    }
    Sink.Finish();
    return true;
}

T_Comparison_Rules Comparison_Rules_For(const T_Difference_Options& Options, bool Sizes_Differ)
{
    T_Comparison_Rules Rules{Max_Delta_For(Options.Tolerance),
                             Max_Alpha_Delta_For(Options.Tolerance), Options.Ignore_Antialiasing,
                             Sizes_Differ};
    if (!Options.Ignore.Empty())
        Rules.Ignore = &Options.Ignore;
    return Rules;
}

} // namespace differences
