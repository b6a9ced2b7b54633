// The streamed comparison: two decoding threads fill a ring of rows each,
// and the bands are compared in lock step as the rows arrive, by the same
// band comparison as the whole pictures. Which changed pixels count does not
// depend on the paper colour; whether one was added, removed or recoloured
// does, and the paper is known only once every row was sampled. So the
// pixels of each changed tile and of the tiles around it are kept, and the
// kinds are settled at the end from them; the same pixels, and the colours
// of the tiles of one colour, serve the test of moved shapes, which looks for
// ink over the boxes of removed and added regions.
#include "differences/streamed_difference.h"

#include "differences/band_comparison.h"
#include "differences/change_groups.h"
#include "differences/change_regions.h"
#include "differences/pixel_comparison.h"

#include <algorithm>
#include <cstdint>
#include <array>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

using namespace differences;

namespace {

constexpr int Side = T_Change_Tile::Side;
// Rows that the comparison of a row reads beyond it: the anti-aliasing test
// looks at the neighbours of a pixel's neighbours.
constexpr int Context_Rows = 2;
// Rows a decoder writes at a time; the ring holds a whole number of them.
constexpr int Rows_Per_Read = 8;
// The ring holds the band before the one compared (whose tiles are kept
// when a change shows up right below them), the band compared with its
// context, and room for the decoder to work ahead.
constexpr int Ring_Rows = 4 * Side;
static_assert(Ring_Rows % Rows_Per_Read == 0 && Ring_Rows >= 2 * Side + Context_Rows);

// One picture's rows in a ring, written by a decoding thread and read by the
// comparison.
class T_Row_Ring {
public:
    // On a thread of its own the decoder works ahead of the comparison;
    // without one, the rows are decoded when the comparison waits for them.
    T_Row_Ring(T_Row_Source& Source, bool Own_Thread)
        : Source_(Source), Width_(Source.Width()), Height_(Source.Height()),
          Stride_(std::ptrdiff_t{Width_} * 4), Rows_(std::size_t(Stride_) * Ring_Rows)
    {
        if (Own_Thread)
            Thread_ = std::thread([this] { Decode(); });
    }
    ~T_Row_Ring()
    {
        {
            const std::lock_guard<std::mutex> Lock(Lock_);
            Stopping_ = true;
        }
        Changed_.notify_all();
        if (Thread_.joinable())
            Thread_.join();
    }
    T_Row_Ring(const T_Row_Ring&) = delete;
    T_Row_Ring& operator=(const T_Row_Ring&) = delete;

    // Waits until the rows above `Row` (or every row) are there; false when
    // the picture could not be read that far.
    bool Wait_For(int Row)
    {
        Row = std::min(Row, Height_);
        if (!Thread_.joinable()) {
            // Nothing else writes the ring: no lock, and no waiting.
            while (Decoded_ < Row && !Failed_ &&
                   Decoded_ + std::min(Rows_Per_Read, Height_ - Decoded_) <= Released_ + Ring_Rows)
                Read_Next(Decoded_);
            return Decoded_ >= Row;
        }
        std::unique_lock<std::mutex> Lock(Lock_);
        Changed_.wait(Lock, [&] { return Decoded_ >= Row || Failed_; });
        return Decoded_ >= Row;
    }
    // The rows above `Row` are read no more: the decoder may overwrite them.
    void Release(int Row)
    {
        {
            const std::lock_guard<std::mutex> Lock(Lock_);
            Released_ = std::max(Released_, Row);
        }
        Changed_.notify_all();
    }
    // The picture as the comparison reads it; its rows are those kept.
    T_Placed_Picture View() const
    {
        T_Placed_Picture Picture;
        Picture.Data = Rows_.data();
        Picture.Width = Width_;
        Picture.Height = Height_;
        Picture.Stride = Stride_;
        Picture.Rows_Kept = Ring_Rows;
        return Picture;
    }

private:
    void Decode()
    {
        for (int Row = 0; Row < Height_; Row += Rows_Per_Read) {
            const int Count = std::min(Rows_Per_Read, Height_ - Row);
            {
                std::unique_lock<std::mutex> Lock(Lock_);
                Changed_.wait(Lock,
                              [&] { return Stopping_ || Row + Count <= Released_ + Ring_Rows; });
                if (Stopping_)
                    return;
            }
            if (!Read_Next(Row))
                return;
        }
    }

    // Decodes the rows from `Row` on into the ring; false when the picture
    // cannot be read on.
    bool Read_Next(int Row)
    {
        const int Count = std::min(Rows_Per_Read, Height_ - Row);
        bool Read = false;
        try {
            Read = Source_.Read_Rows(Rows_.data() + Stride_ * (Row % Ring_Rows), Stride_, Count);
        } catch (...) {
            Read = false; // no memory for the decoder: the whole pictures are compared
        }
        {
            const std::lock_guard<std::mutex> Lock(Lock_);
            if (Read)
                Decoded_ = Row + Count;
            else
                Failed_ = true;
        }
        Changed_.notify_all();
        return Read;
    }

    T_Row_Source& Source_;
    const int Width_, Height_;
    const std::ptrdiff_t Stride_;
    std::vector<std::uint8_t> Rows_;
    std::mutex Lock_;
    std::condition_variable Changed_;
    int Decoded_ = 0, Released_ = 0;
    bool Failed_ = false, Stopping_ = false;
    std::thread Thread_;
};

std::int64_t Tile_Key(std::int64_t Column, std::int64_t Row) { return (Row << 32) | Column; }

// The pixels of a picture's tiles kept around the changes, each tile's rows
// Side pixels apart (a tile at the picture's edge holds only what lies
// inside), and the colour of every tile of one colour: the paper between
// far-apart parts of a moved shape.
class T_Kept_Pixels {
public:
    T_Kept_Pixels(int Width, int Height)
        : Width_(Width), Height_(Height), Columns_((Width + Side - 1) / Side),
          Flat_(std::size_t(Columns_) * std::size_t((Height + Side - 1) / Side), false),
          Flat_Colours_(Flat_.size(), 0)
    {
    }
    // Notes which tiles of a row of tiles, all in the ring, have one colour.
    void Note_Flat_Tiles(const T_Placed_Picture& Ring, std::int64_t Row)
    {
        const int Top = int(Row * Side), Bottom = std::min(Top + Side, Height_);
        for (int Column = 0; Top < Height_ && Column < Columns_; ++Column) {
            const int Left = Column * Side, Count = std::min(Side, Width_ - Left);
            std::array<std::uint32_t, Side> Same;
            Same.fill(Ring.At(Left, Top));
            bool Flat = true;
            for (int Y = Top; Y < Bottom && Flat; ++Y)
                Flat =
                    std::memcmp(Ring.Row(Y) + Left * 4, Same.data(), std::size_t(Count) * 4) == 0;
            const std::size_t Index = std::size_t(Row) * Columns_ + std::size_t(Column);
            Flat_[Index] = Flat;
            Flat_Colours_[Index] = Same[0];
        }
    }
    // The colour of a tile of one colour; false for any other tile.
    bool Flat_Colour(std::int64_t Column, std::int64_t Row, std::uint32_t& Colour) const
    {
        const std::size_t Index = std::size_t(Row) * Columns_ + std::size_t(Column);
        if (Column >= Columns_ || Index >= Flat_.size() || !Flat_[Index])
            return false;
        Colour = Flat_Colours_[Index];
        return true;
    }
    // Copies the tile from the ring; nothing for a tile beyond the picture.
    void Keep(const T_Placed_Picture& Ring, std::int64_t Column, std::int64_t Row)
    {
        const int Left = int(Column * Side), Top = int(Row * Side);
        if (Left >= Width_ || Top >= Height_)
            return;
        std::vector<std::uint32_t>& Block = Blocks_[Tile_Key(Column, Row)];
        Block.assign(std::size_t(Side) * Side, 0);
        const int Columns = std::min(Side, Width_ - Left);
        for (int Y = Top; Y < std::min(Top + Side, Height_); ++Y)
            std::memcpy(Block.data() + std::size_t(Y - Top) * Side, Ring.Row(Y) + Left * 4,
                        std::size_t(Columns) * 4);
    }
    // The pixels of a tile, rows Side pixels apart; null when it was not kept.
    const std::uint32_t* Tile(std::int64_t Column, std::int64_t Row) const
    {
        const auto Found = Blocks_.find(Tile_Key(Column, Row));
        return Found == Blocks_.end() ? nullptr : Found->second.data();
    }

private:
    int Width_, Height_, Columns_;
    std::unordered_map<std::int64_t, std::vector<std::uint32_t>> Blocks_;
    std::vector<bool> Flat_; // by tile row, then column
    std::vector<std::uint32_t> Flat_Colours_;
};

// The ink of a picture where its pixels were kept; a look anywhere else is
// noted, since the answer there is not known.
class T_Kept_Ink final : public T_Ink_Reader {
public:
    T_Kept_Ink(const T_Kept_Pixels& Kept, const T_Placed_Picture& Paper, double Max_Delta)
        : Kept_(Kept), Paper_(Paper), Max_Delta_(Max_Delta)
    {
    }
    bool Has_Ink(std::int64_t X, std::int64_t Y) const override
    {
        if (X < 0 || Y < 0 || X >= Paper_.Width || Y >= Paper_.Height)
            return false;
        const std::int64_t Key = Tile_Key(X / Side, Y / Side);
        if (Key != Last_Key_) {
            Last_Key_ = Key;
            Last_Tile_ = Kept_.Tile(X / Side, Y / Side);
            Last_Flat_ =
                Last_Tile_ == nullptr && Kept_.Flat_Colour(X / Side, Y / Side, Last_Colour_);
        }
        if (Last_Tile_ != nullptr)
            return Is_Ink(Last_Tile_[std::size_t(Y % Side) * Side + std::size_t(X % Side)], Paper_,
                          Max_Delta_);
        if (Last_Flat_)
            return Is_Ink(Last_Colour_, Paper_, Max_Delta_);
        Missing_ = true;
        return false;
    }
    bool Missing() const { return Missing_; }

private:
    const T_Kept_Pixels& Kept_;
    const T_Placed_Picture& Paper_;
    double Max_Delta_;
    // Neighbouring looks mostly fall into the same tile.
    mutable std::int64_t Last_Key_ = -1;
    mutable const std::uint32_t* Last_Tile_ = nullptr;
    mutable bool Last_Flat_ = false;
    mutable std::uint32_t Last_Colour_ = 0;
    mutable bool Missing_ = false;
};

// A picture's size and paper, without pixels: what the kinds of changes are
// judged against.
T_Placed_Picture Paper_Of(int Width, int Height, std::uint32_t Background)
{
    T_Placed_Picture Paper;
    Paper.Width = Width;
    Paper.Height = Height;
    Paper.Background = Background;
    Paper.Paper = To_Yiq(Background);
    return Paper;
}

class T_Streamed_Comparison {
public:
    T_Streamed_Comparison(T_Row_Source& Base, T_Row_Source& Modified,
                          const T_Difference_Options& Options, T_Difference& Difference,
                          bool Decoders_Apart)
        : Options_(Options), Difference_(Difference),
          Rules_(Comparison_Rules_For(Options,
                                      Difference.Size_Differs() && !Options.Pages_On_Larger_Sheet)),
          Columns_((std::int64_t{Difference.Width} + Side - 1) / Side),
          Bands_((std::int64_t{Difference.Height} + Side - 1) / Side), Wanted_(std::size_t(Bands_)),
          Base_Samples_(Base.Width(), Base.Height()),
          Modified_Samples_(Modified.Width(), Modified.Height()),
          Base_Kept_(Base.Width(), Base.Height()),
          Modified_Kept_(Modified.Width(), Modified.Height()), Base_Ring_(Base, Decoders_Apart),
          Modified_Ring_(Modified, Decoders_Apart)
    {
    }

    // False when a picture could not be read whole.
    bool Compare_Bands()
    {
        const T_Placed_Picture Base = Base_Ring_.View(), Modified = Modified_Ring_.View();
        for (std::int64_t Band = 0; Band < Bands_; ++Band) {
            const int Top = int(Band * Side), Below = Top + Side + Context_Rows;
            if (!Base_Ring_.Wait_For(Below) || !Modified_Ring_.Wait_For(Below))
                return false;
            Sample(Base, Top, Base_Samples_);
            Sample(Modified, Top, Modified_Samples_);
            Base_Kept_.Note_Flat_Tiles(Base, Band);
            Modified_Kept_.Note_Flat_Tiles(Modified, Band);
            T_Band Changes{Top, {}, 0};
            Compare_Band(Base, Modified, Rules_, Difference_.Width, Difference_.Height, nullptr,
                         Changes);
            for (const T_Change_Tile& Tile : Changes.Tiles)
                Want_Around(Tile.Left / Side, Band);
            if (Band > 0)
                Keep_Wanted(Band - 1, Base, Modified);
            Base_Ring_.Release(Top);
            Modified_Ring_.Release(Top);
            Difference_.Changed_Pixels += Changes.Changed;
            std::move(Changes.Tiles.begin(), Changes.Tiles.end(),
                      std::back_inserter(Difference_.Tiles));
        }
        if (Bands_ > 0)
            Keep_Wanted(Bands_ - 1, Base, Modified);
        return true;
    }

    // Settles the kinds of the changes and finds the regions and the moved
    // shapes. False when a moved shape's test needed pixels not kept.
    bool Settle_Regions()
    {
        const T_Placed_Picture Base =
            Paper_Of(Difference_.Base_Width, Difference_.Base_Height, Base_Samples_.Most_Common());
        const T_Placed_Picture Modified =
            Paper_Of(Difference_.Modified_Width, Difference_.Modified_Height,
                     Modified_Samples_.Most_Common());
        for (T_Change_Tile& Tile : Difference_.Tiles)
            if (!Judge_Kinds(Tile, Base, Modified))
                return false;
        Find_Regions(Difference_.Tiles, Options_.Region_Gap, nullptr, Difference_.Regions);
        const T_Kept_Ink Base_Ink(Base_Kept_, Base, Rules_.Max_Delta);
        const T_Kept_Ink Modified_Ink(Modified_Kept_, Modified, Rules_.Max_Delta);
        Find_Moved_Shapes(Base_Ink, Modified_Ink, std::max(Options_.Move_Reach, 0), nullptr,
                          Difference_.Regions);
        if (Base_Ink.Missing() || Modified_Ink.Missing())
            return false;
        // The grouping reads only what it can: a move it cannot test is
        // left as a removed and an added change, the verdict unchanged.
        const T_Kept_Ink Base_Grouped(Base_Kept_, Base, Rules_.Max_Delta);
        const T_Kept_Ink Modified_Grouped(Modified_Kept_, Modified, Rules_.Max_Delta);
        Group_Changes(Difference_, Options_.Region_Gap, Base_Grouped, Modified_Grouped, nullptr);
        return true;
    }

private:
    static void Sample(const T_Placed_Picture& Picture, int Top, T_Background_Samples& Samples)
    {
        for (int Y = Top; Y < std::min(Top + Side, Picture.Height); ++Y)
            Samples.Take_Row(Y, Picture.Row(Y));
    }

    // A changed tile and the eight around it: the moved-shape test reads
    // ink up to the move reach (a tile's side) beyond the changes.
    void Want_Around(std::int64_t Column, std::int64_t Band)
    {
        for (std::int64_t Row = std::max<std::int64_t>(Band - 1, 0);
             Row <= std::min(Band + 1, Bands_ - 1); ++Row)
            for (std::int64_t Other = std::max<std::int64_t>(Column - 1, 0);
                 Other <= std::min(Column + 1, Columns_ - 1); ++Other)
                Wanted_[std::size_t(Row)].insert(Other);
    }

    // The tiles wanted in a band, which is still in the rings: no band
    // after the next one wants any of its tiles.
    void Keep_Wanted(std::int64_t Band, const T_Placed_Picture& Base,
                     const T_Placed_Picture& Modified)
    {
        for (std::int64_t Column : Wanted_[std::size_t(Band)]) {
            Base_Kept_.Keep(Base, Column, Band);
            Modified_Kept_.Keep(Modified, Column, Band);
        }
        Wanted_[std::size_t(Band)].clear();
    }

    // What each changed pixel of the tile amounts to against the papers:
    // as Compare_Row judges it, from the pixels kept.
    bool Judge_Kinds(T_Change_Tile& Tile, const T_Placed_Picture& Base,
                     const T_Placed_Picture& Modified) const
    {
        const std::uint32_t* Old_Pixels = Base_Kept_.Tile(Tile.Left / Side, Tile.Top / Side);
        const std::uint32_t* New_Pixels = Modified_Kept_.Tile(Tile.Left / Side, Tile.Top / Side);
        std::uint32_t Last_Old = 0, Last_New = 0;
        T_Pixel_Change Last = T_Pixel_Change::Same;
        for (std::size_t Index = 0; Index < Tile.Changes.size(); ++Index) {
            if (Tile.Changes[Index] == 0)
                continue;
            const std::int64_t X = Tile.Left + std::int64_t(Index % Side);
            const std::int64_t Y = Tile.Top + std::int64_t(Index / Side);
            const bool In_Base = X < Base.Width && Y < Base.Height;
            const bool In_Modified = X < Modified.Width && Y < Modified.Height;
            if (!In_Base || !In_Modified) {
                Tile.Changes[Index] =
                    std::uint8_t(In_Base ? T_Pixel_Change::Removed : T_Pixel_Change::Added);
                continue;
            }
            if (Old_Pixels == nullptr || New_Pixels == nullptr)
                return false;
            const std::uint32_t Old = Old_Pixels[Index], New = New_Pixels[Index];
            if (Last == T_Pixel_Change::Same || Old != Last_Old || New != Last_New) {
                Last_Old = Old;
                Last_New = New;
                Last = Ink_Change(Old, To_Yiq(Old), New, To_Yiq(New), Base, Modified,
                                  Rules_.Max_Delta);
            }
            Tile.Changes[Index] = std::uint8_t(Last);
        }
        return true;
    }

    const T_Difference_Options& Options_;
    T_Difference& Difference_;
    const T_Comparison_Rules Rules_;
    const std::int64_t Columns_, Bands_;
    // Per band, the tile columns whose pixels are to be kept.
    std::vector<std::set<std::int64_t>> Wanted_;
    T_Background_Samples Base_Samples_, Modified_Samples_;
    T_Kept_Pixels Base_Kept_, Modified_Kept_;
    // Last, so that the decoding threads stop before anything they feed goes.
    T_Row_Ring Base_Ring_, Modified_Ring_;
};

} // namespace

std::optional<T_Difference> Compare_Streamed(T_Row_Source& Base, T_Row_Source& Modified,
                                             const T_Difference_Options& Options,
                                             T_Stream_Threads Threads)
{
    if (Options.Offset_X != 0 || Options.Offset_Y != 0)
        return std::nullopt;
    for (const T_Row_Source* Source : {&Base, &Modified})
        if (Source->Width() <= 0 || Source->Height() <= 0)
            return std::nullopt;
    T_Difference Difference;
    Difference.Width = std::max(Base.Width(), Modified.Width());
    Difference.Height = std::max(Base.Height(), Modified.Height());
    Difference.Base_Width = Base.Width();
    Difference.Base_Height = Base.Height();
    Difference.Modified_Width = Modified.Width();
    Difference.Modified_Height = Modified.Height();
    Difference.On_Larger_Sheet = Options.Pages_On_Larger_Sheet;
    // A small pair is decoded sooner than two threads start (a 256 x 256
    // picture decodes in a fraction of a millisecond, about what starting
    // a thread and meeting it again costs).
    constexpr std::int64_t Pixels_Worth_A_Thread = 256 * 256;
    const bool decoders_apart =
        Threads == T_Stream_Threads::Decoders_Apart &&
        std::int64_t(Difference.Width) * Difference.Height >= Pixels_Worth_A_Thread;
    try {
        T_Streamed_Comparison Comparison(Base, Modified, Options, Difference, decoders_apart);
        if (!Comparison.Compare_Bands() || !Comparison.Settle_Regions())
            return std::nullopt;
    } catch (const std::system_error&) {
        return std::nullopt; // no thread to be had for a decoder
    }
    return Difference;
}
