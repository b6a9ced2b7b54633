#include "platform/os_platform.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <chrono>

#include <thread>

#include <sstream>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

using test::Scratch_Dir;
namespace fs = std::filesystem;

TEST(PrivateFolder, CreatesAFolderOnlyTheUserCanEnter)
{
    Scratch_Dir dir;
    std::string folder = dir / "Quorbit_tmp";
    ASSERT_TRUE(os::Ensure_Private_Folder(folder));
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // An existing folder of ours is accepted again.
    EXPECT_TRUE(os::Ensure_Private_Folder(folder));
}

TEST(PrivateFolder, RefusesAFileOrALinkInItsPlace)
{
    Scratch_Dir dir;
    test::Write_File(dir / "as_file", "x");
    EXPECT_FALSE(os::Ensure_Private_Folder(dir / "as_file"));

    // A link planted by someone else must not be followed, even to a folder.
    fs::create_directory(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "as_link");
    EXPECT_FALSE(os::Ensure_Private_Folder(dir / "as_link"));
}

TEST(RunCaptured, CollectsMoreOutputThanAPipeHolds)
{
    std::string channel;
    int polls = 0;
    auto result =
        os::Run_Captured("head -c 1048576 /dev/zero | tr '\\0' x; echo tail >&2", "", channel, [&] {
            ++polls;
            return true;
        });
    EXPECT_TRUE(result.Started);
    EXPECT_EQ(result.Exit_Code, 0);
    ASSERT_EQ(channel.size(), 1048576u + 5u);
    EXPECT_EQ(channel.substr(channel.size() - 5), "tail\n");
}

TEST(RunCaptured, ReportsTheExitCodeAndRunsInTheWorkingFolder)
{
    Scratch_Dir dir;
    std::string channel;
    auto result = os::Run_Captured("pwd; exit 3", dir.Str(), channel, {});
    EXPECT_EQ(result.Exit_Code, 3);
    EXPECT_EQ(channel, fs::canonical(dir.Path).string() + "\n");
}

TEST(RunCaptured, StopsTheChildAndItsChildrenWhenTheHookSaysSo)
{
    Scratch_Dir dir;
    std::string channel;
    int polls = 0;
    // The shell leads the child's process group and starts a grandchild that
    // would write the marker after two seconds if it survived.
    auto result = os::Run_Captured("echo $$ > " + os::Quote_Argument(dir / "group") +
                                       "; sleep 2; touch " + os::Quote_Argument(dir / "marker"),
                                   "", channel, [&] { return ++polls < 3; });
    EXPECT_TRUE(result.Started);
    EXPECT_NE(result.Exit_Code, 0);
    // Every member of the group is gone within a second (the grandchild,
    // which would sleep for two, is reaped a moment after the stop).
    pid_t group = std::stoi(test::Read_File(dir / "group"));
    auto members = [group] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::string stat = test::Read_File(entry.path() / "stat");
            auto close = stat.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream fields(stat.substr(close + 2));
            std::string state;
            pid_t parent = 0, process_group = 0;
            fields >> state >> parent >> process_group;
            count += process_group == group && state != "Z";
        }
        return count;
    };
    for (int i = 0; i < 50 && members() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(members(), 0);
    EXPECT_FALSE(fs::exists(dir / "marker"));
}

TEST(QuoteArgument, KeepsEveryCharacterOfAName)
{
    Scratch_Dir dir;
    std::string name = "a b'c\"d$(x)`y`;|&%\n-e";
    std::string channel;
    os::Run_Captured("printf %s " + os::Quote_Argument(name), "", channel, {});
    EXPECT_EQ(channel, name);
}

namespace {

mode_t Mode(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

TEST(CheckInputFile, TellsPipesSocketsAndDevicesFromFilesWithoutOpeningThem)
{
    Scratch_Dir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    // Opening a pipe without a writer never returns: a hang ends the test.
    ::alarm(10);
    EXPECT_EQ(os::Check_Input_File(dir / "pipe"), os::T_File_Check::Not_Regular);
    ::alarm(0);

    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string socket_name = dir / "socket";
    ASSERT_LT(socket_name.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socket_name.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(os::Check_Input_File(socket_name), os::T_File_Check::Not_Regular);
    ::close(fd);

    EXPECT_EQ(os::Check_Input_File("/dev/zero"), os::T_File_Check::Not_Regular);
    EXPECT_EQ(os::Check_Input_File("/dev/null"), os::T_File_Check::Not_Regular);
    // A link to a file is the file.
    test::Write_File(dir / "file", "x");
    fs::create_symlink(dir / "file", dir / "link");
    EXPECT_EQ(os::Check_Input_File(dir / "link"), os::T_File_Check::Regular);
    fs::create_symlink(dir / "gone", dir / "dangling");
    EXPECT_EQ(os::Check_Input_File(dir / "dangling"), os::T_File_Check::Missing);
}

TEST(FullPathName, NamesTheFileTheSystemOpensAfterALinkedFolder)
{
    Scratch_Dir dir;
    std::string real = fs::canonical(dir.Path).string();
    // lnk leads to real/sub; lnk/.. is real, not dir.
    fs::create_directories(dir / "real/sub");
    fs::create_directory_symlink(dir / "real/sub", dir / "lnk");
    test::Write_File(dir / "x.png", "beside the link");
    test::Write_File(dir / "real/x.png", "opened");
    std::string full = os::Full_Path_Name(dir / "lnk/../x.png");
    EXPECT_EQ(full, real + "/real/x.png");
    EXPECT_EQ(test::Read_File(full), test::Read_File(dir / "lnk/../x.png"));

    // A file that is itself a link keeps its own name.
    fs::create_symlink(dir / "x.png", dir / "alias.png");
    EXPECT_EQ(os::Full_Path_Name(dir / "lnk/../../alias.png"), real + "/alias.png");

    // Relative names start at the current folder.
    auto old = fs::current_path();
    fs::current_path(dir / "lnk");
    EXPECT_EQ(os::Full_Path_Name("../x.png"), real + "/real/x.png");
    EXPECT_EQ(os::Full_Path_Name("."), real + "/real/sub");
    fs::current_path(old);

    // A folder part that does not exist stays as written, made absolute.
    EXPECT_EQ(os::Full_Path_Name(dir / "none/../x.png"), dir / "none/../x.png");
    EXPECT_EQ(os::Full_Path_Name("/x.png"), "/x.png");
    EXPECT_EQ(os::Full_Path_Name(""), "");
}

TEST(FileModes, CopiesAndReadOnlyFilesGiveNoOneElseAnyRight)
{
    Scratch_Dir dir;
    test::Write_File(dir / "shared", "x");
    ::chmod((dir / "shared").c_str(), 0644);
    ASSERT_TRUE(os::Copy_File_Replace(dir / "shared", dir / "copy"));
    EXPECT_EQ(Mode(dir / "copy"), 0600u);
    // Set_Read_Only takes the write bits away and adds no reading right.
    ASSERT_TRUE(os::Set_Read_Only(dir / "copy"));
    EXPECT_EQ(Mode(dir / "copy"), 0400u);
    // The owner's execute right travels; the others' does not.
    ::chmod((dir / "shared").c_str(), 0755);
    ASSERT_TRUE(os::Copy_File_Replace(dir / "shared", dir / "copy"));
    EXPECT_EQ(Mode(dir / "copy"), 0700u);
    // A source read through the others' right still gives a copy its owner reads.
    ::chmod((dir / "shared").c_str(), 0004);
    ASSERT_TRUE(os::Copy_File_Replace(dir / "shared", dir / "copy"));
    EXPECT_EQ(Mode(dir / "copy"), 0400u);
    ::chmod((dir / "shared").c_str(), 0640);
    ASSERT_TRUE(os::Set_Read_Only(dir / "shared"));
    EXPECT_EQ(Mode(dir / "shared"), 0440u);
    EXPECT_FALSE(os::Set_Read_Only(dir / "missing"));
}

TEST(FileModes, AfterRestrictNewFilesNothingNewIsOpenToOthersNotEvenFromChildren)
{
    Scratch_Dir dir;
    // The file creation mask belongs to the whole process: a child process
    // keeps it away from the other tests.
    pid_t pid = ::fork();
    if (pid == 0) {
        os::Restrict_New_Files();
        std::ofstream(dir / "stream") << "x";
        ::mkdir((dir / "folder").c_str(), 0777);
        std::string channel;
        os::Run_Captured("touch " + os::Quote_Argument(dir / "by_child"), "", channel, {});
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(Mode(dir / "stream"), 0600u);
    EXPECT_EQ(Mode(dir / "folder"), 0700u);
    EXPECT_EQ(Mode(dir / "by_child"), 0600u);
}

TEST(LinkOrCopy, LinksTheFileTheSystemOpensByItsAbsoluteName)
{
    Scratch_Dir dir;
    fs::create_directories(dir / "real/sub");
    fs::create_directory_symlink(dir / "real/sub", dir / "lnk");
    test::Write_File(dir / "x.png", "beside the link");
    test::Write_File(dir / "real/x.png", "opened");
    auto old = fs::current_path();
    fs::current_path(dir / "lnk");
    ASSERT_TRUE(os::Link_Or_Copy("../x.png", dir / "input"));
    fs::current_path(old);
    ASSERT_TRUE(fs::is_symlink(dir / "input"));
    EXPECT_EQ(fs::read_symlink(dir / "input"), fs::canonical(dir.Path) / "real/x.png");
    EXPECT_EQ(test::Read_File(dir / "input"), "opened");
    // Replaced in one step: no half-made name is left beside it.
    ASSERT_TRUE(os::Link_Or_Copy(dir / "x.png", dir / "input"));
    EXPECT_EQ(test::Read_File(dir / "input"), "beside the link");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), fs::directory_iterator()), 4);

    // A folder in the name's place stays.
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(os::Link_Or_Copy(dir / "x.png", dir / "folder"));
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(dir / "folder")));
}

TEST(SetEnvironment, ReachesTheRuntimeAndEveryChild)
{
    ASSERT_TRUE(os::Set_Environment("VARNOLT_TEST_VALUE", "a b'c"));
    EXPECT_STREQ(std::getenv("VARNOLT_TEST_VALUE"), "a b'c");
    std::string channel;
    os::Run_Captured("printf %s \"$VARNOLT_TEST_VALUE\"", "", channel, {});
    EXPECT_EQ(channel, "a b'c");
    EXPECT_FALSE(os::Set_Environment("", "x"));
    EXPECT_FALSE(os::Set_Environment("A=B", "x"));
    ::unsetenv("VARNOLT_TEST_VALUE");
}
