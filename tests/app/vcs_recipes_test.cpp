// Real git, Subversion and Mercurial calling the program as the README tells
// them to, with a stand-in script in the program's place on the search path
// that keeps the arguments of each call (and a copy of every file or folder
// they name: the clients remove their temporary copies afterwards). The
// recorded command lines then go through the program's parser and main
// sequence, with windows that only record what they were asked to show.
#include "vocabulary/U_Msg.h"
#include "command_line/command_options.h"
#include "session/folder_files.h"
#include "tests/app/launch_record.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "app/u_varnolt_start.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

// A run handed two folders: the command line is the program, empty titles
// (which leave the usual captions), "--" and the two folders.
void Expect_Folders_Without_Titles(const Names& line)
{
    ASSERT_EQ(line.size(), 8u);
    EXPECT_EQ((Names{line[1], line[2], line[3], line[4], line[5]}),
              (Names{"--left-title", "", "--right-title", "", "--"}));
}

const std::string Source_Dir = VARNOLT_SOURCE_DIR;

// The README's line that starts with `start` (leading blanks ignored).
std::string Readme_Line(const std::string& start)
{
    std::ifstream readme(Source_Dir + "/README.md");
    for (std::string line; std::getline(readme, line);) {
        const std::size_t text = line.find_first_not_of(' ');
        if (text != std::string::npos && line.compare(text, start.size(), start) == 0)
            return line.substr(text);
    }
    ADD_FAILURE() << "README.md has no line starting with " << start;
    return {};
}

bool Installed(const std::string& program)
{
    return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}

// A picture's bytes as far as a client can tell: binary (Subversion marks
// it so when it is added). The launcher judges by the name. Pictures with
// different tags are too unlike for git to take one for the other renamed.
std::string Picture(const std::string& tag)
{
    std::string bytes("\x89PNG\r\n\x1a\n\0", 9);
    for (int i = 0; i < 64; ++i)
        bytes += tag;
    return bytes;
}

class Vcs_Recipe : public ::testing::Test {
protected:
    void SetUp() override
    {
        // An earlier test may have left the process in a folder it removed.
        fs::current_path(Source_Dir);
        // The stand-in writes the count of its arguments and each argument,
        // every one ended by a zero byte, then keeps a copy of each file or
        // folder argument in KEEP/<call>-<argument>/ (links inside folders
        // stay links).
        fs::create_directories(Bin);
        test::Write_File(Bin + "/varnolt", "#!/bin/sh\n"
                                           "printf '%s\\0' \"$#\" \"$@\" >> \"$STANDIN_LOG\"\n"
                                           "call=$(tr -cd '\\n' < \"$STANDIN_LOG.calls\" | wc -c)\n"
                                           "echo >> \"$STANDIN_LOG.calls\"\n"
                                           "i=0\n"
                                           "for a; do\n"
                                           "  i=$((i + 1))\n"
                                           "  if [ -f \"$a\" ] || [ -d \"$a\" ]; then\n"
                                           "    mkdir -p \"$STANDIN_LOG.keep/$call-$i\"\n"
                                           "    cp -RP -- \"$a\" \"$STANDIN_LOG.keep/$call-$i/\"\n"
                                           "  fi\n"
                                           "done\n"
                                           "exit \"${STANDIN_EXIT:-0}\"\n");
        fs::permissions(Bin + "/varnolt", fs::perms::owner_exec, fs::perm_options::add);
        test::Write_File(Log + ".calls", "");
        // The program's converter must be in place for the main sequence.
        Set_Program_Folder(Program.Str());
        fs::create_directories(Program / "imagemagick");
        test::Write_File(Program / "imagemagick/convert", "");
        Prepare_Temp_Folder();
    }

    // Runs a shell command in `folder` with the stand-in first on the search
    // path and none of the user's settings; its exit status.
    int Run(const std::string& folder, const std::string& command, int standin_exit = 0)
    {
        const std::string line =
            "cd '" + folder + "' && export HOME='" + Dir.Str() +
            "' GIT_CONFIG_NOSYSTEM=1 HGRCPATH='" + Dir / "hgrc" + "' HGPLAIN=1 STANDIN_LOG='" +
            Log + "' STANDIN_EXIT=" + std::to_string(standin_exit) + " PATH='" + Bin +
            "':\"$PATH\" && { " + command + "; } > '" + Dir / "output" + "' 2>&1";
        const int status = std::system(line.c_str());
        if (std::getenv("VCS_RECIPE_DEBUG"))
            std::cerr << line << "\n" << test::Read_File(Dir / "output");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The calls since the last look, each as the program's command line.
    std::vector<Names> Calls()
    {
        std::vector<Names> calls;
        std::istringstream fields(test::Read_File(Log));
        fs::remove(Log);
        for (std::string count; std::getline(fields, count, '\0');) {
            calls.push_back({"varnolt"});
            for (int left = std::stoi(count); left > 0; --left) {
                std::string argument;
                std::getline(fields, argument, '\0');
                calls.back().push_back(argument);
            }
        }
        Seen += calls.size();
        if (std::getenv("VCS_RECIPE_DEBUG"))
            for (const Names& call : calls)
                for (const std::string& argument : call)
                    std::cerr << "[" << argument << "]\n";
        return calls;
    }

    // Where the stand-in kept the file or folder that argument `index` of
    // call `call` (counted over the whole test) named.
    std::string Kept(std::size_t call, std::size_t index, const std::string& name)
    {
        fs::path path(name);
        if (!path.has_filename())
            path = path.parent_path();
        return Log + ".keep/" + std::to_string(call) + "-" + std::to_string(index) + "/" +
               path.filename().string();
    }

    // The recorded command line of call `call` through the program's parser
    // and main sequence, run in `folder`; names that are gone are replaced by
    // the stand-in's copies. The exit code.
    int Launch(Names line, std::size_t call, const std::string& folder)
    {
        fs::current_path(folder);
        for (std::size_t i = 1; i < line.size(); ++i)
            if (!fs::exists(line[i]) && fs::exists(Kept(call, i, line[i])))
                line[i] = Kept(call, i, line[i]);
        const T_Command_Options options = Parse_Command_Options(line);
        EXPECT_EQ(options.Action, T_Command_Options::T_Action::Window) << options.Error;
        T_Start_Hooks hooks;
        hooks.Launch = Shown.Hooks();
        hooks.Select_Files = [](std::string&, std::string&) { return false; };
        hooks.Folder_List = [this](const std::string& left, const std::string& right,
                                   const T_Launch_Hooks&) {
            Shown.Calls.push_back("folders");
            Shown.Left = left;
            Shown.Right = right;
            return 0;
        };
        const Names names = Window_Run_Names(options, hooks.Launch);
        const int code = Run_Main_Sequence(names[0], names[1], hooks);
        // Out of the scratch folder, which goes with the test.
        fs::current_path(Source_Dir);
        return code;
    }

    test::Private_Tmpdir Tmp;
    test::Scratch_Dir Dir;
    test::Scratch_Dir Program;
    test::Msg_Recorder Messages;
    Launch_Record Shown;
    const std::string Bin = Dir / "bin";
    const std::string Log = Dir / "calls";
    const std::string Repo = Dir / "repo";
    std::size_t Seen = 0; // calls looked at so far
};

class Git_Difftool : public Vcs_Recipe {
protected:
    void SetUp() override
    {
        Vcs_Recipe::SetUp();
        // The README's command, as git config stores it.
        const std::string line = Readme_Line("'varnolt ");
        ASSERT_GE(line.size(), 2u);
        test::Write_File(Dir / ".gitconfig", "");
        fs::create_directories(Repo);
        ASSERT_EQ(Run(Repo, "git init -q . && git config user.name T && git config user.email "
                            "t@example.org && git config difftool.prompt false"),
                  0);
        // The command has no single quote of its own: the shell's quotes
        // around it hand it to git as it stands.
        ASSERT_EQ(Run(Repo, "git config difftool.varnolt.cmd " + line), 0);
    }
};

TEST_F(Git_Difftool, CaptionsOneFileWithItsPathAndGoesOnPastAFormatItDoesNotCompare)
{
    const std::string picture = "my \"plan\" $HOME's.png";
    test::Write_File(Repo + "/" + picture, Picture("one"));
    test::Write_File(Repo + "/notes.txt", "one");
    test::Write_File(Repo + "/gone.png", Picture("gone"));
    ASSERT_EQ(Run(Repo, "git add . && git commit -q -m one"), 0);
    test::Write_File(Repo + "/" + picture, Picture("two"));
    test::Write_File(Repo + "/notes.txt", "two");
    test::Write_File(Repo + "/-new.png", Picture("new"));
    ASSERT_EQ(Run(Repo, "git add -- -new.png && git rm -q gone.png"), 0);

    // Git passes the path in $MERGED, a temporary copy of the old version
    // and the working tree's file, or the null device for a missing side.
    ASSERT_EQ(Run(Repo, "git difftool -t varnolt --trust-exit-code HEAD"), 0);
    const std::vector<Names> calls = Calls();
    ASSERT_EQ(calls.size(), 4u); // in git's order of the paths
    const Names& added = calls[0];
    const Names& deleted = calls[1];
    const Names& changed = calls[2];
    const Names& text = calls[3];
    ASSERT_EQ(changed.size(), 8u);
    EXPECT_EQ((Names{changed[1], changed[2], changed[3], changed[4], changed[5]}),
              (Names{"--left-title", picture + " (before)", "--right-title", picture + " (after)",
                     "--"}));
    EXPECT_EQ(fs::path(changed[6]).filename(), picture);
    EXPECT_EQ(changed[7], picture);
    EXPECT_EQ(added[6], "/dev/null");
    EXPECT_EQ(added[7], "-new.png");
    EXPECT_EQ(deleted[4], "gone.png (after)");
    EXPECT_EQ(deleted[7], "/dev/null");

    // The program shows each picture with those captions, and refuses the
    // text file with status 3, naming it, without the About box.
    EXPECT_EQ(Launch(changed, 2, Repo), 0);
    EXPECT_EQ(Launch(added, 0, Repo), 0);
    EXPECT_EQ(Launch(deleted, 1, Repo), 0);
    EXPECT_EQ(Shown.Calls, (Names{"diff:" + picture + " (before)|" + picture + " (after)",
                                  "diff:-new.png (before)|-new.png (after)",
                                  "diff:gone.png (before)|gone.png (after)"}));
    EXPECT_EQ(Shown.Right, "/dev/null");
    EXPECT_TRUE(Messages.Messages.empty());
    EXPECT_EQ(Launch(text, 3, Repo), 3);
    EXPECT_EQ(Shown.Calls.size(), 3u);
    ASSERT_EQ(Messages.Messages.size(), 1u);
    EXPECT_EQ(Messages.Messages[0].Text, "File format is not supported!\r\n" + Repo + "/notes.txt");

    // Status 3 does not stop git; status 1 does.
    EXPECT_EQ(Run(Repo, "git difftool -t varnolt --trust-exit-code HEAD", 3), 0);
    EXPECT_EQ(Calls().size(), 4u);
    EXPECT_NE(Run(Repo, "git difftool -t varnolt --trust-exit-code HEAD", 1), 0);
    EXPECT_EQ(Calls().size(), 1u);
}

TEST_F(Git_Difftool, ADirDiffOpensTheFolderListWithTheWorkingTreesFilesListed)
{
    fs::create_directories(Repo + "/sub");
    test::Write_File(Repo + "/a.png", Picture("a"));
    test::Write_File(Repo + "/sub/b.png", Picture("b"));
    test::Write_File(Repo + "/gone.png", Picture("gone"));
    ASSERT_EQ(Run(Repo, "git add . && git commit -q -m one"), 0);
    test::Write_File(Repo + "/a.png", Picture("a2"));
    test::Write_File(Repo + "/sub/b.png", Picture("b2"));
    ASSERT_EQ(Run(Repo, "git rm -q gone.png"), 0);

    ASSERT_EQ(Run(Repo, "git difftool -t varnolt --dir-diff --trust-exit-code HEAD"), 0);
    const std::vector<Names> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    const Names& line = calls[0];
    ASSERT_NO_FATAL_FAILURE(Expect_Folders_Without_Titles(line));
    // The working tree's side is made of links into the working tree; the
    // folder list counts the files they lead to.
    const std::string right = Kept(0, 7, line[7]);
    EXPECT_TRUE(fs::is_symlink(right + "/a.png"));
    EXPECT_EQ(Files_Below(right), (std::set<std::string>{"a.png", "sub/b.png"}));
    EXPECT_EQ(Files_Below(Kept(0, 6, line[6])),
              (std::set<std::string>{"a.png", "gone.png", "sub/b.png"}));

    EXPECT_EQ(Launch(line, 0, Repo), 0);
    EXPECT_EQ(Shown.Calls, Names{"folders"});
    EXPECT_EQ(Shown.Right, right);
}

class Svn_Diff_Cmd : public Vcs_Recipe {
protected:
    void SetUp() override
    {
        if (!Installed("svn") || !Installed("svnadmin"))
            GTEST_SKIP() << "Subversion is not installed (setup.sh installs it)";
        Vcs_Recipe::SetUp();
        Diff_Cmd = Source_Dir + "/packaging/varnolt-svn-diff";
        ASSERT_EQ(Run(Dir.Str(), "svnadmin create server && svn checkout -q file://" +
                                     Dir / "server" + " repo"),
                  0);
        test::Write_File(Repo + "/my plan.png", Picture("one"));
        test::Write_File(Repo + "/-gone $x.png", Picture("gone"));
        test::Write_File(Repo + "/notes.txt", "one\n");
        ASSERT_EQ(Run(Repo, "svn add -q -- * && svn commit -q -m one"), 0);
        test::Write_File(Repo + "/my plan.png", Picture("two"));
        test::Write_File(Repo + "/it's new.png", Picture("new"));
        test::Write_File(Repo + "/notes.txt", "two\n");
        ASSERT_EQ(Run(Repo, "svn add -q \"it's new.png\" && svn rm -q -- '-gone $x.png'"), 0);
    }

    std::string Diff_Cmd;
};

TEST_F(Svn_Diff_Cmd, PassesTheNullDeviceForAMissingSideAndTheVersionedNameForCopies)
{
    // Binary files reach the program only with --force; text files always.
    ASSERT_EQ(Run(Repo, "svn diff --diff-cmd " + Diff_Cmd), 0);
    std::vector<Names> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0][2], "notes.txt\t(revision 1)");

    ASSERT_EQ(Run(Repo, "svn diff --force --diff-cmd " + Diff_Cmd), 0);
    calls = Calls();
    ASSERT_EQ(calls.size(), 4u); // in the order of the paths
    const Names& deleted = calls[0];
    const Names& added = calls[1];
    const Names& changed = calls[2];
    EXPECT_EQ(added,
              (Names{"varnolt", "--left-title", "it's new.png\t(nonexistent)", "--right-title",
                     "it's new.png\t(working copy)", "--", "/dev/null", Repo + "/it's new.png"}));
    EXPECT_EQ(deleted[4], "-gone $x.png\t(nonexistent)");
    EXPECT_EQ(deleted[7], "/dev/null");
    // The pristine copy, which has no extension, is shown under its name.
    EXPECT_EQ(fs::path(deleted[6]).filename(), "-gone $x.png");
    EXPECT_EQ(fs::path(changed[6]).filename(), "my plan.png");
    EXPECT_EQ(changed[7], Repo + "/my plan.png");
    // The links are gone with the run.
    EXPECT_FALSE(fs::exists(fs::path(changed[6]).parent_path()));

    EXPECT_EQ(Launch(added, Seen - 3, Repo), 0);
    EXPECT_EQ(Launch(deleted, Seen - 4, Repo), 0);
    EXPECT_EQ(Launch(changed, Seen - 2, Repo), 0);
    EXPECT_EQ(Shown.Calls, (Names{"diff:it's new.png\t(nonexistent)|it's new.png\t(working copy)",
                                  "diff:-gone $x.png\t(revision 1)|-gone $x.png\t(nonexistent)",
                                  "diff:my plan.png\t(revision 1)|my plan.png\t(working copy)"}));
    EXPECT_EQ(Launch(calls[3], Seen - 1, Repo), 3);
    ASSERT_EQ(Messages.Messages.size(), 1u);
    EXPECT_EQ(Messages.Messages[0].Text, "File format is not supported!\r\n" + Repo + "/notes.txt");

    // Between revisions both sides are temporary files without extension.
    ASSERT_EQ(Run(Repo, "svn commit -q -m two && svn diff --force -r 1:2 --diff-cmd " + Diff_Cmd),
              0);
    calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2][4], "my plan.png\t(revision 2)");
    EXPECT_EQ(fs::path(calls[2][6]).filename(), "my plan.png");
    EXPECT_EQ(fs::path(calls[2][7]).filename(), "my plan.png");
    EXPECT_EQ(calls[1][6], "/dev/null");
}

TEST_F(Svn_Diff_Cmd, GoesOnPastAFormatItDoesNotCompareAndStopsOnAPairNotShown)
{
    EXPECT_EQ(Run(Repo, "svn diff --force --diff-cmd " + Diff_Cmd, 3), 0);
    EXPECT_EQ(Calls().size(), 4u);
    EXPECT_NE(Run(Repo, "svn diff --force --diff-cmd " + Diff_Cmd, 1), 0);
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_NE(test::Read_File(Dir / "output").find("returned 2"), std::string::npos);
}

class Hg_Extdiff : public Vcs_Recipe {
protected:
    void SetUp() override
    {
        if (!Installed("hg"))
            GTEST_SKIP() << "Mercurial is not installed (setup.sh installs it)";
        Vcs_Recipe::SetUp();
        test::Write_File(Dir / "hgrc", "[ui]\nusername = T <t@example.org>\n"
                                       "[extensions]\nextdiff =\n[extdiff]\n" +
                                           Readme_Line("cmd.varnolt = ") + "\n" +
                                           Readme_Line("opts.varnolt = ") + "\n");
        fs::create_directories(Repo);
        test::Write_File(Repo + "/my 'plan'.png", Picture("one"));
        test::Write_File(Repo + "/-gone.png", Picture("gone"));
        ASSERT_EQ(Run(Repo, "hg init && hg add -q && hg commit -q -m one"), 0);
        test::Write_File(Repo + "/my 'plan'.png", Picture("two"));
        test::Write_File(Repo + "/new $x.png", Picture("new"));
        ASSERT_EQ(Run(Repo, "hg add -q 'new $x.png' && hg rm -q -- -gone.png"), 0);
    }
};

TEST_F(Hg_Extdiff, CaptionsOneFileWithItsLabelsAndPassesTheNullDeviceForAMissingSide)
{
    // Mercurial passes no status of the program on; the calls tell.
    Run(Repo, "hg varnolt \"my 'plan'.png\"");
    Run(Repo, "hg varnolt 'new $x.png'");
    Run(Repo, "hg varnolt -- -gone.png");
    const std::vector<Names> calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    const Names& changed = calls[0];
    const Names& added = calls[1];
    const Names& deleted = calls[2];
    ASSERT_EQ(changed.size(), 8u);
    EXPECT_EQ((Names{changed[1], changed[2], changed[3], changed[4], changed[5], changed[7]}),
              (Names{"--left-title", "my 'plan'.png@0", "--right-title", "my 'plan'.png", "--",
                     Repo + "/my 'plan'.png"}));
    EXPECT_EQ(fs::path(changed[6]).filename(), "my 'plan'.png");
    EXPECT_EQ(added[6], "/dev/null");
    EXPECT_EQ(added[7], Repo + "/new $x.png");
    EXPECT_EQ(fs::path(deleted[6]).filename(), "-gone.png");
    EXPECT_EQ(deleted[7], "/dev/null");

    EXPECT_EQ(Launch(changed, 0, Repo), 0);
    EXPECT_EQ(Launch(added, 1, Repo), 0);
    EXPECT_EQ(Launch(deleted, 2, Repo), 0);
    EXPECT_EQ(Shown.Calls, (Names{"diff:my 'plan'.png@0|my 'plan'.png",
                                  "diff:new $x.png@0|new $x.png", "diff:-gone.png@0|-gone.png"}));
    EXPECT_TRUE(Messages.Messages.empty());

    // Between two revisions the deleted file is missing from the snapshot.
    Run(Repo, "hg commit -q -m two && hg varnolt -r 0 -r 1 -- -gone.png");
    const std::vector<Names> logged = Calls();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0][4], "-gone.png@1");
    EXPECT_EQ(logged[0][7], "/dev/null");
}

TEST_F(Hg_Extdiff, SeveralFilesOpenTheFolderListWithoutTitles)
{
    Run(Repo, "hg varnolt");
    const std::vector<Names> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    const Names& line = calls[0];
    ASSERT_NO_FATAL_FAILURE(Expect_Folders_Without_Titles(line));
    EXPECT_EQ(Files_Below(Kept(0, 6, line[6])),
              (std::set<std::string>{"-gone.png", "my 'plan'.png"}));
    EXPECT_EQ(Files_Below(Kept(0, 7, line[7])),
              (std::set<std::string>{"my 'plan'.png", "new $x.png"}));
    EXPECT_EQ(Launch(line, 0, Repo), 0);
    EXPECT_EQ(Shown.Calls, Names{"folders"});
}

} // namespace
