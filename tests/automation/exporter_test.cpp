// The page model and the exporter base, driven through a test exporter whose
// server writes a real PNG for each exported page.
#include "tests/automation/fake_server.h"
#include "tests/test_support.h"
#include "automation/u_ms_ole_common.h"
#include "automation/u_multi_page_const.h"

#include "platform/os_platform.h"

#include <gtest/gtest.h>

namespace {

const char* Prog_ID = "Varnolt.Test.Drawing";

// A 1 x 1 PNG.
const std::string
    Tiny_Png("\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01"
             "\x00\x00\x00\x01\x08\x02\x00\x00\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41"
             "\x54\x08\xd7\x63\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\x18\xdd\x8d\xb0\x00\x00\x00"
             "\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
             69);

// The server side: an application that opens documents whose page count is
// preset per file, and documents whose "Export" writes the PNG.
struct Drawing_Server {
    std::shared_ptr<std::vector<std::string>> Log = std::make_shared<std::vector<std::string>>();
    std::map<std::string, int> Page_Counts; // by file name
    int Fail_Export_Page = -1;

    std::shared_ptr<test::Fake_Object> Make_App()
    {
        auto app = std::make_shared<test::Fake_Object>("app", Log);
        app->Handlers["Open"] = [this](const T_Args& args, const T_Named_Args&) {
            std::string file = args.at(0).As_String();
            if (!Page_Counts.count(file))
                throw T_Server_Exception("Cannot open " + file);
            return T_Variant::Object(Make_Doc(Page_Counts[file]));
        };
        app->Answer("Quit", T_Variant());
        return app;
    }

    std::shared_ptr<test::Fake_Object> Make_Doc(int pages)
    {
        std::string name = "doc" + std::to_string(docs++);
        auto doc = std::make_shared<test::Fake_Object>(name, Log);
        auto list = std::make_shared<test::Fake_Object>(name + ".Pages", Log);
        list->Answer("Count", T_Variant::Int32(pages));
        doc->Answer("Pages", T_Variant::Object(list));
        doc->Answer("Close", T_Variant());
        doc->Handlers["Export"] = [this](const T_Args& args, const T_Named_Args&) {
            if (args.at(0).As_Int() == Fail_Export_Page)
                throw T_Server_Exception("Export refused");
            test::Write_File(args.at(1).As_String(), Tiny_Png);
            return T_Variant::Boolean(true);
        };
        return doc;
    }

    int docs = 0;
};

// The smallest exporter: what a real one does, against the fake server.
class Test_Exporter : public T_Base_Multipage_Wrapper {
public:
    bool Start_App() override
    {
        std::string error;
        if (Try_Create_Ole_Object(Prog_ID, App, error))
            return true;
        if (On_Error)
            On_Error(error);
        return false;
    }
    bool Quit_App() override
    {
        ++Quit_Calls;
        if (App.Is_Empty())
            return false;
        try {
            App.As_Dispatch()->Call("Quit");
            App = T_Variant();
            return true;
        } catch (...) {
            return false;
        }
    }
    bool Close_Doc(int Doc_Index) override
    {
        if (!Is_Valid_Doc(Doc_Index) || !Docs[static_cast<size_t>(Doc_Index)].Opened)
            return false;
        try {
            Docs[static_cast<size_t>(Doc_Index)].Doc.As_Dispatch()->Call("Close");
            return true;
        } catch (...) {
            return false;
        }
    }
    T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index,
                           std::string& Error_Text) override
    {
        Error_Text.clear();
        if (!os::File_Exists(File_Name))
            return T_Open_Result::No_File;
        try {
            T_Variant doc = App.As_Dispatch()->Call("Open", {T_Variant::String(File_Name)});
            Docs.push_back({doc, true, {}});
            int count = doc.As_Dispatch()->Get("Pages").As_Dispatch()->Get("Count").As_Int();
            for (int i = 0; i < count; ++i)
                Docs.back().Pages.Items->push_back({std::to_string(i), i * 10, ""});
            Doc_Index = static_cast<int>(Docs.size()) - 1;
            return T_Open_Result::Ok;
        } catch (const T_Automation_Error& error) {
            Error_Text = error.what();
            return T_Open_Result::Automation_Error;
        }
    }
    T_Variant App;
    int Quit_Calls = 0;

protected:
    void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) override
    {
        Docs[static_cast<size_t>(Doc_Index)].Doc.As_Dispatch()->Call(
            "Export", {T_Variant::Int32(page), T_Variant::String(File_Name)});
    }
};

class Exporter : public ::testing::Test {
protected:
    void SetUp() override
    {
        registration = std::make_unique<test::Server_Registration>(
            Prog_ID, [this] { return server.Make_App(); });
        exporter = Make_Exporter<Test_Exporter>();
        ASSERT_TRUE(exporter->Init(nullptr));
    }

    // A drawing file on disk with `pages` pages in the server.
    std::string Drawing(const std::string& name, int pages)
    {
        std::string path = dir / name;
        test::Write_File(path, "drawing");
        server.Page_Counts[path] = pages;
        return path;
    }

    int Open(const std::string& path)
    {
        int index = -1;
        std::string error;
        EXPECT_EQ(exporter->Open_Doc(path, index, error), T_Open_Result::Ok) << error;
        return index;
    }

    size_t Exports() const
    {
        return std::count_if(server.Log->begin(), server.Log->end(),
                             [](auto& s) { return s.ends_with(".Export"); });
    }

    test::Scratch_Dir dir;
    Drawing_Server server;
    std::unique_ptr<test::Server_Registration> registration;
    std::unique_ptr<T_Base_Multipage_Wrapper> exporter;
};

TEST_F(Exporter, ExportsLazilyAndReusesExistingPages)
{
    int doc = Open(Drawing("a.cdw", 13));
    T_Page_List pages;
    ASSERT_TRUE(exporter->Get_Page_List(doc, pages));
    ASSERT_EQ(pages.Count(), 13);
    EXPECT_EQ(pages[0].File_Name, "");
    EXPECT_EQ(Exports(), 0u); // opening exports nothing

    std::string prefix = dir / "a.cdw_l";
    std::string error = "stale";
    ASSERT_TRUE(exporter->Export_Pages(doc, prefix, 12, error, true));
    EXPECT_EQ(error, "");
    // The list handed out earlier shares the record that the export filled.
    EXPECT_EQ(pages[12].File_Name, prefix + "_page_12.png");
    EXPECT_EQ(test::Read_File(pages[12].File_Name), Tiny_Png);

    ASSERT_TRUE(exporter->Export_Pages(doc, prefix, 12, error, true));
    EXPECT_EQ(Exports(), 1u);

    std::filesystem::remove(pages[12].File_Name);
    ASSERT_TRUE(exporter->Export_Pages(doc, prefix, 12, error, true));
    EXPECT_EQ(Exports(), 2u);
    EXPECT_TRUE(os::File_Exists(prefix + "_page_12.png"));

    // Without reuse the page is written again.
    ASSERT_TRUE(exporter->Export_Pages(doc, prefix, 12, error, false));
    EXPECT_EQ(Exports(), 3u);
}

TEST_F(Exporter, InvalidDocumentsAndPagesAskNothingOfTheServer)
{
    int doc = Open(Drawing("a.vsd", 2));
    size_t calls = server.Log->size();
    std::string error;
    T_Page_List pages;
    for (int bad_doc : {-1, 1, 7}) {
        EXPECT_FALSE(exporter->Export_Pages(bad_doc, dir / "x", 0, error, true));
        EXPECT_FALSE(exporter->Get_Page_List(bad_doc, pages));
        EXPECT_EQ(pages.Count(), 0);
        EXPECT_EQ(exporter->Get_Page_ID(bad_doc, 0), -1);
    }
    // A page index at the page count, and below -1.
    EXPECT_EQ(exporter->Get_Page_ID(doc, 1), 10);
    EXPECT_EQ(exporter->Get_Page_ID(doc, 2), -1);
    EXPECT_FALSE(exporter->Export_Pages(doc, dir / "x", 2, error, true));
    EXPECT_FALSE(exporter->Export_Pages(doc, dir / "x", -2, error, true));
    EXPECT_EQ(error, "");
    EXPECT_EQ(server.Log->size(), calls);

    // A missing file is refused before the server is asked.
    int index = 5;
    EXPECT_EQ(exporter->Open_Doc(dir / "none.vsd", index, error), T_Open_Result::No_File);
    EXPECT_EQ(index, 5);
    EXPECT_EQ(server.Log->size(), calls);
}

TEST_F(Exporter, ZeroPagesAndTheAllPagesMode)
{
    int empty = Open(Drawing("empty.cdw", 0));
    std::string error;
    EXPECT_FALSE(exporter->Export_Pages(empty, dir / "e", 0, error, true));
    EXPECT_EQ(error, "");
    EXPECT_TRUE(exporter->Export_Pages(empty, dir / "e", -1, error, true));
    EXPECT_EQ(Exports(), 0u);

    // The server reports one page more than the list knows: that page has no
    // record, so it is skipped and the list keeps its length.
    int doc = Open(Drawing("three.cdw", 3));
    auto doc_object = std::static_pointer_cast<test::Fake_Object>(
        exporter->Docs[static_cast<size_t>(doc)].Doc.As_Dispatch());
    auto pages_object =
        std::static_pointer_cast<test::Fake_Object>(doc_object->Get("Pages").As_Dispatch());
    pages_object->Answer("Count", T_Variant::Int32(4));

    EXPECT_TRUE(exporter->Export_Pages(doc, dir / "t", -1, error, true));
    EXPECT_EQ(Exports(), 3u);
    T_Page_List pages;
    ASSERT_TRUE(exporter->Get_Page_List(doc, pages));
    EXPECT_EQ(pages.Count(), 3);
    EXPECT_EQ(pages[2].File_Name, dir / "t_page_2.png");
    EXPECT_FALSE(os::File_Exists(dir / "t_page_3.png"));
}

TEST_F(Exporter, AutomationErrorsBecomeResultsOtherErrorsEscape)
{
    int doc = Open(Drawing("a.cdw", 3));
    server.Fail_Export_Page = 1;
    std::string error;
    EXPECT_FALSE(exporter->Export_Pages(doc, dir / "a", -1, error, true));
    EXPECT_EQ(error, "Export refused");
    T_Page_List pages;
    exporter->Get_Page_List(doc, pages);
    EXPECT_EQ(pages[0].File_Name, dir / "a_page_0.png"); // exported before the error
    EXPECT_EQ(pages[1].File_Name, "");

    int index = -1;
    EXPECT_EQ(exporter->Open_Doc(Drawing("bad.cdw", 1), index, error), T_Open_Result::Ok);
    server.Page_Counts.erase(dir / "bad.cdw");
    EXPECT_EQ(exporter->Open_Doc(dir / "bad.cdw", index, error), T_Open_Result::Automation_Error);
    EXPECT_EQ(error, "Cannot open " + (dir / "bad.cdw"));

    // A refused interface query is a fault of the program, not a result.
    auto doc_object = std::static_pointer_cast<test::Fake_Object>(
        exporter->Docs[static_cast<size_t>(doc)].Doc.As_Dispatch());
    doc_object->Handlers["Export"] = [&](const T_Args&, const T_Named_Args&) -> T_Variant {
        doc_object->Query_Interface({"{AF4E160D-5C89-4F21-B0F2-D53397BDAF78}"});
        return {};
    };
    EXPECT_THROW(exporter->Export_Pages(doc, dir / "a", 2, error, true), T_Interface_Not_Supported);
}

TEST_F(Exporter, DestructionClosesEveryDocumentThenQuits)
{
    int left = Open(Drawing("l.cdw", 2));
    int right = Open(Drawing("r.cdw", 1));
    ASSERT_EQ(left, 0);
    ASSERT_EQ(right, 1);
    T_Page_List kept;
    exporter->Get_Page_List(left, kept);
    server.Log->clear();

    exporter.reset();
    EXPECT_EQ(*server.Log, (std::vector<std::string>{"doc0.Close", "doc1.Close", "app.Quit"}));
    // A page list handed out earlier lives on with its last holder.
    EXPECT_EQ(kept.Count(), 2);
}

TEST(Exporter_Start, FailedStartReportsAndDestructionQuitsNothing)
{
    std::string reported = "none";
    auto exporter = Make_Exporter<Test_Exporter>();
    auto* raw = static_cast<Test_Exporter*>(exporter.get());
    EXPECT_FALSE(exporter->Init([&](const std::string& text) { reported = text; }));
    EXPECT_EQ(reported, "Invalid class string");
    EXPECT_FALSE(raw->Quit_App());
    EXPECT_EQ(raw->Quit_Calls, 1);
    exporter.reset(); // calls Quit_App once more, which has no server to call
}

} // namespace
