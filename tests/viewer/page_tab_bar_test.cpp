#include "viewer/page_tab_bar.h"
#include "viewer/page_tab_layout.h"

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <vector>

TEST(Page_Tab_Layout, FindsTheTabUnderAPointAcrossTheWholeRow)
{
    T_Page_Tab_Layout layout;
    layout.Set_Widths({10, 0, 5, 20});
    EXPECT_EQ(layout.Total(), 35);
    EXPECT_EQ(layout.Left(2), 10);
    EXPECT_EQ(layout.Right(2), 15);
    EXPECT_EQ(layout.Width(1), 0);
    EXPECT_EQ(layout.Tab_At(-1), -1);
    EXPECT_EQ(layout.Tab_At(0), 0);
    EXPECT_EQ(layout.Tab_At(9), 0);
    EXPECT_EQ(layout.Tab_At(10), 2); // an empty tab covers nothing
    EXPECT_EQ(layout.Tab_At(15), 3);
    EXPECT_EQ(layout.Tab_At(34), 3);
    EXPECT_EQ(layout.Tab_At(35), -1);
    layout.Set_Widths({7});
    EXPECT_EQ(layout.Count(), 1);
    EXPECT_EQ(layout.Tab_At(10), -1);
}

namespace {

// A shown row of `count` tabs, 300 pixels wide, that records each change of
// the current tab.
struct Tab_Row {
    explicit Tab_Row(int count)
    {
        QStringList texts;
        for (int page = 0; page < count; ++page)
            texts.push_back(QStringLiteral("Sheet %1").arg(page + 1));
        Tabs.Append_Tabs(texts);
        Tabs.On_Current_Changed = [this](int index) { Changes.push_back(index); };
        Tabs.resize(300, Tabs.sizeHint().height());
        Tabs.show();
        QApplication::processEvents();
    }
    QToolButton* Button(const char* name)
    {
        return Tabs.findChild<QToolButton*>(QString::fromLatin1(name));
    }
    // The tabs' part of the row: left of the scroll buttons.
    int View_Right() { return Button("Scroll_Left")->x(); }
    void Wheel(QPoint pixels, QPoint angle)
    {
        const QPointF at = Tabs.tabRect(Tabs.currentIndex()).center();
        QWheelEvent wheel(at, Tabs.mapToGlobal(at), pixels, angle, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&Tabs, &wheel);
    }
    T_Page_Tab_Bar Tabs;
    std::vector<int> Changes;
};

} // namespace

TEST(Page_Tab_Bar, ScrollButtonsShowTheHiddenTabsOneAtATimeUpToTheEnds)
{
    Tab_Row few(2);
    EXPECT_FALSE(few.Button("Scroll_Right")->isVisible());

    Tab_Row row(10000);
    QToolButton* left = row.Button("Scroll_Left");
    QToolButton* right = row.Button("Scroll_Right");
    ASSERT_TRUE(right->isVisible());
    EXPECT_FALSE(left->isEnabled());
    EXPECT_EQ(row.Tabs.tabRect(0).left(), 0);
    const int cut = row.Tabs.tabAt({row.View_Right() - 1, 5});
    right->click();
    // The tab cut off at the right edge now ends there, in full.
    EXPECT_EQ(row.Tabs.tabRect(cut).right() + 1, row.View_Right());
    EXPECT_TRUE(left->isEnabled());
    left->click();
    EXPECT_EQ(row.Tabs.tabRect(0).left(), 0);
    EXPECT_TRUE(row.Changes.empty()); // scrolling selects nothing

    row.Tabs.setCurrentIndex(9999);
    EXPECT_EQ(row.Tabs.tabRect(9999).right() + 1, row.View_Right());
    EXPECT_FALSE(right->isEnabled());
    right->click();
    EXPECT_EQ(row.Tabs.tabRect(9999).right() + 1, row.View_Right());
    EXPECT_EQ(row.Changes, std::vector<int>{9999});
}

TEST(Page_Tab_Bar, ClicksKeysAndTheWheelSelectTabsWithinTheRow)
{
    Tab_Row row(10000);
    row.Tabs.setCurrentIndex(5000); // shown at the right end of the view
    const QRect before = row.Tabs.tabRect(4999);
    ASSERT_TRUE(QRect(0, 0, row.View_Right(), row.Tabs.height()).contains(before.center()));
    QTest::mouseClick(&row.Tabs, Qt::LeftButton, {}, before.center());
    EXPECT_EQ(row.Tabs.currentIndex(), 4999);
    // The scroll buttons cover the tabs under them: a click there scrolls.
    EXPECT_EQ(row.Tabs.tabAt({row.View_Right() + 1, 5}), -1);

    QTest::keyClick(&row.Tabs, Qt::Key_Right);
    QTest::keyClick(&row.Tabs, Qt::Key_Left);
    QTest::keyClick(&row.Tabs, Qt::Key_Left);
    EXPECT_EQ(row.Changes, (std::vector<int>{5000, 4999, 5000, 4999, 4998}));

    row.Wheel({}, {0, -120}); // one notch down: the next tab
    EXPECT_EQ(row.Tabs.currentIndex(), 4999);
    row.Wheel({}, {0, 60}); // half a notch: nothing yet
    EXPECT_EQ(row.Tabs.currentIndex(), 4999);
    row.Wheel({}, {0, 60});
    EXPECT_EQ(row.Tabs.currentIndex(), 4998);
    // A touchpad moves the row and leaves the selection alone.
    const int left = row.Tabs.tabRect(4998).left();
    row.Wheel({0, -40}, {0, -40});
    EXPECT_EQ(row.Tabs.tabRect(4998).left(), left - 40);
    EXPECT_EQ(row.Tabs.currentIndex(), 4998);

    row.Tabs.setCurrentIndex(0);
    QTest::keyClick(&row.Tabs, Qt::Key_Left);
    row.Wheel({}, {0, 120});
    EXPECT_EQ(row.Tabs.currentIndex(), 0);
}

TEST(Page_Tab_Bar, TabsAreMeasuredAgainWhenTheirIconOrFontChanges)
{
    Tab_Row row(3);
    const int plain = row.Tabs.tabRect(1).width();
    QPixmap dot(10, 10);
    dot.fill(Qt::red);
    row.Tabs.setTabIcon(1, QIcon(dot));
    const int marked = row.Tabs.tabRect(1).width();
    EXPECT_GT(marked, plain);
    EXPECT_EQ(row.Tabs.tabRect(2).left(), row.Tabs.tabRect(1).right() + 1);

    QFont larger = row.Tabs.font();
    larger.setPointSize(larger.pointSize() * 3);
    row.Tabs.setFont(larger);
    const int larger_marked = row.Tabs.tabRect(1).width();
    EXPECT_GT(larger_marked, marked);
    EXPECT_EQ(row.Tabs.tabRect(2).left(), row.Tabs.tabRect(1).right() + 1);
    row.Tabs.setTabIcon(1, QIcon());
    EXPECT_LT(row.Tabs.tabRect(1).width(), larger_marked);
    EXPECT_TRUE(row.Changes.empty());
}
