// Ignore rectangles as the command line and the ignore files give them.
#include "ignore_areas.h"
#include "picture_difference.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

TEST(IgnoreAreas, ReadsAFileOfRectanglesWithCommentsAndNamesTheBadLine)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / "varnolt_ignore_areas_test.txt").string();
    std::ofstream(path) << "# the clock\n10,20,30,40\n\n  5 , 6 , 7 , 8   # the date\r\n";
    T_Ignore_Areas areas;
    std::string error;
    ASSERT_TRUE(Load_Ignore_File(path, areas, error)) << error;
    ASSERT_EQ(areas.Rectangles.size(), 2u);
    EXPECT_TRUE(areas.Ignores(10, 20) && areas.Ignores(39, 59) && areas.Ignores(5, 6));
    EXPECT_FALSE(areas.Ignores(40, 20) || areas.Ignores(10, 60) || areas.Ignores(12, 6));

    // A bad line leaves the areas as they were.
    std::ofstream(path) << "1,1,1,1\n1,1,0,5\n";
    EXPECT_FALSE(Load_Ignore_File(path, areas, error));
    EXPECT_NE(error.find(path + ", line 2: "), std::string::npos) << error;
    EXPECT_NE(error.find("\"1,1,0,5\""), std::string::npos) << error;
    EXPECT_EQ(areas.Rectangles.size(), 2u);
    std::remove(path.c_str());
    EXPECT_FALSE(Load_Ignore_File(path, areas, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

TEST(IgnoreAreas, AMaskLeavesOutItsFlaggedPixelsAndMustHaveThePicturesSize)
{
    auto mask = std::make_shared<T_Ignore_Mask>();
    mask->Name = "m.png";
    mask->Width = 4;
    mask->Height = 2;
    mask->Ignored = {0, 0, 0, 0, 0, 0, 1, 0};
    T_Ignore_Areas areas;
    areas.Mask = mask;
    EXPECT_TRUE(areas.Ignores(2, 1));
    EXPECT_FALSE(areas.Ignores(2, 0) || areas.Ignores(6, 1) || areas.Ignores(-1, 1));
    EXPECT_EQ(areas.Mask_Mismatch(4, 2), "");
    EXPECT_NE(areas.Mask_Mismatch(4, 3).find("m.png is 4 x 2 pixels, the picture 4 x 3"),
              std::string::npos);
}
