#include "tests/test_support.h"
#include "engine/vcs_diff_frame_const.h"

#include <gtest/gtest.h>

TEST(CompareCache, FindsEntriesByTheirWholeKey)
{
    test::Scratch_Dir dir;
    T_Compare_Files_Cash cache;
    std::string name;
    EXPECT_EQ(cache.Find(0, 0, 0), -1);
    cache.Get_Compared_File(0, 0, 0, name);
    EXPECT_EQ(name, "");

    test::Write_File(dir / "a", "");
    test::Write_File(dir / "b", "");
    cache.Add_Compared_File(dir / "a", 0, 2, 3);
    cache.Add_Compared_File(dir / "b", 15, 2, 3);
    EXPECT_EQ(cache.Find(0, 2, 3), 0);
    EXPECT_EQ(cache.Find(15, 2, 3), 1);
    EXPECT_EQ(cache.Find(0, 3, 2), -1); // page order matters
    cache.Get_Compared_File(15, 2, 3, name);
    EXPECT_EQ(name, dir / "b");

    cache.Clear();
    EXPECT_EQ(cache.Find(0, 2, 3), -1);
}

TEST(CompareCache, AVanishedFileIsNotServedAndItsEntryStays)
{
    test::Scratch_Dir dir;
    T_Compare_Files_Cash cache;
    test::Write_File(dir / "first", "");
    cache.Add_Compared_File(dir / "first", 0, 0, 0);
    std::filesystem::remove(dir / "first");
    std::string name = "stale";
    cache.Get_Compared_File(0, 0, 0, name);
    EXPECT_EQ(name, "");

    test::Write_File(dir / "second", "");
    cache.Add_Compared_File(dir / "second", 0, 0, 0);
    ASSERT_EQ(cache.Items.size(), 1u);
    EXPECT_EQ(cache.Items[0].ComparedFile, dir / "first");
}
