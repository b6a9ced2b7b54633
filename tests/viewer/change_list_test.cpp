// The change list beside a diff view: its rows for known regions, numeric
// sorting, choosing a row to centre the change in every pane, following the
// view's own steps, page switches and new differences, and the ring drawn
// around the current change at every zoom.
#include "viewer/change_list.h"
#include "viewer/change_list_rows.h"
#include "viewer/current_change.h"
#include "tests/diff_view_support.h"
#include "tests/headless/drawn_revisions.h"
#include "tests/viewer/square_pages.h"
#include "tests/test_support.h"
#include "tests/viewer/view_test_support.h"
#include "automation/u_multi_page_const.h"
#include "viewer/u_pane_image.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using test::Paper;
using test::Square;
using test::Square_Pages;
using test::Wait_For;

class Change_List : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    // The view with its list beside it, once the differences are known.
    void Open(const QImage& base, const QImage& modified, T_Paged_Kind paged = T_Paged_Kind::None)
    {
        const auto [left, right] =
            test::Write_Picture_Pair(dir, base, modified, paged != T_Paged_Kind::None);
        list.reset();
        frame =
            std::make_unique<TView_diff_frame>(nullptr, left, "Base version", right, "", nullptr,
                                               T_Converter_Kind::None, paged, Exporters);
        list = std::make_unique<T_Change_List>(frame->Context(), nullptr);
        frame->resize(1000, 700);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        EXPECT_TRUE(Settled());
    }
    bool Settled() const
    {
        return Wait_For([&] { return frame->Differences() != nullptr; });
    }
    QTreeWidget& Rows() const { return *list->Rows(); }
    QString Cell(int row, T_Change_Column column) const
    {
        return Rows().topLevelItem(row)->text(int(column));
    }
    std::vector<std::string> Column(T_Change_Column column) const
    {
        std::vector<std::string> cells;
        for (int row = 0; row < Rows().topLevelItemCount(); ++row)
            cells.push_back(Cell(row, column).toStdString());
        return cells;
    }
    // The row that lists region Index.
    QTreeWidgetItem* Row_Of(int index) const
    {
        for (int row = 0; row < Rows().topLevelItemCount(); ++row)
            if (T_Change_List::Region_Of(Rows().topLevelItem(row)) == index)
                return Rows().topLevelItem(row);
        return nullptr;
    }
    TView_Image_Frame* Pane(const char* name) const { return test::Find_Pane(*frame, name); }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    T_Exporter_Factory Exporters = [](T_Paged_Kind) { return nullptr; };
    std::unique_ptr<TView_diff_frame> frame;
    std::unique_ptr<T_Change_List> list; // declared after the view: it goes first
};

} // namespace

TEST_F(Change_List, RowsGiveKindSizePositionPixelsAndHowFarAShapeMoved)
{
    const Square removed{{40, 40, 10, 10}}, added{{200, 40, 30, 20}},
        recoloured{{40, 200, 20, 20}, Qt::red}, moved_from{{200, 200, 20, 20}};
    Open(Paper({400, 300}, {removed, {recoloured.Box}, moved_from}),
         Paper({400, 300}, {added, recoloured, {moved_from.Box.translated(50, 10)}}));
    ASSERT_EQ(Rows().topLevelItemCount(), 4);
    EXPECT_FALSE(list->Empty_Line()->isVisibleTo(list.get()));
    // Found top to bottom, then left to right.
    EXPECT_EQ(Column(T_Change_Column::Kind),
              (std::vector<std::string>{"Removed", "Added", "Changed", "Moved"}));
    EXPECT_EQ(Column(T_Change_Column::Size),
              (std::vector<std::string>{"10 x 10", "30 x 20", "20 x 20", "70 x 30"}));
    EXPECT_EQ(Column(T_Change_Column::Position),
              (std::vector<std::string>{"40, 40", "200, 40", "40, 200", "200, 200"}));
    EXPECT_EQ(Column(T_Change_Column::Pixels),
              (std::vector<std::string>{"100", "600", "400",
                                        Cell(3, T_Change_Column::Pixels).toStdString()}));
    // Pictures have no text layer: the text columns are not shown.
    EXPECT_TRUE(Rows().isColumnHidden(int(T_Change_Column::Old_Text)));
    EXPECT_TRUE(Rows().isColumnHidden(int(T_Change_Column::New_Text)));
    EXPECT_EQ(Column(T_Change_Column::Moved),
              (std::vector<std::string>{"", "", "", "moved by 50, 10"}));
    // Every row has its picture: removed ink from the base, the rest from
    // the modified picture.
    for (int row = 0; row < 4; ++row)
        EXPECT_FALSE(Rows().topLevelItem(row)->icon(int(T_Change_Column::Number)).isNull()) << row;
    const T_Difference& difference = *frame->Differences();
    const QImage base = frame->Model().Picture(T_Side::Left).Image;
    const QImage modified = frame->Model().Picture(T_Side::Right).Image;
    const QImage gone = Change_Thumbnail(difference, difference.Regions[0], base, modified, {}, 48);
    ASSERT_EQ(gone.size(), QSize(48, 48));
    EXPECT_EQ(gone.pixelColor(24, 24), QColor(Qt::black));
    const QImage red = Change_Thumbnail(difference, difference.Regions[2], base, modified, {}, 48);
    EXPECT_EQ(red.pixelColor(24, 24), QColor(Qt::red));
    EXPECT_TRUE(list->Toggle_Action()->isChecked()); // opened by the changes found
}

// Rows added by a band alignment have no height in the base's pixels: the
// row gives their size in the modified picture, where they exist.
TEST(Change_List_Rows, AnAddedBandOfRowsHasItsSizeInTheModifiedPicture)
{
    T_Difference difference;
    difference.Left = 5;
    difference.Regions = {{T_Change_Region::T_Kind::Added, 10, 100, 430, 0, 2000},
                          {T_Change_Region::T_Kind::Changed, 10, 20, 30, 6, 80}};
    T_Alignment alignment;
    alignment.Mode = T_Align_Mode::Bands;
    alignment.Aligned = true;
    // Base rows 0-99 are modified rows 0-99, base rows 100-199 modified
    // rows 140-239: modified rows 100-139 went in before base row 100.
    for (int row = 0; row < 200; ++row)
        alignment.Row_Map.push_back(row < 100 ? row : row + 40);
    alignment.Bands = {{T_Row_Band::T_Kind::Added, 100, 140}};
    const auto size = [](const T_Change_Row& row) {
        return row.Texts[std::size_t(T_Change_Column::Size)].toStdString();
    };
    EXPECT_EQ(size(Make_Change_Row(difference, 0, &alignment)), "430 x 40");
    EXPECT_EQ(Make_Change_Row(difference, 0, &alignment).Keys[std::size_t(T_Change_Column::Size)],
              QVariant(qlonglong(430 * 40)));
    // Everything else as without the alignment; other regions keep their size.
    EXPECT_EQ(Make_Change_Row(difference, 0, &alignment).Texts, [&] {
        T_Change_Row row = Make_Change_Row(difference, 0);
        row.Texts[std::size_t(T_Change_Column::Size)] = QStringLiteral("430 x 40");
        return row.Texts;
    }());
    EXPECT_EQ(size(Make_Change_Row(difference, 1, &alignment)), "30 x 6");
    EXPECT_EQ(size(Make_Change_Row(difference, 0)), "430 x 0");
}

TEST_F(Change_List, EveryRowHoldsItsPictureWithRoomAboveAndBelow)
{
    Open(Paper({400, 300}),
         Paper({400, 300}, {{{20, 20, 8, 60}}, {{200, 40, 60, 60}}, {{100, 200, 5, 5}}}));
    list->resize(300, 400);
    list->show();
    ASSERT_EQ(Rows().topLevelItemCount(), 3);
    const int tallest = T_Change_List::Thumbnail_Side;
    QRect previous;
    for (int row = 0; row < 3; ++row) {
        QTreeWidgetItem* item = Rows().topLevelItem(row);
        const QRect rect = Rows().visualItemRect(item);
        EXPECT_GE(rect.height(), tallest + 2 * T_Change_List::Thumbnail_Margin) << row;
        EXPECT_GE(rect.top(), previous.bottom()) << "rows do not overlap";
        previous = rect;
        // The picture fits the row at its largest side.
        const QSize picture =
            item->icon(int(T_Change_Column::Number)).actualSize(QSize(tallest, tallest));
        EXPECT_LE(picture.height(), tallest) << row;
        EXPECT_LE(picture.width(), tallest) << row;
    }
    EXPECT_LE(list->sizeHint().width(), 320) << "narrow beside the pictures";
}

TEST_F(Change_List, PixelsAndSizesSortAsNumbers)
{
    Open(Paper({400, 100}),
         Paper({400, 100}, {{{10, 10, 10, 10}}, {{100, 10, 4, 4}}, {{200, 10, 30, 30}}}));
    Rows().sortByColumn(int(T_Change_Column::Pixels), Qt::AscendingOrder);
    EXPECT_EQ(Column(T_Change_Column::Pixels), (std::vector<std::string>{"16", "100", "900"}));
    Rows().sortByColumn(int(T_Change_Column::Size), Qt::DescendingOrder);
    EXPECT_EQ(Column(T_Change_Column::Size),
              (std::vector<std::string>{"30 x 30", "10 x 10", "4 x 4"}));
    // Sorted, a row still stands for its own region.
    Rows().setCurrentItem(Rows().topLevelItem(0));
    EXPECT_EQ(frame->Current_Change(), 2);
}

TEST_F(Change_List, AChosenRowIsCentredInEveryPaneZoomedToShowItWhole)
{
    const Square small{{2000, 1500, 20, 10}}, large{{200, 200, 1400, 1000}};
    Open(Paper({2400, 1800}), Paper({2400, 1800}, {small, large}));
    ASSERT_EQ(Rows().topLevelItemCount(), 2);
    for (const Square& square : {small, large}) {
        const int index = square.Box == small.Box ? 1 : 0;
        Rows().setCurrentItem(Row_Of(index));
        ASSERT_EQ(frame->Current_Change(), index);
        EXPECT_TRUE(test::Find<QLabel>(*frame, "Status_L")
                        ->text()
                        .contains(QStringLiteral("Change %1 of 2").arg(index + 1)));
        for (const char* name : {"View_Image_Frame1", "View_Image_Frame2"}) {
            TView_Image_Frame* pane = Pane(name);
            const double zoom = pane->Zoom();
            const QSize view = pane->ScrollBox1->viewport()->size();
            // Whole, and no more than enlarged as far as it takes.
            EXPECT_LE(square.Box.width() * zoom, view.width()) << name;
            EXPECT_LE(square.Box.height() * zoom, view.height()) << name;
            EXPECT_LE(zoom, 8.0);
            if (square.Box == small.Box)
                EXPECT_GT(zoom, 2.0) << name;
            else
                EXPECT_LT(zoom, 1.0) << name;
            const QRectF shown(
                QPointF(pane->ScrollBox1->Horz_Position(), pane->ScrollBox1->Vert_Position()),
                QSizeF(view));
            EXPECT_TRUE(shown.contains(
                QRectF(square.Box.topLeft() * zoom, QSizeF(square.Box.size()) * zoom)))
                << name;
            // Centred where the picture scrolls at all.
            const QPointF centre = QRectF(square.Box).center() * zoom;
            if (square.Box != small.Box)
                continue;
            EXPECT_NEAR(pane->ScrollBox1->Horz_Position() + view.width() / 2.0, centre.x(),
                        zoom + 2)
                << name;
            EXPECT_NEAR(pane->ScrollBox1->Vert_Position() + view.height() / 2.0, centre.y(),
                        zoom + 2)
                << name;
        }
    }
    // The arrow keys move the choice.
    Rows().setFocus();
    Rows().setCurrentItem(Row_Of(0));
    QTest::keyClick(&Rows(), Qt::Key_Down);
    EXPECT_EQ(frame->Current_Change(), 1);
}

TEST_F(Change_List, TheViewsStepsMoveTheSelection)
{
    Open(Paper({400, 300}), Paper({400, 300}, {{{40, 40, 10, 10}}, {{40, 200, 10, 10}}}));
    EXPECT_EQ(Rows().currentItem(), nullptr);
    test::Find_Action(*frame, "Next_Change_A")->trigger();
    EXPECT_EQ(T_Change_List::Region_Of(Rows().currentItem()), 0);
    test::Find_Action(*frame, "Next_Change_A")->trigger();
    EXPECT_EQ(T_Change_List::Region_Of(Rows().currentItem()), 1);
    EXPECT_EQ(frame->Current_Change(), 1);
    // Stepping leaves the zoom alone, as it did without the list.
    EXPECT_EQ(Pane("View_Image_Frame1")->Zoom(), 1.0);
    test::Find_Action(*frame, "Previous_Change_A")->trigger();
    EXPECT_EQ(Rows().selectedItems(), QList<QTreeWidgetItem*>{Row_Of(0)});
}

TEST_F(Change_List, FollowsNewDifferencesAndPageSwitches)
{
    Open(Paper({300, 100}), Paper({300, 100}, {{{20, 20, 10, 10}, QColor(210, 210, 210)}}));
    ASSERT_EQ(Rows().topLevelItemCount(), 1);
    // A tolerance that accepts the near-white square leaves nothing to list.
    test::Find<QSpinBox>(*frame, "Tolerance_E")->setValue(60);
    EXPECT_EQ(list->Empty_Line()->text(), QStringLiteral("Finding differences..."));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(Rows().topLevelItemCount(), 0);
    EXPECT_EQ(list->Empty_Line()->text(), QStringLiteral("No differences"));
    EXPECT_TRUE(list->Empty_Line()->isVisibleTo(list.get()));

    Exporters = [](T_Paged_Kind) { return Make_Exporter<Square_Pages>(); };
    Open({}, {}, T_Paged_Kind::Kompas);
    EXPECT_EQ(Rows().topLevelItemCount(), 0);
    EXPECT_FALSE(list->Toggle_Action()->isChecked()); // nothing to show yet
    test::Choose_Page(*frame, "LeftTabs", 1);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(Column(T_Change_Column::Position), (std::vector<std::string>{"20, 30", "100, 30"}));
    EXPECT_TRUE(list->Toggle_Action()->isChecked());
    // Hidden by the user, it stays hidden when more changes come.
    list->Toggle_Action()->trigger();
    EXPECT_FALSE(list->isVisibleTo(nullptr) && list->Toggle_Action()->isChecked());
    test::Choose_Page(*frame, "LeftTabs", 0);
    ASSERT_TRUE(Settled());
    test::Choose_Page(*frame, "LeftTabs", 1);
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(list->Toggle_Action()->isChecked());
}

TEST_F(Change_List, TheCurrentChangeIsRingedWithShowChangesOffAtTheSameWidthAtEveryZoom)
{
    const Square changed{{100, 100, 20, 20}};
    Open(Paper({400, 300}), Paper({400, 300}, {changed}));
    ASSERT_FALSE(test::Find<QCheckBox>(*frame, "Show_Changes_C")->isChecked());
    TView_Image_Frame* pane = Pane("View_Image_Frame1");
    // Ring pixels on the row through the change's middle, left of it.
    auto ring_width = [&] {
        const QImage drawn = pane->Image1->grab().toImage();
        const QRect box = pane->Image1->Draw_Rect();
        const double zoom = pane->Zoom();
        const int y = box.top() + int((changed.Box.center().y() + 0.5) * zoom);
        const int left = box.left() + int(changed.Box.left() * zoom);
        int ring = 0;
        for (int x = std::max(0, left - 20); x < left; ++x) {
            const QColor colour = drawn.pixelColor(x, y);
            ring += colour == Current_Change_Dark || colour == Current_Change_Bright;
        }
        return ring;
    };
    EXPECT_EQ(ring_width(), 0); // no current change yet
    Rows().setCurrentItem(Row_Of(0));
    const double chosen_zoom = pane->Zoom();
    const int at_chosen = ring_width();
    EXPECT_GE(at_chosen, 3);
    frame->Zoom_100();
    ASSERT_NE(pane->Zoom(), chosen_zoom);
    EXPECT_EQ(ring_width(), at_chosen);
}

TEST_F(Change_List, OneRowPerEditWithItsRegionsBelowIt)
{
    if (!test::Fonts_Draw_Text())
        GTEST_SKIP() << "no font here draws text";
    // A word of the title block edited (several glyphs' regions) and a label
    // moved far: two rows, the word's regions as its children.
    test::T_Sheet_Content revised;
    revised.Revision = "REV C";
    revised.Label += QPoint(-300, 180);
    Open(test::Draw_Sheet({}), test::Draw_Sheet(revised));
    ASSERT_EQ(Rows().topLevelItemCount(), 2);
    const T_Difference& difference = *frame->Differences();
    ASSERT_EQ(difference.Changes.size(), 2u);
    EXPECT_EQ(Column(T_Change_Column::Kind), (std::vector<std::string>{"Moved", "Changed"}));
    EXPECT_EQ(Cell(0, T_Change_Column::Moved), QStringLiteral("moved by -300, 180"));
    int regions = 0;
    for (int row = 0; row < 2; ++row) {
        QTreeWidgetItem* item = Rows().topLevelItem(row);
        const int change = T_Change_List::Change_Of(item);
        ASSERT_GE(change, 0);
        const std::size_t count = difference.Changes[std::size_t(change)].Regions.size();
        EXPECT_EQ(item->childCount(), count > 1 ? int(count) : 0);
        regions += int(count);
    }
    EXPECT_EQ(regions, int(difference.Regions.size()));
    // Choosing the word's row makes its first region the current change.
    Rows().setCurrentItem(Rows().topLevelItem(1));
    EXPECT_EQ(frame->Current_Change(), T_Change_List::Region_Of(Rows().topLevelItem(1)));
}

TEST_F(Change_List, NextStepsChangeByChangeAndARegionStaysReachableUnderItsChange)
{
    // Three edits far apart on a sheet, each of three marks a little apart
    // on one line: three changes of three regions.
    QImage marked = Paper({1600, 1200});
    QPainter painter(&marked);
    for (const QPoint at : {QPoint(100, 100), QPoint(700, 600), QPoint(1200, 1000)})
        for (int mark = 0; mark < 3; ++mark)
            painter.fillRect(QRect(at + QPoint(mark * 54, 0), QSize(30, 30)), Qt::black);
    painter.end();
    Open(Paper({1600, 1200}), marked);
    const T_Difference& difference = *frame->Model().Differences();
    ASSERT_EQ(difference.Changes.size(), 3u);
    for (const T_Change& change : difference.Changes)
        ASSERT_EQ(change.Regions.size(), 3u);
    const QLabel& status = *test::Find<QLabel>(*frame, "Status_L");
    T_Current_Change& current = frame->Current();

    for (int step = 0; step < 2; ++step)
        test::Find_Action(*frame, "Next_Change_A")->trigger();
    EXPECT_EQ(current.Change(), 1);
    EXPECT_TRUE(current.Whole());
    EXPECT_TRUE(status.text().contains(QStringLiteral("Change 2 of 3")))
        << status.text().toStdString();
    // The change's row is selected, and every region of it is ringed.
    EXPECT_EQ(T_Change_List::Change_Of(Rows().currentItem()), 1);
    const T_Change& second = difference.Changes[1];
    int ringed = 0;
    for (const T_Change_Frame& outline : Pane("View_Image_Frame1")->Image1->Change_Frames())
        ringed += outline.Current;
    EXPECT_EQ(ringed, int(second.Regions.size()));
    // The change is in view on both sides.
    const QRect box =
        QRect(second.Old_Box.Left + difference.Left, second.Old_Box.Top + difference.Top,
              second.Old_Box.Width, second.Old_Box.Height);
    for (const char* name : {"View_Image_Frame1", "View_Image_Frame2"}) {
        TView_Image_Frame* pane = Pane(name);
        const double zoom = pane->Zoom();
        const QRectF shown(
            QPointF(pane->ScrollBox1->Horz_Position(), pane->ScrollBox1->Vert_Position()),
            QSizeF(pane->ScrollBox1->viewport()->size()));
        EXPECT_TRUE(
            shown.contains(QRectF(QPointF(box.topLeft()) * zoom, QSizeF(box.size()) * zoom)))
            << name;
    }

    // A region's row under the change makes that region alone current; the
    // read-out still names its change, and Next goes on to the next change.
    QTreeWidgetItem* change_row = Rows().currentItem();
    ASSERT_EQ(change_row->childCount(), int(second.Regions.size()));
    Rows().setCurrentItem(change_row->child(1));
    EXPECT_EQ(current.Region(), T_Change_List::Region_Of(change_row->child(1)));
    EXPECT_FALSE(current.Whole());
    EXPECT_TRUE(status.text().contains(QStringLiteral("Change 2 of 3")));
    test::Find_Action(*frame, "Next_Change_A")->trigger();
    EXPECT_TRUE(status.text().contains(QStringLiteral("Change 3 of 3")));
    test::Find_Action(*frame, "Next_Change_A")->trigger();
    EXPECT_TRUE(status.text().contains(QStringLiteral("Change 1 of 3")));
    test::Find_Action(*frame, "Previous_Change_A")->trigger();
    EXPECT_EQ(current.Change(), 2);
}
