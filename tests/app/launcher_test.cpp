#include "image_format_registry.h"
#include "os_platform.h"
#include "test_support.h"
#include "u_diff_launcher.h"
#include "u_temp_files.h"
#include "u_varnolt_start.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Verdict {
    T_Diff_Kind Kind;
    int Converter;
    int Paged;
    bool operator==(const Verdict&) const = default;
};

Verdict Classify(const std::string& name)
{
    unsigned char converter = 9, paged = 9;
    T_Diff_Kind kind = Classify_File(name, converter, paged);
    return {kind, converter, paged};
}

std::ostream& operator<<(std::ostream& out, const Verdict& v)
{
    return out << "{" << v.Kind << "," << v.Converter << "," << v.Paged << "}";
}

} // namespace

TEST(ClassifyFile, RoutesEveryGroupOfExtensions)
{
    EXPECT_EQ(Classify("Report.DOCX"), (Verdict{dk_Word, 0, 0}));
    EXPECT_EQ(Classify("a.doc"), (Verdict{dk_Word, 0, 0}));
    for (const char* name : {"a.vsd", "a.vdw", "a.VDX", "plan.dwg", "plan.dxf"})
        EXPECT_EQ(Classify(name), (Verdict{dk_Paged, 0, 1})) << name;
    EXPECT_EQ(Classify("b.cdw"), (Verdict{dk_Paged, 0, 2}));
    for (const char* name : {"b.spw", "b.kdw", "b.frw"})
        EXPECT_EQ(Classify(name), (Verdict{dk_Unsupported, 0, 0})) << name;
    EXPECT_EQ(Classify("x.svg"), (Verdict{dk_Convert, 1, 0}));
    EXPECT_EQ(Classify("x.jp2"), (Verdict{dk_Convert, 2, 0}));
    EXPECT_EQ(Classify("x.j2k"), (Verdict{dk_Convert, 2, 0}));
    EXPECT_EQ(Classify("x.ppm"), (Verdict{dk_Convert, 3, 0}));
    for (const char* name : {"x.png", "x.TIF", "x.psd", "x.jfif", "x.bw", "x.Psp"})
        EXPECT_EQ(Classify(name), (Verdict{dk_Image, 0, 0})) << name;
}

TEST(ClassifyFile, JudgesOnlyTheLastExtensionOfTheFileName)
{
    for (const char* name : {"readme", "name.", "C:\\data.old\\readme", "/data.old/readme",
                             "pack.tar.gz", "C:.png\\x", ""})
        EXPECT_EQ(Classify(name).Kind, dk_Unsupported) << name;
    EXPECT_EQ(Classify("C:x.png").Kind, dk_Image);
    EXPECT_EQ(Classify("/a.cdw/b.png").Kind, dk_Image);
}

TEST(ImageRegistry, HoldsThirtySevenExtensionsInOrder)
{
    const auto& registry = Image_Format_Registry();
    ASSERT_EQ(registry.size(), 37u);
    EXPECT_EQ(registry.front().Extension, "bmp");
    EXPECT_EQ(registry.front().Description, "Windows bitmaps");
    EXPECT_EQ(registry[3].Description, "Windows enhanced meta files");
    EXPECT_EQ(registry[9].Description, "Device independant Windows bitmaps");
    EXPECT_EQ(registry.back().Extension, "png");
    EXPECT_EQ(registry.back().Description, "Portable network graphic images");
}

namespace {

// Records what the launcher opened instead of opening windows.
struct Launch_Record {
    std::vector<std::string> Calls;
    std::string Left, Right;
    int Converter = -1, Paged = -1;
    T_Launch_Hooks Hooks()
    {
        T_Launch_Hooks hooks;
        hooks.Show_Diff_Form = [this](const std::string& left, const std::string& left_caption,
                                      const std::string& right, const std::string& right_caption,
                                      unsigned char converter, unsigned char paged) {
            Calls.push_back("diff:" + left_caption + "|" + right_caption);
            Left = left;
            Right = right;
            Converter = converter;
            Paged = paged;
        };
        hooks.Show_About = [this] { Calls.push_back("about"); };
        hooks.Word_Diff = [this](const std::string& left, const std::string& right) {
            Calls.push_back("word");
            Left = left;
            Right = right;
        };
        return hooks;
    }
};

class Launcher : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }
    test::Private_Tmpdir tmp;
    test::Scratch_Dir user;
    test::Msg_Recorder messages;
    Launch_Record record;
};

} // namespace

TEST_F(Launcher, ReportsOnlyTheLeftFileWhenBothAreMissing)
{
    Run_Diff("missing left.png", "missing right.png", record.Hooks());
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Caption, "Error!");
    EXPECT_EQ(messages.Messages[0].Text, "File not found!\r\nmissing left.png");
    EXPECT_TRUE(record.Calls.empty());

    test::Write_File(user / "left.png", "");
    Run_Diff(user / "left.png", "", record.Hooks());
    ASSERT_EQ(messages.Messages.size(), 2u);
    EXPECT_EQ(messages.Messages[1].Text, "File not found!\r\n");
    // A folder is not a file.
    Run_Diff(user / "left.png", user.Str(), record.Hooks());
    EXPECT_EQ(messages.Messages.size(), 3u);
    EXPECT_TRUE(record.Calls.empty());
}

TEST_F(Launcher, OpensImagesWithAbsoluteNamesAndTheLeftFileUnchanged)
{
    test::Write_File(user / "a.bmp", "");
    test::Write_File(user / "b.PNG", "");
    fs::current_path(user.Path);
    Run_Diff("a.bmp", "b.PNG", record.Hooks());
    EXPECT_EQ(record.Calls, std::vector<std::string>{"diff:Base version|"});
    EXPECT_EQ(record.Left, fs::current_path() / "a.bmp");
    EXPECT_EQ(record.Right, fs::current_path() / "b.PNG");
    EXPECT_EQ(record.Converter, 0);
    EXPECT_EQ(record.Paged, 0);

    test::Write_File(user / "b.jp2", "");
    Run_Diff("a.bmp", "b.jp2", record.Hooks());
    EXPECT_EQ(record.Converter, 2);
    EXPECT_EQ(record.Left, fs::current_path() / "a.bmp");
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Launcher, GivesAPagedDrawingAReadOnlyCopyOfTheBaseNamedLikeTheRightFile)
{
    // The right file alone decides: a PNG base still takes the drawing route.
    test::Write_File(user / "a.png", "base");
    test::Write_File(user / "b.cdw", "modified");
    Run_Diff(user / "a.png", user / "b.cdw", record.Hooks());
    EXPECT_EQ(record.Calls, std::vector<std::string>{"diff:Base version|"});
    EXPECT_EQ(record.Paged, 2);
    EXPECT_EQ(record.Left, Temp_Dir() + "b.cdw");
    EXPECT_EQ(test::Read_File(record.Left), "base");
    EXPECT_EQ(fs::status(record.Left).permissions(), fs::perms(0444));
    EXPECT_EQ(record.Right, user / "b.cdw");
    EXPECT_EQ(test::Read_File(user / "a.png"), "base");
}

TEST_F(Launcher, HandsWordDocumentsToWordAndRefusesUnknownFormats)
{
    test::Write_File(user / "Report.DOCX", "");
    test::Write_File(user / "Report2.DOCX", "");
    test::Write_File(user / "pack.tar.gz", "");
    Run_Diff(user / "Report.DOCX", user / "Report2.DOCX", record.Hooks());
    EXPECT_EQ(record.Calls, std::vector<std::string>{"word"});
    EXPECT_EQ(record.Left, user / "Report.DOCX");

    Run_Diff(user / "Report.DOCX", user / "pack.tar.gz", record.Hooks());
    EXPECT_EQ(record.Calls, (std::vector<std::string>{"word", "about"}));
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Kind, T_Msg_Kind::Plain);
    EXPECT_EQ(messages.Messages[0].Text, "File format is not supported!");
}

TEST(CheckConverter, WantsAFileAtTheFixedPlaceBesideTheProgram)
{
    test::Scratch_Dir program;
    Set_Program_Folder(program.Str());
    EXPECT_FALSE(Check_Converter());
    EXPECT_EQ(ConverterPath(), program / "imagemagick/convert");

    // A folder of that name does not count.
    fs::create_directories(program / "imagemagick/convert");
    EXPECT_FALSE(Check_Converter());
    fs::remove(program / "imagemagick/convert");

    // Nor does a converter on the search path.
    std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    test::Write_File(program / "convert", "");
    ::setenv("PATH", program.Str().c_str(), 1);
    EXPECT_FALSE(Check_Converter());
    ::setenv("PATH", old_path.c_str(), 1);

    test::Write_File(program / "imagemagick/convert", "");
    EXPECT_TRUE(Check_Converter());
}

TEST(MainSequence, PreparesTheTempFolderBeforeReportingAMissingConverter)
{
    test::Private_Tmpdir tmp;
    test::Scratch_Dir program;
    test::Msg_Recorder messages;
    Set_Program_Folder(program.Str());
    T_Start_Hooks hooks;
    int dialogs = 0;
    hooks.Select_Files = [&](std::string&, std::string&) {
        ++dialogs;
        return false;
    };
    // Cancelling the dialog ends silently, before the temporary folder.
    EXPECT_EQ(Run_Main_Sequence("a.png", "", hooks), 0);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_FALSE(fs::exists(tmp.Dir / "Quorbit_tmp"));

    EXPECT_EQ(Run_Main_Sequence("a.png", "b.png", hooks), 1);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(fs::is_directory(tmp.Dir / "Quorbit_tmp"));
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Caption, "Error!");
    EXPECT_EQ(messages.Messages[0].Text, "Application components not found!\r\n"
                                         "Please, check for you have unpack application properly!");
}
