// The command line, the converter check and the launch of a paged pair on
// Windows, with the system's own command line and file attributes.
#include "command_line/command_line.h"
#include "platform/os_platform.h"
#include "tests/test_support.h"
#include "app/u_diff_launcher.h"
#include "engine/u_temp_files.h"
#include "app/u_varnolt_start.h"
#include "tests/win32_test_support.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

TEST(NativeCommandLine, IsTheSystemsTextAndSplitsByTheProgramsRule)
{
    // In this process: the same text the 8-bit call gives, for an ASCII line.
    std::string own = GetCommandLineA();
    if (own.find_first_of("\x80\xFF") == std::string::npos)
        EXPECT_EQ(os::Native_Command_Line(), own);

    // A child started with a line of our making prints what the system
    // kept; the program's splitter must read the two names from it.
    std::string line = os::Quote_Argument(test::Helper()) +
                       " args \"\"  \"C:\\my plans\\a b.cdw\"\t\"\" c.cdw third";
    std::string channel;
    ASSERT_EQ(os::Run_Captured(line, "", channel, {}).Exit_Code, 0);
    std::string kept = channel.substr(0, channel.find('\n'));
    EXPECT_EQ(kept, line);
    Args arguments = Split_Command_Line(kept);
    ASSERT_EQ(arguments.size(), 5u);
    EXPECT_EQ(arguments[0], test::Helper());
    T_File_Pair pair = File_Pair_From_Arguments({arguments.begin() + 1, arguments.end()});
    EXPECT_EQ(pair.Left, "C:\\my plans\\a b.cdw");
    EXPECT_EQ(pair.Right, "c.cdw");
}

TEST(CheckConverter, WantsConvertExeBesideTheProgramNotAFolderOfThatName)
{
    test::Scratch_Dir program;
    Set_Program_Folder(program.Str());
    EXPECT_FALSE(Check_Converter());
    EXPECT_EQ(ConverterPath(), program.Str() + "\\imagemagick\\convert.exe");

    fs::create_directories(program.Path / "imagemagick" / "convert.exe");
    EXPECT_FALSE(Check_Converter());
    fs::remove(program.Path / "imagemagick" / "convert.exe");

    test::Write_File(program.Str() + "\\imagemagick\\convert.exe", "");
    EXPECT_TRUE(Check_Converter());
}

// A paged pair is handed over by absolute names, the base as the user named
// it: the window's session makes its own read-only copy of it.
TEST(Launcher, AbsoluteNamesAndTheBaseAsTheUserNamedItForAPagedPair)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    test::Msg_Recorder messages;
    test::Scratch_Dir user;
    test::Write_File(user / "a.png", "base");
    test::Write_File(user / "b.cdw", "modified");
    SetCurrentDirectoryW(test::U8(user.Str()).wstring().c_str());

    std::string left, right;
    T_Paged_Kind paged = T_Paged_Kind::None;
    T_Launch_Hooks hooks;
    hooks.Show_Diff_Form = [&](const std::string& l, const std::string&, const std::string& r,
                               const std::string&, T_Converter_Kind, T_Paged_Kind p) {
        left = l;
        right = r;
        paged = p;
        return true;
    };
    Run_Diff("a.png", "b.cdw", hooks);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(paged, T_Paged_Kind::Kompas);
    EXPECT_EQ(left, os::Full_Path_Name(user / "a.png"));
    EXPECT_EQ(right, os::Full_Path_Name(user / "b.cdw"));
    EXPECT_FALSE(fs::exists(Temp_Dir() + "b.cdw"));
    EXPECT_EQ(test::Read_File(user / "a.png"), "base");
    SetCurrentDirectoryW(test::U8(tmp.Dir.Str()).wstring().c_str());
}

TEST(CheckFileExists, TakesTheEmptyDeviceAsAMissingVersionAndNamesFoldersAndDevices)
{
    test::Msg_Recorder messages;
    test::Scratch_Dir user;
    // git for Windows passes "/dev/null" for an added or deleted file.
    EXPECT_TRUE(Check_File_Exists("NUL"));
    EXPECT_TRUE(Check_File_Exists("/dev/null"));
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_FALSE(Check_File_Exists(user.Str()));
    EXPECT_FALSE(Check_File_Exists("COM1"));
    ASSERT_EQ(messages.Messages.size(), 2u);
    EXPECT_EQ(messages.Messages[0].Text, "This is a folder, not a file!\r\n" + user.Str());
    EXPECT_EQ(messages.Messages[1].Text,
              "This is not a regular file (a pipe, socket or device)!\r\nCOM1");
}
