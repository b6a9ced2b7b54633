#include "os_platform.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using test::Scratch_Dir;
namespace fs = std::filesystem;

TEST(PrivateFolder, CreatesAFolderOnlyTheUserCanEnter)
{
    Scratch_Dir dir;
    std::string folder = dir / "Quorbit_tmp";
    ASSERT_TRUE(os::Ensure_Private_Folder(folder));
    struct stat st{};
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
    auto result = os::Run_Captured("head -c 1048576 /dev/zero | tr '\\0' x; echo tail >&2", "",
                                   channel, [&] {
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
    // The grandchild would write the marker after two seconds if it survived.
    auto result = os::Run_Captured("sleep 2; touch " + os::Quote_Argument(dir / "marker"), "",
                                   channel, [&] { return ++polls < 3; });
    EXPECT_TRUE(result.Started);
    EXPECT_NE(result.Exit_Code, 0);
    ::sleep(3);
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
