// The KOMPAS exporter against a recording fake of KOMPAS: the exact calls by
// dispatch number, the page list, and the faults a server can cause.
#include "tests/automation/fake_office_servers.h"
#include "automation/kompas_converter.h"
#include "tests/test_support.h"

#include "platform/os_platform.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

class Kompas : public ::testing::Test {
protected:
    void SetUp() override
    {
        exporter = Make_Exporter<T_Kompas_Multipage_Wrapper>();
        ASSERT_TRUE(exporter->Init(nullptr));
    }

    std::string File(const std::string& name, std::int32_t pages = 1)
    {
        std::string path = dir / name;
        test::Write_File(path, "drawing");
        server.Page_Counts[path] = pages;
        return path;
    }

    // Opens a file and returns the calls it made.
    Calls Open(const std::string& path, T_Open_Result expected = T_Open_Result::Ok)
    {
        size_t from = server.Trace->size();
        int index = -1;
        std::string error;
        EXPECT_EQ(exporter->Open_Doc(path, index, error), expected) << error;
        return test::Calls_Since(server.Trace, from);
    }

    test::Scratch_Dir dir;
    test::Fake_Kompas server;
    test::Server_Registration registration{"Kompas.Application.5",
                                           [this] { return server.Make_App(); }};
    std::unique_ptr<T_Base_Multipage_Wrapper> exporter;
};

std::string W(const std::string& text) { return "wstr '" + text + "'"; }

TEST_F(Kompas, DocumentKindFollowsTheExtensionInAnyCase)
{
    std::string upper = File("PLAN.CDW"), lower = File("plan2.cdw");
    EXPECT_EQ(Open(upper), (Calls{"kompas.#4 call()", "doc0.#149 call(" + W(upper) + ", bool true)",
                                  "doc0.#226 call()"}));
    EXPECT_EQ(Open(lower), (Calls{"kompas.#4 call()", "doc1.#149 call(" + W(lower) + ", bool true)",
                                  "doc1.#226 call()"}));

    std::string spw = File("PLAN.SPW");
    EXPECT_EQ(Open(spw), (Calls{"kompas.#10 call()", "doc2.#12 call(" + W(spw) + ", i16 1)",
                                "doc2.#6 call()"}));
    std::string text = File("notes.Kdw");
    EXPECT_EQ(Open(text), (Calls{"kompas.#87 call()", "doc3.#7 call(" + W(text) + ", i16 1)",
                                 "doc3.#15 call()"}));

    // No extension, also when a folder name has a dot: the drawing kind.
    std::filesystem::create_directories(dir.Path / "v1.2");
    std::string bare = File("v1.2/plan");
    EXPECT_EQ(Open(bare)[0], "kompas.#4 call()");

    EXPECT_EQ(Kompas_Extension("C:\\a.b\\PLAN.Spw"), ".spw");
    EXPECT_EQ(Kompas_Extension("C:\\a.b\\plan"), "");
    EXPECT_EQ(Kompas_Extension("/t/plan."), ".");
}

TEST_F(Kompas, PagesArePositionsAndAnExportGoesThroughTheDrawingInterface)
{
    Open(File("a.cdw", 3));
    T_Page_List pages;
    ASSERT_TRUE(exporter->Get_Page_List(0, pages));
    ASSERT_EQ(pages.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages[i].Name, std::to_string(i));
        EXPECT_EQ(pages[i].ID, i);
        EXPECT_EQ(pages[i].File_Name, "");
    }

    std::string prefix = dir / "a.cdw_l";
    std::string png = prefix + "_page_2.png";
    size_t from = server.Trace->size();
    std::string error;
    ASSERT_TRUE(exporter->Export_Pages(0, prefix, 2, error, true)) << error;
    EXPECT_EQ(
        test::Calls_Since(server.Trace, from),
        (Calls{"doc0 query {AF4E160D-5C89-4F21-B0F2-D53397BDAF78}", "doc0.drawing.#191 call()",
               "doc0.params.#1 put(i16 3)", "doc0.params.#4 put(i32 96)",
               "doc0.params.#6 put(i16 4)", "doc0.params.#2 put(i16 8)",
               "doc0.params.#10 put(bool false)", "doc0.params.#9 get()",
               "doc0.params.#3 put(bool false)", "doc0.params.#8 put(wstr '3')",
               "doc0.drawing.#190 call(" + W(png) + ", obj doc0.params)"}));
    EXPECT_EQ(pages[2].File_Name, png);
    EXPECT_TRUE(test::Read_File(png).starts_with("\x89PNG"));

    // The page's PNG still exists: nothing is asked of KOMPAS again.
    from = server.Trace->size();
    ASSERT_TRUE(exporter->Export_Pages(0, prefix, 2, error, true));
    EXPECT_TRUE(test::Calls_Since(server.Trace, from).empty());
}

TEST_F(Kompas, DestructionClosesEachDocumentByNameThenQuits)
{
    Open(File("a.cdw"));
    Open(File("b.cdw"));
    size_t from = server.Trace->size();
    exporter.reset();
    EXPECT_EQ(
        test::Calls_Since(server.Trace, from),
        (Calls{"doc0.ksCloseDocument call()", "doc1.ksCloseDocument call()", "kompas.#82 call()"}));
}

TEST_F(Kompas, FailedOpensReportTheServerAndKeepOtherDocumentsIntact)
{
    // A missing file is not passed to KOMPAS.
    EXPECT_TRUE(Open(dir / "missing.cdw", T_Open_Result::No_File).empty());

    Open(File("good.cdw", 2));

    // KOMPAS refuses the file: its message comes back, nothing is listed.
    std::string bad = File("bad.cdw");
    server.Refused.insert(bad);
    int index = 7;
    std::string error;
    EXPECT_EQ(exporter->Open_Doc(bad, index, error), T_Open_Result::Automation_Error);
    EXPECT_EQ(error, "Cannot open " + bad);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(exporter->Docs.size(), 1u);

    // No document object: a clear failure, nothing appended, and the page
    // list of the document opened before is left alone.
    server.No_Document = true;
    EXPECT_EQ(exporter->Open_Doc(File("none.cdw", 5), index, error),
              T_Open_Result::Automation_Error);
    EXPECT_NE(error.find("no document"), std::string::npos) << error;
    EXPECT_EQ(exporter->Docs.size(), 1u);
    T_Page_List pages;
    ASSERT_TRUE(exporter->Get_Page_List(0, pages));
    EXPECT_EQ(pages.Count(), 2);
    server.No_Document = false;

    // A negative page count gives a document without pages.
    ASSERT_EQ(Open(File("negative.cdw", -5)).size(), 3u);
    ASSERT_TRUE(exporter->Get_Page_List(1, pages));
    EXPECT_EQ(pages.Count(), 0);
    EXPECT_FALSE(exporter->Export_Pages(1, dir / "n", 0, error, true));
    EXPECT_EQ(error, "");
}

TEST_F(Kompas, ExportErrorsAreResultsARefusedInterfaceIsNot)
{
    Open(File("a.cdw", 2));
    auto drawing =
        std::static_pointer_cast<test::Fake_Object>(server.Docs[0]->Interfaces.begin()->second);
    drawing->Handlers.erase("#190"); // unknown to this server
    std::string error;
    EXPECT_FALSE(exporter->Export_Pages(0, dir / "a", 1, error, true));
    EXPECT_EQ(error, "Member not found.");
    T_Page_List pages;
    exporter->Get_Page_List(0, pages);
    EXPECT_EQ(pages[1].File_Name, "");

    server.Docs[0]->Interfaces.clear();
    EXPECT_THROW(exporter->Export_Pages(0, dir / "a", 0, error, true), T_Interface_Not_Supported);
}

TEST(Kompas_Missing, StartFailsQuietlyAndDestructionCallsNothing)
{
    auto exporter = Make_Exporter<T_Kompas_Multipage_Wrapper>();
    std::string reported = "none";
    EXPECT_FALSE(exporter->Init([&](const std::string& text) { reported = text; }));
    EXPECT_EQ(reported, "");
    EXPECT_FALSE(exporter->Quit_App());
    int index = -1;
    std::string error;
    test::Scratch_Dir dir;
    test::Write_File(dir / "a.cdw", "");
    EXPECT_EQ(exporter->Open_Doc(dir / "a.cdw", index, error), T_Open_Result::Automation_Error);
}

} // namespace
