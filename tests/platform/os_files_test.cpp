// File operations of the system layer that behave alike on every system.
#include "platform/os_platform.h"
#include "tests/test_support.h"

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

TEST(CopyFileReplace, FailsForAMissingSourceOrAFolderOrAMissingTargetFolder)
{
    Scratch_Dir dir;
    EXPECT_FALSE(os::Copy_File_Replace(dir / "missing", dir / "dst"));
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(os::Copy_File_Replace(dir / "folder", dir / "dst"));
    EXPECT_FALSE(fs::exists(dir / "dst"));
    // A target folder that does not exist is not made.
    test::Write_File(dir / "src", "content");
    EXPECT_FALSE(os::Copy_File_Replace(dir / "src", dir / "missing/dst"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
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

TEST(CheckInputFile, SortsNamesIntoFilesFoldersAndNothing)
{
    Scratch_Dir dir;
    test::Write_File(dir / "f.png", "x");
    fs::create_directory(dir / "d.png");
    EXPECT_EQ(os::Check_Input_File(dir / "f.png"), os::T_File_Check::Regular);
    EXPECT_EQ(os::Check_Input_File(dir / "d.png"), os::T_File_Check::Folder);
    EXPECT_EQ(os::Check_Input_File(dir.Str()), os::T_File_Check::Folder);
    EXPECT_EQ(os::Check_Input_File(dir / "none.png"), os::T_File_Check::Missing);
    EXPECT_EQ(os::Check_Input_File(dir / "none/f.png"), os::T_File_Check::Missing);
    EXPECT_EQ(os::Check_Input_File(""), os::T_File_Check::Missing);
}

TEST(IsNullDevice, KnowsOnlyTheNameVersionControlGivesForAMissingSide)
{
#ifdef _WIN32
    EXPECT_TRUE(os::Is_Null_Device("NUL"));
    EXPECT_TRUE(os::Is_Null_Device("nul"));
#endif
    EXPECT_TRUE(os::Is_Null_Device("/dev/null"));
    EXPECT_TRUE(os::Is_Null_Device(os::Null_Device())); // what the folder list passes
    for (const char* name : {"", "null", "/dev/zero", "/dev/null/", "dev/null", "/dev/nul"})
        EXPECT_FALSE(os::Is_Null_Device(name)) << name;
}

TEST(LinkOrCopy, TheNewNameReadsAsTheTargetAndAnEarlierOneIsReplaced)
{
    Scratch_Dir dir;
    test::Write_File(dir / "a.png", "A");
    test::Write_File(dir / "b.png", "B");
    ASSERT_TRUE(os::Link_Or_Copy(dir / "a.png", dir / "input.png"));
    EXPECT_EQ(test::Read_File(dir / "input.png"), "A");
    ASSERT_TRUE(os::Link_Or_Copy(dir / "b.png", dir / "input.png"));
    EXPECT_EQ(test::Read_File(dir / "input.png"), "B");
    EXPECT_EQ(test::Read_File(dir / "a.png"), "A");
    EXPECT_FALSE(os::Link_Or_Copy(dir / "missing.png", dir / "other.png"));
    EXPECT_FALSE(os::Link_Or_Copy(dir.Str(), dir / "other.png"));
    EXPECT_FALSE(fs::exists(dir / "other.png"));
}

TEST(Utf8Path, NamesOutsideAnyOneCodePageOpenAndComeBackUnchanged)
{
    Scratch_Dir dir;
    // Cyrillic and Greek letters: no single Windows code page holds both.
    const std::string leaf =
        "\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD_\xCF\x83\xCF\x87\xCE\xAD\xCE\xB4\xCE\xB9\xCE\xBF.png";
    const std::string name = os::Utf8_Name(dir.Path / os::Utf8_Path(leaf));
    const fs::path path = os::Utf8_Path(name);
    std::ofstream(path, std::ios::binary) << "bytes";
    EXPECT_TRUE(os::File_Exists(name));
    EXPECT_EQ(os::Utf8_Name(path), name);
    EXPECT_EQ(os::Utf8_Name(path.filename()), leaf);
    for (const auto& entry : fs::directory_iterator(dir.Path))
        EXPECT_EQ(os::Utf8_Name(entry.path().filename()), leaf);
}
