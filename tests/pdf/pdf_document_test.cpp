// PDF drawings in the diff view: pages drawn inside the program, refused
// documents, and pages paired by what they show.
#include "vocabulary/U_Msg.h"
#include "tests/diff_view_support.h"
#include "pdf/pdf_exporter.h"
#include "pdf/pdf_page_render.h"
#include "imaging/drawn_page.h"
#include "imaging/page_store.h"
#include "vocabulary/picture_limit.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QAction>
#include <QTest>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

class Pdf_Diff : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
    }

    std::string Pdf(const std::string& name, const std::vector<test::Pdf_Page>& pages,
                    const std::vector<std::string>& labels = {})
    {
        std::string path = dir / name;
        test::Write_File(path, test::Make_Pdf(pages, labels));
        return path;
    }

    std::unique_ptr<TView_diff_frame> Open(const std::string& left, const std::string& right)
    {
        auto frame = std::make_unique<TView_diff_frame>(
            nullptr, left, "Base version", right, "", [](QObject*) {}, T_Converter_Kind::None,
            T_Paged_Kind::Pdf);
        frame->resize(1000, 700);
        frame->show();
        return frame;
    }

    static std::vector<std::string> Tab_Texts(TDiff_Pagelist_Frame* tabs)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < tabs->TabControl1->count(); ++i)
            texts.push_back(tabs->TabControl1->tabText(i).toStdString());
        return texts;
    }

    // Page pictures written so far: named after the session's private copy
    // of the base, in the session's own folder; never in the user's.
    std::vector<std::string> Page_Files(const TView_diff_frame& frame) const
    {
        std::vector<std::string> names;
        for (const fs::path& folder : {fs::path(frame.Session().LeftFile).parent_path(), dir.Path})
            for (auto& entry : fs::directory_iterator(folder))
                if (entry.path().filename().string().find("_page_") != std::string::npos)
                    names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Pages drawn so far: held in memory, or written out.
    static int Drawn_Pages(const TView_diff_frame& frame)
    {
        int count = 0;
        for (T_Side side : {T_Side::Left, T_Side::Right}) {
            const T_Page_Store* pages = frame.Session().Page_Store(side);
            for (int page = 0; pages && page < pages->Page_Count(); ++page) {
                const T_Page_State state = pages->Status(page).State;
                count += state == T_Page_State::In_Memory || state == T_Page_State::Written;
            }
        }
        return count;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

// A drawing sheet of a test set: the shared frame and one content of its own.
test::Pdf_Page Sheet(int content, bool edited = false)
{
    test::Pdf_Page page;
    double x = 60 + (content % 3) * 150, y = 120 + (content / 3) * 220;
    page.Content = test::Sheet_Frame() + test::Box(x, y, 120, 180);
    // A second, smaller shape tells sheets apart by more than one place.
    page.Content += test::Box(500 - x, 700 - y, 40, 40);
    if (edited)
        page.Content += test::Box(x + 10, y + 190, 60, 8);
    return page;
}

TEST_F(Pdf_Diff, PagesHaveTheirLabelsAndAreDrawnAt150DpiOnWhite)
{
    test::Pdf_Page landscape{842, 595, test::Box(100, 100, 200, 100)};
    std::string left = Pdf("rev a.pdf", {Sheet(0), landscape}, {"i", "A-1"});
    std::string right = Pdf("rev b.pdf", {Sheet(0), landscape});
    auto frame = Open(left, right);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(Tab_Texts(test::Find_Tabs(*frame, "LeftTabs")),
              (std::vector<std::string>{"i", "A-1"}));
    EXPECT_EQ(Tab_Texts(test::Find_Tabs(*frame, "RightTabs")),
              (std::vector<std::string>{"1", "2"}));
    // Only the first page pair is drawn to open the window, and shown from
    // memory without writing a file.
    EXPECT_EQ(Drawn_Pages(*frame), 2);
    EXPECT_TRUE(Page_Files(*frame).empty());

    test::Choose_Page(*frame, "LeftTabs", 1);
    const std::string base = frame->Session().LeftFile;
    EXPECT_EQ(frame->Session().LeftImage, base + "_l_page_1.png");
    EXPECT_TRUE(Page_Files(*frame).empty());
    const QImage page = frame->Model().Picture(T_Side::Left).Image;
    EXPECT_EQ(page.size(), QSize(1754, 1239)); // 842 x 595 points at 150 dpi
    EXPECT_EQ(page.pixelColor(5, 5), QColor(Qt::white));
    // The box from (100, 100) points, with the PDF's y axis upwards.
    EXPECT_EQ(page.pixelColor(250, 1239 - 250), QColor(Qt::black));
    // Sync pages by position: the right side followed.
    EXPECT_EQ(frame->Session().RightPage, 1);

    // The converter reads pages by name: exactly the pair it compares is
    // written, as the panes show it.
    test::Find_Action(*frame, "Compare_A")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->Is_Running(); }, 30000));
    EXPECT_TRUE(frame->Compared_Shown());
    EXPECT_TRUE(messages.Messages.empty());
    ASSERT_EQ(Page_Files(*frame),
              (std::vector<std::string>{base + "_l_page_1.png", base + "_r_page_1.png"}));
    for (T_Side side : {T_Side::Left, T_Side::Right}) {
        const std::string file =
            side == T_Side::Left ? frame->Session().LeftImage : frame->Session().RightImage;
        EXPECT_EQ(QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32),
                  frame->Model().Picture(side).Image)
            << file;
    }
}

TEST_F(Pdf_Diff, DocumentsThatCannotBeShownAreRefusedWithTheirReason)
{
    std::string good = Pdf("good.pdf", {Sheet(1)});
    std::string whole = test::Make_Pdf({Sheet(1), Sheet(2)});
    std::string damaged = dir / "damaged.pdf";
    test::Write_File(damaged, whole.substr(0, whole.size() / 3));
    std::string text = dir / "text.pdf";
    test::Write_File(text, "This is not a PDF document at all.\n");
    std::string empty = Pdf("empty.pdf", {});
    std::string locked = dir / "locked.pdf";
    std::string command = "qpdf --encrypt secret secret 256 -- " + good + " " + locked;
    ASSERT_EQ(std::system(command.c_str()), 0) << "qpdf is needed to encrypt a test PDF";

    struct Case {
        std::string File, Reason;
    };
    const std::string beyond_repair =
        "The file is not a PDF document, or it is damaged beyond repair: unable to find trailer "
        "dictionary while recovering damaged file";
    for (const Case& c : {Case{damaged, beyond_repair}, Case{text, beyond_repair},
                          Case{empty, "The document has no pages."},
                          Case{locked, "The document is protected by a password."}}) {
        messages.Messages.clear();
        // The refused document on either side.
        for (bool left : {true, false}) {
            auto frame = left ? Open(c.File, good) : Open(good, c.File);
            EXPECT_EQ(frame->ViewMode(), T_View_Mode::None) << c.File;
        }
        ASSERT_EQ(messages.Messages.size(), 2u) << c.File;
        for (const test::Recorded_Msg& message : messages.Messages)
            EXPECT_EQ(message.Text,
                      Get_Msg(cap_Cant_Open_File) + "\r\n\r\n" + c.File + "\r\n\r\n" + c.Reason);
    }
}

TEST_F(Pdf_Diff, ADamagedDocumentIsShownFromARepairedCopyAndSaysSo)
{
    // The header line lost, and with it every offset of the cross-reference
    // table: the PDF module refuses the file as it is.
    const std::string whole = test::Make_Pdf({Sheet(1), Sheet(2)});
    const std::string damaged = dir / "damaged.pdf";
    const std::string bytes = "%\xe2\xe3\n" + whole.substr(std::string("%PDF-1.4\n").size());
    test::Write_File(damaged, bytes);
    const std::string good = Pdf("good.pdf", {Sheet(1), Sheet(2, true)});
    auto frame = Open(damaged, good);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(Tab_Texts(test::Find_Tabs(*frame, "LeftTabs")), (std::vector<std::string>{"1", "2"}));
    const QLabel* status = test::Find<QLabel>(*frame, "Status_L");
    EXPECT_TRUE(status->text().contains(QStringLiteral("old document repaired")))
        << status->text().toStdString();
    EXPECT_FALSE(status->text().contains(QStringLiteral("new document repaired")));
    EXPECT_EQ(frame->Model().Picture(T_Side::Left).Image,
              frame->Model().Picture(T_Side::Right).Image);
    // The user's file is only read.
    std::ifstream in(damaged, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
}

TEST_F(Pdf_Diff, PageSizesStayWithinWhatThePanesShow)
{
    EXPECT_EQ(Pdf_Page_Pixels(QSizeF(595, 842)), QSize(1239, 1754));
    // An A0 sheet is drawn whole at the panes' resolution.
    EXPECT_EQ(Pdf_Page_Pixels(QSizeF(2384, 3370)), QSize(4966, 7020));
    // A plot several metres long is drawn smaller, in proportion, and a
    // 200 m one no larger than a sheet is.
    QSize plot = Pdf_Page_Pixels(QSizeF(14400, 2000));
    EXPECT_TRUE(Picture_Fits(plot.width(), plot.height()));
    EXPECT_NEAR(double(plot.width()) / plot.height(), 7.2, 0.01);
    const QSize long_plot = Pdf_Page_Pixels(QSizeF(200 / 0.0254 * 72, 842));
    EXPECT_LE(std::int64_t{long_plot.width()} * long_plot.height(), Max_Drawn_Page_Pixels);
    QSize strip = Pdf_Page_Pixels(QSizeF(200000, 10));
    EXPECT_TRUE(Picture_Fits(strip.width(), strip.height())) << strip.width();
    EXPECT_TRUE(Pdf_Page_Pixels(QSizeF(0, 842)).isEmpty());
}

TEST_F(Pdf_Diff, AManyPageDocumentOpensWithItsFirstPagesOnly)
{
    std::vector<test::Pdf_Page> pages;
    for (int i = 0; i < 200; ++i)
        pages.push_back({100, 100, test::Box(10 + i % 50, 10, 20, 20)});
    std::string left = Pdf("long a.pdf", pages), right = Pdf("long b.pdf", pages);
    auto frame = Open(left, right);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_EQ(test::Find_Tabs(*frame, "LeftTabs")->TabControl1->count(), 200);
    EXPECT_EQ(Drawn_Pages(*frame), 2);
    EXPECT_TRUE(Page_Files(*frame).empty());
}

TEST_F(Pdf_Diff, ADrawnPageIsReusedFromMemoryAndWrittenWhenReadByName)
{
    std::string file = Pdf("set.pdf", {Sheet(0), Sheet(1)});
    auto exporter = Make_Exporter<T_Pdf_Multipage_Wrapper>();
    int doc = -1;
    std::string error;
    ASSERT_EQ(exporter->Open_Doc(file, doc, error), T_Open_Result::Ok) << error;
    const std::string prefix = dir / "set", page = prefix + "_page_1.png";
    ASSERT_TRUE(exporter->Export_Pages(doc, prefix, 1, error, true)) << error;
    T_Page_Store& pages = *exporter->Page_Store(doc);
    const QImage drawn = Drawn_Page_Image(pages.Picture(1));
    ASSERT_FALSE(drawn.isNull());
    EXPECT_FALSE(fs::exists(page));
    EXPECT_TRUE(pages.Is_Kept(1));
    // Asked for again, the page held in memory counts as exported.
    ASSERT_TRUE(exporter->Export_Pages(doc, prefix, 1, error, true));
    EXPECT_EQ(Drawn_Page_Image(pages.Picture(1)).cacheKey(), drawn.cacheKey());

    // Read by name, the file is written, whole, as the page was drawn.
    ASSERT_TRUE(pages.Write_Named(page, error)) << error;
    EXPECT_EQ(pages.Status(1).State, T_Page_State::Written);
    EXPECT_EQ(QImage(QString::fromStdString(page)).convertToFormat(QImage::Format_RGB32), drawn);
    EXPECT_TRUE(pages.Is_Kept(1));

    // A page let go unwritten is drawn again when asked for.
    ASSERT_TRUE(exporter->Export_Pages(doc, prefix, 0, error, true));
    pages.Let_Go(0);
    EXPECT_FALSE(pages.Is_Kept(0));
    ASSERT_TRUE(exporter->Export_Pages(doc, prefix, 0, error, true));
    EXPECT_EQ(pages.Status(0).State, T_Page_State::In_Memory);
}

// Waits, within a bound, for the background pairing to arrive.
bool Wait_For_Pairing(const TView_diff_frame& frame)
{
    QElapsedTimer clock;
    clock.start();
    while (!frame.Session().Content_Pairing() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return frame.Session().Content_Pairing() != nullptr;
}

TEST_F(Pdf_Diff, SheetsInsertedDeletedAndSwappedPairWithTheirTrueCounterparts)
{
    // Revision b: sheet 1 as it was, a new sheet, sheet 2 edited, sheets 3
    // and 4 swapped, sheet 5 deleted.
    std::string left = Pdf("rev_a.pdf", {Sheet(0), Sheet(1), Sheet(2), Sheet(3), Sheet(4)});
    std::string right = Pdf("rev_b.pdf", {Sheet(0), Sheet(5), Sheet(1, true), Sheet(3), Sheet(2)});
    auto frame = Open(left, right);
    ASSERT_TRUE(Wait_For_Pairing(*frame));
    const T_Content_Pairing& pairing = *frame->Session().Content_Pairing();
    EXPECT_EQ(pairing.Pairs.Left_To_Right, (std::vector<int>{0, 2, 4, 3, -1}));
    EXPECT_EQ(pairing.Pairs.Right_To_Left, (std::vector<int>{0, -1, 1, 3, 2}));
    using M = T_Page_Match;
    EXPECT_EQ(pairing.Left, (std::vector<M>{M::Same, M::Changed, M::Same, M::Same, M::Unpaired}));
    EXPECT_EQ(pairing.Right, (std::vector<M>{M::Same, M::Unpaired, M::Changed, M::Same, M::Same}));

    // The tabs say it: names unchanged, the reason in the tooltip.
    T_Page_Tab_Bar* left_tabs = test::Find_Tabs(*frame, "LeftTabs")->TabControl1;
    T_Page_Tab_Bar* right_tabs = test::Find_Tabs(*frame, "RightTabs")->TabControl1;
    EXPECT_EQ(left_tabs->tabText(1), QStringLiteral("2"));
    EXPECT_TRUE(left_tabs->tabToolTip(1).startsWith(QStringLiteral("Differs from page \"3\"")));
    EXPECT_TRUE(left_tabs->tabToolTip(4).contains(QStringLiteral("removed")));
    EXPECT_TRUE(right_tabs->tabToolTip(1).contains(QStringLiteral("added")));
    EXPECT_FALSE(right_tabs->tabIcon(0).isNull());

    // Choosing a sheet shows its counterpart; a deleted sheet leaves the
    // other side where it is.
    left_tabs->setCurrentIndex(2);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().RightPage, 4);
    left_tabs->setCurrentIndex(4);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().RightPage, 4);
    right_tabs->setCurrentIndex(2);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().LeftPage, 1);
    EXPECT_TRUE(messages.Messages.empty());
}

} // namespace

namespace {

const QColor Moved_Blue(0x15, 0x65, 0xC0);

TEST_F(Pdf_Diff, SheetsThatChangedPlacesAreMarkedMovedOnBothSides)
{
    // Revision b: sheets 2 and 3 swapped (sheet 2 edited on the way), sheets
    // 4 and 5 swapped. Of each swapped pair the first sheet moved.
    std::string left = Pdf("set_a.pdf", {Sheet(0), Sheet(1), Sheet(2), Sheet(3), Sheet(4)});
    std::string right = Pdf("set_b.pdf", {Sheet(0), Sheet(2), Sheet(1, true), Sheet(4), Sheet(3)});
    auto frame = Open(left, right);
    ASSERT_TRUE(Wait_For_Pairing(*frame));
    const T_Content_Pairing& pairing = *frame->Session().Content_Pairing();
    ASSERT_EQ(pairing.Pairs.Left_To_Right, (std::vector<int>{0, 2, 1, 4, 3}));
    EXPECT_EQ(pairing.Left_Moved, (std::vector<bool>{false, true, false, true, false}));
    EXPECT_EQ(pairing.Right_Moved, (std::vector<bool>{false, false, true, false, true}));

    T_Page_Tab_Bar* left_tabs = test::Find_Tabs(*frame, "LeftTabs")->TabControl1;
    T_Page_Tab_Bar* right_tabs = test::Find_Tabs(*frame, "RightTabs")->TabControl1;
    // A moved sheet says where it went, and whether it changed on the way.
    EXPECT_EQ(left_tabs->tabToolTip(1).toStdString(),
              "Moved and changed: page 3 of the modified version (\"3\") is this sheet, edited, "
              "in another place in the order");
    EXPECT_TRUE(left_tabs->tabToolTip(3).startsWith(
        QStringLiteral("Moved: page 5 of the modified version (\"5\") is the same sheet")))
        << left_tabs->tabToolTip(3).toStdString();
    EXPECT_TRUE(right_tabs->tabToolTip(2).startsWith(
        QStringLiteral("Moved and changed: page 2 of the base version (\"2\")")))
        << right_tabs->tabToolTip(2).toStdString();
    EXPECT_TRUE(right_tabs->tabToolTip(4).startsWith(
        QStringLiteral("Moved: page 4 of the base version (\"4\")")))
        << right_tabs->tabToolTip(4).toStdString();
    for (auto [tabs, tab] : {std::pair{left_tabs, 1}, std::pair{left_tabs, 3},
                             std::pair{right_tabs, 2}, std::pair{right_tabs, 4}})
        EXPECT_EQ(tabs->tabTextColor(tab), Moved_Blue) << tab;
    // The sheets that kept their order keep their marks and words.
    EXPECT_EQ(right_tabs->tabToolTip(1).toStdString(),
              "The same as page \"3\" of the base version");
    EXPECT_EQ(left_tabs->tabToolTip(0).toStdString(),
              "The same as page \"1\" of the modified version");
    for (int tab : {0, 2, 4})
        EXPECT_NE(left_tabs->tabTextColor(tab), Moved_Blue) << tab;
    EXPECT_EQ(left_tabs->tabText(1), QStringLiteral("2"));

    // A moved sheet's tab brings its counterpart, wherever it went; the
    // two look alike, and the pair is still a change.
    left_tabs->setCurrentIndex(3);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().RightPage, 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->Differences() != nullptr; }, 60000));
    EXPECT_EQ(frame->Differences()->Changed_Pixels, 0u);
    EXPECT_EQ(frame->Model().Verdict(), T_Verdict::Different);
    const QString status = test::Find<QLabel>(*frame, "Status_L")->text();
    EXPECT_TRUE(status.contains(QStringLiteral("No differences, moved from page 4 to page 5")))
        << status.toStdString();
    EXPECT_TRUE(messages.Messages.empty());
}

} // namespace
