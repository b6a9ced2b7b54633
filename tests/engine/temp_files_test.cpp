#include "os_platform.h"
#include "test_support.h"
#include "u_temp_files.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace fs = std::filesystem;

TEST(PrepareTempFolder, CreatesAnEmptyPrivateFolderInAFreshTemp)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    EXPECT_EQ(Temp_Dir(), tmp.Dir / "Quorbit_tmp/");
    EXPECT_TRUE(fs::is_directory(Temp_Dir()));
    EXPECT_TRUE(fs::is_empty(Temp_Dir()));
}

TEST(PrepareTempFolder, FallsBackToTheSystemTempWhenTheNameIsTaken)
{
    {
        test::Private_Tmpdir tmp;
        test::Write_File(tmp.Dir / "Quorbit_tmp", "not a folder");
        Prepare_Temp_Folder();
        EXPECT_EQ(Temp_Dir(), tmp.Dir.Str() + "/");
    }
    {
        // A link planted in a shared temp must not redirect our files.
        test::Private_Tmpdir tmp;
        fs::create_directory(tmp.Dir / "target");
        fs::create_directory_symlink(tmp.Dir / "target", tmp.Dir / "Quorbit_tmp");
        Prepare_Temp_Folder();
        EXPECT_EQ(Temp_Dir(), tmp.Dir.Str() + "/");
    }
}

TEST(TempFileName, HasTheFixedFormAndDiffersBetweenCalls)
{
    std::regex form("tempfile_#_[0-9]+_[0-9]+");
    std::set<std::string> names;
    Randomize_Temp_Names();
    for (int i = 0; i < 100; ++i) {
        std::string name = Temp_File_Name();
        EXPECT_TRUE(std::regex_match(name, form)) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 100u);
}

TEST(CopyBaseToTemp, MakesAReadOnlyCopyNamedAfterTheRightFile)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    test::Scratch_Dir user;
    std::string base = user / "plan v1.cdw";
    test::Write_File(base, "version 1");
    fs::permissions(base, fs::perms(0640));
    std::string name = base;
    Copy_Base_To_Temp(name, "plan v2.cdw");
    EXPECT_EQ(name, Temp_Dir() + "plan v2.cdw");
    EXPECT_EQ(test::Read_File(name), "version 1");
    EXPECT_EQ(fs::status(name).permissions(), fs::perms(0444));
    // The user's file is untouched.
    EXPECT_EQ(test::Read_File(base), "version 1");
    EXPECT_EQ(fs::status(base).permissions(), fs::perms(0640));

    // A later run with the same right name replaces the read-only copy
    // instead of falling back to the user's own file.
    test::Write_File(base, "version 1b");
    name = base;
    Copy_Base_To_Temp(name, "plan v2.cdw");
    EXPECT_EQ(name, Temp_Dir() + "plan v2.cdw");
    EXPECT_EQ(test::Read_File(name), "version 1b");
}

TEST(CopyBaseToTemp, KeepsTheBaseNameWhenTheCopyFails)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    std::string name = tmp.Dir / "missing.cdw";
    Copy_Base_To_Temp(name, "x.cdw");
    EXPECT_EQ(name, tmp.Dir / "missing.cdw");
}
