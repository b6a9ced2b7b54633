#include "platform/os_platform.h"
#include "tests/test_support.h"
#include "tests/win32_test_support.h"

#include <gtest/gtest.h>

#include <shellapi.h>

namespace fs = std::filesystem;
using test::Helper;
using test::Scratch_Dir;

namespace {

std::string Quoted_Helper() { return os::Quote_Argument(Helper()); }

} // namespace

TEST(RunCaptured, JoinsBothChannelsAndReportsTheExitCode)
{
    std::string channel;
    auto result = os::Run_Captured(Quoted_Helper() + " fail broken 3", "", channel, {});
    EXPECT_TRUE(result.Started);
    EXPECT_EQ(result.Exit_Code, 3);
    EXPECT_EQ(channel, "broken");

    channel.clear();
    result = os::Run_Captured(Quoted_Helper() + " say fine", "", channel, {});
    EXPECT_EQ(result.Exit_Code, 0);
    EXPECT_EQ(channel, "fine");
}

TEST(RunCaptured, DrainsAMegabyteWhileTheChildRunsAndCallsTheHook)
{
    std::string channel;
    int polls = 0;
    auto result = os::Run_Captured(Quoted_Helper() + " print 1048576", "", channel, [&] {
        ++polls;
        return true;
    });
    EXPECT_EQ(result.Exit_Code, 0);
    ASSERT_EQ(channel.size(), 1048576u + 4u);
    EXPECT_EQ(channel.substr(channel.size() - 4), "done");
    EXPECT_GT(polls, 0);
}

TEST(RunCaptured, RunsInTheWorkingFolderAndReportsAChildThatCannotStart)
{
    Scratch_Dir dir;
    std::string channel;
    auto result = os::Run_Captured("cmd /c cd", dir.Str(), channel, {});
    EXPECT_EQ(result.Exit_Code, 0);
    EXPECT_EQ(channel.substr(0, channel.find_last_not_of("\r\n") + 1),
              os::Full_Path_Name(dir.Str()));

    channel.clear();
    result = os::Run_Captured("\"" + (dir / "missing.exe") + "\"", "", channel, {});
    EXPECT_FALSE(result.Started);
}

TEST(RunCaptured, StopsTheChildAndItsChildrenWhenTheHookSaysSo)
{
    std::string channel;
    int polls = 0;
    auto result =
        os::Run_Captured(Quoted_Helper() + " spawn", "", channel, [&] { return ++polls < 5; });
    EXPECT_TRUE(result.Started);
    EXPECT_NE(result.Exit_Code, 0);
    // The grandchild printed its id before the stop; it must be gone too.
    ASSERT_FALSE(channel.empty());
    HANDLE grandchild = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(channel));
    if (grandchild) {
        EXPECT_EQ(WaitForSingleObject(grandchild, 10000), WAIT_OBJECT_0);
        CloseHandle(grandchild);
    }
}

TEST(QuoteArgument, EveryNameReachesTheProgramAsOneUnchangedArgument)
{
    const std::string names[] = {"plain",
                                 "two words",
                                 "trailing\\",
                                 "C:\\with space\\",
                                 "quote\"inside",
                                 "back\\\\\"slashes",
                                 "",
                                 "100% & ^ | <x>",
                                 test::Cyrillic_Name};
    std::string line = Quoted_Helper() + " args";
    for (const auto& name : names)
        line += " " + os::Quote_Argument(name);
    std::string channel;
    ASSERT_EQ(os::Run_Captured(line, "", channel, {}).Exit_Code, 0);
    std::string expected;
    for (const auto& name : names) {
        for (unsigned char c : name)
            expected += "0123456789abcdef"[c >> 4], expected += "0123456789abcdef"[c & 15];
        expected += "\n";
    }
    EXPECT_EQ(channel.substr(channel.find('\n') + 1), expected);
}

TEST(Files, ExistenceCountsFilesOnlyAndNamesMayHoldAnyLetters)
{
    Scratch_Dir dir;
    std::string cyrillic = dir / "" + test::Cyrillic_Name + ".txt";
    std::string error;
    ASSERT_TRUE(os::Write_File(cyrillic, "content", error)) << error;
    EXPECT_TRUE(os::File_Exists(cyrillic));
    std::string data;
    ASSERT_TRUE(os::Read_File(cyrillic, data));
    EXPECT_EQ(data, "content");
    // The wide calls found the very file, not a look-alike.
    EXPECT_TRUE(fs::exists(test::U8(cyrillic)));

    EXPECT_FALSE(os::File_Exists(dir.Str()));
    EXPECT_FALSE(os::File_Exists(""));
    EXPECT_FALSE(os::File_Exists(dir / "nothing"));
    EXPECT_FALSE(os::Read_File(dir / "nothing", data));
    EXPECT_FALSE(os::Write_File(dir / "no folder\\x", "", error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(os::Delete_File(cyrillic));
    EXPECT_FALSE(os::File_Exists(cyrillic));
}

TEST(Files, ReadOnlyMeansExactlyReadOnlyPlusArchive)
{
    Scratch_Dir dir;
    std::string file = dir / "f.cdw";
    test::Write_File(file, "x");
    SetFileAttributesW(test::U8(file).wstring().c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(os::Set_Read_Only(file));
    EXPECT_EQ(test::Attributes(file), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    SetFileAttributesW(test::U8(file).wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CopyFileReplace, RefusesWhatTheShellWouldCopyDifferently)
{
    Scratch_Dir dir;
    test::Write_File(dir / "a1.txt", "1");
    test::Write_File(dir / "a2.txt", "2");
    fs::create_directory(dir / "folder");
    test::Write_File(dir / "folder\\inner", "i");
    // A missing source, a wildcard that would match two files, a folder as
    // source and a folder in the target's place.
    EXPECT_FALSE(os::Copy_File_Replace(dir / "missing", dir / "dst"));
    EXPECT_FALSE(os::Copy_File_Replace(dir / "a?.txt", dir / "dst"));
    EXPECT_FALSE(os::Copy_File_Replace(dir / "folder", dir / "dst"));
    EXPECT_FALSE(fs::exists(dir / "dst"));
    EXPECT_FALSE(os::Copy_File_Replace(dir / "a1.txt", dir / "folder"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "folder"), fs::directory_iterator()), 1);
}

TEST(Folders, PrivateFolderIsARealFolderNeverAFileOrALink)
{
    Scratch_Dir dir;
    ASSERT_TRUE(os::Ensure_Private_Folder(dir / "Quorbit_tmp"));
    EXPECT_TRUE(fs::is_directory(dir / "Quorbit_tmp"));
    EXPECT_TRUE(os::Ensure_Private_Folder(dir / "Quorbit_tmp"));
    test::Write_File(dir / "as_file", "x");
    EXPECT_FALSE(os::Ensure_Private_Folder(dir / "as_file"));

    fs::create_directory(dir / "elsewhere");
    std::wstring link = test::U8(dir / "as_link").wstring();
    if (!CreateSymbolicLinkW(link.c_str(), test::U8(dir / "elsewhere").wstring().c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */))
        GTEST_SKIP() << "this system makes no folder links without privileges";
    DWORD link_attributes = test::Attributes(dir / "as_link");
    if (link_attributes == INVALID_FILE_ATTRIBUTES ||
        !(link_attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveDirectoryW(link.c_str());
        GTEST_SKIP() << "this system makes no folder link that it reports as one (wine)";
    }
    EXPECT_FALSE(os::Ensure_Private_Folder(dir / "as_link"));
    RemoveDirectoryW(link.c_str());
}

TEST(Paths, TempFollowsTmpAndNamesComeBackAbsolute)
{
    test::Private_Tmpdir tmp;
    std::string temp = os::System_Temp_Path();
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_EQ(os::Full_Path_Name(temp), os::Full_Path_Name(tmp.Dir.Str() + "\\"));

    Scratch_Dir dir;
    SetCurrentDirectoryW(test::U8(dir.Str()).wstring().c_str());
    EXPECT_EQ(os::Full_Path_Name("sub\\..\\a.png"), os::Full_Path_Name(dir.Str()) + "\\a.png");
    EXPECT_EQ(os::Full_Path_Name(""), "");
    SetCurrentDirectoryW(test::U8(tmp.Dir.Str()).wstring().c_str());

    std::string exe = os::Executable_Path();
    EXPECT_TRUE(os::File_Exists(exe)) << exe;
    EXPECT_EQ(exe.substr(exe.size() - 4), ".exe");
    EXPECT_EQ(os::Path_Separator(), '\\');
}

TEST(ScriptText, WrittenInTheConsoleCodePageOrRefusedWithTheCharacterNamed)
{
    std::string script, error;
    ASSERT_TRUE(os::To_Script_Text("@\"C:\\a 100%%.png\" >  \"x\"\r\n", script, error));
    EXPECT_EQ(script, "@\"C:\\a 100%%.png\" >  \"x\"\r\n");

    // An accented Latin letter: the console page's own byte, and back.
    std::string accented = "caf\xC3\xA9.png";
    if (GetOEMCP() == 437 || GetOEMCP() == 850) {
        ASSERT_TRUE(os::To_Script_Text(accented, script, error));
        EXPECT_EQ(script, "caf\x82.png");
        EXPECT_EQ(os::From_Console_Text(script), accented);
    }

    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "this system's code page holds every character";
    EXPECT_FALSE(
        os::To_Script_Text("@type \"C:\\" + test::Mixed_Script_Name + "\"", script, error));
    EXPECT_NE(error.find("cannot represent"), std::string::npos) << error;
    EXPECT_NE(error.find("U+"), std::string::npos) << error;
}

TEST(CheckInputFile, DevicesAndPipesAreNoFilesAndNothingWaitsForThem)
{
    Scratch_Dir dir;
    for (const std::string& name : {std::string("NUL"), std::string("con"), std::string("COM1"),
                                    dir / "nul", std::string("\\\\.\\pipe\\varnolt-none")})
        EXPECT_EQ(os::Check_Input_File(name), os::T_File_Check::Not_Regular) << name;
    std::string cyrillic = dir / "" + test::Cyrillic_Name + ".png";
    std::string error;
    ASSERT_TRUE(os::Write_File(cyrillic, "x", error)) << error;
    EXPECT_EQ(os::Check_Input_File(cyrillic), os::T_File_Check::Regular);
}

TEST(SetEnvironment, ChildrenInheritTheNewValue)
{
    ASSERT_TRUE(os::Set_Environment("VARNOLT_TEST_CHILD", "C:\\a b"));
    std::string channel;
    ASSERT_EQ(os::Run_Captured("cmd /c echo %VARNOLT_TEST_CHILD%", "", channel, {}).Exit_Code, 0);
    EXPECT_EQ(channel.substr(0, channel.find_last_not_of("\r\n") + 1), "C:\\a b");
    EXPECT_FALSE(os::Set_Environment("A=B", "x"));
}

TEST(LinkOrCopy, ReplacesAReadOnlyNameAndReadsAsTheTargetWhateverItsLetters)
{
    Scratch_Dir dir;
    std::string target = dir / "" + test::Mixed_Script_Name + ".png";
    std::string error;
    ASSERT_TRUE(os::Write_File(target, "mixed", error)) << error;
    test::Write_File(dir / "input.png", "old");
    ASSERT_TRUE(os::Set_Read_Only(dir / "input.png"));
    ASSERT_TRUE(os::Link_Or_Copy(target, dir / "input.png"));
    std::string data;
    ASSERT_TRUE(os::Read_File(dir / "input.png", data));
    EXPECT_EQ(data, "mixed");
    EXPECT_FALSE(test::Attributes(target) & FILE_ATTRIBUTE_READONLY);
}
