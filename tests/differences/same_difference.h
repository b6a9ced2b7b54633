// Whether two comparisons came to the same differences: the area, every
// changed pixel with its kind, the count, and every region.
#pragma once

#include "differences/picture_difference.h"

#include <gtest/gtest.h>

namespace test {

inline void Expect_Same_Difference(const T_Difference& Actual, const T_Difference& Expected)
{
    EXPECT_EQ(Actual.Complete, Expected.Complete);
    EXPECT_EQ(Actual.Left, Expected.Left);
    EXPECT_EQ(Actual.Top, Expected.Top);
    EXPECT_EQ(Actual.Width, Expected.Width);
    EXPECT_EQ(Actual.Height, Expected.Height);
    EXPECT_EQ(Actual.Base_Width, Expected.Base_Width);
    EXPECT_EQ(Actual.Base_Height, Expected.Base_Height);
    EXPECT_EQ(Actual.Modified_Width, Expected.Modified_Width);
    EXPECT_EQ(Actual.Modified_Height, Expected.Modified_Height);
    EXPECT_EQ(Actual.Changed_Pixels, Expected.Changed_Pixels);
    ASSERT_EQ(Actual.Tiles.size(), Expected.Tiles.size());
    for (std::size_t Index = 0; Index < Actual.Tiles.size(); ++Index) {
        EXPECT_EQ(Actual.Tiles[Index].Left, Expected.Tiles[Index].Left);
        EXPECT_EQ(Actual.Tiles[Index].Top, Expected.Tiles[Index].Top);
        EXPECT_TRUE(Actual.Tiles[Index].Changes == Expected.Tiles[Index].Changes)
            << "the kinds of changes differ in the tile at " << Actual.Tiles[Index].Left << ", "
            << Actual.Tiles[Index].Top;
    }
    ASSERT_EQ(Actual.Regions.size(), Expected.Regions.size());
    for (std::size_t Index = 0; Index < Actual.Regions.size(); ++Index) {
        const T_Change_Region &A = Actual.Regions[Index], &E = Expected.Regions[Index];
        EXPECT_EQ(int(A.Kind), int(E.Kind)) << "region " << Index;
        EXPECT_EQ(A.Left, E.Left) << "region " << Index;
        EXPECT_EQ(A.Top, E.Top) << "region " << Index;
        EXPECT_EQ(A.Width, E.Width) << "region " << Index;
        EXPECT_EQ(A.Height, E.Height) << "region " << Index;
        EXPECT_EQ(A.Pixels, E.Pixels) << "region " << Index;
        EXPECT_EQ(A.Dx, E.Dx) << "region " << Index;
        EXPECT_EQ(A.Dy, E.Dy) << "region " << Index;
    }
}

} // namespace test
