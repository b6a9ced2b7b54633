// Real git calling a diff driver set up as the README says, with a stand-in
// script in the program's place that keeps what git passed it; the program's
// parser then reads those arguments as it would read its own.
#include "command_line/command_options.h"
#include "command_line/git_diff_arguments.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

using Names = std::vector<std::string>;

class Git_Diff_Driver : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The stand-in keeps the arguments of each call (their count, then
        // each one, all ended by a zero byte: a rename's note has line
        // breaks) and the contents of both versions, which git removes.
        test::Write_File(Dir / "standin.sh", "#!/bin/sh\n"
                                             "printf '%s\\0' \"$#\" \"$@\" >> \"$STANDIN_LOG\"\n"
                                             "cat \"$3\" > \"$STANDIN_LOG.left\"\n"
                                             "cat \"$6\" > \"$STANDIN_LOG.right\"\n");
        std::filesystem::permissions(Dir / "standin.sh", std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
        std::filesystem::create_directories(Repo);
        Git("init -q .");
        Git("config diff.varnolt.command \"" + Dir / "standin.sh" + " --git-diff\"");
        test::Write_File(Repo + "/.gitattributes", "*.png diff=varnolt\n*.pdf diff=varnolt\n");
    }

    // Runs git in the repository with none of the user's settings (and an
    // identity of its own for every git of the line: a machine may have
    // none); false when it ends with an error.
    bool Git(const std::string& arguments, const std::string& output = "/dev/null")
    {
        const std::string command =
            "cd '" + Repo + "' && export HOME='" + Dir.Str() +
            "' GIT_CONFIG_NOSYSTEM=1 GIT_AUTHOR_NAME=T GIT_AUTHOR_EMAIL=t@example.org "
            "GIT_COMMITTER_NAME=T GIT_COMMITTER_EMAIL=t@example.org STANDIN_LOG='" +
            Log + "' && git " + arguments + " > '" + output + "' 2>&1";
        return std::system(command.c_str()) == 0;
    }

    // The calls since the last look, each as the program's command line.
    std::vector<Names> Calls()
    {
        std::vector<Names> calls;
        std::istringstream fields(test::Read_File(Log));
        std::filesystem::remove(Log);
        for (std::string count; std::getline(fields, count, '\0');) {
            calls.push_back({"varnolt"}); // the first argument is --git-diff
            for (int left = std::stoi(count); left > 0; --left) {
                std::string argument;
                std::getline(fields, argument, '\0');
                calls.back().push_back(argument);
            }
        }
        return calls;
    }

    // The one call git made, through the program's parser.
    T_Git_Diff_Pair Only_Pair()
    {
        std::vector<Names> calls = Calls();
        EXPECT_EQ(calls.size(), 1u);
        if (calls.size() != 1)
            return {};
        T_Command_Options options = Parse_Command_Options(calls[0]);
        EXPECT_EQ(options.Action, T_Command_Options::T_Action::Window) << options.Error;
        EXPECT_TRUE(options.Git_Diff);
        return Git_Diff_Pair(options.Git_Diff_Arguments);
    }

    std::string Hex(const std::string& object)
    {
        const std::string file = Dir / "hex";
        EXPECT_TRUE(Git("rev-parse --short=7 " + object, file));
        return test::Read_File(file).substr(0, 7);
    }

    test::Scratch_Dir Dir;
    const std::string Repo = Dir / "repo";
    const std::string Log = Dir / "calls";
};

} // namespace

TEST_F(Git_Diff_Driver, GitPassesTheVersionsOfAChangedFile)
{
    test::Write_File(Repo + "/logo.png", "first");
    ASSERT_TRUE(Git("add . && git commit -q -m one"));
    test::Write_File(Repo + "/logo.png", "second");
    const std::string first = Hex("HEAD:logo.png");

    // The working tree against the index.
    ASSERT_TRUE(Git("diff"));
    T_Git_Diff_Pair changed = Only_Pair();
    EXPECT_EQ(changed.Left_Title, "logo.png (" + first + ")");
    EXPECT_EQ(changed.Right_Title, "logo.png (working tree)");
    EXPECT_EQ(test::Read_File(Log + ".left"), "first");
    EXPECT_EQ(test::Read_File(Log + ".right"), "second");

    // Two commits, as the history shows them.
    ASSERT_TRUE(Git("commit -q -a -m two"));
    ASSERT_TRUE(Git("log -p --ext-diff -1"));
    T_Git_Diff_Pair logged = Only_Pair();
    EXPECT_EQ(logged.Left_Title, "logo.png (" + first + ")");
    EXPECT_EQ(logged.Right_Title, "logo.png (" + Hex("HEAD:logo.png") + ")");
    EXPECT_EQ(test::Read_File(Log + ".right"), "second");
}

TEST_F(Git_Diff_Driver, GitPassesTheNullDeviceForAnAddedOrDeletedFile)
{
    test::Write_File(Repo + "/sheet.pdf", "pages");
    ASSERT_TRUE(Git("add sheet.pdf"));
    ASSERT_TRUE(Git("diff --cached"));
    T_Git_Diff_Pair added = Only_Pair();
    EXPECT_EQ(added.Left, "/dev/null");
    EXPECT_EQ(added.Left_Title, "sheet.pdf (missing)");
    EXPECT_EQ(added.Right_Title, "sheet.pdf (" + Hex(":sheet.pdf") + ")");

    ASSERT_TRUE(Git("commit -q -m one && git rm -q sheet.pdf"));
    ASSERT_TRUE(Git("diff --cached"));
    T_Git_Diff_Pair deleted = Only_Pair();
    EXPECT_EQ(deleted.Right, "/dev/null");
    EXPECT_EQ(deleted.Right_Title, "sheet.pdf (missing)");
    EXPECT_EQ(test::Read_File(Log + ".left"), "pages");
}

TEST_F(Git_Diff_Driver, GitPassesNineArgumentsForARename)
{
    test::Write_File(Repo + "/a.png", "a picture that keeps its contents");
    ASSERT_TRUE(Git("add . && git commit -q -m one && git mv a.png b.png"));
    ASSERT_TRUE(Git("diff --cached -M HEAD"));
    std::vector<Names> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].size(), 2u + 9u); // the program, --git-diff, git's nine
    EXPECT_EQ(calls[0][2 + 7], "b.png");
    const T_Command_Options options = Parse_Command_Options(calls[0]);
    EXPECT_EQ(options.Action, T_Command_Options::T_Action::Window) << options.Error;
    T_Git_Diff_Pair renamed = Git_Diff_Pair(options.Git_Diff_Arguments);
    EXPECT_EQ(renamed.Left_Title, "a.png (" + Hex("HEAD:a.png") + ")");
    EXPECT_EQ(renamed.Right_Title, "b.png (" + Hex(":b.png") + ")");
}
