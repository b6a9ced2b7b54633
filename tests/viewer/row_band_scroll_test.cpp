// Side-by-side panes over a band alignment: the modified pane shows the rows
// that face the base's, stays at the gap while the other side scrolls
// through a band it lacks, and the bands are marked in both panes.
#include "tests/diff_view_support.h"
#include "viewer/row_band_marks.h"
#include "viewer/row_pairing.h"
#include "tests/viewer/square_pages.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "tests/viewer/view_test_support.h"

#include <QComboBox>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Base rows 0-2 and 3-5 pair with modified 0-2 and 6-8 (modified rows 3-5
// added), base rows 6-7 were removed, base 8-9 pair with modified 9-10, and
// modified rows 11-12 were added at the end.
T_Alignment Two_Bands_Each_Way()
{
    T_Alignment alignment;
    alignment.Mode = T_Align_Mode::Bands;
    alignment.Aligned = true;
    alignment.Row_Map = {0, 1, 2, 6, 7, 8, -1, -1, 9, 10};
    alignment.Bands = {{T_Row_Band::T_Kind::Added, 3, 6},
                       {T_Row_Band::T_Kind::Removed, 6, 8},
                       {T_Row_Band::T_Kind::Added, 11, 13}};
    return alignment;
}

} // namespace

TEST(Aligned_Row_Pairing, MatchingRowsFaceEachOtherAndABandFacesItsGap)
{
    const T_Row_Pairing pairing(Two_Bands_Each_Way());
    ASSERT_FALSE(pairing.Identity());
    // Every paired row both ways, fractions of a row included.
    const std::vector<int> map = Two_Bands_Each_Way().Row_Map;
    for (int row = 0; row < int(map.size()); ++row) {
        if (map[std::size_t(row)] < 0)
            continue;
        EXPECT_DOUBLE_EQ(pairing.Modified_Y(row + 0.5), map[std::size_t(row)] + 0.5) << row;
        EXPECT_DOUBLE_EQ(pairing.Base_Y(map[std::size_t(row)] + 0.5), row + 0.5) << row;
    }
    // The base row after the added band faces the row after it: both go on
    // together past the band.
    EXPECT_DOUBLE_EQ(pairing.Modified_Y(3), 6);
    // Inside an added band the base stays where it goes in.
    for (double modified : {3.0, 4.0, 5.5})
        EXPECT_DOUBLE_EQ(pairing.Base_Y(modified), 3) << modified;
    // Inside a removed band the modified side stays at its gap, and its
    // first row after the gap faces the base row after the band.
    for (double base : {6.0, 7.0, 7.9})
        EXPECT_DOUBLE_EQ(pairing.Modified_Y(base), 9) << base;
    EXPECT_DOUBLE_EQ(pairing.Base_Y(9), 8);
    // The band added at the end faces the base's bottom edge; past the
    // pictures rows go on together.
    EXPECT_DOUBLE_EQ(pairing.Base_Y(12), 10);
    EXPECT_DOUBLE_EQ(pairing.Base_Y(15), 12);
    EXPECT_DOUBLE_EQ(pairing.Modified_Y(12), 15);
}

TEST(Aligned_Row_Pairing, IsTheIdentityWithoutABandAlignment)
{
    T_Alignment alignment = Two_Bands_Each_Way();
    alignment.Aligned = false;
    EXPECT_TRUE(T_Row_Pairing(alignment).Identity());
    alignment.Aligned = true;
    alignment.Mode = T_Align_Mode::Shift;
    EXPECT_TRUE(T_Row_Pairing(alignment).Identity());
    const T_Row_Pairing none;
    EXPECT_DOUBLE_EQ(none.Modified_Y(123.5), 123.5);
    EXPECT_DOUBLE_EQ(none.Base_Y(7), 7);
    EXPECT_TRUE(Band_Marks(alignment, none).Base.empty());
}

// A picture moved up by 9 rows faces its base 9 rows higher, both ways; a
// scaled one is left as it lies.
TEST(Aligned_Row_Pairing, AShiftedPictureFacesItsBaseByTheMove)
{
    T_Alignment alignment;
    alignment.Mode = T_Align_Mode::Shift;
    alignment.Aligned = true;
    alignment.Dx = 13;
    alignment.Dy = -9;
    const T_Row_Pairing pairing(alignment);
    ASSERT_FALSE(pairing.Identity());
    EXPECT_DOUBLE_EQ(pairing.Modified_Y(100), 91);
    EXPECT_DOUBLE_EQ(pairing.Base_Y(91), 100);
    EXPECT_DOUBLE_EQ(pairing.Modified_Y(2.5), -6.5);
    EXPECT_TRUE(Band_Marks(alignment, pairing).Modified.empty());
    alignment.Scale = 1.005;
    EXPECT_TRUE(T_Row_Pairing(alignment).Identity());
}

TEST(Aligned_Row_Pairing, RowsPairedAgainstTheOrderDoNotRunTheOtherSideBackwards)
{
    T_Alignment alignment;
    alignment.Mode = T_Align_Mode::Bands;
    alignment.Aligned = true;
    alignment.Row_Map = {0, 1, 5, 2, 6};
    const T_Row_Pairing pairing(alignment);
    double last = -1;
    for (double base = 0; base <= 6; base += 0.25) {
        EXPECT_GE(pairing.Modified_Y(base), last) << base;
        last = pairing.Modified_Y(base);
    }
}

TEST(Aligned_Row_Pairing, BandsAreTintedOnTheirSideAndALineMarksTheGapOnTheOther)
{
    const T_Alignment alignment = Two_Bands_Each_Way();
    const T_Band_Marks marks = Band_Marks(alignment, T_Row_Pairing(alignment));
    const std::vector<T_Row_Mark> base = {
        {3, 3, Added_Band_Colour}, {6, 8, Removed_Band_Colour}, {10, 10, Added_Band_Colour}};
    const std::vector<T_Row_Mark> modified = {
        {3, 6, Added_Band_Colour}, {9, 9, Removed_Band_Colour}, {11, 13, Added_Band_Colour}};
    EXPECT_EQ(marks.Base, base);
    EXPECT_EQ(marks.Modified, modified);
}

namespace {

constexpr int Line_Height = 40;
constexpr int Lines = 60;
constexpr int Band_Lines = 2;
constexpr int Band_Height = Band_Lines * Line_Height;
// The base lines after which a band of two new lines goes in.
const std::vector<int> Bands_After = {5, 12, 20, 30};

// A page of distinct text lines, with the bands of new lines put in when
// With_Bands.
QImage Text_Page(bool With_Bands)
{
    const int height =
        Lines * Line_Height + (With_Bands ? int(Bands_After.size()) * Band_Height : 0);
    QImage page = test::Paper({700, height + 20});
    QPainter painter(&page);
    QFont font = painter.font();
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(Qt::black);
    int y = 10;
    // Each line also gets a bar of its own length: where the platform has
    // no font to draw the text with, the lines still differ.
    auto line = [&](const QString& text) {
        painter.drawText(QRect(20, y, 560, Line_Height), Qt::AlignLeft | Qt::AlignVCenter, text);
        const int bar = 8 + int(qHash(text) % 90u);
        painter.fillRect(QRect(590, y + 12, bar, 16), Qt::black);
        y += Line_Height;
    };
    for (int n = 0; n < Lines; ++n) {
        line(QStringLiteral("Line %1 of the text, which says %2 things").arg(n).arg(n * 7 % 13));
        for (std::size_t band = 0; With_Bands && band < Bands_After.size(); ++band)
            if (Bands_After[band] == n)
                for (int inserted = 0; inserted < Band_Lines; ++inserted)
                    line(QStringLiteral("NEW %1.%2 inserted paragraph, quite different")
                             .arg(band)
                             .arg(inserted));
    }
    return page;
}

// The top of base line n in the base picture.
int Base_Line_Top(int n) { return 10 + n * Line_Height; }

class Band_Aligned_Panes : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        const auto [left, right] =
            test::Write_Picture_Pair(dir, Text_Page(false), Text_Page(true), false);
        frame = std::make_unique<TView_diff_frame>(nullptr, left, "Base version", right, "",
                                                   nullptr, T_Converter_Kind::None,
                                                   T_Paged_Kind::None, Exporters);
        frame->resize(1000, 700);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        EXPECT_TRUE(test::Settled(*frame));
        base = test::Find_Pane(*frame, "View_Image_Frame1")->ScrollBox1;
        modified = test::Find_Pane(*frame, "View_Image_Frame2")->ScrollBox1;
    }
    void Align(const char* mode)
    {
        auto* align = test::Find<QComboBox>(*frame, "Align_C");
        align->setCurrentIndex(align->findData(QString::fromLatin1(mode)));
        ASSERT_TRUE(test::Settled(*frame));
    }
    // Scrolls as the user does: the box moves, then says so.
    static void Scroll(TMyScrollBox* box, int y, int x = 0)
    {
        box->Set_Horz_Position(x);
        box->Set_Vert_Position(y);
        box->Notify_Scroll();
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    T_Exporter_Factory Exporters = [](T_Paged_Kind) { return nullptr; };
    std::unique_ptr<TView_diff_frame> frame;
    TMyScrollBox* base = nullptr;
    TMyScrollBox* modified = nullptr;
};

} // namespace

TEST_F(Band_Aligned_Panes, TheModifiedPaneShowsTheRowsThatFaceTheBase)
{
    Align("bands");
    const T_Aligned_Difference* aligned = frame->Model().Aligned();
    ASSERT_NE(aligned, nullptr);
    ASSERT_TRUE(aligned->Alignment.Aligned) << aligned->Alignment.Summary();
    ASSERT_EQ(aligned->Alignment.Bands.size(), Bands_After.size()) << aligned->Alignment.Summary();

    // Below each band the modified pane is as many rows further down as the
    // bands above hold; horizontal scrolling goes on as before.
    for (int before : {0, 1, 2, 3, 4}) {
        const int line = before == 0 ? 2 : Bands_After[std::size_t(before - 1)] + 3;
        Scroll(base, Base_Line_Top(line), 37);
        EXPECT_EQ(modified->Vert_Position(), Base_Line_Top(line) + before * Band_Height) << line;
        EXPECT_EQ(modified->Horz_Position(), 37);
    }

    // Scrolled through the second band on the modified side, the base stays
    // where the band goes in.
    const T_Row_Band band = aligned->Alignment.Bands[1];
    ASSERT_EQ(band.Kind, T_Row_Band::T_Kind::Added);
    EXPECT_EQ(band.To - band.From, Band_Height);
    EXPECT_NEAR(band.From, Base_Line_Top(Bands_After[1] + 1) + Band_Height, Line_Height / 2);
    Scroll(modified, band.From + 3);
    const int gap = base->Vert_Position();
    EXPECT_NEAR(gap, Base_Line_Top(Bands_After[1] + 1), Line_Height / 2);
    Scroll(modified, band.To - 3);
    EXPECT_EQ(base->Vert_Position(), gap);

    // Past the band the modified pane drives the base back in step.
    Scroll(modified, Base_Line_Top(Bands_After[1] + 4) + 2 * Band_Height);
    EXPECT_EQ(base->Vert_Position(), Base_Line_Top(Bands_After[1] + 4));
    // A base pane that cannot go further leaves the modified pane where it is
    // taken, the modified pane still scrolling on to its own end.
    modified->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(base->Vert_Position(), base->Vert_Max());
    EXPECT_EQ(modified->Vert_Position(), modified->Vert_Max());
}

TEST_F(Band_Aligned_Panes, ZoomingKeepsTheRowsFacingEachOther)
{
    Align("bands");
    TView_Image_Frame* base_pane = test::Find_Pane(*frame, "View_Image_Frame1");
    frame->Zoom_To(2.0, base_pane, QPoint(0, 0));
    const int line = Bands_After[0] + 3;
    Scroll(base, 2 * Base_Line_Top(line));
    EXPECT_EQ(modified->Vert_Position(), 2 * (Base_Line_Top(line) + Band_Height));
}

TEST_F(Band_Aligned_Panes, TheBandsAreTintedAndTheirGapsLined)
{
    Align("bands");
    TPane_Image* base_image = test::Find_Pane(*frame, "View_Image_Frame1")->Image1;
    TPane_Image* modified_image = test::Find_Pane(*frame, "View_Image_Frame2")->Image1;
    ASSERT_EQ(base_image->Row_Marks().size(), Bands_After.size());
    ASSERT_EQ(modified_image->Row_Marks().size(), Bands_After.size());
    for (std::size_t band = 0; band < Bands_After.size(); ++band) {
        EXPECT_TRUE(base_image->Row_Marks()[band].Is_Line());
        const T_Row_Mark& tint = modified_image->Row_Marks()[band];
        EXPECT_EQ(tint.To - tint.From, Band_Height) << band;
    }
    // Drawn: the paper right of the first band's text is tinted, the paper
    // beside a line that was there before is not.
    const QImage shown = modified_image->grab().toImage();
    const int inside = modified_image->Row_Marks()[0].From + Band_Height / 2;
    EXPECT_NE(shown.pixelColor(690, inside), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(690, Base_Line_Top(2) + 5), QColor(Qt::white));

    // Align off: the marks go, and the panes scroll to equal positions.
    Align("off");
    EXPECT_TRUE(base_image->Row_Marks().empty());
    EXPECT_TRUE(modified_image->Row_Marks().empty());
    EXPECT_EQ(modified->Vert_Position(), base->Vert_Position());
    Scroll(base, Base_Line_Top(Bands_After[2] + 3));
    EXPECT_EQ(modified->Vert_Position(), Base_Line_Top(Bands_After[2] + 3));
    Scroll(modified, 555);
    EXPECT_EQ(base->Vert_Position(), 555);
}
