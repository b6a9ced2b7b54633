#include "platform/os_platform.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "tests/win32_test_support.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(PrepareTempFolder, MakesQuorbitTmpUnderTheSystemTempOrFallsBackToIt)
{
    {
        test::Private_Tmpdir tmp;
        Prepare_Temp_Folder();
        // The run's own folder inside.
        const std::string run = "run_" + std::to_string(os::Process_Id()) + "_1\\";
        EXPECT_EQ(Temp_Dir(), os::System_Temp_Path() + "Quorbit_tmp\\" + run);
        EXPECT_EQ(os::Full_Path_Name(Temp_Dir()),
                  os::Full_Path_Name(tmp.Dir / "Quorbit_tmp") + "\\" + run);
        EXPECT_TRUE(fs::is_directory(test::U8(Temp_Dir())));
        EXPECT_TRUE(fs::is_empty(test::U8(Temp_Dir())));
        // The converter's own temporary files go there too, for every child.
        const char* magick = std::getenv("MAGICK_TEMPORARY_PATH");
        ASSERT_NE(magick, nullptr);
        EXPECT_EQ(std::string(magick) + "\\", Temp_Dir());
    }
    {
        test::Private_Tmpdir tmp;
        test::Write_File(tmp.Dir / "Quorbit_tmp", "not a folder");
        Prepare_Temp_Folder();
        EXPECT_EQ(Temp_Dir(),
                  os::System_Temp_Path() + "run_" + std::to_string(os::Process_Id()) + "_1\\");
    }
}

TEST(CopyBaseToTemp, MakesAReadOnlyArchivedCopyAndLeavesTheUsersFileAlone)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    test::Scratch_Dir user;
    std::string base = user / "plan v1.cdw";
    test::Write_File(base, "version 1");
    DWORD user_attributes = test::Attributes(base);
    std::string name = base;
    Copy_Base_To_Temp(name, "plan v2.cdw");
    EXPECT_EQ(name, Temp_Dir() + "plan v2.cdw");
    EXPECT_EQ(test::Read_File(name), "version 1");
    EXPECT_EQ(test::Attributes(name), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(test::Attributes(base), user_attributes);

    // A later run replaces the read-only copy rather than falling back to
    // the user's own file.
    test::Write_File(base, "version 1b");
    name = base;
    Copy_Base_To_Temp(name, "plan v2.cdw");
    EXPECT_EQ(name, Temp_Dir() + "plan v2.cdw");
    EXPECT_EQ(test::Read_File(name), "version 1b");
    SetFileAttributesW(test::U8(name).wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CopyBaseToTemp, CopiesTheVeryFileWhateverLettersItsNameHolds)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    test::Scratch_Dir user;
    // A look-alike Latin file beside it must not be the one copied.
    std::string latin = user / "plan.cdw";
    std::string other = user.Str() + "\\" + test::Mixed_Script_Name + ".cdw";
    std::string ignored;
    ASSERT_TRUE(os::Write_File(latin, "latin", ignored));
    ASSERT_TRUE(os::Write_File(other, "mixed", ignored));
    std::string name = other;
    Copy_Base_To_Temp(name, test::Mixed_Script_Name + "2.cdw");
    EXPECT_EQ(name, Temp_Dir() + test::Mixed_Script_Name + "2.cdw");
    std::string copied;
    ASSERT_TRUE(os::Read_File(name, copied));
    EXPECT_EQ(copied, "mixed");
    SetFileAttributesW(test::U8(name).wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CopyBaseToTemp, KeepsTheBaseNameWhenTheCopyFails)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    std::string name = tmp.Dir / "missing.cdw";
    Copy_Base_To_Temp(name, "x.cdw");
    EXPECT_EQ(name, tmp.Dir / "missing.cdw");
    // A folder in the copy's place is not a copy either.
    test::Write_File(tmp.Dir / "base.cdw", "b");
    fs::create_directory(test::U8(Temp_Dir() + "x.cdw"));
    name = tmp.Dir / "base.cdw";
    Copy_Base_To_Temp(name, "x.cdw");
    EXPECT_EQ(name, tmp.Dir / "base.cdw");
}
