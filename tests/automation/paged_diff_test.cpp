// A paged drawing pair in the real diff view with the fake KOMPAS and Visio:
// the server starts, both documents open, pages are exported as the tabs are
// chosen, compared with the real converter, and closing the view closes both
// documents and quits the server.
#include "tests/diff_view_support.h"
#include "tests/automation/fake_office_servers.h"
#include "tests/test_support.h"
#include "automation/u_exporters.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QAction>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Calls = std::vector<std::string>;

class Paged_Diff : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        test::Write_File(left, "left drawing");
        test::Write_File(right, "right drawing");
    }

    std::unique_ptr<TView_diff_frame> Open(T_Paged_Kind paged_kind)
    {
        auto frame = std::make_unique<TView_diff_frame>(
            nullptr, left, "Base version", right, "", [](QObject*) {}, T_Converter_Kind::None,
            paged_kind);
        frame->resize(1000, 700);
        frame->show();
        return frame;
    }

    static std::vector<std::string> Tab_Texts(TDiff_Pagelist_Frame* tabs)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < tabs->TabControl1->count(); ++i)
            texts.push_back(tabs->TabControl1->tabText(i).toStdString());
        return texts;
    }

    // Chooses a tab and waits, within a bound, for a comparison that the
    // switch started to report: the tabs are usable again then.
    static void Click_Tab(TDiff_Pagelist_Frame* tabs, int index)
    {
        tabs->TabControl1->setCurrentIndex(index);
        EXPECT_TRUE(QTest::qWaitFor([tabs] { return tabs->isEnabled(); }, 30000));
        for (QWidget* up = tabs; up; up = up->parentWidget())
            if (auto* view = dynamic_cast<TView_diff_frame*>(up))
                test::Wait_For_Pages(*view);
    }

    // What the session's pages are named after: its own read-only copy of
    // the base, in a folder of its own in the private folder.
    std::string Pages_Named_After(const TView_diff_frame& frame) const
    {
        const std::string copy = frame.Session().LeftFile;
        EXPECT_TRUE(copy.starts_with(Temp_Dir())) << copy;
        EXPECT_EQ(test::Read_File(copy), test::Read_File(left));
        return copy;
    }

    std::string Messages() const
    {
        std::string all;
        for (const test::Recorded_Msg& message : messages.Messages)
            all += message.Text + "\n";
        return all;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    std::string left = dir / "plan.cdw";
    std::string right = dir / "plan_v2.cdw";
};

TEST_F(Paged_Diff, KompasPairRunsFromStartToClose)
{
    test::Fake_Kompas server;
    server.Page_Counts = {{left, 3}, {right, 2}};
    // Pages 0 and 1 have one size on both sides, page 2 of the left another.
    server.Paint = [&](const std::string& file, int page, const std::string& png) {
        test::Write_Png(png, page == 2 ? 140 : 120, 80, file == left ? 30 : 60, 90, 200);
    };
    test::Server_Registration registration("Kompas.Application.5",
                                           [&] { return server.Make_App(); });

    auto frame = Open(T_Paged_Kind::Kompas);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size) << Messages();
    EXPECT_TRUE(messages.Messages.empty()) << Messages();
    // The pages are named after the session's own copy of the base, in the
    // private folder: none lands beside the user's files.
    const std::string pages = Pages_Named_After(*frame);
    EXPECT_EQ(frame->Session().LeftImage, pages + "_l_page_0.png");
    EXPECT_EQ(frame->Session().RightImage, pages + "_r_page_0.png");
    EXPECT_TRUE(fs::exists(pages + "_l_page_0.png"));
    EXPECT_TRUE(fs::exists(pages + "_r_page_0.png"));
    EXPECT_FALSE(fs::exists(left + "_l_page_0.png"));
    EXPECT_EQ(Tab_Texts(test::Find_Tabs(*frame, "LeftTabs")), (Calls{"0", "1", "2"}));
    EXPECT_EQ(Tab_Texts(test::Find_Tabs(*frame, "RightTabs")), (Calls{"0", "1"}));
    ASSERT_EQ(server.Docs.size(), 2u);

    // Sync pages pairs by ID, which for KOMPAS is the position.
    ASSERT_TRUE(test::Find_Action(*frame, "Sync_Pages_A")->isChecked());
    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 1);
    EXPECT_EQ(test::Find_Tabs(*frame, "RightTabs")->Selected_Index(), 1);
    EXPECT_EQ(frame->Session().RightImage, pages + "_r_page_1.png");
    EXPECT_EQ(test::Find_Action(*frame, "Compare_A")->text(), QStringLiteral("Compare images"));
    // No right page has ID 2: only the left side moves.
    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 2);
    EXPECT_EQ(frame->Session().LeftPage, 2);
    EXPECT_EQ(frame->Session().RightPage, 1);
    EXPECT_EQ(test::Find_Action(*frame, "Compare_A")->text(),
              QStringLiteral("Compare images with different sizes"));

    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 1);
    test::Find_Action(*frame, "Compare_A")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->Is_Running(); }, 30000));
    ASSERT_TRUE(frame->Compared_Shown()) << Messages();
    bool compared = false;
    for (auto& entry : fs::directory_iterator(Temp_Dir()))
        compared |= entry.path().string().ends_with(".compared.png");
    EXPECT_TRUE(compared);

    size_t from = server.Trace->size();
    frame.reset();
    EXPECT_EQ(
        test::Calls_Since(server.Trace, from),
        (Calls{"doc0.ksCloseDocument call()", "doc1.ksCloseDocument call()", "kompas.#82 call()"}));
}

TEST_F(Paged_Diff, VisioPagesPairByIdentifierNotPosition)
{
    test::Fake_Visio server;
    server.Layouts = {{left, {{"A", 0}, {"B", 5}}}, {right, {{"B", 5}, {"A", 0}}}};
    test::Server_Registration registration("Visio.InvisibleApp", [&] { return server.Make_App(); });

    auto frame = Open(T_Paged_Kind::Visio);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size) << Messages();
    EXPECT_EQ(Tab_Texts(test::Find_Tabs(*frame, "RightTabs")), (Calls{"B", "A"}));

    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 1); // ID 5: the right document's first page
    EXPECT_EQ(test::Find_Tabs(*frame, "RightTabs")->Selected_Index(), 0);
    EXPECT_EQ(frame->Session().RightPage, 0);
    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 0); // ID 0: the right document's second page
    EXPECT_EQ(frame->Session().RightPage, 1);
    EXPECT_EQ(frame->Session().RightImage, Pages_Named_After(*frame) + "_r_page_1.png");
    EXPECT_TRUE(messages.Messages.empty()) << Messages();

    size_t from = server.Trace->size();
    frame.reset();
    EXPECT_EQ(test::Calls_Since(server.Trace, from),
              (Calls{"doc0.Close call()", "doc1.Close call()", "visio.Quit call()"}));
}

TEST_F(Paged_Diff, ASyncedPageSwitchDrawsEachSideOnceAndComparesOnce)
{
    test::Fake_Kompas server;
    server.Page_Counts = {{left, 3}, {right, 3}};
    std::vector<std::string> painted;
    server.Paint = [&](const std::string& file, int page, const std::string& png) {
        painted.push_back(png);
        test::Write_Png(png, 120, 80, file == left ? 30 : 60, 90, 200);
    };
    test::Server_Registration registration("Kompas.Application.5",
                                           [&] { return server.Make_App(); });
    auto frame = Open(T_Paged_Kind::Kompas);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size) << Messages();
    test::Find_Action(*frame, "Compare_A")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->Is_Running(); }, 30000));
    ASSERT_TRUE(frame->Compared_Shown()) << Messages();
    auto compared_images = [] {
        int count = 0;
        for (auto& entry : fs::directory_iterator(Temp_Dir()))
            count += entry.path().string().ends_with(".compared.png");
        return count;
    };
    const int compared_before = compared_images();
    painted.clear();

    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 2);
    // The right side followed without switching back and forth: each page
    // was drawn once, and one compared image was made for the new pair.
    std::sort(painted.begin(), painted.end());
    const std::string pages = Pages_Named_After(*frame);
    EXPECT_EQ(painted, (Calls{pages + "_l_page_2.png", pages + "_r_page_2.png"}));
    EXPECT_EQ(test::Find_Tabs(*frame, "RightTabs")->Selected_Index(), 2);
    EXPECT_EQ(compared_images(), compared_before + 1);
    // The panes show the pictures the model holds, not pictures read back.
    for (auto [side, name] : {std::pair{T_Side::Left, "View_Image_Frame1"},
                              std::pair{T_Side::Right, "View_Image_Frame2"}})
        EXPECT_EQ(test::Find_Pane(*frame, name)->Image1->Picture().cacheKey(),
                  frame->Model().Picture(side).Image.cacheKey())
            << name;
    EXPECT_TRUE(messages.Messages.empty()) << Messages();
}

// Without a drawing server: on Windows Visio itself is missing; elsewhere
// the package with LibreOffice's helper is, and the message says to install
// it.
std::string Visio_Missing_Message()
{
#ifdef _WIN32
    return "MS Visio is not found! You need the MS Visio installed to use this function for "
           "this type of documents.";
#else
    return "Visio, DXF and Word files are opened with LibreOffice through the package "
           "varnolt-office, which is not installed.\r\nInstall it, with LibreOffice Draw and "
           "Writer: sudo apt install varnolt-office";
#endif
}

TEST_F(Paged_Diff, WithoutTheServerTheViewSaysSoAndOpensNothing)
{
    for (T_Paged_Kind kind : {T_Paged_Kind::Visio, T_Paged_Kind::Kompas}) {
        messages.Messages.clear();
        auto frame = Open(kind);
        EXPECT_EQ(frame->ViewMode(), T_View_Mode::None);
        ASSERT_EQ(messages.Messages.size(), 1u);
        EXPECT_EQ(messages.Messages[0].Text, kind == T_Paged_Kind::Visio
                                                 ? Visio_Missing_Message()
                                                 : "Kompas is not found! You need the Kompas "
                                                   "installed to use this function for this type "
                                                   "of documents.");
    }
}

} // namespace
