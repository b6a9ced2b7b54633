#include "tests/test_support.h"
#include "viewer/u_picture_drawer.h"
#include "viewer/vcs_diff_pagelist_frame.h"
#include "viewer/vcs_view_image_frame.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <gtest/gtest.h>

namespace {

const QColor Ink(200, 30, 30);

std::string Make_Png(const test::Scratch_Dir& dir, const std::string& name, int w, int h,
                     QColor color = Ink)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    const std::string path = dir / name;
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
}

void Send_Mouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint at,
                QWidget* coordinates_of = nullptr)
{
    // Positions are given in the coordinates of coordinates_of (default: the
    // target), so a release can land over another widget as a real one would.
    const QWidget* frame = coordinates_of ? coordinates_of : target;
    const QPoint global = frame->mapToGlobal(at);
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void Drag(TView_Image_Frame& pane, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
{
    Send_Mouse(pane.Image1, QEvent::MouseButtonPress, button, from);
    Send_Mouse(pane.Image1, QEvent::MouseButtonRelease, button, to);
}

// A window holding one or two panes, the way the diff view holds them: the
// pane's parent is a container inside the window.
struct Pane_Window {
    explicit Pane_Window(int panes = 1)
    {
        auto* layout = new QHBoxLayout(&Grid);
        layout->setContentsMargins(0, 0, 0, 0);
        for (int i = 0; i < panes; ++i) {
            Panes.push_back(new TView_Image_Frame(&Grid));
            layout->addWidget(Panes.back());
        }
        auto* outer = new QHBoxLayout(&Window);
        outer->addWidget(&Grid);
        Grid.setParent(&Window);
        Window.resize(520 * panes, 460);
    }
    void Show()
    {
        Window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
    }
    // Resizes the window until the first pane's visible image area has this size.
    void Set_Viewport_Size(QSize wanted)
    {
        QWidget* viewport = Panes[0]->ScrollBox1->viewport();
        for (int attempt = 0; attempt < 5 && viewport->size() != wanted; ++attempt) {
            Window.resize(Window.size() + wanted - viewport->size());
            EXPECT_TRUE(QTest::qWaitFor([&] { return viewport->size() == wanted; }, 500));
        }
        ASSERT_EQ(viewport->size(), wanted);
    }
    QWidget Window;
    QWidget Grid;
    std::vector<TView_Image_Frame*> Panes;
};

struct Scroll_Log {
    TMyScrollBox::TNotifyEvent Handler()
    {
        return [this](TMyScrollBox* sender) {
            Positions.push_back({sender->Horz_Position(), sender->Vert_Position()});
        };
    }
    std::vector<QPoint> Positions;
};

} // namespace

TEST(Image_Pane, DrawingRuleScalesProportionallyFromTheTopLeftWithTruncatedSizes)
{
    const QSize area(400, 400);
    EXPECT_EQ(Picture_Draw_Rect({1000, 500}, area, true), QRect(0, 0, 400, 200));
    EXPECT_EQ(Picture_Draw_Rect({100, 300}, area, true), QRect(0, 0, 133, 400));
    EXPECT_EQ(Picture_Draw_Rect({50, 50}, area, true), QRect(0, 0, 400, 400));
    // Without stretching a small picture stays 1:1; a larger one still shrinks.
    EXPECT_EQ(Picture_Draw_Rect({50, 50}, area, false), QRect(0, 0, 50, 50));
    EXPECT_EQ(Picture_Draw_Rect({1000, 500}, area, false), QRect(0, 0, 400, 200));
    // Wide picture in a flat area: the height limits, the width follows.
    EXPECT_EQ(Picture_Draw_Rect({1000, 500}, {400, 100}, true), QRect(0, 0, 200, 100));
    EXPECT_EQ(Picture_Draw_Rect({300, 100}, {90, 400}, true), QRect(0, 0, 90, 30));
    EXPECT_TRUE(Picture_Draw_Rect({0, 0}, area, true).isEmpty());
}

TEST(Image_Pane, FitModeDrawsTheScaledPictureAtTheTopLeftWithoutScrollBars)
{
    test::Scratch_Dir dir;
    Pane_Window w;
    TView_Image_Frame& pane = *w.Panes[0];
    ASSERT_TRUE(pane.Load_File(Make_Png(dir, "wide.png", 1000, 500)));
    pane.Set_View_Mode(T_View_Mode::Fit);
    w.Show();
    w.Set_Viewport_Size({400, 400});

    EXPECT_EQ(pane.View_Mode(), T_View_Mode::Fit);
    EXPECT_FALSE(pane.ScrollBox1->Has_Visible_Scroll_Bar());
    EXPECT_EQ(pane.Image1->geometry(), QRect(0, 0, 400, 400));
    EXPECT_EQ(pane.Image1->Draw_Rect(), QRect(0, 0, 400, 200));
    const QImage shot = pane.Image1->grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, 0), Ink);
    EXPECT_EQ(shot.pixelColor(399, 199), Ink);
    EXPECT_NE(shot.pixelColor(200, 300), Ink);

    // Repaints reuse the scaled copy; a new size gets a copy of its own.
    const int copies = pane.Image1->Scaled_Copies_Made();
    EXPECT_GE(copies, 1);
    pane.Image1->repaint();
    pane.Image1->grab();
    EXPECT_EQ(pane.Image1->Scaled_Copies_Made(), copies);
    w.Set_Viewport_Size({300, 300});
    EXPECT_EQ(pane.Image1->Draw_Rect(), QRect(0, 0, 300, 150));
    EXPECT_EQ(pane.Image1->grab().toImage().pixelColor(299, 149), Ink);
    w.Set_Viewport_Size({400, 400});

    // A small picture is enlarged to the full area; a tall one keeps its shape.
    ASSERT_TRUE(pane.Reload_File(Make_Png(dir, "small.png", 50, 50)));
    EXPECT_EQ(pane.Image1->Draw_Rect(), QRect(0, 0, 400, 400));
    ASSERT_TRUE(pane.Reload_File(Make_Png(dir, "tall.png", 100, 300)));
    EXPECT_EQ(pane.Image1->Draw_Rect(), QRect(0, 0, 133, 400));
    EXPECT_EQ(pane.Image1->grab().toImage().pixelColor(132, 399), Ink);
}

TEST(Image_Pane, AReducedPictureIsSmoothedAtTheScreensOwnDensity)
{
    // A two-pixel line, drawn at a quarter of its size on a screen of
    // density 2: one device pixel wide and black, not a grey logical pixel.
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < 100; ++y)
        for (int x : {100, 101})
            picture.setPixelColor(x, y, Qt::black);
    T_Picture_Drawer drawer;
    drawer.Set_Picture(picture);
    QImage screen(100, 50, QImage::Format_RGB32);
    screen.setDevicePixelRatio(2.0);
    screen.fill(Qt::white);
    {
        QPainter painter(&screen);
        EXPECT_TRUE(drawer.Draw(painter, QRect(0, 0, 50, 25), QPoint(), QSize(50, 25)));
    }
    EXPECT_EQ(drawer.Scaled_Copies_Made(), 1);
    EXPECT_LT(screen.pixelColor(50, 20).lightness(), 40);
    EXPECT_EQ(screen.pixelColor(48, 20), QColor(Qt::white));
    EXPECT_EQ(screen.pixelColor(52, 20), QColor(Qt::white));
}

TEST(Image_Pane, AThinCircleOnALargeSheetIsWholeOnTheFirstReducedPaint)
{
    // An A3 sheet at the compare resolution, too big for its smooth copy to
    // be made during a paint, with a circle one pixel wide.
    QImage sheet(1754, 2480, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    const QPointF centre(877, 1240);
    const double radius = 600;
    {
        QPainter painter(&sheet);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawEllipse(centre, radius, radius);
    }
    T_Picture_Drawer drawer;
    drawer.Set_Picture(sheet);
    const QSize shown(400, 566);
    QImage screen(shown, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter painter(&screen);
        // The first paint is the quick one: a smooth copy is still to come.
        EXPECT_FALSE(drawer.Draw(painter, QRect(QPoint(), shown), QPoint(), shown));
    }
    const double scale = double(shown.width()) / sheet.width();
    int missing = 0;
    for (int degree = 0; degree < 360; ++degree) {
        const double angle = degree * M_PI / 180;
        const QPointF on_screen =
            (centre + radius * QPointF(std::cos(angle), std::sin(angle))) * scale;
        // The darkest screen pixel next to the outline's point.
        int darkest = 255;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QPoint at(int(on_screen.x()) + dx, int(on_screen.y()) + dy);
                if (screen.rect().contains(at))
                    darkest = std::min(darkest, screen.pixelColor(at).lightness());
            }
        if (darkest > 235)
            ++missing;
    }
    EXPECT_EQ(missing, 0);
    // Away from the line the sheet stays white.
    EXPECT_EQ(screen.pixelColor(200, 283), QColor(Qt::white));
}

TEST(Image_Pane, ActualSizeScrollsALargePictureAndLeavesASmallOneAlone)
{
    test::Scratch_Dir dir;
    Pane_Window w;
    TView_Image_Frame& pane = *w.Panes[0];
    EXPECT_EQ(pane.View_Mode(), T_View_Mode::None);
    EXPECT_EQ(pane.ScrollBox1, nullptr);
    ASSERT_TRUE(pane.Load_File(Make_Png(dir, "big.png", 2000, 1500)));
    w.Show();
    w.Set_Viewport_Size({400, 400});

    EXPECT_EQ(pane.View_Mode(), T_View_Mode::Actual_Size);
    EXPECT_EQ(pane.Picture_Width(), 2000);
    EXPECT_EQ(pane.Picture_Height(), 1500);
    EXPECT_EQ(pane.Image1->size(), QSize(2000, 1500));
    EXPECT_EQ(pane.ScrollBox1->Horz_Max(), 1600);
    EXPECT_EQ(pane.ScrollBox1->Vert_Max(), 1100);

    // Back and forth between the modes; setting the same mode changes nothing.
    pane.Set_View_Mode(T_View_Mode::Fit);
    EXPECT_EQ(pane.ScrollBox1->Horz_Max(), 0);
    pane.Set_View_Mode(T_View_Mode::Actual_Size);
    pane.Set_View_Mode(T_View_Mode::Actual_Size);
    EXPECT_EQ(pane.Image1->size(), QSize(2000, 1500));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.ScrollBox1->Horz_Max() == 1600; }, 500));
    EXPECT_EQ(pane.ScrollBox1->Horz_Max(), 1600);

    // A page switch keeps the position, limited to the new picture.
    pane.ScrollBox1->Set_Horz_Position(1500);
    pane.ScrollBox1->Set_Vert_Position(300);
    ASSERT_TRUE(pane.Reload_File(Make_Png(dir, "narrower.png", 1000, 1500)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.ScrollBox1->Horz_Max() == 600; }, 500));
    EXPECT_EQ(pane.ScrollBox1->Horz_Position(), 600);
    EXPECT_EQ(pane.ScrollBox1->Vert_Position(), 300);

    ASSERT_TRUE(pane.Reload_File(Make_Png(dir, "small.png", 100, 80)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pane.ScrollBox1->Has_Visible_Scroll_Bar(); }, 500));
    EXPECT_FALSE(pane.ScrollBox1->Has_Visible_Scroll_Bar());
    EXPECT_EQ(pane.Image1->Draw_Rect(), QRect(0, 0, 100, 80));
}

TEST(Image_Pane, PanningByDragMovesTheViewAndReportsOnceAtTheDrop)
{
    test::Scratch_Dir dir;
    Pane_Window w;
    TView_Image_Frame& pane = *w.Panes[0];
    Scroll_Log log;
    ASSERT_TRUE(pane.Load_File(Make_Png(dir, "big.png", 2000, 1500), "", "", log.Handler()));
    w.Show();
    w.Set_Viewport_Size({400, 400});

    // Positions set by code are not the user's: no notification.
    pane.ScrollBox1->Set_Horz_Position(100);
    pane.ScrollBox1->Set_Vert_Position(100);
    EXPECT_TRUE(log.Positions.empty());

    // The picture follows the hand: left 50 and down 60.
    Drag(pane, {300, 200}, {250, 260});
    EXPECT_EQ(pane.ScrollBox1->Horz_Position(), 150);
    EXPECT_EQ(pane.ScrollBox1->Vert_Position(), 40);
    ASSERT_EQ(log.Positions.size(), 1u);
    EXPECT_EQ(log.Positions[0], QPoint(150, 40));

    // Kept within range.
    Drag(pane, {300, 300}, {300, 390});
    EXPECT_EQ(pane.ScrollBox1->Vert_Position(), 0);

    // A click without moving still reports, so other panes take this position.
    Drag(pane, {310, 310}, {310, 310});
    EXPECT_EQ(log.Positions.size(), 3u);

    // The right button never pans.
    Drag(pane, {300, 300}, {100, 100}, Qt::RightButton);
    EXPECT_EQ(pane.ScrollBox1->Horz_Position(), 150);
    EXPECT_EQ(log.Positions.size(), 3u);

    // Fit mode has nothing to scroll, so no pan starts.
    pane.Set_View_Mode(T_View_Mode::Fit);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pane.ScrollBox1->Has_Visible_Scroll_Bar(); }, 500));
    Drag(pane, {300, 300}, {100, 100});
    EXPECT_EQ(log.Positions.size(), 3u);
}

TEST(Image_Pane, ADropCountsOnlyOnThePaneWhereTheDragBegan)
{
    test::Scratch_Dir dir;
    Pane_Window w(2);
    TView_Image_Frame& left = *w.Panes[0];
    TView_Image_Frame& right = *w.Panes[1];
    Scroll_Log left_log, right_log;
    const std::string big = Make_Png(dir, "big.png", 2000, 1500);
    ASSERT_TRUE(left.Load_File(big, "", "", left_log.Handler()));
    ASSERT_TRUE(right.Load_File(big, "", "", right_log.Handler()));
    w.Show();

    left.ScrollBox1->Set_Horz_Position(500);
    right.ScrollBox1->Set_Horz_Position(500);
    Send_Mouse(left.Image1, QEvent::MouseButtonPress, Qt::LeftButton, {550, 100});
    Send_Mouse(left.Image1, QEvent::MouseButtonRelease, Qt::LeftButton, {510, 100}, right.Image1);

    EXPECT_EQ(left.ScrollBox1->Horz_Position(), 500);
    EXPECT_EQ(right.ScrollBox1->Horz_Position(), 500);
    EXPECT_TRUE(left_log.Positions.empty());
    EXPECT_TRUE(right_log.Positions.empty());
}

TEST(Image_Pane, UserScrollingIsReportedAfterTheViewMoved)
{
    test::Scratch_Dir dir;
    Pane_Window w;
    TView_Image_Frame& pane = *w.Panes[0];
    Scroll_Log log;
    ASSERT_TRUE(pane.Load_File(Make_Png(dir, "big.png", 2000, 1500), "", "", log.Handler()));
    w.Show();

    pane.ScrollBox1->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    ASSERT_EQ(log.Positions.size(), 1u);
    EXPECT_GT(log.Positions[0].y(), 0);
    EXPECT_EQ(log.Positions[0].y(), pane.ScrollBox1->Vert_Position());
    EXPECT_EQ(pane.Image1->y(), -pane.ScrollBox1->Vert_Position());

    QWidget* viewport = pane.ScrollBox1->viewport();
    QWheelEvent wheel(QPointF(50, 50), QPointF(viewport->mapToGlobal(QPoint(50, 50))), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    ASSERT_EQ(log.Positions.size(), 2u);
    EXPECT_GT(log.Positions[1].y(), log.Positions[0].y());

    // The scroll bars' own setValue, as another pane's sync would use it.
    pane.ScrollBox1->verticalScrollBar()->setValue(10);
    pane.ScrollBox1->horizontalScrollBar()->setValue(10);
    EXPECT_EQ(log.Positions.size(), 2u);
}

TEST(Image_Pane, FirstLoadBuildsCaptionUnderTheTabStripAndLaterLoadsKeepIt)
{
    test::Scratch_Dir dir;
    Pane_Window w;
    TView_Image_Frame& pane = *w.Panes[0];
    TDiff_Pagelist_Frame* tabs = pane.Create_Page_Tabs();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(pane.Create_Page_Tabs(), tabs);
    const std::string first = Make_Png(dir, "first.png", 300, 200);
    ASSERT_TRUE(pane.Load_File(first, "Base version"));
    T_Page_List pages;
    pages.Items->push_back({"Sheet 1", 0, first});
    tabs->Fill_Pages(pages);
    w.Show();

    EXPECT_EQ(pane.Caption_E->text(), QStringLiteral("Base version"));
    EXPECT_TRUE(pane.Caption_E->isReadOnly());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tabs->height() > 0; }, 500));
    EXPECT_GE(tabs->height(), tabs->TabControl1->sizeHint().height());
    EXPECT_LT(pane.ScrollBox1->geometry().bottom(), tabs->geometry().top());
    EXPECT_LT(tabs->geometry().bottom(), pane.Caption_E->geometry().top());

    pane.Set_View_Mode(T_View_Mode::Fit);
    const std::string second = Make_Png(dir, "second.png", 30, 20);
    ASSERT_TRUE(pane.Load_File(second, "Other caption"));
    EXPECT_EQ(pane.Caption_E->text(), QStringLiteral("Base version"));
    EXPECT_EQ(pane.View_Mode(), T_View_Mode::Fit);
    EXPECT_EQ(pane.Get_File_Name(), second);

    Pane_Window unnamed;
    ASSERT_TRUE(unnamed.Panes[0]->Load_File(first));
    EXPECT_EQ(unnamed.Panes[0]->Caption_E->text(), QString::fromStdString(first));
}

TEST(Image_Pane, FormatHintLoadsABaseFileWhoseNameHidesItsFormat)
{
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    const std::string png = Make_Png(dir, "page.png", 64, 32);
    const std::string copy = dir / "plan_v2.cdw_l_page_0";
    std::filesystem::copy_file(png, copy);
    Pane_Window w;
    ASSERT_TRUE(w.Panes[0]->Load_File(copy, "", dir / "plan_v2.bmp"));
    EXPECT_EQ(w.Panes[0]->Picture_Width(), 64);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST(Image_Pane, AnUnreadableFileIsNamedInAMessageAndInThePane)
{
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    const std::string broken = dir / "broken.png";
    test::Write_File(broken, "\x89PNG\r\n\x1a\nnot really a picture");
    Pane_Window w;
    TView_Image_Frame& pane = *w.Panes[0];
    EXPECT_FALSE(pane.Load_File(broken, "Base version", dir / "new.png"));
    w.Show();

    ASSERT_EQ(messages.Messages.size(), 1u);
    const std::string& text = messages.Messages[0].Text;
    EXPECT_EQ(text.rfind(Get_Msg(cap_Image_Unreadable), 0), 0u) << text;
    EXPECT_NE(text.find(broken), std::string::npos);
    EXPECT_NE(text.find("28 bytes"), std::string::npos) << text;
    EXPECT_EQ(pane.View_Mode(), T_View_Mode::Actual_Size);
    EXPECT_EQ(pane.Picture_Width(), 0);
    EXPECT_TRUE(pane.Image1->Message().contains(QString::fromStdString(broken)));
    // The message is drawn where the picture would be, not an empty pane.
    EXPECT_EQ(pane.Image1->size(), pane.ScrollBox1->viewport()->size());
    const QImage shot = pane.Image1->grab().toImage();
    const QColor background = shot.pixelColor(shot.width() - 1, shot.height() - 1);
    bool has_text = false;
    for (int y = 0; y < 40 && !has_text; ++y)
        for (int x = 0; x < shot.width() && !has_text; ++x)
            has_text = shot.pixelColor(x, y) != background;
    EXPECT_TRUE(has_text);

    // A readable file afterwards replaces the message with the picture.
    ASSERT_TRUE(pane.Reload_File(Make_Png(dir, "good.png", 20, 10)));
    EXPECT_TRUE(pane.Image1->Message().isEmpty());
    EXPECT_EQ(pane.Load_Error(), "");
    EXPECT_EQ(messages.Messages.size(), 1u);
}

TEST(Image_Pane, MovingOverThePictureGivesItsScrollBoxTheFocus)
{
    test::Scratch_Dir dir;
    Pane_Window w;
    auto* field = new QLineEdit(&w.Window);
    w.Window.layout()->addWidget(field);
    TView_Image_Frame& pane = *w.Panes[0];
    ASSERT_TRUE(pane.Load_File(Make_Png(dir, "p.png", 100, 100)));
    w.Show();
    w.Window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.Window));
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());

    Send_Mouse(pane.Image1, QEvent::MouseMove, Qt::NoButton, {20, 20});
    EXPECT_TRUE(pane.ScrollBox1->hasFocus());
}

TEST(Image_Pane, CopyFileToOverwritesAndFailsQuietly)
{
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    Pane_Window w;
    TView_Image_Frame& pane = *w.Panes[0];
    EXPECT_FALSE(pane.Copy_File_To(dir / "nothing_loaded.png"));
    const std::string shown = Make_Png(dir, "shown.png", 8, 8);
    ASSERT_TRUE(pane.Load_File(shown));
    const std::string target = dir / "export.png";
    test::Write_File(target, "old");
    EXPECT_TRUE(pane.Copy_File_To(target));
    EXPECT_EQ(test::Read_File(target), test::Read_File(shown));
    EXPECT_FALSE(pane.Copy_File_To(dir / "no_such_folder/export.png"));
    EXPECT_TRUE(messages.Messages.empty());
}
