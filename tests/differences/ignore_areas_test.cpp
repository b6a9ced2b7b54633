// Ignore rectangles as the command line and the ignore files give them.
#include "differences/ignore_areas.h"
#include "differences/picture_difference.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
}

TEST(IgnoreAreas, AFolderAPipeOrAnEndlessListIsRefusedWithoutWaiting)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "varnolt_ignore_areas_kinds";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    T_Ignore_Areas areas;
    std::string error;
    EXPECT_FALSE(Load_Ignore_File(folder.string(), areas, error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
#ifndef _WIN32
    // Opening a pipe would wait for a writer that never comes.
    const std::string pipe = (folder / "pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(Load_Ignore_File(pipe, areas, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
#endif
    const std::string many = (folder / "many.txt").string();
    {
        std::ofstream list(many);
        for (int line = 0; line < 10001; ++line)
            list << line << ",0,1,1\n";
    }
    EXPECT_FALSE(Load_Ignore_File(many, areas, error));
    EXPECT_NE(error.find("more than 10000"), std::string::npos) << error;
    EXPECT_TRUE(areas.Rectangles.empty());
    std::filesystem::remove_all(folder);
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
