// The LibreOffice bridge for real: the Visio exporter drives the office
// helper, which drives a LibreOffice of its own. Sample drawings give their
// pages and pictures; broken inputs and an office or helper that is killed
// mid-run give automation errors, never a hang or a process left behind.
#include "automation/posix/office_bridge_registration.h"
#include "automation/office_bridge_server.h"
#include "office/office_location.h"
#include "tests/automation/office_processes.h"
#include "tests/automation/word_documents.h"
#include "tests/test_support.h"
#include "automation/u_ms_word_compare.h"
#include "engine/u_temp_files.h"
#include "automation/visio_converter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <csignal>
#include <dirent.h>
#include <fstream>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <set>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string Sample(const std::string& name) { return VARNOLT_TEST_DATA "/office/" + name; }

// Every live process whose command line mentions `text` (our scratch folder:
// the office's profile and the helper's argument lie there); with `helper`
// set only the helper, with it clear only the others (the office).

// The processes mentioning the text once those being ended have gone: a
// killed process takes a moment to leave the process table on a busy
// machine. Waits at most five seconds.
std::vector<pid_t> Processes_Left(const std::string& text)
{
    std::vector<pid_t> left = test::Processes_Mentioning(text);
    for (int i = 0; i < 100 && !left.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        left = test::Processes_Mentioning(text);
    }
    return left;
}

// Width and height from a PNG's header; {0, 0} when it is none.
std::pair<int, int> Png_Size(const std::string& path)
{
    std::string data = test::Read_File(path);
    if (data.size() < 24 || data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return {0, 0};
    auto be32 = [&](size_t at) {
        int value = 0;
        for (size_t i = 0; i < 4; ++i)
            value = (value << 8) | static_cast<unsigned char>(data[at + i]);
        return value;
    };
    return {be32(16), be32(20)};
}

// An ASCII DXF file with the extents in its header and straight lines.
void Write_Dxf(const std::string& path, double max_x, double max_y,
               const std::vector<std::array<double, 4>>& lines)
{
    std::string text = "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n" +
                       std::to_string(max_x) + "\n20\n" + std::to_string(max_y) +
                       "\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
    for (const auto& line : lines)
        text += "0\nLINE\n8\n0\n10\n" + std::to_string(line[0]) + "\n20\n" +
                std::to_string(line[1]) + "\n11\n" + std::to_string(line[2]) + "\n21\n" +
                std::to_string(line[3]) + "\n";
    test::Write_File(path, text + "0\nENDSEC\n0\nEOF\n");
}

// What ImageMagick counts in a picture ("%[fx:mean*w*h]" of a mask).
long Count_Pixels(const std::string& arguments)
{
    std::string command = "convert " + arguments + " -format '%[fx:mean*w*h]' info:";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[64] = {};
    size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe);
    pclose(pipe);
    return n && std::isdigit(static_cast<unsigned char>(buffer[0])) ? std::lround(std::atof(buffer))
                                                                    : -1;
}

class Office_Bridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Register_Office_Bridge_Servers(VARNOLT_OFFICE_HELPER, folder.Str()))
            << "LibreOffice is not installed";
        exporter = Make_Exporter<T_Visio_Multipage_Wrapper>();
        std::string start_error;
        ASSERT_TRUE(exporter->Init([&](const std::string& text) { start_error = text; }))
            << start_error;
    }
    void TearDown() override
    {
        exporter.reset();
        Unregister_Automation_Server("Visio.InvisibleApp");
        // Quitting the server ends the office and the helper.
        EXPECT_EQ(Processes_Left(folder.Str()), std::vector<pid_t>{});
    }

    int Open(const std::string& file, std::string& error)
    {
        int index = -1;
        return exporter->Open_Doc(file, index, error) == T_Open_Result::Ok ? index : -1;
    }

    std::vector<std::string> Names(int doc)
    {
        T_Page_List pages;
        exporter->Get_Page_List(doc, pages);
        std::vector<std::string> names;
        for (int i = 0; i < pages.Count(); ++i)
            names.push_back(pages[i].Name);
        return names;
    }

    void Kill(const std::vector<pid_t>& pids)
    {
        ASSERT_FALSE(pids.empty());
        for (pid_t pid : pids)
            kill(pid, SIGKILL);
    }

    test::Scratch_Dir folder;
    test::Scratch_Dir out;
    std::unique_ptr<T_Base_Multipage_Wrapper> exporter;
};

TEST_F(Office_Bridge, VisioFilesOfEveryFormatListTheirPages)
{
    std::string error;
    int vsdx = Open(Sample("test1.vsdx"), error);
    ASSERT_GE(vsdx, 0) << error;
    EXPECT_EQ(Names(vsdx), (std::vector<std::string>{"Page-1", "Page-2", "Page-3"}));
    // The background page is listed like any other page, as Visio does.
    int vdx = Open(Sample("RetrievePageInfo.vdx"), error);
    ASSERT_GE(vdx, 0) << error;
    EXPECT_EQ(Names(vdx), (std::vector<std::string>{"Flow 1", "Flow 2", "VBackground"}));
    int vsd = Open(Sample("tdf76829-datetime-format.vsd"), error);
    ASSERT_GE(vsd, 0) << error;
    EXPECT_EQ(Names(vsd), (std::vector<std::string>{"Zeichenblatt-1", "VHintergrund"}));
    int dxf = Open(Sample("hatch_text_box_in_fill.dxf"), error);
    ASSERT_GE(dxf, 0) << error;
    EXPECT_EQ(Names(dxf).size(), 1u);
}

TEST_F(Office_Bridge, TwoVersionsPairTheirPagesByName)
{
    std::string error;
    int left = Open(Sample("test1.vsdx"), error);
    int right = Open(Sample("test2.vsdx"), error);
    ASSERT_GE(right, 0) << error;
    for (int page = 0; page < 3; ++page)
        EXPECT_EQ(exporter->Get_Page_ID(left, page), exporter->Get_Page_ID(right, page));
    EXPECT_NE(exporter->Get_Page_ID(left, 0), exporter->Get_Page_ID(left, 1));
}

TEST_F(Office_Bridge, APageExportsAsA150DpiPng)
{
    std::string error;
    int doc = Open(Sample("test1.vsdx"), error);
    ASSERT_GE(doc, 0) << error;
    ASSERT_TRUE(exporter->Export_Pages(doc, out / "t1", 0, error, false)) << error;
    T_Page_List pages;
    exporter->Get_Page_List(doc, pages);
    EXPECT_EQ(pages[0].File_Name, out / "t1_page_0.png");
    // The page is A4 portrait: 21 x 29.7 cm at 150 dpi.
    EXPECT_EQ(Png_Size(out / "t1_page_0.png"), std::make_pair(1240, 1754));

    // Every page of a binary drawing, in one call.
    int vsd = Open(Sample("tdf76829-datetime-format.vsd"), error);
    ASSERT_TRUE(exporter->Export_Pages(vsd, out / "v", -1, error, false)) << error;
    for (int page = 0; page < 2; ++page) {
        auto [width, height] = Png_Size(out / ("v_page_" + std::to_string(page) + ".png"));
        EXPECT_GT(width, 100);
        EXPECT_LE(width, 16384);
        EXPECT_GT(height, 100);
        EXPECT_LE(height, 16384);
    }
}

TEST_F(Office_Bridge, DxfVersionsWithDifferentExtentsRenderAtOneScale)
{
    // The second version adds a line that triples the drawing's width; the
    // square of the first must still fall on the same pixels.
    std::vector<std::array<double, 4>> square{
        {0, 0, 100, 0}, {100, 0, 100, 100}, {100, 100, 0, 100}, {0, 100, 0, 0}};
    Write_Dxf(out / "v1.dxf", 100, 100, square);
    square.push_back({100, 100, 300, 200});
    Write_Dxf(out / "v2.dxf", 300, 200, square);
    std::string error;
    int left = Open(out / "v1.dxf", error);
    int right = Open(out / "v2.dxf", error);
    ASSERT_GE(right, 0) << error;
    ASSERT_TRUE(exporter->Export_Pages(left, out / "l", 0, error, false)) << error;
    ASSERT_TRUE(exporter->Export_Pages(right, out / "r", 0, error, false)) << error;
    std::string a = out / "l_page_0.png", b = out / "r_page_0.png";
    EXPECT_EQ(Png_Size(a), Png_Size(b));
    long ink = Count_Pixels(a + " -threshold 80% -negate");
    EXPECT_GT(ink, 1000) << "the square is drawn";
    long moved = Count_Pixels(a + " -threshold 80% -negate '(' " + b +
                              " -threshold 95% ')' -compose multiply -composite");
    EXPECT_GE(moved, 0);
    EXPECT_LE(moved, ink / 100) << "pixels of the square that are blank in the second version";
}

TEST_F(Office_Bridge, BrokenDrawingsAreRefusedAndTheServerGoesOn)
{
    test::Write_File(out / "empty.vsd", "");
    test::Write_File(out / "text.vsd", "Just a line of text, no drawing.\n");
    std::string noise(8192, '\0');
    std::mt19937 random(7);
    for (char& c : noise)
        c = static_cast<char>(random());
    test::Write_File(out / "random.vsd", noise);
    // A real drawing cut short.
    std::string drawing = test::Read_File(Sample("test1.vsdx"));
    test::Write_File(out / "cut.vsdx", drawing.substr(0, drawing.size() / 3));
    for (const char* name : {"empty.vsd", "text.vsd", "random.vsd", "cut.vsdx"}) {
        int index = -1;
        std::string error;
        EXPECT_EQ(exporter->Open_Doc(out / name, index, error), T_Open_Result::Automation_Error)
            << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    // Nothing here reads DWG: the message says what would.
    test::Write_File(out / "plan.dwg", "AC1032");
    std::string error;
    EXPECT_EQ(Open(out / "plan.dwg", error), -1);
    EXPECT_NE(error.find("conversion to DXF"), std::string::npos) << error;
    EXPECT_GE(Open(Sample("test2.vsdx"), error), 0) << error;
}

TEST_F(Office_Bridge, NamesWithQuotesPercentAndForeignLettersOpenUntouched)
{
    std::string name = out / "it's \"v2\" 100% #1 \xC3\x9C"
                             "bersicht \xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD.vsdx";
    fs::copy_file(Sample("test2.vsdx"), name);
    std::string before = test::Read_File(name);
    std::string error;
    int doc = Open(name, error);
    ASSERT_GE(doc, 0) << error;
    EXPECT_EQ(Names(doc).size(), 3u);
    ASSERT_TRUE(exporter->Export_Pages(doc, out / "q", 2, error, false)) << error;
    // Opened read-only: no lock file beside it, the file unchanged.
    for (const auto& entry : fs::directory_iterator(out.Path))
        EXPECT_EQ(entry.path().filename().string().rfind(".~lock", 0), std::string::npos);
    exporter.reset();
    EXPECT_EQ(test::Read_File(name), before);
}

TEST_F(Office_Bridge, AnOfficeKilledMidRunIsAnAutomationError)
{
    std::string error;
    int doc = Open(Sample("test1.vsdx"), error);
    ASSERT_GE(doc, 0) << error;
    Kill(test::Processes_Mentioning(folder.Str(), 0));
    EXPECT_FALSE(exporter->Export_Pages(doc, out / "k", 1, error, false));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Open(Sample("test2.vsdx"), error), -1);
    EXPECT_FALSE(error.empty());
}

TEST_F(Office_Bridge, AHelperKilledMidRunIsAnAutomationErrorAndTakesItsOfficeAlong)
{
    std::string error;
    int doc = Open(Sample("test1.vsdx"), error);
    ASSERT_GE(doc, 0) << error;
    Kill(test::Processes_Mentioning(folder.Str(), 1));
    EXPECT_FALSE(exporter->Export_Pages(doc, out / "h", 0, error, false));
    EXPECT_NE(error.find("stopped"), std::string::npos) << error;
    // TearDown checks that the office went with it.
}

TEST(Office_Helper, AHungOfficeIsGivenUpAndKilled)
{
    test::Scratch_Dir folder;
    std::string error;
    std::unique_ptr<T_Office_Channel> office =
        Start_Office_Helper(VARNOLT_OFFICE_HELPER, folder.Str(), office_location::Find_Soffice(),
                            false, error, std::chrono::seconds(10));
    ASSERT_TRUE(office) << error;
    std::string doc = office->Request({"OPEN", Sample("test1.vsdx")}).at(0);
    ASSERT_FALSE(test::Processes_Mentioning(folder.Str(), 0).empty());
    // A first start on a new profile replaces its process once: every
    // process of the office is stopped, until a scan finds no new one.
    std::set<pid_t> stopped;
    for (int round = 0; round < 30; ++round) {
        bool fresh = false;
        for (pid_t pid : test::Processes_Mentioning(folder.Str(), 0))
            if (stopped.insert(pid).second) {
                kill(pid, SIGSTOP);
                fresh = true;
            }
        if (!fresh && round > 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(office->Request({"COUNT", doc}), T_Server_Exception);
    // A bound well beyond the timeout: a busy machine must not make an open
    // look hung, and a hung office must still be given up.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));
    // Given up means gone: no stopped office is left behind.
    EXPECT_EQ(Processes_Left(folder.Str()), std::vector<pid_t>{});
    EXPECT_THROW(office->Request({"COUNT", doc}), T_Server_Exception);
}

// Windows for the comparison's office: the display the tests run on, else
// an Xvfb of this test program's own, ended when the program ends.
class Test_Display {
public:
    static bool Ensure()
    {
        static Test_Display display;
        return display.ready;
    }

private:
    Test_Display()
    {
        const char* existing = std::getenv("DISPLAY");
        if (existing && *existing) {
            ready = true;
            return;
        }
        int pipe_fds[2];
        if (pipe(pipe_fds) != 0)
            return;
        std::string fd = std::to_string(pipe_fds[1]);
        // -noreset: the server would otherwise reset, refusing connections
        // for a moment, whenever its last window (a killed office) goes.
        std::vector<std::string> args{"Xvfb",         "-displayfd", fd,    "-screen", "0",
                                      "1280x1024x24", "-nolisten",  "tcp", "-noreset"};
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        int status = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipe_fds[1]);
        std::string number;
        char c;
        while (status == 0 && read(pipe_fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(pipe_fds[0]);
        if (status != 0 || number.empty())
            return;
        setenv("DISPLAY", (":" + number).c_str(), 1);
        ready = true;
    }
    ~Test_Display()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
    bool ready = false;
};

class Word_Bridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Test_Display::Ensure()) << "no display and no Xvfb";
        ASSERT_TRUE(Register_Office_Bridge_Servers(VARNOLT_OFFICE_HELPER, folder.Str()));
    }
    void TearDown() override
    {
        Unregister_Automation_Server("Visio.InvisibleApp");
        Unregister_Automation_Server("Word.Application");
        // The comparisons' windows stay open by design: close them here.
        for (pid_t pid : test::Processes_Mentioning(folder.Str()))
            kill(pid, SIGKILL);
    }

    // A copy of a sample in the scratch folder, read-only as users' files
    // often are.
    std::string Copy(const std::string& sample, const std::string& name)
    {
        fs::copy_file(Sample(sample), out / name);
        fs::permissions(out / name, fs::perms::owner_read);
        return out / name;
    }

    test::Scratch_Dir folder;
    test::Scratch_Dir out;
};

TEST_F(Word_Bridge, TheComparisonStaysOpenWithTheUsersFilesUntouched)
{
    std::string base = Copy("nwe_test14.doc", "old version.doc");
    std::string revised = Copy("nwe_test01.doc", "new version.doc");
    std::string error;
    EXPECT_EQ(MS_Word_Compare(base, revised, error), Word_Compared) << error;
    // The server is gone and its helper with it; the office with the
    // comparison's window is the user's now.
    EXPECT_EQ(test::Processes_Mentioning(folder.Str(), 1), std::vector<pid_t>{});
    EXPECT_FALSE(test::Processes_Mentioning(folder.Str(), 0).empty());
    for (const auto& entry : fs::directory_iterator(out.Path))
        EXPECT_EQ(entry.path().filename().string().rfind(".~lock", 0), std::string::npos)
            << entry.path();
    EXPECT_EQ(test::Read_File(base), test::Read_File(Sample("nwe_test14.doc")));
    EXPECT_EQ(test::Read_File(revised), test::Read_File(Sample("nwe_test01.doc")));
}

TEST_F(Word_Bridge, ADocumentAloneOpensReadOnlyOnAPrivateCopyAndTheUsersFileStaysAsItWas)
{
    test::Private_Tmpdir tmp;
    Prepare_Temp_Folder();
    std::string added = Copy("nwe_test10.docx", "added version.docx");
    const auto written = fs::last_write_time(added);
    EXPECT_TRUE(Word_Diff("/dev/null", added).Done());
    // The helper is gone; the office with the document's window is the
    // user's now.
    EXPECT_EQ(test::Processes_Mentioning(folder.Str(), 1), std::vector<pid_t>{});
    EXPECT_FALSE(test::Processes_Mentioning(folder.Str(), 0).empty());
    EXPECT_EQ(test::Read_File(added), test::Read_File(Sample("nwe_test10.docx")));
    EXPECT_EQ(fs::last_write_time(added), written);
    for (const auto& entry : fs::directory_iterator(out.Path))
        EXPECT_EQ(entry.path().filename().string().rfind(".~lock", 0), std::string::npos)
            << entry.path();

    // The window says it is read-only (the helper refuses to show a
    // document the office holds editable).
    std::string error;
    std::unique_ptr<T_Office_Channel> office = Start_Office_Helper(
        VARNOLT_OFFICE_HELPER, folder.Str(), office_location::Find_Soffice(), true, error);
    ASSERT_TRUE(office) << error;
    std::vector<std::string> shown = office->Request({"SHOWTEXT", added});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[1].find("read-only"), std::string::npos) << shown[1];
    // What is no document is refused, as for a comparison.
    test::Write_File(out / "empty.docx", "");
    EXPECT_THROW(office->Request({"SHOWTEXT", out / "empty.docx"}), T_Server_Exception);
    EXPECT_EQ(test::Read_File(added), test::Read_File(Sample("nwe_test10.docx")));
}

TEST_F(Word_Bridge, ChangesAreMarkedWhereTheTextDiffers)
{
    std::string error;
    std::unique_ptr<T_Office_Channel> office = Start_Office_Helper(
        VARNOLT_OFFICE_HELPER, folder.Str(), office_location::Find_Soffice(), true, error);
    ASSERT_TRUE(office) << error;
    std::string doc10 = office->Request({"OPENTEXT", Sample("nwe_test10.doc")}).at(0);
    std::string docx10 = office->Request({"OPENTEXT", Sample("nwe_test10.docx")}).at(0);
    std::string doc14 = office->Request({"OPENTEXT", Sample("nwe_test14.doc")}).at(0);
    // The same text in two formats: nothing to mark.
    EXPECT_EQ(office->Request({"COMPARE", doc10, docx10}), std::vector<std::string>{"0"});
    std::vector<std::string> changed = office->Request({"COMPARE", doc14, docx10});
    ASSERT_FALSE(changed.empty()); // the count, then the places of changed comments
    EXPECT_GT(std::stoi(changed[0]), 0);
    // A document the helper does not have is refused.
    EXPECT_THROW(office->Request({"COMPARE", doc14, "99"}), T_Server_Exception);
}

// The comparison the user sees marks what changed in headers, footers,
// footnotes, text boxes and comments too, and names each one's place.
TEST_F(Word_Bridge, ChangesOutsideTheBodyAreMarkedWithTheirPlace)
{
    test::Parts_Texts changed;
    changed.Second_Header = "Appendix header";
    changed.Footer = "Revised footer";
    changed.Footnote = "Footnote about another source";
    changed.Comment = "Comment answered";
    changed.Text_Box = "Other words in the box";
    test::Make_Word_Documents(out,
                              {{"base", test::Flat_Document(test::Parts_Texts{})},
                               {"changed", test::Flat_Document(changed)}},
                              "fodt");
    std::string error;
    std::unique_ptr<T_Office_Channel> office = Start_Office_Helper(
        VARNOLT_OFFICE_HELPER, folder.Str(), office_location::Find_Soffice(), true, error);
    ASSERT_TRUE(office) << error;
    const std::string base = office->Request({"OPENTEXT", out / "base.docx"}).at(0);
    const std::string revised = office->Request({"OPENTEXT", out / "changed.docx"}).at(0);
    EXPECT_EQ(office->Request({"COMPARE", base, base}), std::vector<std::string>{"0"});
    const std::vector<std::string> marked = office->Request({"COMPARE", base, revised});
    ASSERT_FALSE(marked.empty());
    // Each part's old text marked deleted and its new text inserted.
    EXPECT_EQ(marked[0], "10");
    const std::multiset<std::string> places(marked.begin() + 1, marked.end());
    for (const char* place :
         {"header of section 2", "footer of section 1", "footnote 1", "comment 1", "text box 1"})
        EXPECT_EQ(places.count(place), 2u) << place;
    EXPECT_EQ(places.size(), 10u);
}

TEST_F(Word_Bridge, UnreadableDocumentsGiveTheOpenFailureCodes)
{
    std::string good = Copy("nwe_test10.docx", "good.docx");
    test::Write_File(out / "empty.doc", "");
    std::string noise(4096, '\0');
    std::mt19937 random(11);
    for (char& c : noise)
        c = static_cast<char>(random());
    test::Write_File(out / "random.docx", noise);
    std::string error;
    EXPECT_EQ(MS_Word_Compare(out / "empty.doc", good, error), Word_Cant_Open_Base);
    EXPECT_FALSE(error.empty());
    // The known-good base is tried twice: on a machine where the office has
    // never run, its first visible start under load once refused a sound
    // document (seen once, not reproduced); what is checked here is the
    // modified side's code.
    unsigned char code = MS_Word_Compare(good, out / "random.docx", error);
    if (code == Word_Cant_Open_Base)
        code = MS_Word_Compare(good, out / "random.docx", error);
    EXPECT_EQ(code, Word_Cant_Open_Modified) << error;
    EXPECT_FALSE(error.empty());
    // Without anyone to ask for the password: refused, not waiting.
    EXPECT_EQ(MS_Word_Compare(Sample("password.doc"), good, error), Word_Cant_Open_Base);
    // Without a comparison to show, quitting ends the office.
    EXPECT_EQ(test::Processes_Mentioning(folder.Str()), std::vector<pid_t>{});
}

} // namespace
