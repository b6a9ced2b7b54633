// Conversion and comparison through real cmd batch files, with a stand-in
// converter (the Windows tests' child program under the name convert.exe)
// that copies its first input to its output and logs what started it.
#include "tests/engine/compare/compare_fixture.h"
#include "tests/win32_test_support.h"

#include <regex>

namespace fs = std::filesystem;

namespace {

class Stand_In_Converter : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        fs::create_directories(program.Path / "imagemagick");
        fs::copy_file(test::U8(test::Helper()), program.Path / "imagemagick" / "convert.exe");
        Set_Converter_Path(program.Str() + "\\imagemagick\\convert.exe");
        test::Set_Env("VARNOLT_STANDIN_LOG", log.c_str());
    }
    void TearDown() override { test::Unset_Env("VARNOLT_STANDIN_LOG"); }

    // The converter's command lines, one a line, in the order they ran.
    std::vector<std::string> Runs() const
    {
        std::vector<std::string> lines;
        std::string text = test::Read_File(log), line;
        for (char c : text) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        return lines;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir program, files;
    test::Msg_Recorder messages;
    test::Source frame;
    std::string log = files / "converter.log";
};

} // namespace

// Without it the converter would read no policy.xml: no limits, and the
// refused coders allowed.
TEST_F(Stand_In_Converter, ConverterReadsItsConfigurationFromItsOwnFolder)
{
    const char* folder = std::getenv("MAGICK_CONFIGURE_PATH");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(std::string(folder), program.Str() + "\\imagemagick\\");
}

TEST_F(Stand_In_Converter, ConvertPairRunsOneTwoLineBatchRightFileFirst)
{
    frame.Converter = T_Converter_Kind::Svg;
    std::string left = files / "plan 100% v1.svg", right = files / "plan 100% v2.svg";
    test::Write_File(left, "left svg");
    test::Write_File(right, "right svg");
    std::string left_name = left, right_name = right;
    ASSERT_TRUE(Convert_Shown(frame, right_name, left_name));
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(test::Read_File(right_name), "right svg");
    EXPECT_EQ(test::Read_File(left_name), "left svg");
    EXPECT_TRUE(right_name.ends_with("plan 100% v2.svg.converted.png")) << right_name;

    // The converter reads private names with the first picture selected; no
    // part of the user's names reaches it.
    auto runs = Runs();
    ASSERT_EQ(runs.size(), 2u);
    std::string private_input = "svg:\"" + Temp_Dir() + "tempfile_#_";
    EXPECT_NE(runs[0].find(private_input), std::string::npos) << runs[0];
    EXPECT_NE(runs[1].find(private_input), std::string::npos) << runs[1];
    EXPECT_EQ(runs[0].find("plan 100% v2.svg[0]"), std::string::npos) << runs[0];

    // The batch: the right command, an empty line, the left command with the
    // capture, each line ended by CR LF; "%" doubled in the output names.
    auto doubled = [](std::string name) { return std::regex_replace(name, std::regex("%"), "%%"); };
    std::string converter = ConverterPath();
    std::string batch = test::Read_File(log + ".bat");
    std::regex shape("@\"" +
                     std::regex_replace(converter, std::regex(R"([\\.^$|()\[\]{}*+?])"), R"(\$&)") +
                     "\" svg:\"[^\"]*\\[0\\]\" \"[^\"]*\"\r\n\r\n@.*\r\n");
    EXPECT_TRUE(std::regex_match(batch, shape)) << batch;
    EXPECT_NE(batch.find(" \"" + doubled(right_name) + "\"\r\n\r\n"), std::string::npos) << batch;
    EXPECT_TRUE(batch.ends_with(".txt\"\r\n")) << batch;
}

TEST_F(Stand_In_Converter, ConvertPairReportsAMissingOutputAndKeepsTheNames)
{
    frame.Converter = T_Converter_Kind::J2k;
    std::string left = files / "v1.jp2", right = files / "missing.jp2";
    test::Write_File(left, "left");
    std::string left_name = left, right_name = right;
    EXPECT_FALSE(Convert_Shown(frame, right_name, left_name));
    EXPECT_EQ(left_name, left);
    EXPECT_EQ(right_name, right);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text.rfind(Get_Msg(cap_Image_Convert_Fail), 0), 0u);
    EXPECT_NE(messages.Messages[0].Text.find(right), std::string::npos);
}

TEST_F(Stand_In_Converter, CompareImagesShowsTheOutputAndServesTheCacheAfterwards)
{
    frame.Left = files / "a.PNG";
    frame.Right = files / "b.PNG";
    test::Write_File(frame.Left, "left png");
    test::Write_File(frame.Right, "right png");
    Compare(frame);
    ASSERT_EQ(frame.Shown.size(), 1u);
    EXPECT_TRUE(frame.Shown[0].ends_with("a.PNG.compared.png"));
    EXPECT_EQ(test::Read_File(frame.Shown[0]), "left png");
    auto runs = Runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NE(runs[0].find(" -compare png:\"" + Temp_Dir() + "tempfile_#_"), std::string::npos)
        << runs[0];
    EXPECT_EQ(runs[0].find(frame.Left), std::string::npos) << runs[0];

    Compare(frame);
    EXPECT_EQ(frame.Shown.size(), 2u);
    EXPECT_EQ(frame.Shown[1], frame.Shown[0]);
    EXPECT_EQ(Runs().size(), 1u);
    EXPECT_TRUE(messages.Messages.empty());
}
