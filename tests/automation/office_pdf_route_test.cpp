// Drawings that LibreOffice opens, drawn from one PDF per drawing: the
// drawing's page count and page names, pages at the office's export
// resolution with a text layer, the text of a changed label in the
// comparison's regions, and a failed PDF export told in plain words.
#include "automation/posix/office_bridge_registration.h"
#include "viewer/change_list.h"
#include "viewer/change_list_rows.h"
#include "pdf/document_exporters.h"
#include "tests/automation/fake_office_servers.h"
#include "automation/office_bridge_server.h"
#include "tests/automation/office_processes.h"
#include "session/pair_pipeline.h"
#include "pdf/pdf_exporter.h"
#include "imaging/page_store.h"
#include "tests/test_support.h"
#include "imaging/u_image_load.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"

#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

class Office_Pdf_Route : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        ASSERT_TRUE(Register_Office_Bridge_Servers(VARNOLT_OFFICE_HELPER));
        exporter = Create_Document_Exporter(T_Paged_Kind::Visio);
        ASSERT_TRUE(exporter && exporter->Init({}));
    }
    void TearDown() override
    {
        exporter.reset();
        Unregister_Automation_Server("Visio.InvisibleApp");
        Unregister_Automation_Server("Word.Application");
    }

    int Open(const std::string& file, std::string& error)
    {
        int index = -1;
        return exporter->Open_Doc(file, index, error) == T_Open_Result::Ok ? index : -1;
    }
    Names Page_Names(int doc)
    {
        T_Page_List pages;
        exporter->Get_Page_List(doc, pages);
        Names names;
        for (int page = 0; page < pages.Count(); ++page)
            names.push_back(pages[page].Name);
        return names;
    }

    // A copy of `sample` with the first `from` replaced by `to`.
    void Write_Changed(const std::string& sample, const std::string& file, const std::string& from,
                       const std::string& to)
    {
        std::string text = test::Read_File(sample);
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        test::Write_File(file, text);
    }

    // The pairs of pages the pipeline compares, with their region texts.
    std::vector<T_Compared_Pair> Compare(const std::string& old_file, const std::string& new_file,
                                         T_Pair_Outcome& outcome)
    {
        std::vector<T_Compared_Pair> pages;
        T_Pair_Settings settings;
        settings.Make_Exporter = Create_Document_Exporter;
        settings.On_Pair = [&](const T_Compared_Pair& pair) { pages.push_back(pair); };
        outcome = Compare_Pair(old_file, new_file, old_file, new_file, settings);
        return pages;
    }

    // A DXF plan with a line and a label, and the same plan relabelled from
    // "PUMP ROOM" to "BOILER ROOM".
    static void Write_Dxf_Pair(const std::string& old_file, const std::string& new_file)
    {
        auto dxf = [](const std::string& label) {
            return "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n200\n20\n"
                   "100\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n"
                   "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n200\n21\n100\n"
                   "0\nTEXT\n8\n0\n10\n20\n20\n60\n40\n12\n1\n" +
                   label + "\n0\nENDSEC\n0\nEOF\n";
        };
        test::Write_File(old_file, dxf("PUMP ROOM"));
        test::Write_File(new_file, dxf("BOILER ROOM"));
    }

    // Every region's old and new text of a compared page pair, joined.
    static std::pair<std::string, std::string> Region_Texts(const T_Compared_Pair& pair)
    {
        std::pair<std::string, std::string> texts;
        if (pair.Text)
            for (const T_Region_Text& region : pair.Text->Regions) {
                texts.first += region.Old_Text + "|";
                texts.second += region.New_Text + "|";
            }
        return texts;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    std::unique_ptr<T_Base_Multipage_Wrapper> exporter;
};

TEST_F(Office_Pdf_Route, ADrawingIsDrawnFromOnePdfWithItsPageNamesAndText)
{
    std::string error;
    const int vsd = Open(VARNOLT_TEST_DATA "/office/tdf76829-datetime-format.vsd", error);
    ASSERT_GE(vsd, 0) << error;
    EXPECT_EQ(Page_Names(vsd), (Names{"Zeichenblatt-1", "VHintergrund"}));
    // No PDF is written before a page is wanted.
    EXPECT_EQ(exporter->Text_Layer_File(vsd), "");

    ASSERT_TRUE(exporter->Export_Pages(vsd, dir / "v", -1, error, false)) << error;
    const std::string pdf = exporter->Text_Layer_File(vsd);
    EXPECT_EQ(pdf, dir / "v.pdf");
    EXPECT_TRUE(Is_Pdf_File(pdf));
    T_Page_List pages;
    exporter->Get_Page_List(vsd, pages);
    ASSERT_EQ(pages.Count(), 2);
    for (int page = 0; page < 2; ++page) {
        EXPECT_EQ(pages[page].File_Name, dir / ("v_page_" + std::to_string(page) + ".png"));
        EXPECT_TRUE(exporter->Page_Store(vsd)->Is_Kept(page));
    }

    // An A4 page (595 x 842 points) comes out at 150 dpi.
    const int vsdx = Open(VARNOLT_TEST_DATA "/office/test1.vsdx", error);
    ASSERT_GE(vsdx, 0) << error;
    ASSERT_TRUE(exporter->Export_Pages(vsdx, dir / "t1", 0, error, false)) << error;
    exporter->Get_Page_List(vsdx, pages);
    T_Loaded_Picture page = Load_Drawn_Or_Decoded(exporter->Page_Store(vsdx), pages[0].File_Name);
    ASSERT_EQ(page.Result, T_Picture_Load_Result::Loaded);
    EXPECT_EQ(page.Image.width(), 1240);
    EXPECT_EQ(page.Image.height(), 1753);
    // Its shapes are counted, so a page drawn blank would show as undrawn.
    EXPECT_GT(pages[0].Content, 0);

    // Closing removes the PDF.
    EXPECT_TRUE(exporter->Close_Doc(vsd));
    EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(Office_Pdf_Route, AChangedLabelOfAVisioDrawingHasItsOldAndNewText)
{
    const std::string old_file = dir / "flow v1.vdx", new_file = dir / "flow v2.vdx";
    fs::copy_file(VARNOLT_TEST_DATA "/office/RetrievePageInfo.vdx", old_file);
    ASSERT_NO_FATAL_FAILURE(Write_Changed(old_file, new_file, "Cost Analysis", "Cost Review"));

    T_Pair_Outcome outcome;
    std::vector<T_Compared_Pair> pages = Compare(old_file, new_file, outcome);
    EXPECT_EQ(outcome.Verdict, T_Verdict::Different) << outcome.Error;
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].Old_Page, "Flow 1");
    EXPECT_EQ(pages[0].Result, T_Verdict::Different);
    ASSERT_TRUE(pages[0].Text && pages[0].Text->Available());
    const auto [old_text, new_text] = Region_Texts(pages[0]);
    EXPECT_NE(old_text.find("Analysis"), std::string::npos) << old_text;
    EXPECT_NE(new_text.find("Review"), std::string::npos) << new_text;
    EXPECT_EQ(pages[1].Result, T_Verdict::Identical);
    // The comparison's office is gone with it; only the fixture's is left.
    exporter.reset();
    EXPECT_EQ(test::Processes_Mentioning(Temp_Dir()), std::vector<pid_t>{});
}

TEST_F(Office_Pdf_Route, AChangedTextOfADxfDrawingHasItsOldAndNewText)
{
    const std::string old_file = dir / "plan v1.dxf", new_file = dir / "plan v2.dxf";
    Write_Dxf_Pair(old_file, new_file);

    T_Pair_Outcome outcome;
    std::vector<T_Compared_Pair> pages = Compare(old_file, new_file, outcome);
    EXPECT_EQ(outcome.Verdict, T_Verdict::Different) << outcome.Error;
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_TRUE(pages[0].Text && pages[0].Text->Available());
    const auto [old_text, new_text] = Region_Texts(pages[0]);
    EXPECT_NE(old_text.find("PUMP"), std::string::npos) << old_text;
    EXPECT_NE(new_text.find("BOILER"), std::string::npos) << new_text;
}

// The window's change list tells the text of the changed label.
TEST_F(Office_Pdf_Route, TheChangeListOfADrawingGivesTheRegionsText)
{
    const std::string old_file = dir / "plan v1.dxf", new_file = dir / "plan v2.dxf";
    Write_Dxf_Pair(old_file, new_file);
    TView_diff_frame frame(nullptr, old_file, "Base version", new_file, "", nullptr,
                           T_Converter_Kind::None, T_Paged_Kind::Visio);
    T_Change_List list(frame.Context(), nullptr);
    frame.resize(1000, 700);
    frame.show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return frame.Differences() && !frame.Differences()->Regions.empty(); }, 60000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.Reading_Texts(); }, 60000));
    QTreeWidget& rows = *list.Rows();
    ASSERT_GT(rows.topLevelItemCount(), 0);
    EXPECT_FALSE(rows.isColumnHidden(int(T_Change_Column::Old_Text)));
    std::string old_text, new_text;
    for (int row = 0; row < rows.topLevelItemCount(); ++row) {
        old_text += rows.topLevelItem(row)->text(int(T_Change_Column::Old_Text)).toStdString();
        new_text += rows.topLevelItem(row)->text(int(T_Change_Column::New_Text)).toStdString();
    }
    EXPECT_NE(old_text.find("PUMP"), std::string::npos) << old_text;
    EXPECT_NE(new_text.find("BOILER"), std::string::npos) << new_text;
}

TEST_F(Office_Pdf_Route, AFailedPdfExportIsToldInPlainWordsAndTheDrawingStaysOpen)
{
    std::string error;
    const int doc = Open(VARNOLT_TEST_DATA "/office/test1.vsdx", error);
    ASSERT_GE(doc, 0) << error;
    // The office cannot write the PDF where a folder of that name stands.
    fs::create_directory(dir / "t1.pdf");
    test::Write_File(dir / "t1.pdf/kept", "");
    EXPECT_FALSE(exporter->Export_Pages(doc, dir / "t1", 0, error, false));
    EXPECT_NE(error.find("LibreOffice could not write"), std::string::npos) << error;
    for (const char* office_text : {"com.sun.star", "Exception", "SfxBaseModel", "0x"})
        EXPECT_EQ(error.find(office_text), std::string::npos) << error;
    EXPECT_EQ(exporter->Text_Layer_File(doc), "");

    // Once the way is clear the pages are drawn.
    fs::remove_all(dir / "t1.pdf");
    ASSERT_TRUE(exporter->Export_Pages(doc, dir / "t1", -1, error, false)) << error;
    T_Page_List pages;
    exporter->Get_Page_List(doc, pages);
    EXPECT_EQ(pages.Count(), 3);
    EXPECT_TRUE(exporter->Page_Store(doc)->Is_Kept(2));
}

// A server's PDF export that fails is a failure in the server's words, with
// no page passed off as drawn; a server that has no PDF export at all has its
// pages exported one by one, without a text layer.
TEST(Office_Pdf_Route_Server, AFailedPdfExportFailsAndAServerWithoutOneExportsPages)
{
    Prepare_Temp_Folder();
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    const std::string failing = dir / "a.vsd", plain = dir / "b.vsd";
    test::Write_File(failing, "drawing a");
    test::Write_File(plain, "drawing b");
    test::Fake_Visio server;
    test::Server_Registration registration("Visio.InvisibleApp", [&] { return server.Make_App(); });
    auto exporter = Create_Document_Exporter(T_Paged_Kind::Visio);
    ASSERT_TRUE(exporter->Init({}));
    int a = -1, b = -1;
    std::string error;
    ASSERT_EQ(exporter->Open_Doc(failing, a, error), T_Open_Result::Ok) << error;
    ASSERT_EQ(exporter->Open_Doc(plain, b, error), T_Open_Result::Ok) << error;
    server.Docs.at(0)->Handlers["ExportAsFixedFormat"] = [](const T_Args&,
                                                            const T_Named_Args&) -> T_Variant {
        throw T_Server_Exception("The disk is full");
    };

    EXPECT_FALSE(exporter->Export_Pages(a, dir / "a", 0, error, false));
    EXPECT_EQ(error, "The disk is full");
    T_Page_List pages;
    exporter->Get_Page_List(a, pages);
    EXPECT_EQ(pages[0].File_Name, "");
    EXPECT_FALSE(fs::exists(dir / "a_page_0.png"));

    ASSERT_TRUE(exporter->Export_Pages(b, dir / "b", 0, error, false)) << error;
    exporter->Get_Page_List(b, pages);
    EXPECT_EQ(pages[0].File_Name, dir / "b_page_0.png");
    EXPECT_TRUE(fs::exists(dir / "b_page_0.png"));
    EXPECT_EQ(exporter->Text_Layer_File(b), "");

    // Each document is closed once, then the server quits.
    const size_t from = server.Trace->size();
    exporter.reset();
    EXPECT_EQ(
        test::Calls_Since(server.Trace, from),
        (std::vector<std::string>{"doc0.Close call()", "doc1.Close call()", "visio.Quit call()"}));
}

} // namespace
