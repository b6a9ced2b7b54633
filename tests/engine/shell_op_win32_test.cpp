// Batch runs with real cmd batch files.
#include "engine/U_ShellOp.h"
#include "engine/batch_dialect.h"
#include "platform/os_platform.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "tests/win32_test_support.h"

#include <gtest/gtest.h>

#include <regex>

namespace fs = std::filesystem;

namespace {

const T_Batch_Dialect& Bat() { return Windows_Batch_Dialect(); }

std::string Helper_Call(const std::string& arguments)
{
    return "@" + Bat().Quote(test::Helper()) + " " + arguments;
}

} // namespace

class RunBatch : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }
    size_t Leftovers() const
    {
        return std::distance(fs::directory_iterator(test::U8(Temp_Dir())),
                             fs::directory_iterator());
    }
    test::Private_Tmpdir tmp;
};

TEST_F(RunBatch, SucceedsWithTheLastLinesCaptureAndRemovesBothFiles)
{
    test::Scratch_Dir dir;
    test::Write_File(dir / "lines.txt", "one\r\ntwo\r\n");
    std::string output, error;
    // Only the last line's standard output goes to the capture file.
    EXPECT_TRUE(
        Run_Batch(Helper_Call("say uncaptured") + "\r\n@type " + Bat().Quote(dir / "lines.txt"), "",
                  "", output, error));
    EXPECT_EQ(output, "one\r\ntwo\r\n");
    EXPECT_EQ(error, "");
    EXPECT_EQ(Leftovers(), 0u);
}

TEST_F(RunBatch, FailsWithWhatTheCommandsWroteToTheirChannel)
{
    std::string output, error;
    EXPECT_FALSE(Run_Batch(Helper_Call("say uncaptured") + "\r\n" + Helper_Call("fail broken 3"),
                           "", "", output, error));
    EXPECT_EQ(output, "");
    EXPECT_EQ(error, "uncapturedbroken");
    EXPECT_EQ(Leftovers(), 0u);
}

TEST_F(RunBatch, SurvivesAChildThatPrintsAMegabyte)
{
    std::string output, error;
    EXPECT_TRUE(Run_Batch(Helper_Call("print 1048576"), "", "", output, error));
    EXPECT_EQ(output, "done\r\n");
    EXPECT_EQ(Leftovers(), 0u);
}

TEST_F(RunBatch, NamesWithPercentAndShellSignsAreDataNeverCommands)
{
    test::Scratch_Dir dir;
    const char* names[] = {"100% sure.txt",      "%PATH%.txt",        "%~dp0.txt",
                           "a & echo pwned.txt", "b ^ c (d) [e].txt", "caf\xC3\xA9.txt"};
    for (const char* const& name : names) {
        std::string path = dir.Str() + "\\" + name;
        std::string ignored;
        std::string content = "content of file " + std::to_string(&name - names);
        ASSERT_TRUE(os::Write_File(path, content, ignored));
        std::string output, error;
        EXPECT_TRUE(Run_Batch("@type " + Bat().Quote(path), "", "", output, error))
            << name << ": " << error;
        EXPECT_EQ(output, content + "\r\n") << name;
    }
    EXPECT_EQ(Leftovers(), 0u);
}

TEST_F(RunBatch, RefusesANameTheConsoleCannotHoldBeforeWritingAnything)
{
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "this system's code page holds every character";
    std::string output, error;
    try {
        Run_Batch("@type " + Bat().Quote("C:\\" + test::Mixed_Script_Name + ".png"), "", "", output,
                  error);
        ADD_FAILURE() << "no error for a name the batch cannot hold";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("cannot represent"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Leftovers(), 0u);
}

TEST_F(RunBatch, WritesTheBatchLineByteForByteAndRunsItByItsQuotedPath)
{
    // The stand-in converter copies the batch that started it.
    test::Scratch_Dir dir;
    fs::create_directory(dir.Path / "imagemagick");
    std::string converter = dir / "imagemagick\\convert.exe";
    fs::copy_file(test::U8(test::Helper()), test::U8(converter));
    std::string log = dir / "log";
    test::Set_Env("VARNOLT_STANDIN_LOG", log.c_str());
    std::string input = dir / "in 100%.png";
    test::Write_File(input, "png");
    std::string output_file = Temp_Dir() + "out.png";
    std::string command = "@" + Bat().Quote(converter) + " " + "png:" + Bat().Quote(input) + " " +
                          Bat().Quote(output_file);
    std::string output, error;
    EXPECT_TRUE(Run_Batch(command, "", "", output, error)) << error;
    test::Unset_Env("VARNOLT_STANDIN_LOG");

    std::string batch = test::Read_File(log + ".bat");
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(batch, parts, std::regex(R"re(([^]*) >  "([^"]*)"\r\n)re")))
        << batch;
    EXPECT_EQ(parts[1].str(), "@\"" + converter + "\" png:\"" + dir.Str() + "\\in 100%%.png\" \"" +
                                  output_file + "\"");
    EXPECT_TRUE(std::regex_match(
        parts[2].str(), std::regex(std::regex_replace(Temp_Dir(), std::regex(R"(\\)"), R"(\\)") +
                                   R"(tempfile_#_\d+_\d+\.txt)")))
        << parts[2];
    EXPECT_EQ(test::Read_File(output_file), "png");
    // What cmd started: the converter with the name as it is on disk.
    EXPECT_NE(test::Read_File(log).find("png:\"" + input + "\""), std::string::npos)
        << test::Read_File(log);
    EXPECT_EQ(Leftovers(), 1u); // the output; batch and capture are gone
}

TEST(RunCaptured, ReportsAChildThatCannotStartByItsCommandLine)
{
    test::Scratch_Dir dir;
    std::string line = "\"" + (dir / "missing.exe") + "\" x";
    std::string channel;
    EXPECT_FALSE(Run_Captured(line, "", channel));
    EXPECT_EQ(channel, "can't run " + line);
}
