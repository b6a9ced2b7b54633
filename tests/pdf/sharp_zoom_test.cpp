// A PDF page zoomed in beyond the resolution it is compared at shows what
// the PDF reader draws at the scale shown, not enlarged pixels; and page
// keys pressed faster than pages are drawn show the last page asked for
// without drawing every page on the way.
#include "imaging/page_store.h"
#include "tests/diff_view_support.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/sharp_part_cache.h"
#include "viewer/u_blend_frame.h"
#include "viewer/vcs_diff_frame.h"

#include <QCheckBox>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class Sharp_Zoom : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
    }

    // A sheet of thin lines, a thin circle and text; Edited adds a box.
    static test::Pdf_Page Sheet(int Number, bool Edited)
    {
        std::string ops = test::Sheet_Frame() + "0.25 w ";
        for (int line = 0; line < 12; ++line)
            ops += std::to_string(60 + 37 * line) + " 420 m " + std::to_string(90 + 31 * line) +
                   " 600 l S ";
        // A circle of radius 40 points about (300, 500), in four curves.
        ops += "340 500 m 340 522 322 540 300 540 c 278 540 260 522 260 500 c "
               "260 478 278 460 300 460 c 322 460 340 478 340 500 c S ";
        ops += "BT /F1 9 Tf 280 497 Td (S" + std::to_string(Number) + ") Tj ET ";
        if (Edited)
            ops += test::Box(296, 470, 8, 6);
        return {595, 842, ops, test::Helvetica_Font};
    }

    std::string Pdf(const std::string& Name, int Pages, bool Edited)
    {
        std::vector<test::Pdf_Page> pages;
        for (int page = 0; page < Pages; ++page)
            pages.push_back(Sheet(page, Edited));
        return test::Write_Pdf(dir / Name, pages);
    }

    std::unique_ptr<TView_diff_frame> Open(const std::string& Left, const std::string& Right)
    {
        auto frame = std::make_unique<TView_diff_frame>(
            nullptr, Left, "Base version", Right, "", [](QObject*) {}, T_Converter_Kind::None,
            T_Paged_Kind::Pdf);
        frame->resize(1000, 700);
        frame->show();
        return frame;
    }

    // What Qt's PDF module draws of Clip when the page is drawn at Page_Size.
    static QImage Reader_Drawing(const std::string& File, int Page, const QSize& Page_Size,
                                 const QRect& Clip)
    {
        QPdfDocument document;
        EXPECT_EQ(document.load(QString::fromStdString(File)), QPdfDocument::Error::None);
        QPdfDocumentRenderOptions options;
        options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
        options.setScaledSize(Page_Size);
        options.setScaledClipRect(Clip);
        QImage drawn = document.render(Page, Clip.size(), options);
        QPainter painter(&drawn);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(drawn.rect(), Qt::white);
        painter.end();
        return drawn.convertToFormat(QImage::Format_RGB32);
    }

    static int Differing_Pixels(const QImage& A, const QImage& B)
    {
        if (A.size() != B.size())
            return -1;
        int differing = 0;
        for (int y = 0; y < A.height(); ++y)
            for (int x = 0; x < A.width(); ++x)
                differing += A.pixel(x, y) != B.pixel(x, y);
        return differing;
    }

    // Whether the control comes to show sharp parts over all it shows.
    static bool Sharp_Part_Arrives(TPane_Image& Image)
    {
        return QTest::qWaitFor(
            [&] {
                Image.repaint();
                return Image.Sharp_Part_Shown();
            },
            30000);
    }

    // Waits for the control's sharp part of its picture Picture (the
    // picture, or in the one-pane view 0 for the base, 1 for the modified
    // version), then compares what it shows with the reader's drawing of
    // the same part of page Page.
    static void Expect_Reader_Pixels(TPane_Image& image, int Picture, const std::string& File,
                                     int Page)
    {
        ASSERT_TRUE(Sharp_Part_Arrives(image));
        // The marks are drawn over the page; here only the page is compared.
        image.Set_Change_Frames({});
        const QRect visible = image.visibleRegion().boundingRect() & image.Draw_Rect();
        ASSERT_FALSE(visible.isEmpty());
        const QImage shown = image.grab(visible).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage expected = Reader_Drawing(File, Page, image.Draw_Rect().size(), visible);
        EXPECT_EQ(Differing_Pixels(shown, expected), 0);
        // Not the page's own pixels enlarged: those show blocks of 8 x 8.
        const QImage enlarged = image.Sharp_Picture(Picture)
                                    .copy(QRect(visible.topLeft() / 8, visible.size() / 8))
                                    .scaled(visible.size() / 8 * 8);
        EXPECT_GT(Differing_Pixels(enlarged, expected.copy(QRect(QPoint(0, 0), enlarged.size()))),
                  0);
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

} // namespace

TEST_F(Sharp_Zoom, AChangeZoomedTo800PercentShowsTheReadersDrawingAtThatScaleOnEveryPage)
{
    const std::string left = Pdf("plan revA.pdf", 2, false);
    const std::string right = Pdf("plan revB.pdf", 2, true);
    auto frame = Open(left, right);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    test::Find<QCheckBox>(*frame, "Show_Changes_C")->setChecked(false);
    frame->Refresh_Differences();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->Differences() != nullptr; }, 30000));
    ASSERT_FALSE(frame->Differences()->Regions.empty());
    frame->Show_Change(0);
    TView_Image_Frame* modified = test::Find_Pane(*frame, "View_Image_Frame2");
    frame->Zoom_To(8.0, modified, modified->ScrollBox1->viewport()->rect().center());
    ASSERT_DOUBLE_EQ(frame->Current_Scale(), 8.0);
    Expect_Reader_Pixels(*modified->Image1, 0, right, 0);
    Expect_Reader_Pixels(*test::Find_Pane(*frame, "View_Image_Frame1")->Image1, 0, left, 0);

    // The next sheet at the same zoom: its own drawing, never the last one's.
    test::Choose_Page(*frame, "RightTabs", 1);
    ASSERT_EQ(frame->Session().RightPage, 1);
    Expect_Reader_Pixels(*modified->Image1, 0, right, 1);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Sharp_Zoom, TheOnePaneViewShowsEachVersionAsTheReaderDrawsItAt800Percent)
{
    const std::string left = Pdf("plan revA.pdf", 1, false);
    const std::string right = Pdf("plan revB.pdf", 1, true);
    auto frame = Open(left, right);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    test::Find<QCheckBox>(*frame, "Show_Changes_C")->setChecked(false);
    frame->Refresh_Differences();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->Differences() != nullptr; }, 30000));
    frame->Show_Change(0);
    // Blink paused on the base, then on the modified version.
    test::Find_Action(*frame, "Blink_A")->trigger();
    frame->Blink_Pause_Or_Toggle();
    T_Blend_Frame& one_pane = *test::Find_Blend_Pane(*frame);
    frame->Zoom_To(8.0, &one_pane, one_pane.ScrollBox1->viewport()->rect().center());
    ASSERT_DOUBLE_EQ(frame->Current_Scale(), 8.0);
    Expect_Reader_Pixels(*one_pane.Blend(), 0, left, 0);
    frame->Blink_Pause_Or_Toggle();
    ASSERT_TRUE(one_pane.Blend()->Showing_Modified());
    Expect_Reader_Pixels(*one_pane.Blend(), 1, right, 0);

    // Overlay, half and half: both drawings blended, with no enlarged
    // pixels showing through the modified version's.
    test::Find_Action(*frame, "Overlay_A")->trigger();
    T_Blend_Image& blend = *one_pane.Blend();
    blend.Set_Opacity(0.5);
    ASSERT_TRUE(Sharp_Part_Arrives(blend));
    blend.Set_Change_Frames({});
    const QRect visible = blend.visibleRegion().boundingRect() & blend.Draw_Rect();
    const QImage shown = blend.grab(visible).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage base = Reader_Drawing(left, 0, blend.Draw_Rect().size(), visible);
    const QImage modified = Reader_Drawing(right, 0, blend.Draw_Rect().size(), visible);
    ASSERT_EQ(shown.size(), base.size());
    int far_off = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            far_off += std::abs(qGray(shown.pixel(x, y)) -
                                (qGray(base.pixel(x, y)) + qGray(modified.pixel(x, y))) / 2) > 4;
    EXPECT_EQ(far_off, 0);

    // Differences: the washed-out modified version is its sharp drawing too.
    test::Find_Action(*frame, "Differences_A")->trigger();
    EXPECT_TRUE(Sharp_Part_Arrives(blend));
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Sharp_Zoom, PageKeysFasterThanPagesAreDrawnShowTheLastPageWithoutDrawingTheMiddleOnes)
{
    const int pages = 10;
    const std::string left = Pdf("set revA.pdf", pages, false);
    const std::string right = Pdf("set revB.pdf", pages, true);
    auto frame = Open(left, right);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    for (int page = 1; page < pages; ++page)
        frame->Left_Page_Change(page);
    // The tab strips are there at once; the pages follow.
    EXPECT_EQ(test::Find_Tabs(*frame, "RightTabs")->TabControl1->currentIndex(), pages - 1);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().LeftPage, pages - 1);
    EXPECT_EQ(frame->Session().RightPage, pages - 1);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->Image1->Picture().cacheKey(),
              frame->Model().Picture(T_Side::Left).Image.cacheKey());
    int middle_drawn = 0;
    const T_Page_Store* left_pages = frame->Session().Page_Store(T_Side::Left);
    for (int page = 2; page < pages - 1; ++page)
        middle_drawn += left_pages->Status(page).State == T_Page_State::In_Memory;
    EXPECT_LT(middle_drawn, pages - 3);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST(Sharp_Part_Cache, KeepsTheMostRecentlyUsedPartsWithinItsBound)
{
    const QImage part(100, 100, QImage::Format_RGB32); // 40 000 bytes
    T_Sharp_Part_Cache cache(3 * 40000);
    auto key = [](int page) { return T_Sharp_Key{"plan.pdf", page, QSize(4000, 3000), 1}; };
    for (int page = 0; page < 3; ++page)
        cache.Add({key(page), QRect(0, 0, 100, 100), part});
    // Page 0 used again: page 1 is the least recently used when page 3 comes.
    ASSERT_NE(cache.Find(key(0), QRect(10, 10, 50, 50)), nullptr);
    cache.Add({key(3), QRect(0, 0, 100, 100), part});
    EXPECT_EQ(cache.Count(), 3u);
    EXPECT_LE(cache.Bytes(), 3u * 40000u);
    EXPECT_EQ(cache.Find(key(1), QRect(10, 10, 50, 50)), nullptr);
    EXPECT_NE(cache.Find(key(0), QRect(10, 10, 50, 50)), nullptr);
    // A part is found only where it covers what is visible, at its size.
    EXPECT_EQ(cache.Find(key(3), QRect(50, 50, 100, 100)), nullptr);
    EXPECT_EQ(cache.Find({"plan.pdf", 3, QSize(2000, 1500), 1}, QRect(10, 10, 50, 50)), nullptr);
    // One part larger than the bound is not kept, and drops nothing.
    cache.Add({key(4), QRect(0, 0, 200, 200), QImage(200, 200, QImage::Format_RGB32)});
    EXPECT_EQ(cache.Count(), 3u);
}
