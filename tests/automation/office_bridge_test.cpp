// The LibreOffice bridge without an office: the helper's line protocol, file
// URLs, export sizes, and the drawing server's objects over a scripted
// helper, driven by the real Visio exporter.
#include "automation/posix/office_bridge_registration.h"
#include "office/dxf_layout.h"
#include "automation/office_bridge_server.h"
#include "automation/posix/office_helper_environment.h"
#include "office/office_protocol.h"
#include "automation/visio_converter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

namespace op = office_protocol;

TEST(Office_Protocol, FieldsSurviveTabsLineBreaksAndBackslashes)
{
    std::vector<std::string> fields{"OPEN", "/a\tb/c\nd\\e\r.vsd", "", "\\t literal"};
    std::string line = op::Join(fields);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(op::Split(line), fields);
    EXPECT_EQ(op::Split("OK"), (std::vector<std::string>{"OK"}));
    EXPECT_EQ(op::Split("ERR\tbad\\"), (std::vector<std::string>{"ERR", "bad\\"}));
}

TEST(Office_Protocol, FileUrlsEncodeEverythingThatIsNotPlain)
{
    EXPECT_EQ(op::File_Url("/tmp/plain-name_1.vsd"), "file:///tmp/plain-name_1.vsd");
    EXPECT_EQ(op::File_Url("/tmp/it's \"q\" 100% #1?.vsd"),
              "file:///tmp/it%27s%20%22q%22%20100%25%20%231%3F.vsd");
    EXPECT_EQ(op::File_Url("/tmp/\xC3\x9C\xD0\xB6.vsd"), "file:///tmp/%C3%9C%D0%B6.vsd");
    EXPECT_EQ(op::File_Url("relative.vsd"), "");
    EXPECT_EQ(op::File_Url(""), "");
}

TEST(Office_Protocol, FilterComesFromTheExtensionOnly)
{
    EXPECT_EQ(op::Drawing_Filter("/a/b.VSD"), "Visio Document");
    EXPECT_EQ(op::Drawing_Filter("/a/b.vdx"), "Visio Document");
    EXPECT_EQ(op::Drawing_Filter("/a/b.vsdx"), "Visio Document");
    EXPECT_EQ(op::Drawing_Filter("/a/b.vsdm"), "Visio Document");
    EXPECT_EQ(op::Drawing_Filter("/a/b.Dxf"), "DXF - AutoCAD Interchange");
    EXPECT_EQ(op::Drawing_Filter("/a/b.txt"), "");
    EXPECT_EQ(op::Drawing_Filter("/a.vsd/noext"), "");
    EXPECT_EQ(op::Drawing_Filter("/a/b.dwg"), "");
}

TEST(Office_Protocol, PagesExportAt150DpiWithinThePaneLimit)
{
    op::Pixel_Size a4 = op::Page_Pixels(21000, 29700);
    EXPECT_EQ(a4.Width, 1240);
    EXPECT_EQ(a4.Height, 1754);
    // A 10 m wide plan: the long side is held to the limit, the aspect kept.
    op::Pixel_Size plan = op::Page_Pixels(1000000, 250000);
    EXPECT_EQ(plan.Width, op::Max_Page_Pixels);
    EXPECT_EQ(plan.Height, op::Max_Page_Pixels / 4);
    // A hairline of a page still gives one pixel, no zero-sized picture.
    op::Pixel_Size thin = op::Page_Pixels(1000000000, 1);
    EXPECT_EQ(thin.Width, op::Max_Page_Pixels);
    EXPECT_EQ(thin.Height, 1);
    EXPECT_EQ(op::Page_Pixels(0, 100).Width, 0);
    EXPECT_EQ(op::Page_Pixels(100, -5).Height, 0);
}

// A DXF header as CAD programs write it: code and value lines, indented codes.
std::string Dxf_Header(const std::string& min_x, const std::string& min_y, const std::string& max_x,
                       const std::string& max_y)
{
    return "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1027\r\n"
           "  9\r\n$EXTMIN\r\n 10\r\n" +
           min_x + "\r\n 20\r\n" + min_y +
           "\r\n 30\r\n0.0\r\n"
           "  9\r\n$EXTMAX\r\n 10\r\n" +
           max_x + "\r\n 20\r\n" + max_y +
           "\r\n 30\r\n0.0\r\n"
           "  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
}

TEST(Dxf_Layout, ExtentsComeFromTheHeaderOnly)
{
    dxf_layout::Extents extents;
    ASSERT_TRUE(dxf_layout::Read_Extents(Dxf_Header("279.5", "159.75", "443.5", "323.5"), extents));
    EXPECT_EQ(extents, (dxf_layout::Extents{279.5, 159.75, 443.5, 323.5}));
    // An empty drawing's defaults, swapped corners, text that is no number,
    // a missing corner: no extents, so no common scale is attempted.
    EXPECT_FALSE(dxf_layout::Read_Extents(Dxf_Header("1e20", "1e20", "-1e20", "-1e20"), extents));
    EXPECT_FALSE(dxf_layout::Read_Extents(Dxf_Header("10", "10", "5", "20"), extents));
    EXPECT_FALSE(dxf_layout::Read_Extents(Dxf_Header("0", "0", "1O0", "20"), extents));
    EXPECT_FALSE(dxf_layout::Read_Extents(
        "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n0\nENDSEC\n", extents));
    // $EXTMIN in an entity's text after the header does not count.
    EXPECT_FALSE(dxf_layout::Read_Extents("0\nSECTION\n2\nENTITIES\n9\n$EXTMIN\n10\n0\n20\n0\n"
                                          "9\n$EXTMAX\n10\n5\n20\n5\n0\nENDSEC\n",
                                          extents));
    EXPECT_FALSE(
        dxf_layout::Read_Extents(std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), extents));
}

TEST(Dxf_Layout, VersionsWithDifferentExtentsShareOneScaleAndOrigin)
{
    dxf_layout::Extents small{280, 160, 440, 320}; // 160 x 160
    dxf_layout::Extents large{230, 200, 530, 440}; // 300 x 240
    dxf_layout::Extents all = small.Union(large);  // 230..530 x 160..440: 300 x 280
    dxf_layout::Rect page = dxf_layout::Page_Of(all);
    EXPECT_EQ(page.Width, 38000 + 2 * dxf_layout::Margin);
    EXPECT_EQ(page.Height, std::llround(280 * 38000.0 / 300) + 2 * dxf_layout::Margin);
    dxf_layout::Rect a = dxf_layout::Place(small, all);
    dxf_layout::Rect b = dxf_layout::Place(large, all);
    double scale = 38000.0 / 300;
    // One unit of the drawing is the same length in both versions...
    EXPECT_NEAR(static_cast<double>(a.Width) / 160, scale, 0.01);
    EXPECT_NEAR(static_cast<double>(b.Width) / 300, scale, 0.01);
    // ...and the point (280, 320) lies at the same place in both (y down).
    auto at = [&](const dxf_layout::Rect& r, const dxf_layout::Extents& e, double x, double y) {
        return std::make_pair(r.X + (x - e.Min_X) * scale, r.Y + (e.Max_Y - y) * scale);
    };
    auto in_a = at(a, small, 280, 320);
    auto in_b = at(b, large, 280, 320);
    EXPECT_NEAR(in_a.first, in_b.first, 1.0);
    EXPECT_NEAR(in_a.second, in_b.second, 1.0);
    // Both lie inside the page.
    for (const auto& r : {a, b}) {
        EXPECT_GE(r.X, dxf_layout::Margin);
        EXPECT_GE(r.Y, dxf_layout::Margin);
        EXPECT_LE(r.X + r.Width, page.Width - dxf_layout::Margin + 1);
        EXPECT_LE(r.Y + r.Height, page.Height - dxf_layout::Margin + 1);
    }
}

// A helper that answers from a table of documents and records requests.
class Scripted_Helper : public T_Office_Channel {
public:
    std::map<std::string, std::vector<std::string>> Files; // file -> page names
    std::vector<std::string> Requests;
    std::vector<std::string> Exported;
    bool Dead = false;
    int Closes = 0;

    std::vector<std::string> Request(const std::vector<std::string>& fields) override
    {
        Requests.push_back(office_protocol::Join(fields));
        if (Dead)
            throw T_Server_Exception("The office helper has stopped");
        const std::string& command = fields[0];
        if (command == "OPEN") {
            auto found = Files.find(fields[1]);
            if (found == Files.end())
                throw T_Server_Exception("LibreOffice cannot open " + fields[1]);
            open.push_back(found->second);
            return {std::to_string(open.size())};
        }
        const std::vector<std::string>& names = open.at(std::stoul(fields[1]) - 1);
        if (command == "COUNT")
            return {std::to_string(names.size())};
        if (command == "NAME")
            return {names.at(std::stoul(fields[2]))};
        if (command == "EXPORT") {
            Exported.push_back(fields[3]);
            return {"10", "10"};
        }
        if (command == "EXPORTPDF") {
            Exported.push_back(fields[2]);
            return {std::to_string(names.size())};
        }
        if (command == "SHAPES") // the second page of every document holds three
            return {fields[2] == "1" ? "3" : "0"};
        return {};
    }
    void Close() override
    {
        ++Closes;
        Dead = true;
    }

private:
    std::vector<std::vector<std::string>> open;
};

class Office_Server : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto owned = std::make_shared<Scripted_Helper>();
        helper = owned.get();
        keep = owned;
        registration = std::make_unique<Registration>(owned);
    }
    void TearDown() override { registration.reset(); }

    struct Registration {
        explicit Registration(std::shared_ptr<Scripted_Helper> channel)
        {
            Register_Automation_Server("Visio.InvisibleApp",
                                       [channel] { return Make_Office_Drawing_Server(channel); });
        }
        ~Registration() { Unregister_Automation_Server("Visio.InvisibleApp"); }
    };

    std::unique_ptr<T_Base_Multipage_Wrapper> Start()
    {
        auto exporter = Make_Exporter<T_Visio_Multipage_Wrapper>();
        EXPECT_TRUE(exporter->Init(nullptr));
        return exporter;
    }

    // Opens a file of the scripted helper through the exporter (which
    // checks that the file exists, so a real file is made for it).
    int Open(T_Base_Multipage_Wrapper& exporter, const std::string& name,
             std::vector<std::string> pages, std::string* error_out = nullptr)
    {
        std::string path = ::testing::TempDir() + name;
        FILE* file = std::fopen(path.c_str(), "w");
        std::fclose(file);
        if (!pages.empty())
            helper->Files[path] = std::move(pages);
        int index = -1;
        std::string error;
        T_Open_Result result = exporter.Open_Doc(path, index, error);
        if (error_out)
            *error_out = error;
        return result == T_Open_Result::Ok ? index : -1;
    }

    static std::vector<std::int32_t> Ids(T_Base_Multipage_Wrapper& exporter, int doc)
    {
        T_Page_List pages;
        exporter.Get_Page_List(doc, pages);
        std::vector<std::int32_t> ids;
        for (int i = 0; i < pages.Count(); ++i)
            ids.push_back(pages[i].ID);
        return ids;
    }

    Scripted_Helper* helper = nullptr;
    std::shared_ptr<Scripted_Helper> keep;
    std::unique_ptr<Registration> registration;
};

TEST_F(Office_Server, PagesOfTheSameNameShareAnIdAcrossBothDocuments)
{
    auto exporter = Start();
    int left = Open(*exporter, "ids_a.vsd", {"Page-1", "Page-2", "Page-3"});
    int right = Open(*exporter, "ids_b.vsd", {"Page-3", "New", "Page-1"});
    ASSERT_EQ(left, 0);
    ASSERT_EQ(right, 1);
    EXPECT_EQ(Ids(*exporter, left), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(Ids(*exporter, right), (std::vector<std::int32_t>{3, 4, 1}));
    T_Page_List pages;
    exporter->Get_Page_List(right, pages);
    EXPECT_EQ(pages[1].Name, "New");
}

TEST_F(Office_Server, ARepeatedNameIsToldApartByItsOccurrence)
{
    auto exporter = Start();
    int left = Open(*exporter, "rep_a.vsd", {"Plan", "Plan", "Detail"});
    int right = Open(*exporter, "rep_b.vsd", {"Plan", "Detail", "Plan", "Plan"});
    EXPECT_EQ(Ids(*exporter, left), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(Ids(*exporter, right), (std::vector<std::int32_t>{1, 3, 2, 4}));
}

TEST_F(Office_Server, ExportGoesToTheHelperAndARefusedOpenIsAnAutomationError)
{
    auto exporter = Start();
    std::string error;
    EXPECT_EQ(Open(*exporter, "refused.vsd", {}, &error), -1);
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    int doc = Open(*exporter, "exp.vsd", {"One", "Two"});
    ASSERT_EQ(doc, 0);
    ASSERT_TRUE(exporter->Export_Pages(doc, "/tmp/out", 1, error, false)) << error;
    EXPECT_EQ(helper->Exported, (std::vector<std::string>{"/tmp/out_page_1.png"}));
    // What the page holds is asked of the helper with the export.
    T_Page_List pages;
    ASSERT_TRUE(exporter->Get_Page_List(doc, pages));
    EXPECT_EQ(pages[1].Content, 3);
    EXPECT_EQ(pages[0].Content, -1); // not exported yet
    ASSERT_TRUE(exporter->Export_Pages(doc, "/tmp/out", 0, error, false)) << error;
    EXPECT_EQ(pages[0].Content, 0);
}

TEST_F(Office_Server, TheWholeDrawingExportsAsOnePdfAndOnlyAsPdf)
{
    auto exporter = Start();
    int doc = Open(*exporter, "whole.vsd", {"One", "Two"});
    ASSERT_EQ(doc, 0);
    auto& visio = static_cast<T_Visio_Multipage_Wrapper&>(*exporter);
    visio.Export_Pdf_File(doc, "/tmp/whole.pdf");
    EXPECT_EQ(helper->Requests.back(), "EXPORTPDF\t1\t/tmp/whole.pdf");
    EXPECT_EQ(helper->Exported, (std::vector<std::string>{"/tmp/whole.pdf"}));
    // Another fixed format (XPS) is refused without asking the helper.
    const size_t asked = helper->Requests.size();
    EXPECT_THROW(exporter->Docs[0].Doc.As_Dispatch()->Call(
                     "ExportAsFixedFormat",
                     {T_Variant::Int32(2),
                      T_Variant::String_Ref(std::make_shared<std::string>("/tmp/whole.xps"))}),
                 T_Server_Exception);
    EXPECT_EQ(helper->Requests.size(), asked);
}

TEST_F(Office_Server, AHelperThatStoppedFailsEveryLaterCall)
{
    auto exporter = Start();
    int doc = Open(*exporter, "dies.vsd", {"One"});
    helper->Dead = true;
    std::string error;
    EXPECT_FALSE(exporter->Export_Pages(doc, "/tmp/out", 0, error, false));
    EXPECT_EQ(error, "The office helper has stopped");
    EXPECT_EQ(Open(*exporter, "dies2.vsd", {"One"}, &error), -1);
    EXPECT_EQ(error, "The office helper has stopped");
}

TEST_F(Office_Server, TheHelperIsClosedByQuitAndByReleasingTheServer)
{
    {
        auto exporter = Start();
        Open(*exporter, "q.vsd", {"One"});
    }
    EXPECT_GE(helper->Closes, 1);
    EXPECT_EQ(helper->Requests.back(), "CLOSE\t1");
    helper->Closes = 0;
    helper->Dead = false;
    // A server object dropped without Quit must not leave an office behind.
    Create_Automation_Object("Visio.InvisibleApp");
    EXPECT_EQ(helper->Closes, 1);
}

TEST_F(Office_Server, MembersCompareWithoutCaseAndUnknownOnesFail)
{
    auto exporter = Start();
    Open(*exporter, "m.vsd", {"One", "Two"});
    std::shared_ptr<T_Dispatch> app = Create_Automation_Object("visio.invisibleapp");
    auto docs = app->Get("DOCUMENTS").As_Dispatch();
    auto doc =
        docs->Call("OpenEx", {T_Variant::String(::testing::TempDir() + "m.vsd")}).As_Dispatch();
    auto pages = doc->Get("pAgEs").As_Dispatch();
    EXPECT_EQ(pages->Get("COUNT").As_Int(), 2);
    auto page = pages->Call("item", {T_Variant::Int32(2)}).As_Dispatch();
    EXPECT_EQ(page->Get("NAME").As_String(), "Two");
    // Visio also takes a page by its name.
    EXPECT_EQ(
        pages->Call("Item", {T_Variant::String("One")}).As_Dispatch()->Get("Name").As_String(),
        "One");
    EXPECT_THROW(pages->Call("Item", {T_Variant::Int32(3)}), T_Server_Exception);
    EXPECT_THROW(pages->Call("Item", {T_Variant::Int32(0)}), T_Server_Exception);
    EXPECT_THROW(page->Call("Export", {T_Variant::String("/tmp/p.jpg")}), T_Server_Exception);
    EXPECT_THROW(page->Get("Layers"), T_Unknown_Member_Error);
    EXPECT_THROW(page->Get(T_Member(std::int32_t{7})), T_Call_Failed_Error);
    doc->Call("Close");
    EXPECT_EQ(helper->Requests.back(), "CLOSE\t2");
    EXPECT_THROW(doc->Get("Pages"), T_Server_Exception);
    EXPECT_THROW(page->Get("Name"), T_Server_Exception);
}

TEST(Office_Registration, NothingIsRegisteredWithoutTheHelper)
{
    Unregister_Automation_Server("Visio.InvisibleApp");
    EXPECT_FALSE(Register_Office_Bridge_Servers("/nonexistent/varnolt_office_helper", "/tmp"));
    EXPECT_FALSE(Find_Automation_Server("Visio.InvisibleApp"));
}

TEST(Office_Helper_Environment, TheOfficeProgramFolderLeadsTheLibraryPathAndNothingElseChanges)
{
    using Environment = std::vector<std::string>;
    const std::string folder = "/usr/lib/libreoffice/program";
    const std::string alone = "LD_LIBRARY_PATH=" + folder;
    EXPECT_EQ(Office_Helper_Environment(
                  {"HOME=/home/u", "LD_LIBRARY_PATH=/opt/lib:/x", "LD_LIBRARY_PATHS=/y"}, folder),
              (Environment{"HOME=/home/u", "LD_LIBRARY_PATHS=/y", alone + ":/opt/lib:/x"}));
    // Missing or empty, it becomes the folder alone: an empty element would
    // search the current directory.
    EXPECT_EQ(Office_Helper_Environment({"HOME=/home/u"}, folder),
              (Environment{"HOME=/home/u", alone}));
    EXPECT_EQ(Office_Helper_Environment({"LD_LIBRARY_PATH="}, folder), Environment{alone});
    // No office found: the helper starts as the program did, and says why it
    // cannot go on.
    EXPECT_EQ(Office_Helper_Environment({"LD_LIBRARY_PATH=/x"}, ""),
              Environment{"LD_LIBRARY_PATH=/x"});
}

TEST(Office_Helper_Environment, TheProgramFolderIsWhereTheStartProgramResolvesTo)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::path(::testing::TempDir()) / "office_program_folder";
    fs::remove_all(root);
    fs::create_directories(root / "office" / "program");
    fs::create_directories(root / "bin");
    std::ofstream(root / "office" / "program" / "soffice") << "#!/bin/sh\n";
    fs::create_symlink("../office/program/soffice", root / "bin" / "soffice");
    const std::string program = fs::canonical(root / "office" / "program").string();
    EXPECT_EQ(Office_Program_Folder((root / "bin" / "soffice").string()), program);
    EXPECT_EQ(Office_Program_Folder((root / "office" / "program" / "soffice").string()), program);
    EXPECT_EQ(Office_Program_Folder((root / "bin" / "missing").string()), "");
    fs::remove_all(root);
}

} // namespace
