// The diff view's "View" row on real panes: zoom about a point, live panning,
// the one-pane views, the offset between the versions, the pixel inspector
// and the keys.
#include "tests/diff_view_support.h"
#include "tests/test_support.h"
#include "tests/viewer/view_test_support.h"
#include "viewer/u_blend_frame.h"
#include "engine/u_temp_files.h"
#include "viewer/u_zoom.h"
#include "viewer/vcs_diff_frame.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using test::Near;
using test::Wait_For;

const QColor Red(255, 0, 0), Blue(0, 0, 255), White(255, 255, 255), Grey(128, 128, 128);
// The base is white with a red square, the modified version grey with a blue
// square elsewhere: every pixel tells which version it comes from.
const QRect Red_Square(40, 40, 40, 40), Blue_Square(160, 40, 40, 40);

void Make_Png(const std::string& path, QSize size, QColor ground, QRect square, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(ground);
    for (int y = square.top(); y <= square.bottom(); ++y)
        for (int x = square.left(); x <= square.right(); ++x)
            image.setPixelColor(x, y, colour);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

void Ctrl_Wheel(TView_Image_Frame* pane, QPoint at, int delta)
{
    QWidget* viewport = pane->ScrollBox1->viewport();
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

// The picture point under a point of a pane's viewport.
QPointF Under(TView_Image_Frame* pane, QPoint at)
{
    return pane->Image1->Content_Point(pane->Image1->mapFrom(pane->ScrollBox1->viewport(), at));
}

QPoint Position(TView_Image_Frame* pane)
{
    return {pane->ScrollBox1->Horz_Position(), pane->ScrollBox1->Vert_Position()};
}

class View_Row : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    std::unique_ptr<TView_diff_frame> Open(QSize base = {300, 200}, QSize modified = {300, 200})
    {
        Make_Png(dir / "a.png", base, White, Red_Square, Red);
        Make_Png(dir / "b.png", modified, Grey, Blue_Square, Blue);
        auto frame = std::make_unique<TView_diff_frame>(nullptr, dir / "a.png", "Base version",
                                                        dir / "b.png", "", nullptr,
                                                        T_Converter_Kind::None, T_Paged_Kind::None);
        frame->resize(1000, 700);
        frame->show();
        frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        return frame;
    }
    // What the status line says.
    static QString Status(const TView_diff_frame& frame)
    {
        return test::Find<QLabel>(frame, "Status_L")->text();
    }
    // A pixel of the one-pane view, in its picture control's pixels.
    static QColor Shown(const TView_diff_frame& frame, QPoint at)
    {
        return test::Find_Blend_Pane(frame)->Image1->grab().toImage().pixelColor(at);
    }
    static void Hover(TView_Image_Frame* pane, QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, at, pane->Image1->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pane->Image1, &move);
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

} // namespace

TEST_F(View_Row, ZoomKeepsThePointUnderTheCursorAndEveryPaneFollows)
{
    auto frame = Open({2000, 1500}, {2000, 1500});
    TView_Image_Frame* left = test::Find_Pane(*frame, "View_Image_Frame1");
    TView_Image_Frame* right = test::Find_Pane(*frame, "View_Image_Frame2");
    left->ScrollBox1->Set_Horz_Position(300);
    left->ScrollBox1->Set_Vert_Position(200);
    const QPoint at(170, 130);
    for (int delta : {120, 120, 240, -120, -360}) {
        const QPointF before = Under(left, at);
        const double zoom = left->Zoom();
        Ctrl_Wheel(left, at, delta);
        EXPECT_NE(left->Zoom(), zoom);
        const QPointF after = Under(left, at);
        EXPECT_NEAR(after.x(), before.x(), 1.0) << "delta " << delta;
        EXPECT_NEAR(after.y(), before.y(), 1.0) << "delta " << delta;
        EXPECT_EQ(right->Zoom(), left->Zoom());
        EXPECT_EQ(Position(right), Position(left));
    }
    EXPECT_EQ(left->Zoom(), 1.0); // as many steps out as in
    // A fine wheel's half notches add up to a step.
    Ctrl_Wheel(left, at, 60);
    EXPECT_EQ(left->Zoom(), 1.0);
    Ctrl_Wheel(left, at, 60);
    EXPECT_EQ(left->Zoom(), Zoom_Step);

    // Zoomed in the one-pane view, the two panes take its zoom and place back.
    test::Find_Action(*frame, "Overlay_A")->trigger();
    TView_Image_Frame* blend = test::Find_Blend_Pane(*frame);
    const QPointF before = Under(blend, at);
    Ctrl_Wheel(blend, at, 240);
    EXPECT_NEAR(Under(blend, at).x(), before.x(), 1.0);
    EXPECT_NEAR(Under(blend, at).y(), before.y(), 1.0);
    const QPoint place = Position(blend);
    test::Find_Action(*frame, "Side_By_Side_A")->trigger();
    EXPECT_EQ(left->Zoom(), blend->Zoom());
    EXPECT_EQ(Position(left), place);
    EXPECT_EQ(Position(right), place);

    // The steps stop at 1/32 and 32; "1" returns to 100 %.
    for (int i = 0; i < 40; ++i)
        test::Find_Action(*frame, "Zoom_In_A")->trigger();
    EXPECT_EQ(left->Zoom(), Max_Zoom);
    for (int i = 0; i < 60; ++i)
        test::Find_Action(*frame, "Zoom_Out_A")->trigger();
    EXPECT_EQ(left->Zoom(), Min_Zoom);
    left->ScrollBox1->setFocus();
    QTest::keyClick(left->ScrollBox1, Qt::Key_1);
    EXPECT_EQ(right->Zoom(), 1.0);
    EXPECT_TRUE(Status(*frame).startsWith(QStringLiteral("Zoom 100%")));
}

TEST_F(View_Row, ZoomingInFitModeLeavesItOneStepAboveTheFittedScale)
{
    auto frame = Open({2000, 1500}, {2000, 1500});
    test::Find_Action(*frame, "Fit_A")->trigger();
    TPane_Image* image = test::Find_Pane(*frame, "View_Image_Frame1")->Image1;
    const double fitted = double(image->Draw_Rect().width()) / 2000;
    ASSERT_LT(fitted, 0.5);
    double above = 1;
    while (above > fitted)
        above /= Zoom_Step;
    while (above <= fitted * (1 + 1e-9))
        above *= Zoom_Step;
    test::Find_Action(*frame, "Zoom_In_A")->trigger();
    EXPECT_FALSE(test::Find_Action(*frame, "Fit_A")->isChecked());
    EXPECT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    for (TView_Image_Frame* pane : {test::Find_Pane(*frame, "View_Image_Frame1"),
                                    test::Find_Pane(*frame, "View_Image_Frame2")}) {
        EXPECT_EQ(pane->View_Mode(), T_View_Mode::Actual_Size);
        EXPECT_NEAR(pane->Zoom(), above, 1e-9);
        EXPECT_NEAR(pane->Image1->width(), 2000 * above, 1);
    }
    // Out of fit mode by the other direction: one step below.
    test::Find_Action(*frame, "Fit_A")->trigger();
    test::Find_Action(*frame, "Zoom_Out_A")->trigger();
    EXPECT_NEAR(test::Find_Pane(*frame, "View_Image_Frame1")->Zoom(), above / Zoom_Step, 1e-9);
}

TEST_F(View_Row, APanMovesTheOtherPaneLiveAndADropOutsideReturnsBoth)
{
    auto frame = Open({2000, 1500}, {2000, 1500});
    test::Find_Action(*frame, "Zoom_In_A")->trigger();
    TView_Image_Frame* pane = test::Find_Pane(*frame, "View_Image_Frame1");
    TView_Image_Frame* other = test::Find_Pane(*frame, "View_Image_Frame2");
    pane->ScrollBox1->Set_Horz_Position(100);
    pane->ScrollBox1->Set_Vert_Position(100);
    QWidget* image = pane->Image1;
    QWidget* viewport = pane->ScrollBox1->viewport();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
        const QPoint pressed = image->mapFrom(viewport, QPoint(200, 150));
        QTest::mousePress(image, button, {}, pressed);
        QTest::mouseMove(image, pressed + QPoint(-50, 60));
        EXPECT_EQ(Position(other), QPoint(150, 40)) << button;
        // Let go left of the pane: both go back.
        const QPoint outside = image->mapFrom(viewport, QPoint(-30, 100));
        QTest::mouseMove(image, outside);
        QTest::mouseRelease(image, button, {}, outside);
        EXPECT_EQ(Position(pane), QPoint(100, 100)) << button;
        EXPECT_EQ(Position(other), QPoint(100, 100)) << button;
    }
}

TEST_F(View_Row, EachOnePaneViewDrawsTheRightVersion)
{
    auto frame = Open();
    const QPoint in_red(60, 60), in_blue(180, 60);
    // Overlay: the modified picture over the base at the slider's opacity.
    test::Find_Action(*frame, "Overlay_A")->trigger();
    ASSERT_TRUE(test::Find_Blend_Pane(*frame)->isVisible());
    EXPECT_TRUE(Near(Shown(*frame, in_red), QColor(192, 64, 64)));
    EXPECT_TRUE(Near(Shown(*frame, in_blue), QColor(128, 128, 255)));
    test::Find<QSlider>(*frame, "Opacity_S")->setValue(0);
    EXPECT_EQ(Shown(*frame, in_red), Red);
    EXPECT_EQ(Shown(*frame, in_blue), White);
    test::Find<QSlider>(*frame, "Opacity_S")->setValue(100);
    EXPECT_EQ(Shown(*frame, in_red), Grey);
    EXPECT_EQ(Shown(*frame, in_blue), Blue);

    // Blink: the base first; the first pause keeps it, the next shows the
    // other version. No event is processed in between, so no tick interferes.
    test::Find_Action(*frame, "Blink_A")->trigger();
    frame->Blink_Pause_Or_Toggle();
    EXPECT_EQ(Shown(*frame, in_red), Red);
    EXPECT_EQ(Shown(*frame, in_blue), White);
    frame->Blink_Pause_Or_Toggle();
    EXPECT_EQ(Shown(*frame, in_red), Grey);
    EXPECT_EQ(Shown(*frame, in_blue), Blue);
    // Unpaused, the timer alternates at the field's interval.
    test::Find<QDoubleSpinBox>(*frame, "Blink_Interval_E")->setValue(0.1);
    test::Find_Action(*frame, "Blink_A")->trigger();
    EXPECT_TRUE(Wait_For([&] { return Shown(*frame, in_blue) == Blue; }));
    EXPECT_TRUE(Wait_For([&] { return Shown(*frame, in_blue) == White; }));

    // Swipe: base left of the divider (half way at first), modified right.
    test::Find_Action(*frame, "Swipe_A")->trigger();
    EXPECT_EQ(Shown(*frame, in_red), Red);
    EXPECT_EQ(Shown(*frame, in_blue), Blue);
    EXPECT_EQ(Shown(*frame, QPoint(148, 10)), White);
    EXPECT_EQ(Shown(*frame, QPoint(152, 10)), Grey);
    // The divider follows the mouse, and the Right key moves it on.
    TView_Image_Frame* blend = test::Find_Blend_Pane(*frame);
    Hover(blend, QPoint(220, 100));
    EXPECT_EQ(Shown(*frame, in_blue), White);
    EXPECT_EQ(Shown(*frame, QPoint(218, 10)), White);
    EXPECT_EQ(Shown(*frame, QPoint(222, 10)), Grey);
    blend->ScrollBox1->setFocus();
    QTest::keyClick(blend->ScrollBox1, Qt::Key_Right);
    EXPECT_EQ(Shown(*frame, QPoint(222, 10)), White);

    // Enlarged twice, every picture pixel is a 2 x 2 square in its place.
    Hover(blend, QPoint(150, 100));
    frame->Zoom_To(2.0, blend, QPoint(0, 0));
    EXPECT_EQ(Shown(*frame, QPoint(79, 80)), White);
    EXPECT_EQ(Shown(*frame, QPoint(80, 80)), Red);
    EXPECT_EQ(Shown(*frame, QPoint(159, 159)), Red);
    EXPECT_EQ(Shown(*frame, QPoint(399, 159)), Blue);
    EXPECT_EQ(Shown(*frame, QPoint(400, 159)), Grey);
}

TEST_F(View_Row, TheOffsetMovesTheModifiedPictureByExactlyItsPixels)
{
    auto frame = Open();
    test::Find_Action(*frame, "Blink_A")->trigger();
    frame->Blink_Pause_Or_Toggle();
    frame->Blink_Pause_Or_Toggle(); // paused on the modified version
    QWidget* keys = test::Find_Blend_Pane(*frame)->ScrollBox1;
    keys->setFocus();
    QTest::keyClick(keys, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(keys, Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(frame->Offset(), QPoint(1, 10));
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("Offset 1, 10")));
    const QRect moved = Blue_Square.translated(1, 10);
    EXPECT_EQ(Shown(*frame, moved.topLeft()), Blue);
    EXPECT_EQ(Shown(*frame, moved.topLeft() - QPoint(1, 0)), Grey);
    EXPECT_EQ(Shown(*frame, moved.topLeft() - QPoint(0, 1)), Grey);

    // Moved left of the base, the base is what moves in the pane; the two
    // stay the offset apart.
    test::Find_Action(*frame, "Reset_Offset_A")->trigger();
    frame->Nudge_Offset(QPoint(-5, 0));
    EXPECT_EQ(Shown(*frame, Blue_Square.topLeft()), Blue);
    EXPECT_EQ(Shown(*frame, Blue_Square.topLeft() - QPoint(1, 0)), Grey);
    frame->Blink_Pause_Or_Toggle(); // the base
    EXPECT_EQ(Shown(*frame, Red_Square.topLeft() + QPoint(5, 0)), Red);
    EXPECT_EQ(Shown(*frame, Red_Square.topLeft() + QPoint(4, 0)), White);

    QTest::keyClick(keys, Qt::Key_0, Qt::AltModifier);
    EXPECT_EQ(frame->Offset(), QPoint());
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("Offset 0, 0")));
    EXPECT_EQ(Shown(*frame, Red_Square.topLeft()), Red);
    EXPECT_EQ(Shown(*frame, Red_Square.topLeft() - QPoint(1, 0)), White);
}

TEST_F(View_Row, TheStatusLineNamesBothColoursUnderTheMouse)
{
    auto frame = Open({300, 200}, {280, 200});
    frame->Zoom_To(2.0, test::Find_Pane(*frame, "View_Image_Frame1"), QPoint(0, 0));
    const QLabel* status = test::Find<QLabel>(*frame, "Status_L");
    auto shows = [&](const QString& text) { return status->text().contains(text); };
    EXPECT_TRUE(shows(QStringLiteral("Zoom 200%   |   Offset 0, 0   |   "
                                     "Base 300 x 200, modified 280 x 200")));
    // At a zoom of 2, control pixel (121, 101) is picture pixel (60, 50).
    Hover(test::Find_Pane(*frame, "View_Image_Frame1"), QPoint(121, 101));
    EXPECT_TRUE(shows(QStringLiteral("x 60, y 50: base #FF0000, modified #808080")));
    Hover(test::Find_Pane(*frame, "View_Image_Frame1"), QPoint(340, 100));
    EXPECT_TRUE(shows(QStringLiteral("x 170, y 50: base #FFFFFF, modified #0000FF")));
    Hover(test::Find_Pane(*frame, "View_Image_Frame1"), QPoint(580, 100));
    EXPECT_TRUE(shows(QStringLiteral("x 290, y 50: base #FFFFFF, modified none")));
    // With an offset the modified colour is read where the offset puts it,
    // also when the mouse is over the modified version's own pane.
    frame->Nudge_Offset(QPoint(20, 0));
    Hover(test::Find_Pane(*frame, "View_Image_Frame1"), QPoint(340, 100));
    EXPECT_TRUE(shows(QStringLiteral("x 170, y 50: base #FFFFFF, modified #808080")));
    Hover(test::Find_Pane(*frame, "View_Image_Frame2"), QPoint(340, 100));
    EXPECT_TRUE(shows(QStringLiteral("x 190, y 50: base #FFFFFF, modified #0000FF")));
}

TEST_F(View_Row, TheReadOutFollowsThePictureMovedUnderARestingMouse)
{
    auto frame = Open({2000, 1500}, {2000, 1500});
    TView_Image_Frame* base = test::Find_Pane(*frame, "View_Image_Frame1");
    QWidget* viewport = base->ScrollBox1->viewport();
    const QPoint rest(121, 101);
    Hover(base, base->Image1->mapFrom(viewport, rest));
    // What the line must say: the picture point now under the resting mouse.
    auto reads_under_mouse = [&] {
        const QPointF under = Under(base, rest);
        const QString point = QStringLiteral("x %1, y %2:")
                                  .arg(int(std::floor(under.x())))
                                  .arg(int(std::floor(under.y())));
        return Wait_For([&] { return Status(*frame).contains(point); }, 3000);
    };
    ASSERT_TRUE(Status(*frame).contains(QStringLiteral("x 121, y 101: base #FFFFFF")));
    base->ScrollBox1->setFocus();
    QTest::keyClick(base->ScrollBox1, Qt::Key_Plus);
    ASSERT_EQ(base->Zoom(), Zoom_Step);
    EXPECT_TRUE(reads_under_mouse()) << "zoomed by key: " << Status(*frame).toStdString();
    base->ScrollBox1->Set_Horz_Position(base->ScrollBox1->Horz_Position() + 230);
    EXPECT_TRUE(reads_under_mouse()) << "scrolled: " << Status(*frame).toStdString();
    test::Find_Action(*frame, "Fit_A")->trigger();
    EXPECT_TRUE(reads_under_mouse()) << "fitted: " << Status(*frame).toStdString();
    // Once the mouse has left the picture, the last point read stays.
    const QString left_at = Status(*frame).section(QStringLiteral("   |   "), -1);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(base->Image1, &leave);
    test::Find_Action(*frame, "Fit_A")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Status(*frame).section(QStringLiteral("   |   "), -1), left_at);
}

TEST_F(View_Row, AViewCheckedWithoutAClickIsShown)
{
    // As a screen reader toggles the button: the action is checked, never
    // triggered.
    auto frame = Open();
    test::Find_Action(*frame, "Swipe_A")->setChecked(true);
    EXPECT_TRUE(Wait_For([&] { return frame->Layout() == T_Pane_Layout::Swipe; }));
    EXPECT_TRUE(test::Find_Blend_Pane(*frame)->isVisible());
    test::Find_Action(*frame, "Side_By_Side_A")->setChecked(true);
    EXPECT_TRUE(Wait_For([&] { return frame->Layout() == T_Pane_Layout::Side_By_Side; }));
}

TEST_F(View_Row, KeysWaitWhileATextFieldHasTheFocus)
{
    auto frame = Open();
    TView_Image_Frame* base = test::Find_Pane(*frame, "View_Image_Frame1");
    QWidget* pictures = base->ScrollBox1;
    pictures->setFocus();
    QTest::keyClick(pictures, Qt::Key_Plus);
    ASSERT_EQ(base->Zoom(), Zoom_Step);
    QSpinBox* shave = test::Find<QSpinBox>(*frame, "Shave_E");
    shave->setFocus();
    ASSERT_TRUE(shave->hasFocus());
    QTest::keyClick(shave, Qt::Key_Plus);
    QTest::keyClick(shave, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(shave, Qt::Key_O);
    EXPECT_EQ(base->Zoom(), Zoom_Step);
    EXPECT_EQ(frame->Offset(), QPoint());
    EXPECT_EQ(frame->Layout(), T_Pane_Layout::Side_By_Side);
}

TEST_F(View_Row, TheModelHoldsTheModeZoomAndOffsetThePanesShow)
{
    auto frame = Open();
    const T_View_State& view = frame->Model().View;
    EXPECT_EQ(view.Mode, T_View_Mode::Actual_Size);
    test::Find_Action(*frame, "Zoom_In_A")->trigger();
    EXPECT_DOUBLE_EQ(view.Zoom, Zoom_Step);
    EXPECT_DOUBLE_EQ(test::Find_Pane(*frame, "View_Image_Frame2")->Zoom(), view.Zoom);
    frame->Nudge_Offset(QPoint(3, -2));
    EXPECT_EQ(view.Offset_X, 3);
    EXPECT_EQ(view.Offset_Y, -2);
    test::Find_Action(*frame, "Fit_A")->trigger();
    EXPECT_EQ(view.Mode, T_View_Mode::Fit);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->View_Mode(), T_View_Mode::Fit);
}
