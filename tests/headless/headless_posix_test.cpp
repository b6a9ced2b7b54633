// Comparisons without a window that need POSIX: links in a folder, and a
// folder that an ordinary user cannot read.
#include "headless_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

TEST_F(Headless, LinkedFilesKeepTheNamesTheyAreListedUnder)
{
    fs::create_directories(dir.Path / "new/sub/deep");
    for (const char* name : {"same.png", "readme.txt", "notes.txt", "added.png"})
        Make_Png(dir / "new/" + name, 10, 10);
    Make_Png(dir / "new/sub/deep/plan.png", 10, 10);
    // A version-control client links the working tree's files into its
    // folder, and names folders with a trailing slash: files keep the names
    // they are listed under.
    fs::create_directories(dir.Path / "linked/sub/deep");
    for (const char* name : {"same.png", "readme.txt", "notes.txt", "added.png"})
        fs::create_symlink(dir.Path / "new" / name, dir.Path / "linked" / name);
    fs::create_symlink(dir.Path / "new/sub/deep/plan.png", dir.Path / "linked/sub/deep/plan.png");
    EXPECT_EQ(Compare({dir / "new" + "/", dir / "linked" + "/"}), 0) << Out;
    EXPECT_TRUE(Out.ends_with("Totals: 5 identical, 0 different, 0 only in old, 0 only in new, "
                              "0 errors\n"))
        << Out;
}

TEST_F(Headless, AFolderThatCannotBeReadIsAnErrorNotAnEmptyFolder)
{
    for (const char* side : {"old", "new"}) {
        fs::create_directories(dir.Path / side / "locked");
        Make_Png(dir / side + "/locked/plan.png", 10, 10);
        fs::permissions(dir.Path / side, fs::perms(0755));
        fs::permissions(dir.Path / side / "locked", fs::perms(0700));
    }
    fs::permissions(tmp.Dir.Path, fs::perms(0755));
    fs::permissions(dir.Path, fs::perms(0755));
    // The test runs as root, who reads everything: the comparison runs in a
    // child that has become an ordinary user.
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        std::ostringstream out, err;
        const int code = Run_Headless_Compare(
            Parse_Command_Options({"varnolt", "--compare", dir / "old", dir / "new"}), out, err);
        ::_exit(err.str().find("Permission denied") != std::string::npos ? code : 10 + code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}
