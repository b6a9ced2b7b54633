#include "command_line/git_diff_arguments.h"

#include <gtest/gtest.h>

namespace {

const std::string Old_Hex = "3b18e512dba79e4c8300dd08aeb37f8e728b8dad";
const std::string New_Hex = "e69de29bb2d1d6434b8b29ae775ad8c2e48c5391";
const std::string Zero_Hex(40, '0');

} // namespace

TEST(GitDiffArguments, CaptionsEachVersionWithThePathAndItsShortObjectName)
{
    T_Git_Diff_Pair pair = Git_Diff_Pair({"art/logo.png", "/tmp/Ab12Cd_logo.png", Old_Hex, "100644",
                                          "/tmp/Ef34Gh_logo.png", New_Hex, "100644"});
    EXPECT_EQ(pair.Left, "/tmp/Ab12Cd_logo.png");
    EXPECT_EQ(pair.Right, "/tmp/Ef34Gh_logo.png");
    EXPECT_EQ(pair.Left_Title, "art/logo.png (3b18e51)");
    EXPECT_EQ(pair.Right_Title, "art/logo.png (e69de29)");
}

TEST(GitDiffArguments, NamesTheWorkingTreeAndTheMissingVersion)
{
    // A file changed in the working tree: the null object name, the file itself.
    T_Git_Diff_Pair changed = Git_Diff_Pair(
        {"logo.png", "/tmp/Ab12Cd_logo.png", Old_Hex, "100644", "logo.png", Zero_Hex, "100644"});
    EXPECT_EQ(changed.Right, "logo.png");
    EXPECT_EQ(changed.Right_Title, "logo.png (working tree)");
    // The working tree's file with an object name holds that object: git
    // hands it over instead of a copy, say for the staged version.
    EXPECT_EQ(Git_Diff_Pair({"logo.png", "/tmp/Ab12Cd_logo.png", Old_Hex, "100644", "logo.png",
                             New_Hex, "100644"})
                  .Right_Title,
              "logo.png (e69de29)");
    // The short form of the null name counts as well; "git diff -R" puts the
    // working tree on the left.
    EXPECT_EQ(
        Git_Diff_Pair({"logo.png", "/tmp/x", "0000000", "100644", "/tmp/y", Old_Hex, "100644"})
            .Left_Title,
        "logo.png (working tree)");

    T_Git_Diff_Pair added =
        Git_Diff_Pair({"new.png", "/dev/null", ".", ".", "/tmp/Ef34Gh_new.png", New_Hex, "100644"});
    EXPECT_EQ(added.Left, "/dev/null");
    EXPECT_EQ(added.Left_Title, "new.png (missing)");
    EXPECT_EQ(added.Right_Title, "new.png (e69de29)");
    T_Git_Diff_Pair deleted =
        Git_Diff_Pair({"old.png", "/tmp/Ab12Cd_old.png", Old_Hex, "100644", "/dev/null", ".", "."});
    EXPECT_EQ(deleted.Right, "/dev/null");
    EXPECT_EQ(deleted.Right_Title, "old.png (missing)");
}

TEST(GitDiffArguments, CaptionsARenamedVersionWithItsNewPath)
{
    T_Git_Diff_Pair renamed = Git_Diff_Pair(
        {"a.png", "/tmp/Ab12Cd_a.png", Old_Hex, "100644", "/tmp/Ef34Gh_b.png", New_Hex, "100644",
         "b.png", "similarity index 90%\nrename from a.png\nrename to b.png\n"});
    EXPECT_EQ(renamed.Left_Title, "a.png (3b18e51)");
    EXPECT_EQ(renamed.Right_Title, "b.png (e69de29)");
}
