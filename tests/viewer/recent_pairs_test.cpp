// The recent pairs kept with the user's settings, and their File submenu.
#include "viewer/recent_pairs.h"
#include "tests/test_support.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

class Recent_Pairs_Menu : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A settings store of the test's own: the user's stays untouched.
        QCoreApplication::setOrganizationName(QStringLiteral("Quorbit_Test"));
        QCoreApplication::setApplicationName(QStringLiteral("recent_pairs_test"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settings.Str()));
        QSettings().remove(QString());
    }
    QString Name(const std::string& file) { return QString::fromStdString(dir / file); }
    test::Scratch_Dir dir;
    test::Scratch_Dir settings;
};

} // namespace

TEST_F(Recent_Pairs_Menu, KeepsTheLastTenDistinctPairsMostRecentFirst)
{
    EXPECT_TRUE(Recent_Pairs().isEmpty());
    for (int i = 0; i < 12; ++i)
        Remember_Recent_Pair(Name("a" + std::to_string(i)), Name("b" + std::to_string(i)));
    // Opening a pair again moves it to the front instead of adding it.
    Remember_Recent_Pair(Name("a5"), Name("b5"));
    // The same files the other way round are another pair.
    Remember_Recent_Pair(Name("b11"), Name("a11"));
    const QList<T_Recent_Pair> pairs = Recent_Pairs();
    ASSERT_EQ(pairs.size(), Recent_Pairs_Limit);
    EXPECT_EQ(pairs[0], (T_Recent_Pair{Name("b11"), Name("a11")}));
    EXPECT_EQ(pairs[1], (T_Recent_Pair{Name("a5"), Name("b5")}));
    EXPECT_EQ(pairs[2], (T_Recent_Pair{Name("a11"), Name("b11")}));
    EXPECT_EQ(pairs[3], (T_Recent_Pair{Name("a10"), Name("b10")}));
    EXPECT_EQ(pairs.count(T_Recent_Pair{Name("a5"), Name("b5")}), 1);
    // The oldest went: pairs 0 to 2.
    EXPECT_EQ(pairs.back(), (T_Recent_Pair{Name("a3"), Name("b3")}));

    // Stored, not held: a new settings object (the next run) reads them.
    QSettings().sync();
    QSettings fresh;
    EXPECT_EQ(fresh.beginReadArray(QStringLiteral("recent_pairs")), Recent_Pairs_Limit);
    fresh.endArray();
    EXPECT_EQ(Recent_Pairs(), pairs);
}

TEST_F(Recent_Pairs_Menu, OffersThePairsThatCanStillBeOpened)
{
    test::Write_File(dir / "a.png", "");
    test::Write_File(dir / "b & c.png", "");
    Remember_Recent_Pair(Name("a.png"), Name("gone.png"));
    Remember_Recent_Pair(QStringLiteral("/dev/null"), Name("a.png"));
    Remember_Recent_Pair(Name("a.png"), Name("b & c.png"));

    QMenu menu;
    std::vector<T_Recent_Pair> opened;
    Fill_Recent_Pairs_Menu(menu, [&](const T_Recent_Pair& pair) { opened.push_back(pair); });
    const QList<QAction*> entries = menu.actions();
    ASSERT_EQ(entries.size(), 3);
    // Both names show, the "&" as itself.
    EXPECT_TRUE(entries[0]->text().startsWith(QStringLiteral("a.png \u2194 b && c.png")))
        << entries[0]->text().toStdString();
    EXPECT_TRUE(entries[0]->isEnabled());
    EXPECT_TRUE(entries[1]->isEnabled()) << "a version that does not exist can be opened";
    EXPECT_FALSE(entries[2]->isEnabled()) << "a pair whose file has gone cannot";
    entries[0]->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], (T_Recent_Pair{Name("a.png"), Name("b & c.png")}));

    QSettings().remove(QString());
    Fill_Recent_Pairs_Menu(menu, [&](const T_Recent_Pair& pair) { opened.push_back(pair); });
    ASSERT_EQ(menu.actions().size(), 1);
    EXPECT_FALSE(menu.actions()[0]->isEnabled());
    EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("No recent pairs"));
}
