// Finding text in a PDF pair's pages (Ctrl+F): occurrences on both sides,
// outlined in their panes, the change holding one made the current change,
// pages switched to reach one on another page, and what the bar says when
// nothing is found or the pair has no text; and the change regions' text
// told by a tooltip in the panes.
#include "tests/pdf/test_pdf_writer.h"
#include "viewer/change_list.h"
#include "viewer/change_list_rows.h"
#include "tests/diff_view_support.h"
#include "viewer/find_bar.h"
#include "viewer/page_text_search.h"
#include "viewer/region_text_tips.h"
#include "tests/viewer/square_pages.h"
#include "tests/test_support.h"
#include "viewer/u_pane_image.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "tests/viewer/view_test_support.h"
#include "pdf/document_worker.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using test::Wait_For;

using test::Text_Page;

class Find_Text : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    std::string Pdf(const std::string& name, const std::vector<test::Pdf_Page>& pages)
    {
        return test::Write_Pdf(dir / name, pages);
    }
    // The view with its change list, once the differences are known.
    void Open(const std::string& left, const std::string& right, T_Paged_Kind paged)
    {
        list.reset();
        frame = std::make_unique<TView_diff_frame>(nullptr, left, "Base version", right, "",
                                                   nullptr, T_Converter_Kind::None, paged);
        list = std::make_unique<T_Change_List>(frame->Context(), nullptr);
        frame->resize(1000, 700);
        frame->show();
        ASSERT_TRUE(Wait_For([&] { return frame->Differences() != nullptr; }, 30000));
    }
    T_Find_Bar& Bar() const { return *frame->Find_Bar(); }
    QLineEdit& Field() const { return *test::Find<QLineEdit>(*frame, "Find_E"); }
    // Opens the bar as Ctrl+F does and types Text into it; the pages are
    // read off the window's thread, and what they hold is shown once read.
    void Find(const QString& text)
    {
        test::Find_Action(*frame, "Find_A")->trigger();
        Field().clear();
        QTest::keyClicks(&Field(), text);
        EXPECT_TRUE(Wait_For([&] { return !Bar().Searching(); }, 30000)) << "no answer";
    }
    const std::vector<QRect>& Outlined(const char* pane) const
    {
        return test::Find_Pane(*frame, pane)->Image1->Found_Boxes();
    }
    // The new text of the change list's selected row: the change made current.
    std::string Selected_New_Text() const
    {
        // The rows' text is read off the window's thread.
        if (!QTest::qWaitFor([&] { return !list->Reading_Texts(); }, 10000))
            return "(text not read)";
        QTreeWidgetItem* row = list->Rows()->currentItem();
        return row ? row->text(int(T_Change_Column::New_Text)).toStdString() : "(no row)";
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    std::unique_ptr<TView_diff_frame> frame;
    std::unique_ptr<T_Change_List> list; // declared after the view: it goes first
};

} // namespace

TEST(Page_Text_Search, FindsEveryOccurrenceIgnoringCaseAcrossWordsWithTheWordsBoxes)
{
    const T_Page_Words page{true,
                            {{"Length", 10, 10, 60, 30},
                             {"5600", 70, 12, 110, 32},
                             {"mm", 120, 10, 140, 30},
                             {"length", 10, 100, 60, 120}}};
    const std::vector<T_Rectangle> lengths = Find_On_Page(page, QStringLiteral("LENGTH"));
    ASSERT_EQ(lengths.size(), 2u);
    EXPECT_EQ(lengths[1].Top, 100);
    // Two words: one box over both; part of a word outlines the whole word.
    const std::vector<T_Rectangle> span = Find_On_Page(page, QStringLiteral("600  mm"));
    ASSERT_EQ(span.size(), 1u);
    EXPECT_EQ(span[0].Left, 70);
    EXPECT_EQ(span[0].Left + span[0].Width, 140);
    EXPECT_EQ(span[0].Top, 10);
    EXPECT_EQ(span[0].Top + span[0].Height, 32);
    EXPECT_TRUE(Find_On_Page(page, QStringLiteral("5650")).empty());
    EXPECT_TRUE(Find_On_Page(page, QStringLiteral("  ")).empty());
}

TEST_F(Find_Text, FindingTheNewTextMakesTheChangeHoldingItCurrentAndOutlinesIt)
{
    // Two changes: the dimension, and a box added far from it.
    Open(Pdf("old.pdf", {Text_Page("5600")}),
         Pdf("new.pdf", {Text_Page("5650", 100, 700, test::Box(400, 100, 60, 40))}),
         T_Paged_Kind::Pdf);
    ASSERT_EQ(frame->Differences()->Regions.size(), 2u);
    Find(QStringLiteral("5650"));
    ASSERT_EQ(Bar().Hits().size(), 1u);
    const T_Text_Hit& hit = Bar().Hits()[0];
    EXPECT_EQ(hit.Side, T_Side::Right);
    EXPECT_EQ(Bar().Message().toStdString(), "1 of 1");
    // The change list selects the dimension's row, not the box's.
    EXPECT_GE(frame->Current_Change(), 0);
    EXPECT_EQ(Selected_New_Text(), "5650");
    // Outlined in the modified pane only, where it is.
    ASSERT_EQ(Outlined("View_Image_Frame2").size(), 1u);
    EXPECT_EQ(Outlined("View_Image_Frame2")[0].left(), hit.Box.Left);
    EXPECT_TRUE(Outlined("View_Image_Frame1").empty());

    // "56" is on both sides: Enter and F3 step through them and wrap.
    Find(QStringLiteral("56"));
    ASSERT_EQ(Bar().Hits().size(), 2u);
    EXPECT_EQ(Bar().Current_Hit(), 0);
    EXPECT_EQ(Outlined("View_Image_Frame1").size(), 1u);
    EXPECT_EQ(Outlined("View_Image_Frame2").size(), 1u);
    QTest::keyClick(&Field(), Qt::Key_Return);
    EXPECT_EQ(Bar().Current_Hit(), 1);
    test::Find_Action(*frame, "Find_Next_A")->trigger();
    EXPECT_EQ(Bar().Current_Hit(), 0);
    test::Find_Action(*frame, "Find_Previous_A")->trigger();
    EXPECT_EQ(Bar().Current_Hit(), 1);
    EXPECT_EQ(Bar().Message().toStdString(), "2 of 2");
}

TEST_F(Find_Text, TextOnAnotherPageSwitchesToItAndNothingFoundSaysSo)
{
    const std::vector<test::Pdf_Page> old_pages{Text_Page("5600"), Text_Page("Revision A")};
    const std::vector<test::Pdf_Page> new_pages{Text_Page("5600"), Text_Page("Revision B")};
    Open(Pdf("old.pdf", old_pages), Pdf("new.pdf", new_pages), T_Paged_Kind::Pdf);
    EXPECT_EQ(frame->Session().Page(T_Side::Left), 0);
    Find(QStringLiteral("revision b"));
    ASSERT_EQ(Bar().Hits().size(), 1u);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().Page(T_Side::Right), 1);
    // Sync pages brings the base's counterpart along.
    EXPECT_EQ(frame->Session().Page(T_Side::Left), 1);
    EXPECT_EQ(test::Find_Tabs(*frame, "RightTabs")->Selected_Index(), 1);
    EXPECT_EQ(Outlined("View_Image_Frame2").size(), 1u);
    // The change waits for the differences of the page switched to.
    ASSERT_TRUE(Wait_For([&] { return frame->Current_Change() >= 0; }, 30000));
    EXPECT_EQ(Selected_New_Text(), "B");

    Find(QStringLiteral("Revision C"));
    EXPECT_TRUE(Bar().Hits().empty());
    EXPECT_EQ(Bar().Message().toStdString(), "Not found");
    EXPECT_TRUE(Outlined("View_Image_Frame1").empty());
    EXPECT_TRUE(Outlined("View_Image_Frame2").empty());
}

TEST_F(Find_Text, EscapeClosesTheBarNotTheWindowAndPicturesHaveNoText)
{
    const QImage base = test::Paper({200, 100}, {{QRect(20, 20, 30, 30)}});
    const QImage modified = test::Paper({200, 100}, {{QRect(60, 20, 30, 30)}});
    const auto [left, right] = test::Write_Picture_Pair(dir, base, modified, false);
    Open(left, right, T_Paged_Kind::None);
    Find(QStringLiteral("5600"));
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_EQ(Bar().Message().toStdString(), "No text layer");
    EXPECT_TRUE(Bar().Hits().empty());
    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(Find_Text, AnOutlinedRegionTellsItsTextOnEachSide)
{
    Open(Pdf("old.pdf", {Text_Page("5600")}), Pdf("new.pdf", {Text_Page("5650")}),
         T_Paged_Kind::Pdf);
    ASSERT_EQ(frame->Differences()->Regions.size(), 1u);
    const T_Difference& difference = *frame->Differences();
    const T_Change_Region& region = difference.Regions[0];
    TPane_Image& image = *test::Find_Pane(*frame, "View_Image_Frame1")->Image1;
    const QRect draw = image.Draw_Rect();
    const double scale = image.Zoom();
    auto at = [&](double x, double y) {
        return QPoint(int(draw.left() + x * scale), int(draw.top() + y * scale));
    };
    const QPoint inside = at(region.Left + difference.Left + region.Width / 2.0,
                             region.Top + difference.Top + region.Height / 2.0);
    T_Region_Text_Tips& tips = *frame->Region_Tips();
    // Not outlined: no tip.
    test::Find<QCheckBox>(*frame, "Show_Changes_C")->setChecked(false);
    ASSERT_LT(frame->Current_Change(), 0);
    EXPECT_TRUE(tips.Tip_At(image, inside).isEmpty());
    test::Find<QCheckBox>(*frame, "Show_Changes_C")->setChecked(true);
    // The text is read off the window's thread: until it is there, the tip
    // says so.
    EXPECT_EQ(tips.Tip_At(image, inside).toStdString(), "reading text ...");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tips.Tip_At(image, inside) != QStringLiteral("reading text ..."); }, 10000));
    EXPECT_EQ(tips.Tip_At(image, inside).toStdString(), "Old text: 5600\nNew text: 5650");
    EXPECT_TRUE(tips.Tip_At(image, at(5, 5)).isEmpty());
    // The current change is outlined with Show changes off: it has its tip.
    test::Find<QCheckBox>(*frame, "Show_Changes_C")->setChecked(false);
    frame->Show_Change(0);
    EXPECT_EQ(tips.Tip_At(image, image.Draw_Rect().topLeft() +
                                     (inside - draw.topLeft()) * image.Zoom() / scale)
                  .toStdString(),
              "Old text: 5600\nNew text: 5650");
}

TEST_F(Find_Text, TheBarAnswersWhileTheDocumentWorkerIsBusyAndTheNewestSearchWins)
{
    Open(Pdf("old.pdf", {Text_Page("5600")}),
         Pdf("new.pdf", {Text_Page("5650", 100, 700, test::Box(400, 100, 60, 40))}),
         T_Paged_Kind::Pdf);
    // Another thread holds the document worker until it is let go.
    std::atomic<bool> holding{false}, release{false};
    std::thread busy([&] {
        On_Document_Worker([&] {
            holding = true;
            while (!release)
                std::this_thread::yield();
        });
    });
    ASSERT_TRUE(Wait_For([&] { return holding.load(); }, 10000));
    test::Find_Action(*frame, "Find_A")->trigger();
    QTest::keyClicks(&Field(), QStringLiteral("5650"));
    // The typing returned: the bar waits for its pages without the window.
    EXPECT_TRUE(Bar().Searching());
    EXPECT_TRUE(Bar().Hits().empty());
    bool ticked = false;
    QTimer::singleShot(0, [&] { ticked = true; });
    EXPECT_TRUE(Wait_For([&] { return ticked; }, 5000));
    // A newer query takes the place of the one waiting.
    Field().setText(QStringLiteral("56"));
    EXPECT_TRUE(Bar().Searching());
    release = true;
    busy.join();
    ASSERT_TRUE(Wait_For([&] { return !Bar().Searching(); }, 30000));
    EXPECT_EQ(Bar().Hits().size(), 2u);
    EXPECT_EQ(Bar().Message().toStdString(), "1 of 2");
    EXPECT_EQ(Outlined("View_Image_Frame1").size(), 1u);
}
