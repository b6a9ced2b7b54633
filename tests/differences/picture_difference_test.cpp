#include "differences/picture_difference.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t White = 0xFFFFFFFF, Black = 0xFF000000, Grey = 0xFF808080;
constexpr std::uint32_t Red = 0xFFFF0000, Blue = 0xFF0000FF;
using T_Kind = T_Change_Region::T_Kind;

// A picture drawn in memory, rows `Stride_Pixels` apart (padding filled with
// a colour no comparison should see).
struct T_Canvas {
    int Width, Height, Stride_Pixels;
    std::vector<std::uint32_t> Words;

    T_Canvas(int W, int H, std::uint32_t Paper = White, int Padding = 0)
        : Width(W), Height(H), Stride_Pixels(W + Padding),
          Words(std::size_t(W + Padding) * H, Padding ? 0xFF00FF00 : Paper)
    {
        Fill(0, 0, W, H, Paper);
    }
    void Fill(int X, int Y, int W, int H, std::uint32_t Colour)
    {
        for (int Row = Y; Row < Y + H; ++Row)
            for (int Column = X; Column < X + W; ++Column)
                Words[std::size_t(Row) * Stride_Pixels + Column] = Colour;
    }
    T_Pixels View() const
    {
        return {reinterpret_cast<const std::uint8_t*>(Words.data()), Width, Height,
                std::ptrdiff_t(Stride_Pixels) * 4};
    }
};

T_Difference Compare(const T_Canvas& Base, const T_Canvas& Modified,
                     T_Difference_Options Options = {})
{
    return Compare_Pictures(Base.View(), Modified.View(), Options);
}

int Count(const T_Difference& D, T_Pixel_Change Change)
{
    int Found = 0;
    for (int Y = 0; Y < D.Height; ++Y)
        for (int X = 0; X < D.Width; ++X)
            Found += D.At(X, Y) == Change;
    return Found;
}

} // namespace

TEST(PictureDifference, TellsAddedRemovedAndRecolouredInkApart)
{
    T_Canvas Base(300, 200), Modified(300, 200);
    Base.Fill(2, 2, 4, 4, Black);   // removed
    Base.Fill(200, 150, 4, 4, Red); // recoloured, in another band and tile
    Modified.Fill(200, 150, 4, 4, Blue);
    Modified.Fill(100, 150, 3, 3, Black); // added
    const T_Difference D = Compare(Base, Modified);
    EXPECT_TRUE(D.Complete);
    EXPECT_EQ(D.At(3, 3), T_Pixel_Change::Removed);
    EXPECT_EQ(D.At(201, 151), T_Pixel_Change::Changed);
    EXPECT_EQ(D.At(101, 151), T_Pixel_Change::Added);
    EXPECT_EQ(D.At(50, 50), T_Pixel_Change::Same);
    EXPECT_EQ(D.At(-1, 0), T_Pixel_Change::Same);
    EXPECT_EQ(D.Changed_Pixels, 16u + 16u + 9u);
    EXPECT_EQ(Count(D, T_Pixel_Change::Removed), 16);
    ASSERT_EQ(D.Tiles.size(), 3u); // by Top, then Left, whichever core made them
    EXPECT_EQ(D.Tiles[0].Top, 0);
    EXPECT_EQ(D.Tiles[1].Left, 64);
    EXPECT_EQ(D.Tiles[2].Left, 192);
    EXPECT_EQ(D.Tiles[2].Changes.size(), 64u * 64u); // clipped by the picture, padded

    const T_Difference Same = Compare(Base, Base);
    EXPECT_TRUE(Same.Tiles.empty());
    EXPECT_TRUE(Same.Regions.empty());
    EXPECT_EQ(Same.Changed_Pixels, 0u);
}

TEST(PictureDifference, AFrameAlongTheEdgesIsNotThePaper)
{
    // A drawing frame (or a renderer's dark edge lines) on the border: the
    // paper is still the white inside, so a box drawn in the new version is
    // added ink, and one taken out is removed ink, on every frame variant.
    for (bool all_four_edges : {true, false}) {
        T_Canvas Base(200, 120), Modified(200, 120);
        for (T_Canvas* Canvas : {&Base, &Modified}) {
            Canvas->Fill(0, 0, 200, 1, Black);
            Canvas->Fill(0, 0, 1, 120, Black);
            if (all_four_edges) {
                Canvas->Fill(0, 119, 200, 1, Black);
                Canvas->Fill(199, 0, 1, 120, Black);
            }
        }
        Modified.Fill(150, 10, 21, 21, Black);
        Base.Fill(20, 60, 10, 10, Black);
        const T_Difference D = Compare(Base, Modified);
        EXPECT_EQ(D.At(160, 20), T_Pixel_Change::Added) << all_four_edges;
        EXPECT_EQ(D.At(25, 65), T_Pixel_Change::Removed) << all_four_edges;
        ASSERT_EQ(D.Regions.size(), 2u);
        EXPECT_EQ(D.Regions[0].Kind, T_Kind::Added);
        EXPECT_EQ(D.Regions[1].Kind, T_Kind::Removed);
    }
}

TEST(PictureDifference, OpacityCountsWhateverTheColourUnderIt)
{
    const std::uint32_t Clear = 0x00FFFFFF, Clear_Black = 0x00000000;
    T_Canvas Opaque(20, 20), Transparent(20, 20, Clear);
    EXPECT_EQ(Compare(Opaque, Transparent).Changed_Pixels, 400u);
    EXPECT_EQ(Compare(Transparent, Opaque).Changed_Pixels, 400u);
    // Two colours under full transparency show the same nothing.
    T_Canvas Clear_White(20, 20, Clear), Clear_Dark(20, 20, Clear_Black);
    EXPECT_EQ(Compare(Clear_White, Clear_Dark).Changed_Pixels, 0u);
    // The tolerance takes opacity on its own scale: 10 % of full opacity
    // is 25 steps of 255.
    T_Canvas Faded(20, 20, 0xE6FFFFFF), More_Faded(20, 20, 0xE5FFFFFF);
    EXPECT_EQ(Compare(Opaque, Faded).Changed_Pixels, 0u);
    EXPECT_EQ(Compare(Opaque, More_Faded).Changed_Pixels, 400u);
    T_Difference_Options Strict;
    Strict.Tolerance = 0;
    EXPECT_EQ(Compare(Opaque, Faded, Strict).Changed_Pixels, 400u);
    T_Difference_Options Lenient;
    Lenient.Tolerance = 100;
    EXPECT_EQ(Compare(Opaque, Transparent, Lenient).Changed_Pixels, 0u);
}

TEST(PictureDifference, ToleranceDecidesWhichColourChangesCount)
{
    T_Canvas Base(20, 20), Slight(20, 20), Strong(20, 20);
    Base.Fill(5, 5, 4, 4, 0xFF808080);
    Slight.Fill(5, 5, 4, 4, 0xFF848484); // a squared YIQ distance of about 8
    Strong.Fill(5, 5, 4, 4, 0xFFA0A0A0); // about 517
    T_Difference_Options Options;
    Options.Tolerance = 10; // up to 352
    EXPECT_EQ(Compare(Base, Slight, Options).Changed_Pixels, 0u);
    EXPECT_EQ(Compare(Base, Strong, Options).Changed_Pixels, 16u);
    Options.Tolerance = 1; // up to 3.5
    EXPECT_EQ(Compare(Base, Slight, Options).Changed_Pixels, 16u);
    // A transparent pixel is not the opaque paper it shows through.
    T_Canvas Clear(20, 20);
    Clear.Fill(0, 0, 3, 3, 0x00000000);
    EXPECT_EQ(Compare(T_Canvas(20, 20), Clear, Options).Changed_Pixels, 9u);
    Options.Tolerance = 100;
    T_Canvas Dark(20, 20, Black);
    EXPECT_EQ(Compare(Base, Dark, Options).Changed_Pixels, 0u);
}

TEST(PictureDifference, AntialiasedEdgesOfAShiftedLineCountOnlyWithTheCheckOff)
{
    // A black line with grey edge pixels, one pixel further right in the
    // modified picture: only edge pixels and their neighbours differ.
    const auto Line = [](int X) {
        T_Canvas Canvas(40, 30);
        Canvas.Fill(X, 0, 1, 30, Grey);
        Canvas.Fill(X + 1, 0, 3, 30, Black);
        Canvas.Fill(X + 4, 0, 1, 30, Grey);
        return Canvas;
    };
    T_Canvas Base = Line(10), Modified = Line(11);
    T_Difference_Options Options;
    Options.Ignore_Antialiasing = false;
    const T_Difference Counted = Compare(Base, Modified, Options);
    EXPECT_EQ(Counted.Changed_Pixels, 4u * 30u);
    EXPECT_EQ(Counted.At(10, 5), T_Pixel_Change::Removed); // grey ink gone
    EXPECT_EQ(Counted.At(11, 5), T_Pixel_Change::Changed); // black to grey

    Options.Ignore_Antialiasing = true;
    EXPECT_EQ(Compare(Base, Modified, Options).Changed_Pixels, 0u);
    // A thin grey line is no edge between two areas: it still counts.
    Modified.Fill(30, 0, 1, 30, Grey);
    const T_Difference With_Line = Compare(Base, Modified, Options);
    EXPECT_EQ(With_Line.Changed_Pixels, 30u);
    EXPECT_EQ(With_Line.At(30, 0), T_Pixel_Change::Added);
}

TEST(PictureDifference, ALineDrawnWithAndWithoutAntialiasingIsTheSameLine)
{
    // Soft: a one-pixel black core between grey edges; hard: three black
    // rows where the soft line is grey and black. The grey edges do not
    // count, a dot on bare paper beside the line does.
    T_Canvas Soft(60, 20), Hard(60, 20);
    Soft.Fill(5, 8, 50, 1, Grey);
    Soft.Fill(5, 9, 50, 1, Black);
    Soft.Fill(5, 10, 50, 1, Grey);
    Hard.Fill(5, 8, 50, 3, Black);
    EXPECT_EQ(Compare(Soft, Hard).Changed_Pixels, 0u);
    T_Difference_Options Counted;
    Counted.Ignore_Antialiasing = false;
    EXPECT_EQ(Compare(Soft, Hard, Counted).Changed_Pixels, 100u);
    Hard.Fill(30, 15, 1, 1, Black);
    const T_Difference Dot = Compare(Soft, Hard);
    EXPECT_EQ(Dot.Changed_Pixels, 1u);
    EXPECT_EQ(Dot.At(30, 15), T_Pixel_Change::Added);
}

TEST(PictureDifference, PicturesOfDifferentSizesAndPlacesCoverTheirUnion)
{
    T_Canvas Small(20, 10), Wide(30, 12);
    Wide.Fill(25, 5, 2, 2, Black); // beyond the small picture
    Wide.Fill(1, 11, 1, 1, Black);
    T_Difference D = Compare(Small, Wide);
    EXPECT_EQ(D.Width, 30);
    EXPECT_EQ(D.Height, 12);
    EXPECT_TRUE(D.Size_Differs());
    EXPECT_EQ(D.Modified_Width, 30);
    EXPECT_EQ(D.At(25, 5), T_Pixel_Change::Added);
    EXPECT_EQ(D.At(22, 1), T_Pixel_Change::Added); // plain paper beyond counts too
    EXPECT_EQ(D.Changed_Pixels, 30u * 12 - 20 * 10);
    EXPECT_EQ(Compare(Wide, Small).At(1, 11), T_Pixel_Change::Removed);

    // A square that grew 200 red rows: the rows are one added region, though
    // red is the commonest colour of the larger picture.
    T_Canvas Square(100, 100), Grown(100, 300);
    Grown.Fill(0, 100, 100, 200, Red);
    D = Compare(Square, Grown);
    EXPECT_EQ(D.Changed_Pixels, 20000u);
    ASSERT_EQ(D.Regions.size(), 1u);
    EXPECT_EQ(D.Regions[0].Kind, T_Kind::Added);
    EXPECT_EQ(D.Regions[0].Top, 100);
    // A screenshot 20 rows taller, the new rows all paper: still a change.
    T_Canvas Screen(128, 80), Taller(128, 82);
    EXPECT_EQ(Compare(Screen, Taller).Changed_Pixels, 256u);
    EXPECT_FALSE(Compare(Screen, Screen).Size_Differs());

    // The same mark, with the modified picture moved up and left by (5, 3):
    // the area starts there, and the area's pixels count from its top left.
    // Between pictures of one size the paper that the offset uncovers is
    // no change.
    T_Canvas Base(20, 20), Modified(20, 20);
    Base.Fill(12, 12, 2, 2, Black);
    Modified.Fill(17, 15, 2, 2, Black);
    Modified.Fill(0, 0, 1, 1, Black);
    T_Difference_Options Options;
    Options.Offset_X = -5;
    Options.Offset_Y = -3;
    D = Compare(Base, Modified, Options);
    EXPECT_EQ(D.Left, -5);
    EXPECT_EQ(D.Top, -3);
    EXPECT_EQ(D.Width, 25);
    EXPECT_EQ(D.Height, 23);
    EXPECT_EQ(D.Changed_Pixels, 1u);
    EXPECT_EQ(D.At(0, 0), T_Pixel_Change::Added);
}

TEST(PictureDifference, FarApartAndMalformedPicturesAreHandledSafely)
{
    T_Canvas Base(20, 20), Modified(20, 20);
    Base.Fill(1, 1, 2, 2, Black);
    Modified.Fill(1, 1, 2, 2, Black);
    T_Difference_Options Options;
    Options.Offset_X = 1'000'000;
    Options.Offset_Y = 300;
    T_Difference D = Compare(Base, Modified, Options);
    EXPECT_EQ(D.Width, 1'000'020);
    EXPECT_EQ(D.Changed_Pixels, 8u);
    EXPECT_EQ(D.At(1'000'001, 301), T_Pixel_Change::Added);
    ASSERT_EQ(D.Regions.size(), 2u); // too far apart to have moved
    EXPECT_EQ(D.Regions[0].Kind, T_Kind::Removed);

    Options.Offset_X = INT_MAX; // the union is wider than an int
    EXPECT_FALSE(Compare(Base, Modified, Options).Complete);

    // Padding beyond each row's width is never read as pixels.
    T_Canvas Padded(20, 20, White, 7);
    Padded.Fill(1, 1, 2, 2, Black);
    EXPECT_EQ(Compare(Base, Padded).Changed_Pixels, 0u);

    // No data, no size or rows shorter than the width: an empty picture.
    T_Pixels Short = Base.View();
    Short.Stride = 8;
    for (const T_Pixels& Empty : {T_Pixels{}, T_Pixels{Base.View().Data, 0, 20, 80}, Short}) {
        D = Compare_Pictures(Empty, Modified.View(), {});
        EXPECT_TRUE(D.Complete);
        EXPECT_EQ(D.Changed_Pixels, 4u);
        EXPECT_EQ(D.At(1, 1), T_Pixel_Change::Added);
    }
    D = Compare_Pictures({}, {}, {});
    EXPECT_EQ(D.Width, 0);
    EXPECT_EQ(D.Changed_Share(), 0.0);
}

TEST(PictureDifference, RegionsGroupNearbyChangesAndComeTopDownThenLeftToRight)
{
    T_Canvas Base(200, 120), Modified(200, 120);
    Modified.Fill(150, 5, 3, 3, Black); // top right: added
    Base.Fill(10, 20, 3, 3, Black);     // top left: removed
    Base.Fill(40, 90, 3, 3, Red);       // bottom: one removed, one recoloured
    Modified.Fill(40, 90, 3, 3, Blue);
    Base.Fill(46, 90, 2, 2, Black);
    const T_Difference D = Compare(Base, Modified);
    ASSERT_EQ(D.Regions.size(), 3u);
    EXPECT_EQ(D.Regions[0].Kind, T_Kind::Added);
    EXPECT_EQ(D.Regions[0].Left, 150);
    EXPECT_EQ(D.Regions[1].Kind, T_Kind::Removed);
    EXPECT_EQ(D.Regions[1].Top, 20);
    const T_Change_Region& Bottom = D.Regions[2];
    EXPECT_EQ(Bottom.Kind, T_Kind::Changed);
    EXPECT_EQ(Bottom.Left, 40);
    EXPECT_EQ(Bottom.Width, 8);
    EXPECT_EQ(Bottom.Height, 3);
    EXPECT_EQ(Bottom.Pixels, 13u);
}

TEST(PictureDifference, RegionGapDecidesWhetherBlobsMerge)
{
    // The blobs straddle a tile edge (x = 64), where joining is done across tiles.
    const auto Regions_With_Blank = [](int Blank) {
        T_Canvas Base(160, 40), Modified(160, 40);
        Modified.Fill(50, 10, 6, 6, Black);
        Modified.Fill(56 + Blank, 12, 4, 4, Black);
        return Compare(Base, Modified).Regions; // a gap of 16
    };
    const auto Near = Regions_With_Blank(10);
    ASSERT_EQ(Near.size(), 1u);
    EXPECT_EQ(Near[0].Left, 50);
    EXPECT_EQ(Near[0].Width, 20);
    EXPECT_EQ(Near[0].Pixels, 52u);
    EXPECT_EQ(Regions_With_Blank(30).size(), 2u);
}

TEST(PictureDifference, AShapeThatMovedIsOneMovedRegionAndAReshapedOneIsNot)
{
    const auto Draw_L = [](T_Canvas& Canvas, int X, int Y) {
        Canvas.Fill(X, Y, 3, 12, Black);
        Canvas.Fill(X, Y + 9, 10, 3, Black);
    };
    T_Canvas Base(200, 100), Moved(200, 100), Reshaped(200, 100);
    Draw_L(Base, 20, 20);
    Draw_L(Moved, 60, 28);
    Reshaped.Fill(60, 28, 10, 12, Black); // the same box, filled
    T_Difference D = Compare(Base, Moved);
    ASSERT_EQ(D.Regions.size(), 1u);
    const T_Change_Region& Region = D.Regions[0];
    EXPECT_EQ(Region.Kind, T_Kind::Moved);
    EXPECT_EQ(Region.Dx, 40);
    EXPECT_EQ(Region.Dy, 8);
    EXPECT_EQ(Region.Left, 20);
    EXPECT_EQ(Region.Top, 20);
    EXPECT_EQ(Region.Width, 50);
    EXPECT_EQ(Region.Height, 20);
    EXPECT_EQ(Region.Pixels, 2u * 57u);

    D = Compare(Base, Reshaped);
    ASSERT_EQ(D.Regions.size(), 2u);
    EXPECT_EQ(D.Regions[0].Kind, T_Kind::Removed);
    EXPECT_EQ(D.Regions[1].Kind, T_Kind::Added);

    T_Difference_Options Options;
    Options.Move_Reach = 30; // the shape went 40 pixels
    EXPECT_EQ(Compare(Base, Moved, Options).Regions.size(), 2u);
}

TEST(PictureDifference, ACancelledComparisonIsIncomplete)
{
    T_Canvas Base(300, 300), Modified(300, 300);
    Modified.Fill(10, 10, 5, 5, Black);
    const std::atomic<bool> Cancel{true};
    const T_Difference D = Compare_Pictures(Base.View(), Modified.View(), {}, &Cancel);
    EXPECT_FALSE(D.Complete);
    EXPECT_TRUE(D.Tiles.empty());
    EXPECT_TRUE(D.Regions.empty());
}
