// Where the reviewer is in a paged pair when the page tabs are hidden: the
// one-pane views' page indicator, and the pixel read-out across a page
// switch. Real PDF pages drawn by the program's PDF exporter.
#include "tests/pdf/test_pdf_writer.h"
#include "tests/diff_view_support.h"
#include "tests/test_support.h"
#include "tests/viewer/view_test_support.h"
#include "engine/u_temp_files.h"
#include "viewer/page_indicator.h"
#include "viewer/vcs_diff_frame.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Page_Indicator_Text, NamesBothSidesTheirLabelsAndAMissingVersion)
{
    EXPECT_EQ(Page_Indicator_Text({2, 50, "3"}, {3, 51, "4"}),
              QStringLiteral("Base page 3 of 50   |   Modified page 4 of 51"));
    EXPECT_EQ(Page_Indicator_Text({0, 2, "A-101"}, {0, 0, ""}),
              QStringLiteral("Base page 1 of 2 (A-101)   |   no modified version"));
}

// A sheet all of one grey, `width` points wide.
test::Pdf_Page Grey_Sheet(double width, double shade)
{
    return {width, 300, test::Box(0, 0, width, 300, shade), "<< >>", ""};
}

class Paged_Place : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        // Black, then white sheets: a page switch shows in every pixel.
        test::Write_File(dir / "a.pdf", test::Make_Pdf({Grey_Sheet(400, 0), Grey_Sheet(600, 1),
                                                        Grey_Sheet(400, 0)}));
        test::Write_File(dir / "b.pdf", test::Make_Pdf({Grey_Sheet(400, 0), Grey_Sheet(600, 1),
                                                        Grey_Sheet(400, 0), Grey_Sheet(400, 1)}));
        frame = std::make_unique<TView_diff_frame>(nullptr, dir / "a.pdf", "Base version",
                                                   dir / "b.pdf", "", nullptr,
                                                   T_Converter_Kind::None, T_Paged_Kind::Pdf);
        frame->resize(1000, 700);
        frame->show();
    }
    QString Status() const { return test::Find<QLabel>(*frame, "Status_L")->text(); }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    std::unique_ptr<TView_diff_frame> frame;
};

} // namespace

#ifndef VARNOLT_TEST_NO_PDF
TEST_F(Paged_Place, TheOnePaneViewsSayWhichPageOfHowManyEachSideShows)
{
    ASSERT_TRUE(test::Settled(*frame));
    QLabel* indicator = Add_Page_Indicator(frame->Context());
    // Side by side the tabs say it; the indicator is made with the one-pane view.
    EXPECT_EQ(indicator, nullptr);
    for (const char* view : {"Overlay_A", "Blink_A", "Swipe_A", "Differences_A"}) {
        SCOPED_TRACE(view);
        test::Find_Action(*frame, view)->trigger();
        indicator =
            test::Find_Blend_Pane(*frame)->findChild<QLabel*>(QStringLiteral("Page_Indicator_L"));
        ASSERT_NE(indicator, nullptr);
        EXPECT_TRUE(indicator->isVisible());
        EXPECT_EQ(indicator->text(), QStringLiteral("Base page 1 of 3   |   Modified page 1 of 4"));
    }
    // A switch on the modified side takes the base's counterpart along.
    test::Find_Tabs(*frame, "RightTabs")->Select_Index(1);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(indicator->text(), QStringLiteral("Base page 2 of 3   |   Modified page 2 of 4"));
    // Without Sync pages the sides part.
    test::Find_Action(*frame, "Sync_Pages_A")->setChecked(false);
    frame->Right_Page_Change(3);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(indicator->text(), QStringLiteral("Base page 2 of 3   |   Modified page 4 of 4"));
    // Read as it is by a screen reader: a label named by its text.
    EXPECT_TRUE(indicator->accessibleName().isEmpty());
    test::Find_Action(*frame, "Side_By_Side_A")->trigger();
    EXPECT_FALSE(indicator->isVisible());
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Paged_Place, TheReadOutReadsTheNewPageUnderTheRestingMouse)
{
    ASSERT_TRUE(test::Settled(*frame));
    frame->Fit_AExecute();
    TView_Image_Frame* base = test::Find_Pane(*frame, "View_Image_Frame1");
    QWidget* viewport = base->ScrollBox1->viewport();
    const QPoint rest(150, 40);
    const QPoint at = base->Image1->mapFrom(viewport, rest);
    QMouseEvent move(QEvent::MouseMove, at, base->Image1->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(base->Image1, &move);
    ASSERT_TRUE(Status().contains(QStringLiteral("base #000000, modified #000000")));
    // The second sheets are white and wider: fitted, another picture point
    // lies under the mouse.
    test::Find_Tabs(*frame, "LeftTabs")->Select_Index(1);
    ASSERT_TRUE(test::Settled(*frame));
    const QPointF under = base->Image1->Content_Point(base->Image1->mapFrom(viewport, rest));
    const QString expected = QStringLiteral("x %1, y %2: base #FFFFFF, modified #FFFFFF")
                                 .arg(int(std::floor(under.x())))
                                 .arg(int(std::floor(under.y())));
    EXPECT_TRUE(test::Wait_For([&] { return Status().contains(expected); }, 3000))
        << Status().toStdString() << " wanted " << expected.toStdString();
    EXPECT_TRUE(messages.Messages.empty());
}
#endif
