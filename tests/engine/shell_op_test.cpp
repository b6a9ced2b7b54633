#include "engine/U_ShellOp.h"
#include "engine/batch_dialect.h"
#include "platform/os_platform.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"

#include <gtest/gtest.h>

#include <chrono>

namespace fs = std::filesystem;

TEST(DoublePercent, DoublesEveryPercentSign)
{
    EXPECT_EQ(Double_Percent("a%b%"), "a%%b%%");
    EXPECT_EQ(Double_Percent("%"), "%%");
    EXPECT_EQ(Double_Percent("%%"), "%%%%");
    EXPECT_EQ(Double_Percent("plain"), "plain");
    EXPECT_EQ(Double_Percent(""), "");
}

TEST(WindowsBatchDialect, RendersTheBatchLineByteForByte)
{
    const T_Batch_Dialect& bat = Windows_Batch_Dialect();
    std::string command =
        "@" + bat.Quote("C:\\P\\imagemagick\\convert.exe") + " " + bat.Quote("C:\\in 100%.svg");
    EXPECT_EQ(bat.Script_Text(command, "C:\\T\\Quorbit_tmp\\tempfile_#_1_2.txt"),
              "@\"C:\\P\\imagemagick\\convert.exe\" \"C:\\in 100%%.svg\" > "
              " \"C:\\T\\Quorbit_tmp\\tempfile_#_1_2.txt\"\r\n");
    EXPECT_EQ(bat.Script_Command_Line("C:\\T\\x.bat", ""), "\"C:\\T\\x.bat\" ");
    EXPECT_EQ(bat.Script_Extension(), ".bat");
    EXPECT_EQ(bat.Echo_Off(), "@");
}

TEST(PosixShDialect, QuotesNamesSoTheShellInterpretsNothing)
{
    const T_Batch_Dialect& sh = Posix_Sh_Dialect();
    EXPECT_EQ(sh.Quote("/t/it's 100%.png"), "'/t/it'\\''s 100%.png'");
    EXPECT_EQ(sh.Script_Text("cmd", "/t/c.txt"), "cmd >  '/t/c.txt'\n");
    EXPECT_EQ(sh.Script_Command_Line("/t/x.sh", ""), "/bin/sh '/t/x.sh' ");
    EXPECT_EQ(sh.Echo_Off(), "");
}

class RunBatch : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }
    // Files left in the temporary folder by a run.
    size_t Leftovers() const
    {
        return std::distance(fs::directory_iterator(Temp_Dir()), fs::directory_iterator());
    }
    test::Private_Tmpdir tmp;
};

TEST_F(RunBatch, SucceedsWithTheCapturedLinesAndRemovesItsFiles)
{
    std::string output, error;
    EXPECT_TRUE(Run_Batch("printf 'one\\ntwo\\n'; echo three", "", "", output, error));
    // Only the last command's output is captured.
    EXPECT_EQ(output, "three\r\n");
    EXPECT_EQ(error, "");
    EXPECT_EQ(Leftovers(), 0u);

    EXPECT_TRUE(Run_Batch("printf 'one\\ntwo\\n'", "", "", output, error));
    EXPECT_EQ(output, "one\r\ntwo\r\n");
}

TEST_F(RunBatch, FailsWithWhatTheCommandsWroteToTheirChannel)
{
    std::string output, error;
    EXPECT_FALSE(Run_Batch("echo uncaptured; echo broken >&2; false", "", "", output, error));
    EXPECT_EQ(output, "");
    EXPECT_EQ(error, "uncaptured\nbroken\n");
    EXPECT_EQ(Leftovers(), 0u);
}

TEST_F(RunBatch, SurvivesAChildThatPrintsAMegabyte)
{
    std::string output, error;
    EXPECT_TRUE(
        Run_Batch("head -c 1048576 /dev/zero | tr '\\0' y >&2; echo done", "", "", output, error));
    EXPECT_EQ(output, "done\r\n");
    EXPECT_EQ(Leftovers(), 0u);
}

TEST_F(RunBatch, AWatchIsPolledWhileTheChildRunsAndCanStopIt)
{
    int polls = 0;
    T_Run_Watch watch{[&] {
        ++polls;
        return true;
    }};
    std::string output, error;
    EXPECT_TRUE(Run_Batch("sleep 0.35; echo ok", "", "", output, error, &watch));
    EXPECT_GE(polls, 2);
    EXPECT_FALSE(watch.Stopped);

    // A watch that says stop ends the child long before it would end, and
    // says so afterwards.
    T_Run_Watch stopping{[] { return false; }};
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(Run_Batch("sleep 20; echo late", "", "", output, error, &stopping));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_TRUE(stopping.Stopped);
    EXPECT_EQ(output, "");
}

TEST_F(RunBatch, ThrowsWhenTheScriptCannotBeWritten)
{
    fs::permissions(Temp_Dir(), fs::perms::owner_read | fs::perms::owner_exec);
    std::string output, error;
    bool threw = false;
    if (::geteuid() != 0) { // root writes into any folder
        try {
            Run_Batch("true", "", "", output, error);
        } catch (const std::runtime_error&) {
            threw = true;
        }
        EXPECT_TRUE(threw);
    }
    fs::permissions(Temp_Dir(), fs::perms::owner_all);
}

TEST_F(RunBatch, HostileFileNamesAreDataNeverCommands)
{
    test::Scratch_Dir dir;
    const char* names[] = {"$(touch pwned1).txt", "`touch pwned2`.txt",
                           "a; touch pwned3.txt", "q'uote\"d | touch pwned4.txt",
                           "100% $HOME.txt",      "-rf.txt",
                           "line\nbreak.txt",     "Ünïcödé плана.txt"};
    for (const char* name : names) {
        std::string path = dir / name;
        test::Write_File(path, "content");
        std::string output, error;
        EXPECT_TRUE(Run_Batch("cat " + Native_Dialect().Quote(path), "", dir.Str(), output, error))
            << name << ": " << error;
        EXPECT_EQ(output, "content\r\n") << name;
    }
    for (int i = 1; i <= 4; ++i)
        EXPECT_FALSE(fs::exists(dir.Path / ("pwned" + std::to_string(i))));
    EXPECT_EQ(Leftovers(), 0u);
}

TEST(RunCaptured, ReportsAChildThatCannotStartByItsCommandLine)
{
    std::string channel;
    EXPECT_FALSE(Run_Captured("exit 1", "/nonexistent-folder", channel));
    EXPECT_EQ(channel, "can't run exit 1");
}

namespace {

class Fake_Shell : public os::T_Shell_Services {
public:
    bool Find_Associated(const std::string& file, std::string& program, std::string& error) override
    {
        if (Associated.empty()) {
            error = "No program is associated with this file.";
            return false;
        }
        program = Associated == "self" ? file : Associated;
        return true;
    }
    bool Show_In_Folder(const std::string&) override { return true; }
    void Open(const std::string&) override {}
    std::string Associated;
};

} // namespace

TEST(OpenWithAssociated, StartsTheAssociatedProgramWithTheQuotedPath)
{
    test::Scratch_Dir dir;
    Fake_Shell shell;
    os::Set_Shell_Services(&shell);
    test::Msg_Recorder messages;

    // A "program" that records its argument, so the test sees what was run.
    std::string recorder = dir / "record it.sh";
    test::Write_File(recorder, "#!/bin/sh\nprintf %s \"$1\" > \"$(dirname \"$0\")/got\"\n");
    fs::permissions(recorder, fs::perms::owner_all);
    shell.Associated = recorder;
    std::string document = dir / "it's $(x).png";
    std::string error;
    EXPECT_TRUE(Open_With_Associated(document, error));
    for (int i = 0; i < 50 && !fs::exists(dir / "got"); ++i)
        ::usleep(20000);
    EXPECT_EQ(test::Read_File(dir / "got"), document);

    shell.Associated.clear();
    EXPECT_FALSE(Open_With_Associated(document, error));
    EXPECT_EQ(error, "No program is associated with this file.");
    EXPECT_TRUE(messages.Messages.empty()); // the window says it, not the engine
    os::Set_Shell_Services(nullptr);
}
