// The Visio exporter against a recording fake of Visio: calls by name, pages
// with the server's names and identifiers, and which documents stay listed
// after a failure.
#include "tests/automation/fake_office_servers.h"
#include "tests/test_support.h"
#include "automation/visio_converter.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

class Visio : public ::testing::Test {
protected:
    void SetUp() override
    {
        exporter = Make_Exporter<T_Visio_Multipage_Wrapper>();
        ASSERT_TRUE(exporter->Init(nullptr));
    }

    std::string File(const std::string& name, std::vector<test::Visio_Page> pages = {{"P", 0}})
    {
        std::string path = dir / name;
        test::Write_File(path, "drawing");
        server.Layouts[path] = std::move(pages);
        return path;
    }

    test::Scratch_Dir dir;
    test::Fake_Visio server;
    test::Server_Registration registration{"Visio.InvisibleApp",
                                           [this] { return server.Make_App(); }};
    std::unique_ptr<T_Base_Multipage_Wrapper> exporter;
};

TEST_F(Visio, StartsHiddenOpensWithFixedFlagsAndListsNamedPages)
{
    EXPECT_EQ(*server.Trace,
              (Calls{"visio.Visible put(bool false)", "visio.AlertResponse put(i32 7)"}));
    std::string file = File("a.vsd", {{"A", 0}, {"B", 5}});
    server.Trace->clear();
    int index = -1;
    std::string error;
    ASSERT_EQ(exporter->Open_Doc(file, index, error), T_Open_Result::Ok) << error;
    EXPECT_EQ(index, 0);
    EXPECT_EQ(*server.Trace,
              (Calls{"visio.Documents get()", "docs.openex call(str& '" + file + "', i32 466)",
                     "doc0.Pages get()", "doc0.pages.Count get()", "doc0.Pages get()",
                     "doc0.pages.Item call(i32 1)", "doc0.page1.name get()", "doc0.page1.ID get()",
                     "doc0.Pages get()", "doc0.pages.Item call(i32 2)", "doc0.page2.name get()",
                     "doc0.page2.ID get()"}));
    T_Page_List pages;
    ASSERT_TRUE(exporter->Get_Page_List(0, pages));
    ASSERT_EQ(pages.Count(), 2);
    EXPECT_EQ(pages[0].Name, "A");
    EXPECT_EQ(pages[0].ID, 0);
    EXPECT_EQ(pages[1].Name, "B");
    EXPECT_EQ(pages[1].ID, 5);
    EXPECT_EQ(exporter->Get_Page_ID(0, 1), 5);

    std::string png = dir / "a.vsd_r_page_1.png";
    server.Trace->clear();
    ASSERT_TRUE(exporter->Export_Pages(0, dir / "a.vsd_r", 1, error, true)) << error;
    // After the export the page's shapes are counted; a server without the
    // count leaves it unknown.
    EXPECT_EQ(*server.Trace,
              (Calls{"doc0.Pages get()", "doc0.pages.Item call(i32 2)",
                     "doc0.page2.Export call(str& '" + png + "')", "doc0.Pages get()",
                     "doc0.pages.Item call(i32 2)", "doc0.page2.Shapes get()"}));
    EXPECT_EQ(pages[1].File_Name, png);
    EXPECT_EQ(pages[1].Content, -1);
    EXPECT_TRUE(test::Read_File(png).starts_with("\x89PNG"));

    server.Trace->clear();
    ASSERT_TRUE(exporter->Export_Pages(0, dir / "a.vsd_r", 1, error, true));
    EXPECT_TRUE(server.Trace->empty());
}

TEST_F(Visio, FailuresDecideWhichDocumentsStayListed)
{
    // Refused by openex: code 2 with Visio's message, nothing listed.
    std::string refused = File("refused.vsd");
    server.Refused.insert(refused);
    int index = -1;
    std::string error;
    EXPECT_EQ(exporter->Open_Doc(refused, index, error), T_Open_Result::Automation_Error);
    EXPECT_EQ(error, "Visio cannot open " + refused);
    EXPECT_TRUE(exporter->Docs.empty());

    // "Count" fails after a successful openex: the document stays listed,
    // open, and is closed when the exporter goes.
    std::string counted = File("count.vsd");
    server.Count_Fails.insert(counted);
    EXPECT_EQ(exporter->Open_Doc(counted, index, error), T_Open_Result::Automation_Error);
    EXPECT_EQ(error, "Count refused");
    ASSERT_EQ(exporter->Docs.size(), 1u);
    EXPECT_TRUE(exporter->Docs[0].Opened);

    // A missing file never reaches Visio.
    size_t calls = server.Trace->size();
    EXPECT_EQ(exporter->Open_Doc(dir / "none.vsd", index, error), T_Open_Result::No_File);
    EXPECT_EQ(server.Trace->size(), calls);

    // An export error is a result with Visio's message.
    std::string bad_export = File("export.vsd");
    server.Export_Fails.insert(bad_export);
    ASSERT_EQ(exporter->Open_Doc(bad_export, index, error), T_Open_Result::Ok);
    EXPECT_FALSE(exporter->Export_Pages(index, dir / "e", 0, error, true));
    EXPECT_EQ(error, "Export refused");

    server.Trace->clear();
    exporter.reset();
    EXPECT_EQ(*server.Trace,
              (Calls{"doc0.Close call()", "doc1.Close call()", "visio.Quit call()"}));
}

TEST_F(Visio, ADocumentThatDoesNotComeBackIsAFailure)
{
    auto app = std::static_pointer_cast<test::Fake_Object>(
        static_cast<T_Visio_Multipage_Wrapper*>(exporter.get())->Visio_App.As_Dispatch());
    auto documents =
        std::static_pointer_cast<test::Fake_Object>(app->Get("Documents").As_Dispatch());
    documents->Answer("openex", T_Variant());
    int index = -1;
    std::string error;
    EXPECT_EQ(exporter->Open_Doc(File("a.vsd"), index, error), T_Open_Result::Automation_Error);
    EXPECT_NE(error.find("no document"), std::string::npos) << error;
    EXPECT_TRUE(exporter->Docs.empty());
}

TEST(Visio_Missing, StartPassesTheSystemTextAndQuitsNothing)
{
    auto exporter = Make_Exporter<T_Visio_Multipage_Wrapper>();
    std::string reported = "none";
    EXPECT_FALSE(exporter->Init([&](const std::string& text) { reported = text; }));
    EXPECT_EQ(reported, "Invalid class string");
    EXPECT_FALSE(exporter->Quit_App());
}

} // namespace
