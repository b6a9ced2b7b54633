// A Visio pair in the real diff view, through the LibreOffice bridge: page
// tabs with the drawings' own page names, pages paired by name, a real
// comparison, and no office left once the view is closed. The pair
// pipeline and the window on drawings whose page names do not match.
#include "automation/posix/office_bridge_registration.h"
#include "tests/diff_view_support.h"
#include "pdf/document_exporters.h"
#include "session/pair_pipeline.h"
#include "pdf/pdf_exporter.h"
#include "imaging/page_store.h"
#include "automation/office_bridge_server.h"
#include "tests/automation/office_processes.h"
#include "tests/test_support.h"
#include "automation/u_exporters.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

// The side's page shown is still there to be read: in its store, or on disk.
bool Shown_Page_Kept(const TView_diff_frame& frame, T_Side side)
{
    const T_Page_Store* pages = frame.Session().Page_Store(side);
    return pages && pages->Is_Kept(frame.Session().Page(side));
}

Names Tab_Texts(TDiff_Pagelist_Frame* tabs)
{
    Names texts;
    for (int i = 0; i < tabs->TabControl1->count(); ++i)
        texts.push_back(tabs->TabControl1->tabText(i).toStdString());
    return texts;
}

// The office bridge registered for the test, a private temporary folder
// and a folder for the test's drawings.
class Office_Paged_Diff : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        ASSERT_TRUE(Register_Office_Bridge_Servers(VARNOLT_OFFICE_HELPER));
    }
    void TearDown() override
    {
        Unregister_Automation_Server("Visio.InvisibleApp");
        Unregister_Automation_Server("Word.Application");
    }

    // A drawing, and the same drawing with its first page renamed from
    // "Flow 1" to "Ground floor".
    static void Write_Renamed_Pair(const std::string& old_file, const std::string& new_file)
    {
        fs::copy_file(VARNOLT_TEST_DATA "/office/RetrievePageInfo.vdx", old_file);
        std::string drawing = test::Read_File(old_file);
        const std::string name = "Name='Flow 1' NameU='Page-1'";
        ASSERT_NE(drawing.find(name), std::string::npos);
        drawing.replace(drawing.find(name), name.size(),
                        "Name='Ground floor' NameU='Ground floor'");
        test::Write_File(new_file, drawing);
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

TEST_F(Office_Paged_Diff, AVisioPairOpensWithTabsComparesAndLeavesNoOffice)
{
    std::string left = dir / "drawing v1.vsdx";
    std::string right = dir / "drawing v2.vsdx";
    fs::copy_file(VARNOLT_TEST_DATA "/office/test1.vsdx", left);
    fs::copy_file(VARNOLT_TEST_DATA "/office/test2.vsdx", right);

    auto frame = std::make_unique<TView_diff_frame>(
        nullptr, left, "Base version", right, "", [](QObject*) {}, T_Converter_Kind::None,
        T_Paged_Kind::Visio);
    frame->resize(1000, 700);
    frame->show();
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(Tab_Texts(test::Find_Tabs(*frame, "LeftTabs")),
              (Names{"Page-1", "Page-2", "Page-3"}));
    EXPECT_EQ(Tab_Texts(test::Find_Tabs(*frame, "RightTabs")),
              (Names{"Page-1", "Page-2", "Page-3"}));
    // Pages drawn from the drawings' PDFs are held in memory until read.
    EXPECT_TRUE(Shown_Page_Kept(*frame, T_Side::Left));
    EXPECT_TRUE(Shown_Page_Kept(*frame, T_Side::Right));
    EXPECT_TRUE(Is_Pdf_File(frame->Session().Text_Layer_File(T_Side::Left)));

    // "Page-3" has a different Visio page ID in each file; the bridge pairs
    // pages by name, so Sync pages still finds it.
    ASSERT_TRUE(test::Find_Action(*frame, "Sync_Pages_A")->isChecked());
    test::Choose_Page(*frame, "LeftTabs", 2);
    EXPECT_EQ(test::Find_Tabs(*frame, "RightTabs")->Selected_Index(), 2);
    EXPECT_EQ(frame->Session().RightPage, 2);
    EXPECT_TRUE(Shown_Page_Kept(*frame, T_Side::Right));

    test::Find_Action(*frame, "Compare_A")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->Is_Running(); }, 30000));
    EXPECT_TRUE(frame->Compared_Shown());
    EXPECT_TRUE(messages.Messages.empty());

    frame.reset();
    EXPECT_EQ(test::Processes_Mentioning(Temp_Dir()), std::vector<pid_t>{});
}

// A page renamed between two revisions of a drawing finds its counterpart
// by what it shows; pages of another drawing pair by their places, as
// nothing else tells what became of them, and differ.
TEST_F(Office_Paged_Diff, ARenamedPageIsPairedByWhatItShows)
{
    const std::string old_file = dir / "flow v1.vdx", new_file = dir / "flow v2.vdx";
    ASSERT_NO_FATAL_FAILURE(Write_Renamed_Pair(old_file, new_file));

    std::vector<T_Compared_Pair> pages;
    T_Pair_Settings settings;
    settings.Make_Exporter = Create_Document_Exporter;
    settings.On_Pair = [&](const T_Compared_Pair& pair) { pages.push_back(pair); };
    T_Pair_Outcome renamed = Compare_Pair(old_file, new_file, old_file, new_file, settings);
    EXPECT_EQ(renamed.Verdict, T_Verdict::Identical) << renamed.Error;
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].Old_Page, "Flow 1");
    EXPECT_EQ(pages[0].New_Page, "Ground floor");
    EXPECT_EQ(pages[0].Result, T_Verdict::Identical);

    // Another drawing altogether.
    pages.clear();
    const std::string other = dir / "other.vsdx";
    fs::copy_file(VARNOLT_TEST_DATA "/office/test1.vsdx", other);
    EXPECT_EQ(Compare_Pair(other, new_file, other, new_file, settings).Verdict,
              T_Verdict::Different);
    ASSERT_EQ(pages.size(), 3u);
    for (const T_Compared_Pair& page : pages)
        EXPECT_NE(page.Result, T_Verdict::Identical) << page.Old_Page << " / " << page.New_Page;
    EXPECT_EQ(test::Processes_Mentioning(Temp_Dir()), std::vector<pid_t>{});
}

// The same renamed page in the window: paired by what it shows in the
// background, marked on its tab, and followed by the synced switch; both
// offices are gone once the view is closed.
TEST_F(Office_Paged_Diff, TheWindowPairsARenamedPageByWhatItShows)
{
    const std::string old_file = dir / "flow v1.vdx", new_file = dir / "flow v2.vdx";
    ASSERT_NO_FATAL_FAILURE(Write_Renamed_Pair(old_file, new_file));

    auto frame = std::make_unique<TView_diff_frame>(
        nullptr, old_file, "Base version", new_file, "", [](QObject*) {}, T_Converter_Kind::None,
        T_Paged_Kind::Visio);
    frame->resize(1000, 700);
    frame->show();
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return frame->Session().Content_Pairing() != nullptr; }, 180000));
    const T_Content_Pairing& pairing = *frame->Session().Content_Pairing();
    EXPECT_EQ(pairing.Pairs.Left_To_Right, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(pairing.Left, (std::vector<T_Page_Match>(3, T_Page_Match::Same)));
    T_Page_Tab_Bar* left = test::Find_Tabs(*frame, "LeftTabs")->TabControl1;
    EXPECT_EQ(left->tabToolTip(0).toStdString(),
              "The same as page \"Ground floor\" of the modified version");

    test::Choose_Page(*frame, "RightTabs", 1);
    ASSERT_EQ(frame->Session().LeftPage, 1);
    left->setCurrentIndex(0);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().RightPage, 0);
    EXPECT_TRUE(messages.Messages.empty());

    frame.reset();
    EXPECT_EQ(test::Processes_Mentioning(Temp_Dir()), std::vector<pid_t>{});
}

} // namespace
