// Pages drawn small for pairing by the second reader show what Qt's module
// shows: the same size, the ink at the same places on turned and cropped
// pages; files it cannot read are left to Qt's module, and it writes
// nothing of its own to the standard error.
#include "pdf/pdf_page_render.h"
#include "pdf/poppler_small_pages.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"

#include <QPdfDocument>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

class Pdf_Small_Pages : public ::testing::Test {
protected:
    std::string Write(const std::string& Name, const std::string& Bytes)
    {
        const std::string path = (dir.Path / Name).string();
        std::ofstream(path, std::ios::binary) << Bytes;
        return path;
    }

    // The share of pixels whose grey differs by more than a quarter.
    static double Differing_Share(const QImage& A, const QImage& B)
    {
        int differing = 0;
        for (int y = 0; y < A.height(); ++y)
            for (int x = 0; x < A.width(); ++x)
                differing += std::abs(qGray(A.pixel(x, y)) - qGray(B.pixel(x, y))) > 64;
        return double(differing) / (A.width() * A.height());
    }

    test::Scratch_Dir dir;
};

} // namespace

TEST_F(Pdf_Small_Pages, TurnedAndCroppedPagesAreDrawnAsQtsModuleDrawsThem)
{
    // Filled boxes in three corners of the sheet, the sheet cut down by its
    // crop box; the second page is also turned a quarter.
    const std::string content = test::Box(60, 700, 120, 80, 0) + test::Box(400, 700, 120, 80, 0) +
                                test::Box(60, 80, 200, 40, 0);
    test::Pdf_Page page{595, 842, content, "<< >> /CropBox [40 60 560 800]"};
    test::Pdf_Page turned = page;
    turned.Resources += " /Rotate 90";
    const std::string file = Write("sheets.pdf", test::Make_Pdf({page, turned}));
    const auto small = T_Poppler_Small_Pages::Open(file);
    if (!small)
        GTEST_SKIP() << "this build draws every page with Qt's module";
    ASSERT_EQ(small->Page_Count(), 2);
    QPdfDocument document;
    ASSERT_EQ(document.load(QString::fromStdString(file)), QPdfDocument::Error::None);
    for (int number = 0; number < 2; ++number) {
        const QImage ours = small->Draw(number, 12);
        const QImage qts = Render_Pdf_Page(document, number, 12);
        ASSERT_FALSE(ours.isNull());
        ASSERT_LE(std::abs(ours.width() - qts.width()), 1) << "page " << number;
        ASSERT_LE(std::abs(ours.height() - qts.height()), 1) << "page " << number;
        const QSize common = ours.size().boundedTo(qts.size());
        EXPECT_LT(
            Differing_Share(ours.copy(QRect({0, 0}, common)), qts.copy(QRect({0, 0}, common))),
            0.03)
            << "page " << number;
    }
}

TEST_F(Pdf_Small_Pages, FilesItCannotReadAreLeftToQtsModuleWithoutAWord)
{
    const std::string good = test::Make_Pdf({test::Text_Page("SHEET")});
    const std::string not_pdf = Write("notes.pdf", "These are not the pages you are looking for.");
    const std::string cut = Write("cut.pdf", good.substr(0, good.size() / 2));
    const std::string locked = (dir.Path / "locked.pdf").string();
    ASSERT_EQ(std::system(("qpdf --encrypt secret secret 256 -- '" + Write("open.pdf", good) +
                           "' '" + locked + "'")
                              .c_str()),
              0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(T_Poppler_Small_Pages::Open(not_pdf), nullptr);
    EXPECT_EQ(T_Poppler_Small_Pages::Open(locked), nullptr);
    EXPECT_EQ(T_Poppler_Small_Pages::Open((dir.Path / "missing.pdf").string()), nullptr);
    // A file cut in half may still be read in part; whatever it gives, it
    // says nothing.
    if (const auto pages = T_Poppler_Small_Pages::Open(cut))
        for (int page = 0; page < pages->Page_Count(); ++page)
            pages->Draw(page, 12);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
