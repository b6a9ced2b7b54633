// The words of PDF pages read from their text layer: where they lie on the
// page's picture however the page is turned or cropped, their reading order,
// long pages, and files that are damaged or locked; both readers, poppler's
// and Qt's PDF module's, agreeing on a plain page.
#include "pdf/page_word_reader.h"
#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_page_render.h"
#include "pdf/pdf_region_text.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"

#include <QPdfDocument>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

// Two words in Helvetica 24, nothing else drawn: all the page's ink is text.
test::Pdf_Page Two_Word_Page(const std::string& page_entries = "")
{
    return {595, 842, "BT /F1 24 Tf 100 700 Td (Hello) Tj ET BT /F1 24 Tf 200 400 Td (World) Tj ET",
            std::string(test::Helvetica_Font) + page_entries};
}

class Page_Words : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    std::string Pdf(const std::string& name, const std::vector<test::Pdf_Page>& pages)
    {
        return test::Write_Pdf(dir / name, pages);
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
};

bool Is_Ink(QRgb pixel) { return qGray(pixel) < 128; }

// The share of the picture's ink that lies in the words' boxes, and how
// much ink there is.
std::pair<double, int> Ink_In_Words(const QImage& picture, const std::vector<T_Page_Word>& words)
{
    int ink = 0, in_words = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (!Is_Ink(picture.pixel(x, y)))
                continue;
            ++ink;
            for (const T_Page_Word& word : words)
                if (x + 1 >= word.Left && x <= word.Right + 1 && y + 1 >= word.Top &&
                    y <= word.Bottom + 1) {
                    ++in_words;
                    break;
                }
        }
    return {ink ? double(in_words) / ink : 0.0, ink};
}

} // namespace

TEST_F(Page_Words, WordsLieOnTheirInkOnTurnedAndCroppedPages)
{
    for (const char* entries :
         {"", " /Rotate 90", " /Rotate 180", " /Rotate 270", " /Rotate -90",
          " /CropBox [50 300 400 800]", " /CropBox [50 300 400 800] /Rotate 90",
          " /CropBox [-100 -50 450 800]"}) {
        SCOPED_TRACE(entries);
        const std::string file = Pdf("page.pdf", {Two_Word_Page(entries)});
        QPdfDocument document;
        ASSERT_EQ(document.load(QString::fromStdString(Pdf_File_To_Draw(file))),
                  QPdfDocument::Error::None);
        const QImage picture = Render_Pdf_Page(document, 0);
        ASSERT_FALSE(picture.isNull());

        T_Pdf_Text_Layer layer(file);
        const T_Page_Words& page = layer.Words(0);
        ASSERT_EQ(page.Words.size(), 2u);
        EXPECT_EQ(page.Words[0].Text, "Hello");
        EXPECT_EQ(page.Words[1].Text, "World");
        for (const T_Page_Word& word : page.Words) {
            EXPECT_GE(word.Left, -1);
            EXPECT_GE(word.Top, -1);
            EXPECT_LE(word.Right, picture.width() + 1);
            EXPECT_LE(word.Bottom, picture.height() + 1);
        }
        const auto [share, ink] = Ink_In_Words(picture, page.Words);
        EXPECT_GT(ink, 1000);
        EXPECT_GT(share, 0.99);
        // Each word on its own ink: the two are far apart on every page.
        for (const T_Page_Word& word : page.Words)
            EXPECT_GT(Ink_In_Words(picture, {word}).first, 0.3) << word.Text;
    }
}

TEST_F(Page_Words, AnnotationsArePlacedInTheFrameTheWordsAre)
{
    // The crop box reaches past the media box's left and bottom edges: the
    // page is shown from the media box's left edge, up to the crop box's top.
    test::Pdf_Page page = Two_Word_Page(" /CropBox [-100 -50 450 800]");
    page.Annotations = "<< /Type /Annot /Subtype /Square /Rect [100 600 200 650] /C [1 0 0] >>";
    T_Pdf_Text_Layer layer(Pdf("marked.pdf", {page}));
    const T_Page_Words& words = layer.Words(0);
    ASSERT_EQ(words.Annotations.size(), 1u);
    const double pixels_a_point = 150 / 72.0;
    EXPECT_NEAR(words.Annotations[0].Left, 100 * pixels_a_point, 1);
    EXPECT_NEAR(words.Annotations[0].Top, (800 - 650) * pixels_a_point, 1);
    EXPECT_NEAR(words.Annotations[0].Right, 200 * pixels_a_point, 1);
    ASSERT_EQ(words.Words.size(), 2u);
    EXPECT_NEAR(words.Words[0].Left, 100 * pixels_a_point, 4);
}

TEST_F(Page_Words, WordsComeInReadingOrderWhateverOrderTheyWereDrawnIn)
{
    // The line's second word drawn first, the line below before both.
    const std::string content = "BT /F1 20 Tf 100 600 Td (third) Tj ET "
                                "BT /F1 20 Tf 140 700 Td (second) Tj ET "
                                "BT /F1 20 Tf 100 700 Td (first) Tj ET";
    const std::string file = Pdf("order.pdf", {{595, 842, content, test::Helvetica_Font}});
    if (!Poppler_Word_Reader(file))
        GTEST_SKIP() << "Qt's PDF module gives the words in the order they were drawn";
    T_Pdf_Text_Layer layer(file);
    const T_Page_Words& page = layer.Words(0);
    ASSERT_EQ(page.Words.size(), 3u);
    EXPECT_EQ(page.Words[0].Text, "first");
    EXPECT_EQ(page.Words[1].Text, "second");
    EXPECT_EQ(page.Words[2].Text, "third");
    const T_Page_Word& first = page.Words[0];
    const T_Page_Word& second = page.Words[1];
    EXPECT_EQ(Text_In(page, {int(first.Left), int(first.Top), int(second.Right - first.Left), 2}),
              "first second");
}

namespace {

// 400 words, w0 to w399, in lines of twenty.
test::Pdf_Page Long_Page()
{
    std::string content;
    for (int line = 0; line < 20; ++line) {
        std::string text;
        for (int word = 0; word < 20; ++word)
            text += (word ? " w" : "w") + std::to_string(line * 20 + word);
        content +=
            "BT /F1 8 Tf 30 " + std::to_string(800 - 12 * line) + " Td (" + text + ") Tj ET ";
    }
    return {595, 842, content, test::Helvetica_Font};
}

} // namespace

TEST_F(Page_Words, ALongPageIsReadWholeAndEachPageOnItsOwn)
{
    T_Pdf_Text_Layer layer(Pdf("long.pdf", {test::Text_Page("Cover"), Long_Page()}));
    const T_Page_Words& page = layer.Words(1);
    ASSERT_EQ(page.Words.size(), 400u);
    for (int word = 0; word < 400; ++word)
        ASSERT_EQ(page.Words[std::size_t(word)].Text, "w" + std::to_string(word));
    // Along a line left to right, lines from the top down.
    EXPECT_LT(page.Words[0].Right, page.Words[1].Left);
    EXPECT_LT(page.Words[0].Bottom, page.Words[20].Bottom);
    ASSERT_EQ(layer.Words(0).Words.size(), 1u);
    EXPECT_EQ(layer.Words(0).Words[0].Text, "Cover");
    EXPECT_FALSE(layer.Words(-1).Has_Text_Layer);
    EXPECT_FALSE(layer.Words(2).Has_Text_Layer);
}

TEST_F(Page_Words, LayersReadOnSeveralThreadsAtOnceReadWhatOneReadsAlone)
{
    // The change list, the find bar and the comparisons of several pairs
    // each read with a layer of their own, each on its own thread.
    const std::string file = Pdf("long.pdf", {Long_Page(), Two_Word_Page(" /Rotate 90")});
    T_Pdf_Text_Layer alone(file);
    const std::vector<T_Page_Word> expected[2] = {alone.Words(0).Words, alone.Words(1).Words};
    std::atomic<int> differing{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread)
        threads.emplace_back([&] {
            for (int round = 0; round < 10; ++round) {
                T_Pdf_Text_Layer layer(file);
                for (int page = 0; page < 2; ++page) {
                    const std::vector<T_Page_Word>& words = layer.Words(page).Words;
                    const bool same = std::equal(words.begin(), words.end(), expected[page].begin(),
                                                 expected[page].end(),
                                                 [](const T_Page_Word& a, const T_Page_Word& b) {
                                                     return a.Text == b.Text && a.Left == b.Left &&
                                                            a.Top == b.Top && a.Right == b.Right &&
                                                            a.Bottom == b.Bottom;
                                                 });
                    differing += !same;
                }
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(expected[0].size(), 400u);
    EXPECT_EQ(differing, 0);
}

TEST_F(Page_Words, DamagedFilesAreReadFromTheirRepairedCopyAndLockedOnesNotAtAll)
{
    // The header line lost: every offset of the cross-reference table is off.
    const std::string whole = test::Make_Pdf({test::Text_Page("5600 mm")});
    const std::string damaged = dir / "damaged.pdf";
    test::Write_File(damaged, "%\xe2\xe3\n" + whole.substr(std::string("%PDF-1.4\n").size()));
    T_Pdf_Text_Layer repaired(damaged);
    ASSERT_EQ(repaired.Words(0).Words.size(), 2u);
    EXPECT_EQ(repaired.Words(0).Words[0].Text, "5600");
    EXPECT_NEAR(repaired.Words(0).Words[0].Left, 100 * 150 / 72.0, 6);

    const std::string good = Pdf("good.pdf", {test::Text_Page("5600 mm")});
    const std::string locked = dir / "locked.pdf";
    const std::string command =
        "qpdf --encrypt secret secret 256 -- '" + good + "' '" + locked + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "qpdf is needed to encrypt a test PDF";
    T_Pdf_Text_Layer closed(locked);
    EXPECT_FALSE(closed.Words(0).Has_Text_Layer);
    EXPECT_TRUE(closed.Words(0).Words.empty());
    test::Write_File(dir / "not.pdf", "not a PDF at all");
    EXPECT_TRUE(T_Pdf_Text_Layer(dir / "not.pdf").Words(0).Words.empty());
}

TEST_F(Page_Words, BothReadersFindTheSameWordsInTheSamePlaces)
{
    std::vector<test::Pdf_Page> pages = {test::Text_Page("5600 mm"), Two_Word_Page()};
    for (const char* entries : {" /Rotate 90", " /CropBox [50 300 400 800] /Rotate 270"})
        pages.push_back(Two_Word_Page(entries));
    const std::string file = Pdf("a.pdf", pages);
    std::unique_ptr<T_Page_Word_Reader> qt = Qt_Pdf_Word_Reader(file);
    std::unique_ptr<T_Page_Word_Reader> poppler = Poppler_Word_Reader(file);
    ASSERT_TRUE(qt);
    if (!poppler)
        GTEST_SKIP() << "built without poppler";
    for (int page = 0; page < int(pages.size()); ++page) {
        SCOPED_TRACE(page);
        const T_Read_Page by_qt = qt->Read(page), by_poppler = poppler->Read(page);
        ASSERT_TRUE(by_qt.Found && by_poppler.Found);
        EXPECT_EQ(by_qt.Frame.Shown_Points(), by_poppler.Frame.Shown_Points());
        ASSERT_EQ(by_qt.Words.size(), by_poppler.Words.size());
        for (std::size_t at = 0; at < by_qt.Words.size(); ++at) {
            const T_Spaced_Word &a = by_qt.Words[at], &b = by_poppler.Words[at];
            EXPECT_EQ(a.Text, b.Text);
            // In the page's own space; poppler's boxes are the type's full
            // height, Qt's the ink's.
            EXPECT_NEAR(a.X0, b.X0, 3);
            EXPECT_NEAR(a.X1, b.X1, 3);
            EXPECT_LT(b.Y0, a.Y1);
            EXPECT_GT(b.Y1, a.Y0);
        }
    }
    EXPECT_FALSE(poppler->Read(int(pages.size())).Found);
    EXPECT_FALSE(qt->Read(-1).Found);
    EXPECT_FALSE(Poppler_Word_Reader(dir / "missing.pdf"));
    EXPECT_FALSE(Qt_Pdf_Word_Reader(dir / "missing.pdf"));
}

TEST(Page_Frame, APointGoesToTheShownPageAndBackWhicheverWayItIsTurned)
{
    for (int rotate : {0, 90, 180, 270}) {
        SCOPED_TRACE(rotate);
        const T_Page_Frame frame{{50, 300, 400, 800}, rotate};
        const auto [across, down] = frame.Shown(120, 710);
        const auto [x, y] = frame.Unshown(across, down);
        EXPECT_DOUBLE_EQ(x, 120);
        EXPECT_DOUBLE_EQ(y, 710);
        // The crop box's top left corner is shown where the rotation takes it.
        const QSizeF size = frame.Shown_Points();
        EXPECT_EQ(size, rotate % 180 ? QSizeF(500, 350) : QSizeF(350, 500));
        const auto [corner_across, corner_down] = frame.Shown(50, 800);
        EXPECT_DOUBLE_EQ(corner_across, rotate == 0 || rotate == 270 ? 0 : size.width());
        EXPECT_DOUBLE_EQ(corner_down, rotate == 0 || rotate == 90 ? 0 : size.height());
    }
}
