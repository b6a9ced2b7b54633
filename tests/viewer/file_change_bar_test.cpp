// The bar that reports a compared file changed on disk, driven by real
// files rewritten and replaced.
#include "viewer/file_change_bar.h"
#include "tests/test_support.h"
#include "tests/viewer/view_test_support.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class File_Change_Bar : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::Write_File(dir / "a.png", "old a");
        test::Write_File(dir / "b.png", "old b");
    }
    QString Name(const char* file) { return QString::fromStdString(dir / file); }
    test::Scratch_Dir dir;
    QWidget window;
};

} // namespace

TEST_F(File_Change_Bar, AppearsWhenAFileIsRewrittenAndDismissHidesIt)
{
    T_File_Change_Bar bar(&window, Name("a.png"), Name("b.png"));
    window.show();
    EXPECT_FALSE(bar.isVisible());
    EXPECT_EQ(bar.Watched().size(), 2);
    EXPECT_FALSE(bar.Reload_B->accessibleName().isEmpty());
    EXPECT_FALSE(bar.Dismiss_B->accessibleName().isEmpty());

    test::Write_File(dir / "b.png", "new b");
    ASSERT_TRUE(test::Wait_For([&] { return bar.isVisible(); }));
    EXPECT_EQ(bar.Message_L->text(), QStringLiteral("The modified file changed on disk."));
    bar.Dismiss_B->click();
    EXPECT_FALSE(bar.isVisible());

    test::Write_File(dir / "a.png", "new a");
    ASSERT_TRUE(test::Wait_For([&] { return bar.isVisible(); }));
    EXPECT_EQ(bar.Message_L->text(), QStringLiteral("The base file changed on disk."));
}

TEST_F(File_Change_Bar, FollowsAFileReplacedByRenameAndReloadReports)
{
    T_File_Change_Bar bar(&window, Name("a.png"), Name("b.png"));
    int reloads = 0;
    bar.On_Reload = [&] { ++reloads; };
    window.show();
    // An editor's safe save: a new file renamed over the old one.
    for (int round = 0; round < 2; ++round) {
        test::Write_File(dir / "a.png.tmp", "saved " + std::to_string(round));
        std::filesystem::rename(dir / "a.png.tmp", dir / "a.png");
        ASSERT_TRUE(test::Wait_For([&] { return bar.isVisible(); })) << "round " << round;
        ASSERT_TRUE(test::Wait_For([&] { return bar.Watched().contains(Name("a.png")); }));
        bar.Reload_B->click();
        EXPECT_FALSE(bar.isVisible());
        EXPECT_EQ(reloads, round + 1);
    }
}

TEST_F(File_Change_Bar, ReportsBothFilesOnceAndLeavesTheNullDeviceAlone)
{
    T_File_Change_Bar bar(&window, QStringLiteral("/dev/null"), Name("b.png"));
    EXPECT_EQ(bar.Watched(), QStringList{Name("b.png")});

    T_File_Change_Bar both(&window, Name("a.png"), Name("b.png"));
    window.show();
    test::Write_File(dir / "a.png", "1");
    test::Write_File(dir / "b.png", "2");
    ASSERT_TRUE(test::Wait_For([&] { return both.isVisible(); }));
    EXPECT_EQ(both.Message_L->text(), QStringLiteral("Both files changed on disk."));
}
