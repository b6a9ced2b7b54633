#include "viewer/vcs_diff_pagelist_frame.h"

#include "viewer/page_tab_marks.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

T_Page_List Pages(std::vector<std::pair<const char*, int>> names_and_ids)
{
    T_Page_List list;
    for (auto& [name, id] : names_and_ids)
        list.Items->push_back({name, id, ""});
    return list;
}

void Click_Tab(TDiff_Pagelist_Frame& strip, int index)
{
    QTest::mouseClick(strip.TabControl1, Qt::LeftButton, {},
                      strip.TabControl1->tabRect(index).center());
}

struct Strip_Window {
    Strip_Window()
    {
        Strip.resize(364, 40);
        Strip.On_Page_Change = [this](std::int32_t index) { Calls.push_back(index); };
        Strip.show();
    }
    TDiff_Pagelist_Frame Strip;
    std::vector<std::int32_t> Calls;
};

} // namespace

TEST(Page_Tabs, FillingSelectsTheFirstTabSilentlyAndEachUserChangeIsReportedOnce)
{
    Strip_Window w;
    w.Strip.Fill_Pages(Pages({{"Sheet 1", 0}, {"Sheet 2", 1}, {"Sheet 3", 2}}));
    ASSERT_EQ(w.Strip.TabControl1->count(), 3);
    EXPECT_EQ(w.Strip.TabControl1->tabText(1), QStringLiteral("Sheet 2"));
    EXPECT_EQ(w.Strip.TabControl1->shape(), QTabBar::RoundedSouth);
    EXPECT_EQ(w.Strip.Selected_Index(), 0);
    EXPECT_TRUE(w.Calls.empty());

    w.Strip.Select_Index(0); // already selected
    w.Strip.Select_Index(5); // beyond the tabs
    w.Strip.Select_Index(-1);
    EXPECT_TRUE(w.Calls.empty());
    EXPECT_EQ(w.Strip.Selected_Index(), 0);

    Click_Tab(w.Strip, 2);
    EXPECT_EQ(w.Calls, std::vector<std::int32_t>{2});
    Click_Tab(w.Strip, 2);
    EXPECT_EQ(w.Calls, std::vector<std::int32_t>{2});

    w.Strip.Select_Index(1);
    EXPECT_EQ(w.Calls, (std::vector<std::int32_t>{2, 1}));
    EXPECT_EQ(w.Strip.Selected_Index(), 1);
    EXPECT_EQ(w.Strip.Last_Reported_Index(), 1);
}

TEST(Page_Tabs, SelectPageIdFindsThePageByIdNotByPosition)
{
    Strip_Window w;
    w.Strip.Fill_Pages(Pages({{"A", 10}, {"B", 30}, {"C", 20}}));
    w.Strip.Select_Page_ID(20);
    EXPECT_EQ(w.Calls, std::vector<std::int32_t>{2});
    EXPECT_EQ(w.Strip.Selected_Index(), 2);
    w.Strip.Select_Page_ID(20);
    w.Strip.Select_Page_ID(99);
    EXPECT_EQ(w.Calls, std::vector<std::int32_t>{2});
}

TEST(Page_Tabs, AnEmptyListGivesAVisibleStripThatNeverCallsBack)
{
    Strip_Window w;
    w.Strip.hide();
    w.Strip.Fill_Pages(Pages({}));
    EXPECT_TRUE(w.Strip.isVisible());
    EXPECT_EQ(w.Strip.TabControl1->count(), 0);
    w.Strip.Select_Index(0);
    w.Strip.Select_Page_ID(0);
    EXPECT_TRUE(w.Calls.empty());
}

// Two strips that follow each other by page ID, as the diff view links them:
// a change on one side moves the other once and does not bounce back.
TEST(Page_Tabs, StripsThatFollowEachOtherSettleAfterOneChangeEach)
{
    TDiff_Pagelist_Frame left, right;
    left.Fill_Pages(Pages({{"L0", 0}, {"L1", 1}, {"L2", 2}}));
    right.Fill_Pages(Pages({{"R0", 0}, {"R1", 1}}));
    std::vector<int> left_calls, right_calls;
    left.On_Page_Change = [&](std::int32_t i) {
        left_calls.push_back(i);
        right.Select_Page_ID(left.Page_List()[i].ID);
    };
    right.On_Page_Change = [&](std::int32_t i) {
        right_calls.push_back(i);
        left.Select_Page_ID(right.Page_List()[i].ID);
    };
    left.show();
    right.show();

    Click_Tab(left, 1);
    EXPECT_EQ(left_calls, std::vector<int>{1});
    EXPECT_EQ(right_calls, std::vector<int>{1});
    EXPECT_EQ(right.Selected_Index(), 1);

    Click_Tab(left, 2); // no right page has ID 2
    EXPECT_EQ(left_calls, (std::vector<int>{1, 2}));
    EXPECT_EQ(right_calls, std::vector<int>{1});
    EXPECT_EQ(right.Selected_Index(), 1);
}

TEST(Page_Tabs, TenThousandPagesFillAndMarkEveryTabWithoutReportingAChange)
{
    Strip_Window w;
    T_Page_List pages;
    for (int page = 0; page < 10000; ++page)
        pages.Items->push_back({"Sheet " + std::to_string(page + 1), page, ""});
    w.Strip.Fill_Pages(pages);
    std::vector<T_Page_Match> matches(10000, T_Page_Match::Same);
    matches[9999] = T_Page_Match::Changed;
    std::vector<int> partners(10000);
    for (int page = 0; page < 10000; ++page)
        partners[page] = page;
    Mark_Page_Tabs(*w.Strip.TabControl1, T_Side::Left, matches, std::vector<bool>(10000, false),
                   partners, pages);
    QApplication::processEvents();
    T_Page_Tab_Bar& tabs = *w.Strip.TabControl1;
    ASSERT_EQ(tabs.count(), 10000);
    EXPECT_TRUE(tabs.isVisible());
    EXPECT_EQ(tabs.tabText(9999), QStringLiteral("Sheet 10000"));
    EXPECT_EQ(tabs.currentIndex(), 0);
    EXPECT_TRUE(w.Calls.empty());
    EXPECT_FALSE(tabs.tabIcon(0).isNull());
    EXPECT_EQ(tabs.tabTextColor(9999), QColor(0xC0, 0x78, 0x00));
    // The tabs were laid out with their icons: a marked tab is wider than
    // its text alone.
    EXPECT_GT(tabs.tabRect(1).width(), tabs.fontMetrics().horizontalAdvance(tabs.tabText(1)) + 10);
    w.Strip.Select_Page_ID(7777);
    EXPECT_EQ(w.Calls, std::vector<std::int32_t>{7777});
}
