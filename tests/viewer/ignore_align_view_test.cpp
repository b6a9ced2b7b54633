// Ignore regions and alignment in the diff view: a loaded file takes its
// regions out of the differences and hatches them in the panes, a file that
// cannot be used is reported and changes nothing, and an aligned comparison
// finds only what changed on a moved drawing, shows it moved, and says so.
#include "tests/diff_view_support.h"
#include "viewer/ignore_align_controls.h"
#include "tests/viewer/square_pages.h"
#include "tests/test_support.h"
#include "tests/viewer/view_test_support.h"
#include "viewer/u_file_dialog.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

using test::Settled;
using test::Status;

using test::Paper;
using test::Square;
using test::Wait_For;

// Answers with a file chosen beforehand, or cancels when there is none.
class Answering_Dialog : public T_File_Dialog {
public:
    explicit Answering_Dialog(QString Answer)
        : T_File_Dialog(T_Kind::Open), Answer_(std::move(Answer))
    {
    }
    bool Execute(QWidget*) override
    {
        FileName = Answer_;
        return !Answer_.isEmpty();
    }

private:
    QString Answer_;
};

class Ignore_Align_View : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    std::unique_ptr<TView_diff_frame> Open(const QImage& base, const QImage& modified)
    {
        const auto [left, right] = test::Write_Picture_Pair(dir, base, modified, false);
        auto frame = std::make_unique<TView_diff_frame>(nullptr, left, "Base version", right, "",
                                                        nullptr, T_Converter_Kind::None,
                                                        T_Paged_Kind::None, Exporters);
        frame->resize(1000, 700);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        EXPECT_TRUE(Settled(*frame));
        return frame;
    }
    // Chooses File through the button, as the user does.
    static void Choose(TView_diff_frame& frame, const std::string& file)
    {
        frame.Ignore_Align().Open_Dialog =
            std::make_unique<Answering_Dialog>(QString::fromStdString(file));
        test::Find<QToolButton>(frame, "Ignore_B")->click();
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    T_Exporter_Factory Exporters = [](T_Paged_Kind) { return nullptr; };
};

// Two changes: one under the stamp at the top right, one in the drawing.
const QImage Base = Paper({300, 200});
const QImage Modified = Paper({300, 200}, {{{240, 10, 40, 20}}, {{50, 100, 30, 30}}});

} // namespace

TEST_F(Ignore_Align_View, AnIgnoreFileTakesItsChangesOutOfTheCountAndHatchesItInEveryPane)
{
    auto frame = Open(Base, Modified);
    ASSERT_EQ(frame->Differences()->Regions.size(), 2u);
    auto* button = test::Find<QToolButton>(*frame, "Ignore_B");
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Ignore regions"));
    EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(test::Find_Action(*frame, "Clear_Ignore_A")->isEnabled());

    test::Write_File(dir / "stamp.txt", "# the date stamp\n230, 0, 70, 40\n\n");
    Choose(*frame, dir / "stamp.txt");
    ASSERT_TRUE(Settled(*frame));
    ASSERT_EQ(frame->Differences()->Regions.size(), 1u);
    EXPECT_EQ(frame->Differences()->Regions[0].Left + frame->Differences()->Left, 50);
    EXPECT_EQ(frame->Differences()->Changed_Pixels, 900u);
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("1 ignore region")));
    for (const char* pane : {"View_Image_Frame1", "View_Image_Frame2"})
        EXPECT_EQ(test::Find_Pane(*frame, pane)->Image1->Ignored(), QRegion(230, 0, 70, 40))
            << pane;
    // Drawn hatched: the stamp's white paper is not white any more, the
    // paper beside it is.
    const QImage shown = test::Find_Pane(*frame, "View_Image_Frame1")->Image1->grab().toImage();
    auto greyed = [&](int x, int y) { return shown.pixelColor(x, y) != QColor(Qt::white); };
    int hatched = 0;
    for (int x = 232; x < 298; ++x)
        hatched += greyed(x, 35) ? 1 : 0;
    EXPECT_GT(hatched, 30);
    EXPECT_FALSE(greyed(150, 35));

    test::Find_Action(*frame, "Clear_Ignore_A")->trigger();
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(frame->Differences()->Regions.size(), 2u);
    EXPECT_FALSE(Status(*frame).contains(QStringLiteral("ignore region")));
    EXPECT_TRUE(test::Find_Pane(*frame, "View_Image_Frame1")->Image1->Ignored().isEmpty());
}

TEST_F(Ignore_Align_View, AMaskPictureLeavesOutItsOpaquePixels)
{
    auto frame = Open(Base, Modified);
    QImage mask(300, 200, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    for (int y = 90; y < 140; ++y)
        for (int x = 40; x < 90; ++x)
            mask.setPixelColor(x, y, Qt::black);
    ASSERT_TRUE(mask.save(QString::fromStdString(dir / "mask.png")));
    Choose(*frame, dir / "mask.png");
    ASSERT_TRUE(Settled(*frame));
    ASSERT_EQ(frame->Differences()->Regions.size(), 1u);
    EXPECT_EQ(frame->Differences()->Regions[0].Left + frame->Differences()->Left, 240);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->Image1->Ignored(),
              QRegion(40, 90, 50, 50));
}

TEST_F(Ignore_Align_View, AFileThatCannotBeUsedIsReportedByNameAndChangesNothing)
{
    auto frame = Open(Base, Modified);
    test::Write_File(dir / "stamp.txt", "230,0,70,40\n");
    Choose(*frame, dir / "stamp.txt");
    ASSERT_TRUE(Settled(*frame));
    ASSERT_EQ(frame->Differences()->Regions.size(), 1u);

    // A line that is no rectangle, a file that is not there, a mask of
    // another size than the base: each says which file and why.
    test::Write_File(dir / "bad.txt", "230,0,70,40\n10,10,ten,10\n");
    QImage small(50, 50, QImage::Format_ARGB32);
    small.fill(Qt::transparent);
    small.setPixelColor(1, 1, Qt::black);
    ASSERT_TRUE(small.save(QString::fromStdString(dir / "small.png")));
    for (const char* name : {"bad.txt", "absent.txt", "small.png"}) {
        messages.Messages.clear();
        Choose(*frame, dir / name);
        ASSERT_EQ(messages.Messages.size(), 1u) << name;
        EXPECT_NE(messages.Messages[0].Text.find(name), std::string::npos)
            << messages.Messages[0].Text;
        // The regions loaded before stay, and so do their differences.
        EXPECT_EQ(frame->Ignore_Align().Ignore_Count(), 1) << name;
        ASSERT_NE(frame->Differences(), nullptr);
        EXPECT_EQ(frame->Differences()->Regions.size(), 1u);
    }
    EXPECT_NE(messages.Messages[0].Text.find("50"), std::string::npos)
        << "the sizes that differ: " << messages.Messages[0].Text;
    // The view goes on working: a setting still computes again.
    test::Find_Action(*frame, "Clear_Ignore_A")->trigger();
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(frame->Differences()->Regions.size(), 2u);
    // Cancelling the dialog loads nothing and says nothing.
    messages.Messages.clear();
    Choose(*frame, "");
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(frame->Ignore_Align().Ignore_Count(), 0);
}

TEST_F(Ignore_Align_View, ShiftAlignmentFindsTheOneChangeOnAMovedDrawingAndShowsItMoved)
{
    // A drawing of a few shapes, and the same drawing moved by (13, -9)
    // with one shape added.
    const std::initializer_list<Square> shapes = {{{40, 40, 60, 12}},
                                                  {{150, 60, 20, 80}},
                                                  {{60, 120, 50, 30}, Qt::darkBlue},
                                                  {{220, 30, 30, 30}, Qt::darkGreen}};
    const QImage base = Paper({320, 220}, shapes);
    QImage modified = Paper({320, 220});
    {
        QPainter painter(&modified);
        painter.drawImage(QPoint(13, -9), base);
        painter.fillRect(QRect(230 + 13, 150 - 9, 25, 25), Qt::red);
    }
    auto frame = Open(base, modified);
    EXPECT_GT(frame->Differences()->Regions.size(), 3u) << "not aligned: every shape moved";

    auto* align = test::Find<QComboBox>(*frame, "Align_C");
    EXPECT_EQ(align->accessibleName(), QStringLiteral("Align"));
    align->setCurrentIndex(align->findData(QStringLiteral("shift")));
    ASSERT_TRUE(Settled(*frame));
    ASSERT_EQ(frame->Differences()->Regions.size(), 1u);
    const T_Change_Region& region = frame->Differences()->Regions[0];
    EXPECT_EQ(region.Left + frame->Differences()->Left, 230);
    EXPECT_EQ(region.Top + frame->Differences()->Top, 150);
    EXPECT_TRUE(Status(*frame).contains(QStringLiteral("Aligned: modified shifted by 13, -9 px")))
        << Status(*frame).toStdString();
    // Shown moved back onto the base, as the user's own offset moves it.
    EXPECT_EQ(frame->Offset(), QPoint(-13, 9));
    test::Find_Action(*frame, "Overlay_A")->trigger();
    EXPECT_EQ(test::Find_Blend_Pane(*frame)->Blend()->Offset(), QPoint(-13, 9));

    align->setCurrentIndex(align->findData(QStringLiteral("off")));
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(frame->Offset(), QPoint());
    EXPECT_GT(frame->Differences()->Regions.size(), 3u);
    EXPECT_FALSE(Status(*frame).contains(QStringLiteral("Aligned")));
}

TEST_F(Ignore_Align_View, BandAlignmentShowsTheRedrawnModifiedPictureInTheOnePaneViews)
{
    // Rows of shapes, and the same with a band of 40 rows put in between.
    QImage base = Paper({260, 240});
    QImage modified = Paper({260, 280});
    {
        QPainter top(&base), bottom(&modified);
        for (int row = 0; row < 5; ++row) {
            const QRect shape(20 + 30 * row, 10 + 45 * row, 80, 20);
            top.fillRect(shape, Qt::black);
            bottom.fillRect(shape.translated(0, row >= 3 ? 40 : 0), Qt::black);
        }
        bottom.fillRect(QRect(100, 150, 60, 20), Qt::darkRed);
    }
    auto frame = Open(base, modified);
    test::Find_Action(*frame, "Differences_A")->trigger();
    auto* align = test::Find<QComboBox>(*frame, "Align_C");
    align->setCurrentIndex(align->findData(QStringLiteral("bands")));
    ASSERT_TRUE(Settled(*frame));
    const T_Aligned_Difference* aligned = frame->Model().Aligned();
    ASSERT_NE(aligned, nullptr);
    ASSERT_TRUE(aligned->Alignment.Aligned) << aligned->Alignment.Summary();
    EXPECT_TRUE(Status(*frame).contains(QString::fromStdString(aligned->Alignment.Summary())));
    // The one-pane view shows the modified picture as it was compared: on
    // the base's rows, the shapes below the band back in their places.
    const QImage shown = test::Find_Blend_Pane(*frame)->Blend()->Modified();
    ASSERT_EQ(shown.height(), base.height());
    EXPECT_EQ(shown.pixelColor(20 + 30 * 4 + 5, 10 + 45 * 4 + 5), QColor(Qt::black));
    EXPECT_EQ(frame->Offset(), QPoint());

    align->setCurrentIndex(align->findData(QStringLiteral("off")));
    ASSERT_TRUE(Settled(*frame));
    EXPECT_EQ(test::Find_Blend_Pane(*frame)->Blend()->Modified().height(), modified.height());
}
