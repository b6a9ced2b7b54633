// The page tab row as a screen reader reads it, through Qt's accessibility
// interfaces: one page tab per page with its label, its state and whether
// it is the current one, and a page chosen by the reader's action.
#include "viewer/page_tab_bar.h"
#include "viewer/page_tab_marks.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

T_Page_List Pages(int Count)
{
    T_Page_List pages;
    for (int page = 0; page < Count; ++page)
        pages.Items->push_back({"Sheet " + std::to_string(page + 1), page, ""});
    return pages;
}

// The accessible tab Index of Row, or a failed expectation.
QAccessibleInterface* Tab(QAccessibleInterface& Row, int Index)
{
    QAccessibleInterface* tab = Row.child(Index);
    EXPECT_NE(tab, nullptr) << "no tab " << Index;
    return tab;
}

} // namespace

TEST(Page_Tab_Accessibility, EveryPageIsATabNamedByItsLabelAndDescribedByItsState)
{
    // Hundreds of pages, so the row scrolls and most tabs are out of view.
    constexpr int count = 300;
    T_Page_Tab_Bar tabs;
    QStringList labels;
    for (int page = 0; page < count; ++page)
        labels << QStringLiteral("Sheet %1").arg(page + 1);
    tabs.Append_Tabs(labels);
    std::vector<T_Page_Match> matches(count, T_Page_Match::Unknown);
    std::vector<bool> moved(count, false);
    std::vector<int> partners(count, -1);
    matches[0] = T_Page_Match::Same, partners[0] = 0;
    matches[1] = T_Page_Match::Changed, partners[1] = 1;
    matches[2] = T_Page_Match::Same, partners[2] = 3, moved[2] = true;
    matches[3] = T_Page_Match::Changed, partners[3] = 2, moved[3] = true;
    matches[4] = T_Page_Match::Unpaired;
    Mark_Page_Tabs(tabs, T_Side::Right, matches, moved, partners, Pages(count));
    Mark_Undrawn_Page(tabs, 5, QStringLiteral("The page came out blank"));
    tabs.resize(300, tabs.sizeHint().height());
    tabs.show();
    QApplication::processEvents();

    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(&tabs);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->role(), QAccessible::PageTabList);
    ASSERT_EQ(row->childCount(), count);
    const std::vector<std::pair<int, const char*>> states = {{0, "identical"},
                                                             {1, "changed"},
                                                             {2, "moved from 4"},
                                                             {3, "moved from 3, changed"},
                                                             {4, "added"},
                                                             {5, "could not be drawn"},
                                                             {6, ""}};
    for (const auto& [index, state] : states) {
        QAccessibleInterface* tab = Tab(*row, index);
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->role(), QAccessible::PageTab);
        EXPECT_EQ(tab->text(QAccessible::Name), QStringLiteral("Sheet %1").arg(index + 1));
        EXPECT_EQ(tab->text(QAccessible::Description), QString::fromLatin1(state)) << index;
        EXPECT_EQ(tab->parent(), row);
        EXPECT_EQ(row->indexOfChild(tab), index);
    }
    // The same interface each time: a reader keeps references to them.
    EXPECT_EQ(row->child(count - 1), row->child(count - 1));
    EXPECT_EQ(row->child(count), nullptr);
    EXPECT_TRUE(Tab(*row, 0)->state().selected);
    EXPECT_FALSE(Tab(*row, 0)->state().offscreen);
    EXPECT_TRUE(Tab(*row, count - 1)->state().offscreen);
    EXPECT_FALSE(Tab(*row, 1)->state().selected);
    EXPECT_TRUE(Tab(*row, 1)->state().selectable);
}

TEST(Page_Tab_Accessibility, AReaderSelectsAPageAndTheFocusFollows)
{
    T_Page_Tab_Bar tabs;
    tabs.Append_Tabs(
        {QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3"), QStringLiteral("A4")});
    std::vector<int> changes;
    tabs.On_Current_Changed = [&](int index) { changes.push_back(index); };
    tabs.resize(300, tabs.sizeHint().height());
    tabs.show();
    QApplication::processEvents();
    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(&tabs);
    ASSERT_NE(row, nullptr);

    QAccessibleActionInterface* press = Tab(*row, 2)->actionInterface();
    ASSERT_NE(press, nullptr);
    EXPECT_TRUE(press->actionNames().contains(QAccessibleActionInterface::pressAction()));
    press->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(tabs.currentIndex(), 2);
    EXPECT_EQ(changes, std::vector<int>{2});
    EXPECT_TRUE(Tab(*row, 2)->state().selected);
    EXPECT_FALSE(Tab(*row, 0)->state().selected);

    // Focusing a tab selects it and puts the focus in the row.
    tabs.activateWindow();
    Tab(*row, 3)->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(tabs.currentIndex(), 3);
    if (QTest::qWaitFor([&] { return tabs.hasFocus(); }, 2000)) {
        EXPECT_TRUE(Tab(*row, 3)->state().focused);
        EXPECT_EQ(row->focusChild(), Tab(*row, 3));
    }

    // A disabled row (a comparison is running) is not switched.
    tabs.setEnabled(false);
    press->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(tabs.currentIndex(), 3);
}
