#include "vocabulary/U_Msg.h"
#include "tests/app/launch_record.h"
#include "imaging/image_format_registry.h"
#include "tests/app/launch_record.h"
#include "platform/os_platform.h"
#include "tests/test_support.h"
#include "app/u_diff_launcher.h"
#include "engine/u_temp_files.h"
#include "app/u_varnolt_start.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    T_Converter_Kind converter;
    T_Paged_Kind paged;
    T_Diff_Kind kind = Classify_File(name, converter, paged);
    return {kind, static_cast<int>(converter), static_cast<int>(paged)};
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
    for (const char* name : {"a.vsd", "a.vdw", "a.VDX", "a.vsdx", "a.VSDM", "plan.dwg", "plan.dxf"})
        EXPECT_EQ(Classify(name), (Verdict{dk_Paged, 0, 1})) << name;
    EXPECT_EQ(Classify("b.cdw"), (Verdict{dk_Paged, 0, 2}));
    EXPECT_EQ(Classify("Sheets.PDF"), (Verdict{dk_Paged, 0, 3}));
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
    EXPECT_EQ(registry[9].Description, "Device independent Windows bitmaps");
    EXPECT_EQ(registry.back().Extension, "png");
    EXPECT_EQ(registry.back().Description, "Portable network graphic images");
}

namespace {

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
    EXPECT_EQ(Run_Diff("missing left.png", "missing right.png", record.Hooks()),
              T_Diff_Result::Failed);
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
    ASSERT_EQ(messages.Messages.size(), 3u);
    EXPECT_EQ(messages.Messages[2].Text, "This is a folder, not a file!\r\n" + user.Str());
    EXPECT_TRUE(record.Calls.empty());
}

TEST_F(Launcher, NamesWhyAnInputIsNoFileBeforeAnythingOpensIt)
{
    test::Write_File(user / "a.png", "");
    ASSERT_EQ(::mkfifo((user / "pipe.png").c_str(), 0600), 0);
    // Opening the pipe would wait for a writer forever: a hang ends the test.
    ::alarm(10);
    Run_Diff(user / "a.png", user / "pipe.png", record.Hooks());
    ::alarm(0);
    fs::create_directory(user / "folder.png");
    Run_Diff(user / "folder.png", user / "a.png", record.Hooks());
    ASSERT_EQ(messages.Messages.size(), 2u);
    EXPECT_EQ(messages.Messages[0].Caption, "Error!");
    EXPECT_EQ(messages.Messages[0].Text,
              "This is not a regular file (a pipe, socket or device)!\r\n" + (user / "pipe.png"));
    EXPECT_EQ(messages.Messages[1].Text,
              "This is a folder, not a file!\r\n" + (user / "folder.png"));
    EXPECT_TRUE(record.Calls.empty());
}

TEST_F(Launcher, SaysPermissionDeniedForAFileTheUserMayNotRead)
{
    ::chmod(user.Str().c_str(), 0755);
    test::Write_File(user / "secret.png", "");
    ::chmod((user / "secret.png").c_str(), 0600);
    fs::create_directory(user / "locked");
    test::Write_File(user / "locked/open.png", "");
    ::chmod((user / "locked").c_str(), 0700);
    ::chmod((user / "locked/open.png").c_str(), 0644);
    // The test runs as root, who reads everything: the checks run in a
    // child that has become an ordinary user. A folder the user may not
    // enter hides a file that is there: not "File not found!" either.
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        test::Msg_Recorder inner;
        std::string denied = "Permission denied: the file cannot be read!\r\n";
        bool accepted =
            Check_File_Exists(user / "secret.png") || Check_File_Exists(user / "locked/open.png");
        ::_exit(!accepted && inner.Messages.size() == 2 &&
                        inner.Messages[0].Text == denied + (user / "secret.png") &&
                        inner.Messages[1].Text == denied + (user / "locked/open.png")
                    ? 0
                    : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Its owner may.
    EXPECT_TRUE(Check_File_Exists(user / "secret.png"));
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Launcher, TheEmptyDeviceIsAVersionThatDoesNotExist)
{
    EXPECT_TRUE(Check_File_Exists("/dev/null"));
    // An added picture: judged by the side that exists.
    test::Write_File(user / "new.png", "");
    Run_Diff("/dev/null", user / "new.png", record.Hooks());
    EXPECT_EQ(record.Calls, std::vector<std::string>{"diff:Base version|"});
    EXPECT_EQ(record.Left, "/dev/null");
    // A deleted SVG: classified by the left file.
    test::Write_File(user / "old.svg", "");
    Run_Diff(user / "old.svg", "/dev/null", record.Hooks());
    EXPECT_EQ(record.Converter, 1);
    EXPECT_EQ(record.Right, "/dev/null");
    EXPECT_TRUE(messages.Messages.empty());

    // Two missing versions are nothing at all.
    EXPECT_EQ(Run_Diff("/dev/null", "/dev/null", record.Hooks()), T_Diff_Result::Failed);
    EXPECT_EQ(record.Calls.size(), 2u);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, Get_Msg(cap_No_Version_Exists));
}

TEST_F(Launcher, DocumentsOnOneSideOnlyOpenAloneAndTheClosedWindowEndsWithZero)
{
    // An added Word document goes to Word with the null device as its base.
    test::Write_File(user / "new.docx", "new");
    EXPECT_EQ(Run_Diff("/dev/null", user / "new.docx", record.Hooks()), T_Diff_Result::Shown);
    EXPECT_EQ(record.Calls, std::vector<std::string>{"word"});
    EXPECT_EQ(record.Left, "/dev/null");
    EXPECT_EQ(record.Right, user / "new.docx");

    // An added PDF: no base to copy, the pages are drawn on the right.
    test::Write_File(user / "new.pdf", "new");
    EXPECT_EQ(Run_Diff("/dev/null", user / "new.pdf", record.Hooks()), T_Diff_Result::Shown);
    EXPECT_EQ(record.Calls.back(), "diff:Base version|");
    EXPECT_EQ(record.Paged, static_cast<int>(T_Paged_Kind::Pdf));
    EXPECT_EQ(record.Left, "/dev/null");
    EXPECT_EQ(record.Right, user / "new.pdf");

    // A deleted drawing: classified by the left file.
    test::Write_File(user / "old.cdw", "old");
    EXPECT_EQ(Run_Diff(user / "old.cdw", "/dev/null", record.Hooks()), T_Diff_Result::Shown);
    EXPECT_EQ(record.Paged, static_cast<int>(T_Paged_Kind::Kompas));
    EXPECT_EQ(record.Left, user / "old.cdw");
    EXPECT_EQ(record.Right, "/dev/null");
    EXPECT_TRUE(messages.Messages.empty());

    // A deleted drawing the stand-in cannot read is refused by its own name.
    T_Launch_Hooks hooks = record.Hooks();
    hooks.Paged_Refusal = [](const std::string& drawing) {
        return File_Extension(drawing) == "dwg" ? Get_Msg(cap_Dwg_Needs_Visio) : std::string();
    };
    test::Write_File(user / "old.dwg", "");
    EXPECT_EQ(Run_Diff(user / "old.dwg", "/dev/null", hooks), T_Diff_Result::Failed);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text,
              Get_Msg(cap_Dwg_Needs_Visio) + "\r\n" + (user / "old.dwg"));

    // The whole sequence: a shown one-sided window that the user closed
    // ends with 0.
    test::Scratch_Dir program;
    Set_Program_Folder(program.Str());
    fs::create_directory(program / "imagemagick");
    test::Write_File(program / "imagemagick/convert", "");
    T_Start_Hooks start;
    start.Launch = record.Hooks();
    EXPECT_EQ(Run_Main_Sequence(user / "new.pdf", "/dev/null", start), 0);
    EXPECT_EQ(Run_Main_Sequence("/dev/null", user / "new.docx", start), 0);
    EXPECT_EQ(record.Calls.back(), "word");
}

TEST_F(Launcher, ShowsTheFileThatWasCheckedWhenTheNameGoesUpFromALinkedFolder)
{
    // lnk leads to real/sub, so lnk/../x.png is real/x.png, not user/x.png.
    fs::create_directories(user / "real/sub");
    fs::create_directory_symlink(user / "real/sub", user / "lnk");
    test::Write_File(user / "a.png", "");
    test::Write_File(user / "x.png", "beside the link");
    test::Write_File(user / "real/x.png", "checked");
    Run_Diff(user / "a.png", user / "lnk/../x.png", record.Hooks());
    ASSERT_EQ(record.Calls.size(), 1u);
    EXPECT_EQ(test::Read_File(record.Right), "checked");
    EXPECT_EQ(record.Right, fs::canonical(user / "real") / "x.png");
}

TEST_F(Launcher, OpensImagesWithAbsoluteNamesAndTheLeftFileUnchanged)
{
    test::Write_File(user / "a.bmp", "");
    test::Write_File(user / "b.PNG", "");
    fs::current_path(user.Path);
    EXPECT_EQ(Run_Diff("a.bmp", "b.PNG", record.Hooks()), T_Diff_Result::Shown);
    EXPECT_EQ(record.Calls, std::vector<std::string>{"diff:Base version|"});
    EXPECT_EQ(record.Left, fs::current_path() / "a.bmp");
    EXPECT_EQ(record.Right, fs::current_path() / "b.PNG");
    EXPECT_EQ(record.Converter, 0);
    EXPECT_EQ(record.Paged, 0);

    // The captions of the command line; a window that ended on an error
    // makes the launch fail.
    test::Write_File(user / "b.jp2", "");
    T_Launch_Hooks hooks = record.Hooks();
    hooks.Left_Title = "r41";
    hooks.Right_Title = "working copy";
    record.Result = false;
    EXPECT_EQ(Run_Diff("a.bmp", "b.jp2", hooks), T_Diff_Result::Failed);
    EXPECT_EQ(record.Calls.back(), "diff:r41|working copy");
    EXPECT_EQ(record.Converter, 2);
    EXPECT_EQ(record.Left, fs::current_path() / "a.bmp");
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Launcher, HandsAPagedDrawingOverByTheRightFileAndTheBaseAsTheUserNamedIt)
{
    // The right file alone decides: a PNG base still takes the drawing route.
    // The window's session makes its own private copy of the base.
    test::Write_File(user / "a.png", "base");
    test::Write_File(user / "b.cdw", "modified");
    Run_Diff(user / "a.png", user / "b.cdw", record.Hooks());
    EXPECT_EQ(record.Calls, std::vector<std::string>{"diff:Base version|"});
    EXPECT_EQ(record.Paged, 2);
    EXPECT_EQ(record.Left, user / "a.png");
    EXPECT_EQ(record.Right, user / "b.cdw");
    EXPECT_FALSE(fs::exists(Temp_Dir() + "b.cdw"));
}

TEST_F(Launcher, ADrawingTheStandInCannotReadIsRefusedBeforeAnythingStarts)
{
    test::Write_File(user / "a.dwg", "");
    test::Write_File(user / "b.dwg", "");
    test::Write_File(user / "b.dxf", "");
    T_Launch_Hooks hooks = record.Hooks();
    hooks.Paged_Refusal = [](const std::string& drawing) {
        return File_Extension(drawing) == "dwg" ? Get_Msg(cap_Dwg_Needs_Visio) : std::string();
    };
    Run_Diff(user / "a.dwg", user / "b.dwg", hooks);
    EXPECT_TRUE(record.Calls.empty());
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, Get_Msg(cap_Dwg_Needs_Visio) + "\r\n" + (user / "b.dwg"));
    // Nothing of the base was copied for a drawing that is refused.
    EXPECT_FALSE(fs::exists(Temp_Dir() + "b.dwg"));

    Run_Diff(user / "a.dwg", user / "b.dxf", hooks);
    EXPECT_EQ(record.Calls, std::vector<std::string>{"diff:Base version|"});
}

TEST_F(Launcher, HandsWordDocumentsToWordAndRefusesUnknownFormats)
{
    test::Write_File(user / "Report.DOCX", "");
    test::Write_File(user / "Report2.DOCX", "");
    test::Write_File(user / "pack.tar.gz", "");
    EXPECT_EQ(Run_Diff(user / "Report.DOCX", user / "Report2.DOCX", record.Hooks()),
              T_Diff_Result::Shown);
    EXPECT_EQ(record.Calls, std::vector<std::string>{"word"});
    EXPECT_EQ(record.Left, user / "Report.DOCX");

    EXPECT_EQ(Run_Diff(user / "Report.DOCX", user / "pack.tar.gz", record.Hooks()),
              T_Diff_Result::Unsupported);
    EXPECT_EQ(record.Calls, (std::vector<std::string>{"word", "about"}));
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Kind, T_Msg_Kind::Plain);
    EXPECT_EQ(messages.Messages[0].Text,
              "File format is not supported!\r\n" + (user / "pack.tar.gz"));

    // A deleted file of that kind is named by the side that exists; a
    // version-control client's viewer skips the About box.
    T_Launch_Hooks viewer = record.Hooks();
    viewer.Version_Control_Viewer = true;
    fs::current_path(user.Path);
    EXPECT_EQ(Run_Diff("pack.tar.gz", "/dev/null", viewer), T_Diff_Result::Unsupported);
    EXPECT_EQ(record.Calls, (std::vector<std::string>{"word", "about"}));
    ASSERT_EQ(messages.Messages.size(), 2u);
    EXPECT_EQ(messages.Messages[1].Text,
              "File format is not supported!\r\n" + (user / "pack.tar.gz"));
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

    // With the converter in place: 0 when the comparison was closed, 1 when
    // it or the launch ended on an error message, 3 for a format that is not
    // compared.
    fs::create_directory(program / "imagemagick");
    test::Write_File(program / "imagemagick/convert", "");
    test::Write_File(program / "a.png", "");
    test::Write_File(program / "b.txt", "");
    Launch_Record record;
    hooks.Launch = record.Hooks();
    hooks.Launch.Right_Title = "theirs";
    EXPECT_EQ(Run_Main_Sequence(program / "a.png", program / "a.png", hooks), 0);
    EXPECT_EQ(record.Calls, std::vector<std::string>{"diff:Base version|theirs"});
    EXPECT_EQ(Run_Main_Sequence(program / "a.png", program / "gone.png", hooks), 1);
    EXPECT_EQ(Run_Main_Sequence(program / "a.png", program / "b.txt", hooks), 3);
    record.Result = false;
    EXPECT_EQ(Run_Main_Sequence(program / "a.png", program / "a.png", hooks), 1);
    EXPECT_EQ(record.Calls, (std::vector<std::string>{"diff:Base version|theirs", "about",
                                                      "diff:Base version|theirs"}));
    EXPECT_EQ(messages.Messages.size(), 3u);
}

TEST(MainSequence, AVersionControlViewerGetsNoAboutBoxAfterAFormatItDoesNotCompare)
{
    test::Private_Tmpdir tmp;
    test::Scratch_Dir program;
    Set_Program_Folder(program.Str());
    fs::create_directory(program / "imagemagick");
    test::Write_File(program / "imagemagick/convert", "");
    const std::string notes = program / "notes.txt";
    test::Write_File(notes, "");
    const std::string zeros(40, '0');
    struct Case {
        std::vector<std::string> Line;
        bool About;
    };
    const std::vector<Case> cases = {
        {{"varnolt", notes, notes}, true},
        // An empty title is no title: the usual captions, a plain run.
        {{"varnolt", "--left-title", "", notes, notes}, true},
        {{"varnolt", "--left-title", "r41", notes, notes}, false},
        {{"varnolt", "--right-title", "working copy", notes, notes}, false},
        {{"varnolt", "--git-diff", "notes.txt", notes, zeros, "100644", notes, zeros, "100644"},
         false},
    };
    for (const Case& c : cases) {
        test::Msg_Recorder messages;
        const T_Command_Options options = Parse_Command_Options(c.Line);
        Launch_Record record;
        T_Start_Hooks hooks;
        hooks.Launch = record.Hooks();
        const std::vector<std::string> names = Window_Run_Names(options, hooks.Launch);
        EXPECT_EQ(Run_Main_Sequence(names[0], names[1], hooks), 3) << c.Line[1];
        EXPECT_EQ(record.Calls,
                  c.About ? std::vector<std::string>{"about"} : std::vector<std::string>{})
            << c.Line[1];
        ASSERT_EQ(messages.Messages.size(), 1u);
        EXPECT_EQ(messages.Messages[0].Text, "File format is not supported!\r\n" + notes);
    }
}
