// File operations of the system layer that behave alike on every system.
#include "os_platform.h"
#include "test_support.h"

#include <gtest/gtest.h>

using test::Scratch_Dir;
namespace fs = std::filesystem;

TEST(CopyFileReplace, ReplacesAReadOnlyTargetAndLeavesTheSourceAlone)
{
    Scratch_Dir dir;
    test::Write_File(dir / "src", "new content");
    test::Write_File(dir / "dst", "old");
    ASSERT_TRUE(os::Set_Read_Only(dir / "dst"));
    ASSERT_TRUE(os::Copy_File_Replace(dir / "src", dir / "dst"));
    EXPECT_EQ(test::Read_File(dir / "dst"), "new content");
    EXPECT_EQ(test::Read_File(dir / "src"), "new content");
    // No half-written temporary is left beside the target.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), fs::directory_iterator()), 2);
}

TEST(CopyFileReplace, FailsForAMissingSourceOrAFolder)
{
    Scratch_Dir dir;
    EXPECT_FALSE(os::Copy_File_Replace(dir / "missing", dir / "dst"));
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(os::Copy_File_Replace(dir / "folder", dir / "dst"));
    EXPECT_FALSE(fs::exists(dir / "dst"));
}

TEST(FileExists, CountsFilesNotFoldersNorEmptyNames)
{
    Scratch_Dir dir;
    test::Write_File(dir / "f", "");
    EXPECT_TRUE(os::File_Exists(dir / "f"));
    EXPECT_FALSE(os::File_Exists(dir.Str()));
    EXPECT_FALSE(os::File_Exists(""));
    EXPECT_FALSE(os::File_Exists(dir / "nothing"));
}
