// The differences computed in the program, as the diff view shows them: the
// Differences view's colours, the settings that recompute them, stepping
// through the changes, their outlines in every pane, and the count a paged
// pair keeps per page pair.
#include "tests/diff_view_support.h"
#include "tests/viewer/square_pages.h"
#include "tests/test_support.h"
#include "tests/viewer/view_test_support.h"
#include "viewer/u_blend_frame.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using test::Settled;
using test::Status;

using test::Near;
using test::Paper;
using test::Square;
using test::Square_Pages;
using test::Wait_For;

const QColor Red(0xE0, 0x1B, 0x24), Green(0x1F, 0xA0, 0x30), Amber(0xF0, 0xA0, 0x00);

// Whether a box of picture pixels lies inside the pane's viewport at its
// scroll position and zoom.
bool In_View(const TView_Image_Frame* pane, QRect box)
{
    const double zoom = pane->Zoom();
    const QRectF shown(
        QPointF(pane->ScrollBox1->Horz_Position(), pane->ScrollBox1->Vert_Position()),
        QSizeF(pane->ScrollBox1->viewport()->size()));
    return shown.contains(
        QRectF(box.x() * zoom, box.y() * zoom, box.width() * zoom, box.height() * zoom));
}

std::vector<QRect> Boxes(const TView_Image_Frame* pane)
{
    std::vector<QRect> boxes;
    for (const T_Change_Frame& frame : pane->Image1->Change_Frames())
        boxes.push_back(frame.Box);
    return boxes;
}

class Differences_View : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    std::unique_ptr<TView_diff_frame> Open(const QImage& base, const QImage& modified,
                                           T_Paged_Kind paged = T_Paged_Kind::None)
    {
        const auto [left, right] =
            test::Write_Picture_Pair(dir, base, modified, paged != T_Paged_Kind::None);
        auto frame =
            std::make_unique<TView_diff_frame>(nullptr, left, "Base version", right, "", nullptr,
                                               T_Converter_Kind::None, paged, Exporters);
        frame->resize(1000, 700);
        frame->show();
        frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        EXPECT_TRUE(Settled(*frame));
        return frame;
    }
    // The one-pane view as drawn, in its picture control's pixels.
    static QImage Shown(const TView_diff_frame& frame)
    {
        return test::Find_Blend_Pane(frame)->Image1->grab().toImage();
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    T_Exporter_Factory Exporters = [](T_Paged_Kind) { return nullptr; };
};

} // namespace

TEST_F(Differences_View, RemovedAddedAndRecolouredPixelsShowInTheirColoursOverTheWashedOutPicture)
{
    const Square removed{{40, 40, 30, 30}}, added{{80, 180, 50, 50}};
    const Square recoloured{{200, 40, 30, 30}, Qt::blue}, kept{{300, 200, 20, 20}};
    auto frame = Open(Paper({400, 300}, {removed, recoloured, kept}),
                      Paper({400, 300}, {added, {recoloured.Box, QColor(255, 128, 0)}, kept}));
    ASSERT_NE(frame->Differences(), nullptr);
    EXPECT_EQ(frame->Differences()->Regions.size(), 3u);
    // 900 + 2,500 + 900 of 120,000 pixels.
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("3 changes, 4,300 px, 3.58 %")))
        << Status(*frame).toStdString();

    QTest::keyClick(test::Find_Pane(*frame, "View_Image_Frame1")->ScrollBox1, Qt::Key_D);
    ASSERT_EQ(frame->Layout(), T_Pane_Layout::Differences);
    QImage shown = Shown(*frame);
    EXPECT_TRUE(Near(shown.pixelColor(removed.Box.center()), Red));
    EXPECT_TRUE(Near(shown.pixelColor(added.Box.center()), Green));
    EXPECT_TRUE(Near(shown.pixelColor(recoloured.Box.center()), Amber));
    // Corners of the changes are theirs too; the pixel beside one is not.
    EXPECT_TRUE(Near(shown.pixelColor(added.Box.bottomRight()), Green));
    EXPECT_TRUE(Near(shown.pixelColor(added.Box.bottomRight() + QPoint(1, 1)), Qt::white));
    // Ink that did not change is washed out to a light grey, paper stays white.
    EXPECT_TRUE(Near(shown.pixelColor(kept.Box.center()), QColor(191, 191, 191), 6));
    EXPECT_TRUE(Near(shown.pixelColor(390, 290), Qt::white));

    // The modified picture moved up and left: the view starts at its top
    // left, and the base's changes move down and right in it.
    frame->Nudge_Offset(QPoint(-10, -5));
    ASSERT_TRUE(Settled(*frame));
    shown = Shown(*frame);
    const QRect moved = removed.Box.translated(10, 5);
    EXPECT_TRUE(Near(shown.pixelColor(moved.topLeft()), Red));
    EXPECT_TRUE(Near(shown.pixelColor(moved.bottomRight()), Red));
    EXPECT_TRUE(Near(shown.pixelColor(moved.topLeft() - QPoint(1, 1)), Qt::white));
    EXPECT_TRUE(Near(shown.pixelColor(added.Box.bottomRight()), Green));
}

TEST_F(Differences_View, APictureThatOnlyGrewIsAChangeAndTheStatusSaysTheSizesDiffer)
{
    // Nothing but paper added below: the window must not say "No differences".
    auto frame = Open(Paper({100, 100}, {}), Paper({100, 120}, {}));
    ASSERT_NE(frame->Differences(), nullptr);
    EXPECT_EQ(frame->Differences()->Changed_Pixels, 2000u);
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("sizes differ (100 x 100 / 100 x 120)")))
        << Status(*frame).toStdString();
}

TEST_F(Differences_View, ToleranceAndAntialiasingSettingsComputeTheDifferencesAgain)
{
    // A faint square (a slight colour change) and a grey column on the
    // square's edge, the way a re-rendered line blends into the paper.
    const Square ink{{40, 40, 30, 30}}, faint{{120, 40, 30, 30}, QColor(240, 240, 240)};
    const Square edge{{70, 40, 1, 30}, QColor(128, 128, 128)};
    auto frame = Open(Paper({200, 150}, {ink}), Paper({200, 150}, {ink, faint, edge}));
    auto changed = [&] { return frame->Differences()->Changed_Pixels; };
    EXPECT_EQ(changed(), 0u);
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("No differences")));
    // Nothing to step to: the step says so and moves nothing.
    test::Find_Action(*frame, "Next_Change_A")->trigger();
    EXPECT_EQ(frame->Current_Change(), -1);
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("No differences")));

    test::Find<QSpinBox>(*frame, "Tolerance_E")->setValue(0);
    EXPECT_EQ(frame->Differences(), nullptr);
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("Finding differences...")));
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(changed(), 900u);
    test::Find<QCheckBox>(*frame, "Ignore_Antialiasing_C")->setChecked(false);
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(changed(), 930u);
    test::Find<QSpinBox>(*frame, "Tolerance_E")->setValue(10);
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(changed(), 30u);
    ASSERT_EQ(frame->Differences()->Regions.size(), 1u);
    EXPECT_EQ(frame->Differences()->Regions[0].Kind, T_Change_Region::T_Kind::Added);
}

TEST_F(Differences_View, StepsGoTopToBottomWrapAroundAndBringTheChangeIntoEveryPane)
{
    const Square first{{1900, 100, 20, 20}}, second{{150, 900, 20, 20}},
        third{{1200, 1600, 20, 20}};
    auto frame = Open(Paper({2400, 1800}), Paper({2400, 1800}, {third, first, second}));
    const QRect order[] = {first.Box, second.Box, third.Box};
    test::Find_Pane(*frame, "View_Image_Frame1")->ScrollBox1->setFocus();
    struct Step {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int Expected;
    };
    const Step steps[] = {{Qt::Key_F8, {}, 0},
                          {Qt::Key_N, {}, 1},
                          {Qt::Key_F8, {}, 2},
                          {Qt::Key_N, {}, 0},                 // wraps to the first
                          {Qt::Key_F8, Qt::ShiftModifier, 2}, // and back to the last
                          {Qt::Key_P, {}, 1}};
    for (const Step& step : steps) {
        QTest::keyClick(test::Find_Pane(*frame, "View_Image_Frame1")->ScrollBox1, step.Key,
                        step.Modifiers);
        ASSERT_EQ(frame->Current_Change(), step.Expected) << "key " << step.Key;
        const QRect box = order[step.Expected];
        EXPECT_TRUE(In_View(test::Find_Pane(*frame, "View_Image_Frame1"), box))
            << "change " << step.Expected;
        EXPECT_TRUE(In_View(test::Find_Pane(*frame, "View_Image_Frame2"), box))
            << "change " << step.Expected;
        EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->Zoom(),
                  1.0); // small changes need no zoom
        EXPECT_TRUE(Status(*frame).contains(
            QStringLiteral("Change %1 of 3, 1,200 px").arg(step.Expected + 1)))
            << Status(*frame).toStdString();
    }

    // A change larger than the panes: they zoom out until it fits.
    const Square large{{100, 100, 1300, 900}};
    frame = Open(Paper({1600, 1200}), Paper({1600, 1200}, {large}));
    test::Find_Action(*frame, "Next_Change_A")->trigger();
    EXPECT_LT(test::Find_Pane(*frame, "View_Image_Frame1")->Zoom(), 0.5);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame2")->Zoom(),
              test::Find_Pane(*frame, "View_Image_Frame1")->Zoom());
    EXPECT_TRUE(In_View(test::Find_Pane(*frame, "View_Image_Frame1"), large.Box));
    EXPECT_TRUE(In_View(test::Find_Pane(*frame, "View_Image_Frame2"), large.Box));
}

TEST_F(Differences_View, ShowChangesOutlinesEveryPaneAndTheModifiedPaneInItsOwnPixels)
{
    const Square removed{{20, 120, 20, 20}}, added{{100, 50, 30, 30}};
    auto frame = Open(Paper({300, 200}, {removed}), Paper({300, 200}, {added}));
    TView_Image_Frame* base = test::Find_Pane(*frame, "View_Image_Frame1");
    TView_Image_Frame* modified = test::Find_Pane(*frame, "View_Image_Frame2");
    EXPECT_TRUE(base->Image1->Change_Frames().empty());

    test::Find<QCheckBox>(*frame, "Show_Changes_C")->setChecked(true);
    for (TView_Image_Frame* pane : {base, modified}) {
        EXPECT_EQ(Boxes(pane), (std::vector<QRect>{added.Box, removed.Box}));
        ASSERT_EQ(pane->Image1->Change_Frames().size(), 2u);
        EXPECT_EQ(pane->Image1->Change_Frames()[0].Colour, Green);
        EXPECT_EQ(pane->Image1->Change_Frames()[1].Colour, Red);
    }
    // The outline is drawn a few pixels outside the change.
    const QImage drawn = base->Image1->grab().toImage();
    int outline = 0;
    for (int x = added.Box.left() - 5; x < added.Box.left(); ++x)
        outline += drawn.pixelColor(x, added.Box.center().y()) == Green;
    EXPECT_EQ(outline, 1);

    // The square removed and the larger one added are one edit (moved and
    // changed): one step rings both of its places, in every pane.
    ASSERT_EQ(frame->Differences()->Changes.size(), 1u);
    test::Find_Action(*frame, "Next_Change_A")->trigger();
    EXPECT_TRUE(base->Image1->Change_Frames()[0].Current);
    EXPECT_TRUE(modified->Image1->Change_Frames()[0].Current);
    EXPECT_TRUE(modified->Image1->Change_Frames()[1].Current);

    // Moved against the base, the modified picture's changes land elsewhere
    // on the base; its own pane still outlines its own pixels.
    frame->Nudge_Offset(QPoint(10, 5));
    EXPECT_TRUE(base->Image1->Change_Frames().empty()); // until the new result
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(Boxes(base), (std::vector<QRect>{added.Box.translated(10, 5), removed.Box}));
    EXPECT_EQ(Boxes(modified), (std::vector<QRect>{added.Box, removed.Box.translated(-10, -5)}));
    EXPECT_EQ(frame->Current_Change(), -1);

    test::Find_Action(*frame, "Differences_A")->trigger();
    EXPECT_EQ(Boxes(test::Find_Blend_Pane(*frame)), Boxes(base));
    test::Find<QCheckBox>(*frame, "Show_Changes_C")->setChecked(false);
    for (TView_Image_Frame* pane :
         {base, modified, static_cast<TView_Image_Frame*>(test::Find_Blend_Pane(*frame))})
        EXPECT_TRUE(pane->Image1->Change_Frames().empty());
}

namespace {

// The base's second page claims four shapes, and comes out blank.
class Undrawn_Pages : public Square_Pages {
protected:
    int Page_Content(int Doc_Index, int page) override
    {
        return Doc_Index == 0 && page == 1 ? 4 : -1;
    }
};

} // namespace

TEST_F(Differences_View, APagedPairKeepsTheChangeCountOfEveryPagePairShown)
{
    Exporters = [](T_Paged_Kind) { return Make_Exporter<Square_Pages>(); };
    auto frame = Open({}, {}, T_Paged_Kind::Kompas);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_EQ(frame->Session().Changes(0, 0), 0);
    EXPECT_EQ(frame->Session().Changes(1, 1), -1);

    test::Choose_Page(*frame, "LeftTabs", 1); // the right side follows
    ASSERT_EQ(frame->Session().RightPage, 1);
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(frame->Session().Changes(1, 1), 2);
    EXPECT_EQ(frame->Session().Changes(0, 0), 0);
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("2 changes")));
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Differences_View, APageThatHoldsShapesButCameOutBlankIsAnErrorNotAVerdict)
{
    Exporters = [](T_Paged_Kind) { return Make_Exporter<Undrawn_Pages>(); };
    auto frame = Open({}, {}, T_Paged_Kind::Kompas);
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(frame->Model().Drawing_Failure(), ""); // page 0 holds nothing to draw
    test::Choose_Page(*frame, "LeftTabs", 1);
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(frame->Model().Verdict(), T_Verdict::Error);
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("came out blank")))
        << Status(*frame).toStdString();
    T_Page_Tab_Bar* tabs = test::Find_Tabs(*frame, "LeftTabs")->TabControl1;
    EXPECT_TRUE(tabs->tabToolTip(1).contains(QStringLiteral("the base version came out blank")))
        << tabs->tabToolTip(1).toStdString();
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Differences_View, SidesOfDifferentKindsOpenAsThePicturesTheyShow)
{
    if (!test::Converter_Is_ImageMagick)
        GTEST_SKIP() << "needs ImageMagick's own conversions";
    Set_Converter_Path(VARNOLT_TEST_CONVERTER);
    // An SVG base against the converter's own PNG of it, then against the
    // same PNG with a box added.
    test::Write_File(dir / "old.svg",
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"90\" height=\"60\">"
                     "<rect width=\"90\" height=\"60\" fill=\"white\"/>"
                     "<rect x=\"10\" y=\"10\" width=\"30\" height=\"20\" fill=\"black\"/></svg>");
    const std::string command = std::string("\"") + VARNOLT_TEST_CONVERTER + "\" \"" +
                                dir / "old.svg" + "\" \"" + dir / "new.png" + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    QImage edited(QString::fromStdString(dir / "new.png"));
    QPainter(&edited).fillRect(60, 40, 10, 5, Qt::black);
    ASSERT_TRUE(edited.save(QString::fromStdString(dir / "edited.png")));
    for (const char* modified : {"new.png", "edited.png"}) {
        TView_diff_frame frame(nullptr, dir / "old.svg", "Base version", dir / modified, "",
                               nullptr, T_Converter_Kind::None, T_Paged_Kind::None);
        ASSERT_EQ(frame.ViewMode(), T_View_Mode::Actual_Size) << modified;
        ASSERT_TRUE(Settled(frame));
        EXPECT_EQ(frame.Differences()->Changed_Pixels,
                  modified == std::string("new.png") ? 0u : 50u);
        EXPECT_TRUE(Status(frame).contains(modified == std::string("new.png")
                                               ? QStringLiteral("No differences")
                                               : QStringLiteral("1 change, 50 px")))
            << Status(frame).toStdString();
    }
    EXPECT_TRUE(messages.Messages.empty());
}
