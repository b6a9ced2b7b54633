// The comparison window's remembered settings: what the user sets in one
// window is where the next one starts, the toolbar's first row excepted;
// stored values that no control takes read as the defaults; a pair that
// cannot show the stored view falls back without forgetting it; and the
// change list's width.
#include "viewer/change_list.h"
#include "viewer/change_list_width.h"
#include "tests/diff_view_support.h"
#include "viewer/remembered_view_settings.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "app/gui/vcs_diff_form.h"
#include "viewer/vcs_diff_frame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QMouseEvent>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class Remembered_Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        QImage image(200, 150, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.save(QString::fromStdString(dir / "a.png"));
        for (int y = 40; y < 60; ++y)
            for (int x = 30; x < 70; ++x)
                image.setPixelColor(x, y, Qt::black);
        image.save(QString::fromStdString(dir / "b.png"));
    }
    std::unique_ptr<TDiff_F> Open(const std::string& left = {}, QSize size = {1280, 800})
    {
        auto window = std::make_unique<TDiff_F>(left.empty() ? dir / "a.png" : left, "Base version",
                                                dir / "b.png", "", T_Converter_Kind::None,
                                                T_Paged_Kind::None);
        window->resize(size);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // The differences come in, and with them the list's own opening; a
        // version missing has none.
        if (left != "/dev/null") {
            EXPECT_TRUE(QTest::qWaitFor([&] { return window->View->Differences() != nullptr; }));
        }
        QTest::qWait(20);
        return window;
    }
    template <class T> static T* Find(const TDiff_F& window, const char* name)
    {
        return test::Find<T>(*window.View, name);
    }
    static QVariant Stored(const char* key) { return QSettings().value(QString::fromLatin1(key)); }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

// Drags the handle between the view and the change list by Dx pixels.
void Drag_List_Handle(QSplitter& splitter, int dx)
{
    QWidget* handle = splitter.handle(1);
    const QPoint from = handle->rect().center();
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, handle->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(handle, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, from + QPoint(dx, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from + QPoint(dx, 0), Qt::NoButton);
}

} // namespace

TEST_F(Remembered_Settings, TheLaterControlsCarryOverToTheNextWindowTheFirstRowDoesNot)
{
    {
        auto window = Open();
        ASSERT_TRUE(window->Change_List->isVisible()) << "opened by itself on the changes";
        Find<QSpinBox>(*window, "Tolerance_E")->setValue(25);
        Find<QCheckBox>(*window, "Ignore_Antialiasing_C")->setChecked(false);
        test::Find_Action(*window->View, "Overlay_A")->trigger();
        Find<QSlider>(*window, "Opacity_S")->setValue(70);
        Find<QDoubleSpinBox>(*window, "Blink_Interval_E")->setValue(1.5);
        Find<QCheckBox>(*window, "Show_Changes_C")->setChecked(true);
        Find<QComboBox>(*window, "Align_C")->setCurrentIndex(2);
        window->Change_List_Action()->trigger();
        ASSERT_FALSE(window->Change_List->isVisible());
        // The first row's controls keep their start state in every window.
        test::Find_Action(*window->View, "Trim_Compared_A")->trigger();
        test::Find_Action(*window->View, "Fit_A")->trigger();
        Find<QSpinBox>(*window, "Shave_E")->setValue(3);
    }
    auto window = Open();
    EXPECT_EQ(Find<QSpinBox>(*window, "Tolerance_E")->value(), 25);
    EXPECT_FALSE(Find<QCheckBox>(*window, "Ignore_Antialiasing_C")->isChecked());
    EXPECT_EQ(window->View->Layout(), T_Pane_Layout::Overlay);
    EXPECT_TRUE(test::Find_Action(*window->View, "Overlay_A")->isChecked());
    EXPECT_TRUE(Find<QSlider>(*window, "Opacity_S")->isEnabled());
    EXPECT_EQ(Find<QSlider>(*window, "Opacity_S")->value(), 70);
    EXPECT_DOUBLE_EQ(Find<QDoubleSpinBox>(*window, "Blink_Interval_E")->value(), 1.5);
    EXPECT_TRUE(Find<QCheckBox>(*window, "Show_Changes_C")->isChecked());
    // Bands suit the pair they were chosen for: the next opens with a shift.
    EXPECT_EQ(Find<QComboBox>(*window, "Align_C")->currentData().toString(),
              QStringLiteral("shift"));
    EXPECT_EQ(window->View->Model().Align_Mode, T_Align_Mode::Shift);
    EXPECT_EQ(Stored("comparison/align").toString(), QStringLiteral("shift"));
    EXPECT_FALSE(window->Change_List->isVisible()) << "hidden by the user, not opened again";
    EXPECT_FALSE(window->Change_List_Action()->isChecked());
    EXPECT_FALSE(test::Find_Action(*window->View, "Trim_Compared_A")->isChecked());
    EXPECT_FALSE(test::Find_Action(*window->View, "Fit_A")->isChecked());
    EXPECT_TRUE(test::Find_Action(*window->View, "Sync_Pages_A")->isChecked());
    EXPECT_EQ(Find<QSpinBox>(*window, "Shave_E")->value(), 15);
    // The differences are those of the remembered settings.
    EXPECT_EQ(window->View->Model().Difference_Options().Tolerance, 25);
}

TEST_F(Remembered_Settings, StoredValuesThatNoControlTakesReadAsTheDefaults)
{
    QSettings settings;
    settings.setValue(QStringLiteral("comparison/tolerance"), 101);
    settings.setValue(QStringLiteral("comparison/ignore_antialiasing"), QStringLiteral("perhaps"));
    settings.setValue(QStringLiteral("comparison/view"), QStringLiteral("kaleidoscope"));
    settings.setValue(QStringLiteral("comparison/overlay_opacity"), QStringLiteral("half"));
    settings.setValue(QStringLiteral("comparison/blink_interval"), 0.01);
    settings.setValue(QStringLiteral("comparison/show_changes"), 3);
    settings.setValue(QStringLiteral("comparison/change_list_shown"), QStringLiteral(""));
    settings.setValue(QStringLiteral("comparison/align"), QStringLiteral("sideways"));
    settings.setValue(QStringLiteral("comparison/change_list_width"), -40);
    const T_Remembered_View_Settings read = Remembered_View_Settings();
    EXPECT_EQ(read.Tolerance, 10);
    EXPECT_TRUE(read.Ignore_Antialiasing);
    EXPECT_EQ(read.Layout, T_Pane_Layout::Side_By_Side);
    EXPECT_EQ(read.Opacity_Percent, 50);
    EXPECT_DOUBLE_EQ(read.Blink_Seconds, 0.5);
    EXPECT_FALSE(read.Show_Changes);
    EXPECT_EQ(read.Align, T_Align_Mode::Off);
    EXPECT_FALSE(read.Change_List_Shown);
    EXPECT_FALSE(read.Change_List_Width);

    auto window = Open();
    EXPECT_EQ(Find<QSpinBox>(*window, "Tolerance_E")->value(), 10);
    EXPECT_EQ(window->View->Layout(), T_Pane_Layout::Side_By_Side);
    EXPECT_TRUE(window->Change_List->isVisible()) << "no choice stored: it opens by itself";
    // Opening stores nothing: the values stay for the user to see.
    EXPECT_EQ(Stored("comparison/view").toString(), QStringLiteral("kaleidoscope"));

    // The ends of a range are values like any other.
    settings.setValue(QStringLiteral("comparison/tolerance"), 100);
    settings.setValue(QStringLiteral("comparison/blink_interval"), 5);
    settings.setValue(QStringLiteral("comparison/view"), QStringLiteral("swipe"));
    EXPECT_EQ(Remembered_View_Settings().Tolerance, 100);
    EXPECT_DOUBLE_EQ(Remembered_View_Settings().Blink_Seconds, 5.0);
    EXPECT_EQ(Remembered_View_Settings().Layout, T_Pane_Layout::Swipe);
}

TEST_F(Remembered_Settings, APairWithOneVersionOpensSideBySideAndKeepsTheStoredView)
{
    QSettings().setValue(QStringLiteral("comparison/view"), QStringLiteral("differences"));
    {
        auto added = Open("/dev/null");
        EXPECT_EQ(added->View->Layout(), T_Pane_Layout::Side_By_Side);
        EXPECT_TRUE(test::Find_Action(*added->View, "Side_By_Side_A")->isChecked());
        EXPECT_TRUE(test::Find_Pane(*added->View, "View_Image_Frame2")->isVisible());
    }
    EXPECT_EQ(Stored("comparison/view").toString(), QStringLiteral("differences"));
    auto window = Open();
    EXPECT_EQ(window->View->Layout(), T_Pane_Layout::Differences);
    EXPECT_TRUE(test::Find_Action(*window->View, "Differences_A")->isChecked());
}

TEST_F(Remembered_Settings, TheChangeListStartsNarrowAndKeepsTheWidthTheUserGaveIt)
{
    int dragged = 0;
    {
        auto window = Open();
        ASSERT_TRUE(window->Change_List->isVisible());
        EXPECT_EQ(window->Change_List->width(), Default_Change_List_Width);
        auto* splitter = window->findChild<QSplitter*>(QStringLiteral("Diff_Splitter"));
        Drag_List_Handle(*splitter, -200);
        dragged = window->Change_List->width();
        EXPECT_EQ(dragged, Default_Change_List_Width + 200);
        EXPECT_EQ(Stored("comparison/change_list_width").toInt(), dragged);
    }
    EXPECT_EQ(Open()->Change_List->width(), dragged);
    // A narrower window keeps half of itself for the pictures.
    auto narrow = Open({}, {800, 600});
    EXPECT_LE(narrow->Change_List->width(), 400);
    EXPECT_GT(narrow->View->width(), 380);
}

TEST(Change_List_Width, IsTheUsersWithinHalfTheWindowOrTheDefaultWithinAQuarter)
{
    EXPECT_EQ(Change_List_Width(1600, 180, std::nullopt), Default_Change_List_Width);
    EXPECT_EQ(Change_List_Width(1100, 180, std::nullopt), 275);
    EXPECT_EQ(Change_List_Width(600, 180, std::nullopt), 180) << "never below its minimum";
    EXPECT_EQ(Change_List_Width(1600, 180, 520), 520);
    EXPECT_EQ(Change_List_Width(800, 180, 520), 400);
    EXPECT_EQ(Change_List_Width(1600, 180, 100), 180);
}
