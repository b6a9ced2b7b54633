#include "engine/U_ShellOp.h"
#include "viewer/change_list.h"
#include "tests/diff_view_support.h"
#include "tests/slow_converter.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "app/gui/vcs_diff_form.h"
#include "viewer/vcs_diff_frame.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QImage>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class Diff_Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.save(QString::fromStdString(dir / "a.png"));
        image.setPixelColor(10, 10, Qt::black);
        image.save(QString::fromStdString(dir / "b.png"));
    }
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

} // namespace

TEST_F(Diff_Window, IsADiffWindowThatCannotShrinkBelowItsMinimum)
{
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Diff"));
    EXPECT_EQ(window.minimumSize(), QSize(400, 200));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window.View->ViewMode(), T_View_Mode::Actual_Size);
}

TEST_F(Diff_Window, AViewThatFailsToOpenIsNeverShown)
{
    if (!test::Converter_Is_ImageMagick)
        GTEST_SKIP() << "the stand-in converter accepts any input";
    test::Write_File(dir / "a.svg", "not svg");
    test::Write_File(dir / "b.svg", "not svg either");
    // Returns at once: no modal loop runs for a failed view.
    Show_Diff_Form(dir / "a.svg", "Base version", dir / "b.svg", "", T_Converter_Kind::Svg,
                   T_Paged_Kind::None);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text.rfind("Image convert fail!\r\nFile may be corrupted.", 0),
              0u);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Diff_Window, ClosingWhileTheConverterRunsStopsItAndThenCloses)
{
    std::string slow = test::Slow_Converter(dir);
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    window.show();
    Set_Converter_Path(slow);
    QElapsedTimer clock;
    clock.start();
    test::Find_Action(*window.View, "Compare_A")->trigger();
    // The title-bar close arrives while the comparison waits for the child:
    // the window stays until the stopped run has reported, then goes.
    QTest::qWait(300);
    ASSERT_TRUE(window.View->Is_Running());
    window.close();
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 10000));
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(window.View->Is_Running());
    EXPECT_FALSE(window.View->Compared_Shown());
    EXPECT_TRUE(messages.Messages.empty());
}

namespace {

// Presses Cancel on the progress window as soon as it appears; `modal` says
// whether it was the window that took the input then.
void Cancel_When_Shown(QObject* context, QString& activity, bool* modal = nullptr)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, [poll, &activity, modal] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(widget);
                progress && progress->isVisible()) {
                activity = progress->labelText();
                if (modal)
                    *modal = QApplication::activeModalWidget() == progress;
                progress->findChild<QPushButton*>()->click();
                poll->stop();
            }
    });
    poll->start(50);
}

} // namespace

TEST_F(Diff_Window, CancelStopsAComparisonAndLeavesTheWindowUsable)
{
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    window.show();
    Set_Converter_Path(test::Slow_Converter(dir));
    QString activity;
    Cancel_When_Shown(&window, activity);
    QElapsedTimer clock;
    clock.start();
    test::Find_Action(*window.View, "Compare_A")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.View->Is_Running(); }, 10000));
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(activity, QStringLiteral("Comparing..."));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.View->Compared_Shown());
    EXPECT_TRUE(test::Find_Action(*window.View, "Compare_A")->isEnabled());
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Diff_Window, CancelDuringTheFirstConversionOpensNothingAndSaysNothing)
{
    test::Write_File(dir / "a.svg",
                     "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>");
    test::Write_File(dir / "b.svg",
                     "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>");
    Set_Converter_Path(test::Slow_Converter(dir));
    QObject context;
    QString activity;
    bool modal = false;
    Cancel_When_Shown(&context, activity, &modal);
    QElapsedTimer clock;
    clock.start();
    // The opening waits for the converter under a modal window; a stop is
    // no failure.
    EXPECT_TRUE(Show_Diff_Form(dir / "a.svg", "Base version", dir / "b.svg", "",
                               T_Converter_Kind::Svg, T_Paged_Kind::None));
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(activity, QStringLiteral("Converting b.svg..."));
    EXPECT_TRUE(modal);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Diff_Window, EscapeInTheShaveFieldAbandonsTheEditAndKeepsTheWindow)
{
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    window.show();
    QSpinBox* shave = test::Find<QSpinBox>(*window.View, "Shave_E");
    shave->setFocus();
    shave->selectAll();
    QTest::keyClicks(shave, QStringLiteral("7"));
    EXPECT_EQ(shave->text(), QStringLiteral("7"));
    QTest::keyClick(shave, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(shave->text(), QStringLiteral("15"));
    EXPECT_EQ(window.View->Shave_Value(), 15);

    // Elsewhere Escape still closes the window.
    QTest::keyClick(test::Find_Pane(*window.View, "View_Image_Frame1")->ScrollBox1, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Diff_Window, CoversTheScreenWithoutAWindowManager)
{
    QTimer::singleShot(0, [] {
        QWidget* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        QRect free = window->screen()->availableGeometry();
        EXPECT_GE(window->frameGeometry().width(), free.width() - 16);
        EXPECT_GE(window->frameGeometry().height(), free.height() - 40);
        window->close();
    });
    Show_Diff_Form(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
}

TEST_F(Diff_Window, TheChangeListOpensBesideTheViewAndItsActionHidesAndShowsIt)
{
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    window.resize(1000, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QAction* toggle = window.Change_List_Action();
    EXPECT_EQ(toggle->text(), QStringLiteral("Change list"));
    EXPECT_TRUE(test::Find<QToolBar>(*window.View, "ToolBar3")->actions().contains(toggle));
    // The pair differs in one pixel: the list opens with its one row.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Change_List->isVisible(); }, 10000));
    EXPECT_EQ(window.Change_List->Rows()->topLevelItemCount(), 1);
    EXPECT_EQ(window.Change_List->Rows()->accessibleName(), QStringLiteral("Change list"));
    EXPECT_GT(window.Change_List->x(), window.View->x());
    toggle->trigger();
    EXPECT_FALSE(window.Change_List->isVisible());
    toggle->trigger();
    EXPECT_TRUE(window.Change_List->isVisible());
}

TEST_F(Diff_Window, AVersionThatCannotBeReadIsNamedAsTheClientNamedItAndCounts)
{
    // git hands over a temporary copy of a committed version and names it
    // in the caption: the message names the version first.
    const std::string copy = dir / "Xy12ab_logo.png";
    test::Write_File(copy, "\x89PNG\r\n\x1a\nnot really a picture");
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_TRUE(Show_Diff_Form(copy, "logo.png (1a2b3c4)", dir / "b.png", "logo.png (working tree)",
                               T_Converter_Kind::None, T_Paged_Kind::None));
    EXPECT_TRUE(Last_Diff_Form_Version_Unread());
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_NE(messages.Messages[0].Text.find("File: logo.png (1a2b3c4) (read from " + copy + ")"),
              std::string::npos)
        << messages.Messages[0].Text;

    // Both versions read: the window's end says nothing went wrong.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    Show_Diff_Form(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    EXPECT_FALSE(Last_Diff_Form_Version_Unread());
    EXPECT_EQ(messages.Messages.size(), 1u);
}
