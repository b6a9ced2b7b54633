// The text of change regions of PDF pages: words read from the text layer
// with their boxes in the page picture's pixels, regions grown to whole
// words, what became of a region's text, and the change list's text
// columns for PDF pages, scans included.
#include "viewer/change_list.h"
#include "viewer/change_list_rows.h"
#include "pdf/page_pair_text.h"
#include "pdf/pdf_region_text.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"

#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using test::Text_Page;

class Region_Text : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    std::string Pdf(const std::string& name, const test::Pdf_Page& page)
    {
        std::string path = dir / name;
        test::Write_File(path, test::Make_Pdf({page}));
        return path;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
};

} // namespace

TEST_F(Region_Text, WordsHaveBoxesInThePagePicturesPixels)
{
    T_Pdf_Text_Layer layer(Pdf("a.pdf", Text_Page("5600 mm")));
    const T_Page_Words& page = layer.Words(0);
    ASSERT_TRUE(page.Has_Text_Layer);
    ASSERT_EQ(page.Words.size(), 2u);
    EXPECT_EQ(page.Words[0].Text, "5600");
    EXPECT_EQ(page.Words[1].Text, "mm");
    // 100 pt from the left at 150 dpi; the baseline 142 pt from the top.
    const T_Page_Word& number = page.Words[0];
    EXPECT_NEAR(number.Left, 100 * 150 / 72.0, 6);
    EXPECT_LT(number.Top, 142 * 150 / 72.0);
    EXPECT_GT(number.Bottom, 142 * 150 / 72.0 - 10);
    EXPECT_LT(number.Right, page.Words[1].Left);
    // A page that does not exist has no words, and no text layer.
    EXPECT_FALSE(layer.Words(3).Has_Text_Layer);
}

TEST_F(Region_Text, ARegionTakesTheWholeWordsItMeets)
{
    T_Pdf_Text_Layer layer(Pdf("a.pdf", Text_Page("5600 mm")));
    const T_Page_Words& page = layer.Words(0);
    ASSERT_EQ(page.Words.size(), 2u);
    const T_Page_Word& number = page.Words[0];
    const int middle_y = int((number.Top + number.Bottom) / 2);
    // A few pixels of the third digit give the whole number, not "0".
    const int third_digit = int(number.Left + (number.Right - number.Left) * 0.6);
    EXPECT_EQ(Text_In(page, {third_digit, middle_y, 3, 3}), "5600");
    // Across both words, in reading order.
    EXPECT_EQ(Text_In(page, {third_digit, middle_y, 200, 2}), "5600 mm");
    // Beside the text: nothing.
    EXPECT_EQ(Text_In(page, {third_digit, middle_y + 200, 50, 50}), "");
}

TEST_F(Region_Text, APageDrawnWithoutTextHasNoTextLayer)
{
    T_Pdf_Text_Layer scan(
        Pdf("scan.pdf", {595, 842, test::Sheet_Frame() + test::Box(100, 600, 80, 30)}));
    EXPECT_FALSE(scan.Words(0).Has_Text_Layer);
    T_Pdf_Text_Layer broken(dir / "missing.pdf");
    EXPECT_FALSE(broken.Words(0).Has_Text_Layer);
}

TEST_F(Region_Text, TextChangesAreChangedMovedSameOrNone)
{
    T_Page_Words old_page{true, {{"5600", 100, 100, 160, 130}, {"Title", 100, 400, 200, 430}}};
    T_Page_Words new_page{true, {{"5650", 100, 100, 160, 130}, {"Title", 300, 500, 400, 530}}};
    const T_Rectangle number{120, 105, 10, 10};
    auto classify = [&](const T_Rectangle& box, bool moved_region = false) {
        T_Region_Text texts{Text_In(old_page, box), Text_In(new_page, box)};
        return Classify_Text_Change(texts, old_page, box, new_page, box, moved_region);
    };
    EXPECT_EQ(classify(number), T_Text_Change::Changed);
    // "Title" left its place and stands nearby on the new page; where it
    // went, it stood nearby on the old one.
    EXPECT_EQ(classify({100, 400, 100, 30}), T_Text_Change::Moved);
    EXPECT_EQ(classify({300, 500, 100, 30}), T_Text_Change::Moved);
    EXPECT_EQ(classify({700, 700, 20, 20}), T_Text_Change::None);
    // Far away it is another text, not a moved one.
    new_page.Words[1] = {"Title", 2000, 2400, 2100, 2430};
    EXPECT_EQ(classify({100, 400, 100, 30}), T_Text_Change::Changed);
    // The same word on both sides: the change is in the drawing around it,
    // unless the region is a moved shape.
    new_page.Words[0].Text = "5600";
    EXPECT_EQ(classify(number), T_Text_Change::Same);
    EXPECT_EQ(classify(number, true), T_Text_Change::Moved);
}

namespace {

class Change_List_Text : public Region_Text {
protected:
    void Open(const std::string& left, const std::string& right)
    {
        frame =
            std::make_unique<TView_diff_frame>(nullptr, left, "Base version", right, "", nullptr,
                                               T_Converter_Kind::None, T_Paged_Kind::Pdf);
        list = std::make_unique<T_Change_List>(frame->Context(), nullptr);
        frame->resize(1000, 700);
        frame->show();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return frame->Differences() && !frame->Differences()->Regions.empty(); }, 30000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !list->Reading_Texts(); }, 30000));
    }
    QTreeWidget& Rows() const { return *list->Rows(); }
    QString Header(T_Change_Column column) const { return Rows().headerItem()->text(int(column)); }

    std::unique_ptr<TView_diff_frame> frame;
    std::unique_ptr<T_Change_List> list;
};

} // namespace

TEST_F(Change_List_Text, RowsOfPdfPagesGiveTheRegionsTextOnEachSide)
{
    Open(Pdf("old.pdf", Text_Page("5600")), Pdf("new.pdf", Text_Page("5650")));
    ASSERT_EQ(Rows().topLevelItemCount(), 1);
    EXPECT_FALSE(Rows().isColumnHidden(int(T_Change_Column::Old_Text)));
    EXPECT_FALSE(Rows().isColumnHidden(int(T_Change_Column::New_Text)));
    EXPECT_EQ(Header(T_Change_Column::Old_Text).toStdString(), "Old text");
    QTreeWidgetItem* row = Rows().topLevelItem(0);
    EXPECT_EQ(row->text(int(T_Change_Column::Old_Text)).toStdString(), "5600");
    EXPECT_EQ(row->text(int(T_Change_Column::New_Text)).toStdString(), "5650");
    EXPECT_EQ(row->toolTip(int(T_Change_Column::Kind)).toStdString(),
              "Old text: 5600\nNew text: 5650");
}

TEST_F(Change_List_Text, AValueEditedNearBothEndsIsOneRowWithItsText)
{
    // The digits kept between the two edited ones are wider than the
    // pictures alone join: the text line makes them one change.
    Open(Pdf("old.pdf", Text_Page("2024-01-10")), Pdf("new.pdf", Text_Page("2025-01-17")));
    ASSERT_EQ(Rows().topLevelItemCount(), 1);
    QTreeWidgetItem* row = Rows().topLevelItem(0);
    EXPECT_EQ(row->text(int(T_Change_Column::Old_Text)).toStdString(), "2024-01-10");
    EXPECT_EQ(row->text(int(T_Change_Column::New_Text)).toStdString(), "2025-01-17");
    EXPECT_GE(row->childCount(), 2);
}

TEST_F(Change_List_Text, RowsAreListedAtOnceAndTheirTextFollows)
{
    Open(Pdf("old.pdf", Text_Page("5600")), Pdf("new.pdf", Text_Page("5650")));
    // A list made for differences already found lists its rows at once,
    // each text cell saying that its text is on its way.
    T_Change_List later(frame->Context(), nullptr);
    ASSERT_EQ(later.Rows()->topLevelItemCount(), 1);
    EXPECT_TRUE(later.Reading_Texts());
    QTreeWidgetItem* row = later.Rows()->topLevelItem(0);
    EXPECT_FALSE(later.Rows()->isColumnHidden(int(T_Change_Column::Old_Text)));
    EXPECT_EQ(row->text(int(T_Change_Column::Old_Text)).toStdString(), "reading text ...");
    EXPECT_EQ(row->text(int(T_Change_Column::New_Text)).toStdString(), "reading text ...");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !later.Reading_Texts(); }, 10000));
    EXPECT_EQ(row->text(int(T_Change_Column::Old_Text)).toStdString(), "5600");
    EXPECT_EQ(row->text(int(T_Change_Column::New_Text)).toStdString(), "5650");
}

TEST_F(Change_List_Text, AScanSaysItHasNoTextLayer)
{
    Open(Pdf("old.pdf", {595, 842, test::Sheet_Frame() + test::Box(100, 600, 80, 30)}),
         Pdf("new.pdf", {595, 842, test::Sheet_Frame() + test::Box(110, 600, 80, 30)}));
    ASSERT_GT(Rows().topLevelItemCount(), 0);
    EXPECT_TRUE(Header(T_Change_Column::Old_Text).contains(QStringLiteral("No text layer")));
    EXPECT_TRUE(Header(T_Change_Column::New_Text).contains(QStringLiteral("No text layer")));
    EXPECT_TRUE(Rows().topLevelItem(0)->toolTip(0).contains(QStringLiteral("No text layer")));
    EXPECT_TRUE(Rows().topLevelItem(0)->text(int(T_Change_Column::Old_Text)).isEmpty());
}
