// Pages drawn in memory: served without a file, written whole only when
// asked, let go unwritten, and bounded in number.
#include "imaging/pending_pages.h"
#include "tests/test_support.h"
#include "imaging/u_image_load.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A white page with a black box where `mark` says, so that pages differ.
QImage Page(int mark)
{
    QImage page(300, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter(&page).fillRect(10 + mark * 7, 20, 30, 40, Qt::black);
    return page;
}

QImage Decoded(const std::string& file)
{
    T_Loaded_Picture picture = Load_Picture(file);
    return picture.Image.convertToFormat(QImage::Format_RGB32);
}

std::vector<std::string> Files_In(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Pending_Pages : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int page = 0; page < 20; ++page)
            Let_Go_Pending_Page(Name(page));
        Finish_Pending_Writes();
    }
    std::string Name(int page) const { return dir / ("d_page_" + std::to_string(page) + ".png"); }

    test::Scratch_Dir dir;
};

TEST_F(Pending_Pages, APageIsShownFromMemoryAndItsFileWrittenWholeOnlyWhenAsked)
{
    const QImage page = Page(1);
    Hold_Pending_Page(Name(0), page);
    EXPECT_TRUE(Files_In(dir.Path).empty());
    EXPECT_TRUE(Is_Pending_Page(Name(0)));

    T_Loaded_Picture shown = Load_Drawn_Or_Decoded(Name(0));
    ASSERT_EQ(shown.Result, T_Picture_Load_Result::Loaded);
    EXPECT_EQ(shown.Image, page);
    EXPECT_EQ(shown.Qt_Format, "png");
    // Shown twice (both panes, a reload) without a file either time.
    EXPECT_EQ(Load_Drawn_Or_Decoded(Name(0)).Image, page);
    EXPECT_TRUE(Files_In(dir.Path).empty());

    std::string error;
    ASSERT_TRUE(Write_Pending_Page(Name(0), &error)) << error;
    EXPECT_FALSE(Is_Pending_Page(Name(0)));
    // Written under a temporary name and renamed: nothing else is left.
    EXPECT_EQ(Files_In(dir.Path), (std::vector<std::string>{"d_page_0.png"}));
    EXPECT_EQ(Decoded(Name(0)), page);
    // Asked again, it is already there.
    EXPECT_TRUE(Write_Pending_Page(Name(0), &error));
}

TEST_F(Pending_Pages, APageLetGoIsNeverWrittenAndADrawnAgainPageReplacesTheOld)
{
    Hold_Pending_Page(Name(0), Page(1));
    Let_Go_Pending_Page(Name(0));
    EXPECT_FALSE(Is_Pending_Page(Name(0)));
    EXPECT_TRUE(Load_Drawn_Or_Decoded(Name(0)).Image.isNull());
    EXPECT_TRUE(Write_Pending_Page(Name(0)));
    EXPECT_FALSE(fs::exists(Name(0)));

    Hold_Pending_Page(Name(1), Page(1));
    Hold_Pending_Page(Name(1), Page(2));
    EXPECT_EQ(Pending_Page(Name(1)), Page(2));
    ASSERT_TRUE(Write_Pending_Page(Name(1)));
    EXPECT_EQ(Decoded(Name(1)), Page(2));
    EXPECT_EQ(Pending_Page_Count(), 0u);
}

TEST_F(Pending_Pages, TheHeldSetStaysBoundedAndTheOldestPagesAreWrittenOut)
{
    for (int page = 0; page < 20; ++page)
        Hold_Pending_Page(Name(page), Page(page));
    Finish_Pending_Writes();
    const std::size_t held = Pending_Page_Count();
    EXPECT_GE(held, 1u);
    EXPECT_LE(held, 6u);
    EXPECT_EQ(Pending_Page_Bytes(), held * std::size_t(Page(0).sizeInBytes()));
    // The oldest went to their files, whole; the newest are still only in
    // memory, and every page reads as it was drawn either way.
    for (int page = 0; page < 20; ++page) {
        const bool written = page < 20 - int(held);
        EXPECT_EQ(fs::exists(Name(page)), written) << page;
        EXPECT_EQ(Is_Pending_Page(Name(page)), !written) << page;
        EXPECT_EQ(Load_Drawn_Or_Decoded(Name(page)).Image.convertToFormat(QImage::Format_RGB32),
                  Page(page))
            << page;
    }
    EXPECT_EQ(Files_In(dir.Path).size(), 20u - held);
}

TEST_F(Pending_Pages, AFileThatCannotBeWrittenSaysWhyAndThePageStaysHeld)
{
    const std::string unwritable = dir / "missing/d_page_0.png";
    Hold_Pending_Page(unwritable, Page(3));
    std::string error;
    EXPECT_FALSE(Write_Pending_Page(unwritable, &error));
    EXPECT_NE(error.find(unwritable), std::string::npos) << error;
    EXPECT_TRUE(Is_Pending_Page(unwritable));
    EXPECT_EQ(Pending_Page(unwritable), Page(3));
    Let_Go_Pending_Page(unwritable);

    // Pages pushed out of memory that cannot be written do not pile up.
    auto name = [&](int page) { return dir / ("missing/d_page_" + std::to_string(page) + ".png"); };
    for (int page = 0; page < 20; ++page)
        Hold_Pending_Page(name(page), Page(page));
    Finish_Pending_Writes();
    EXPECT_LE(Pending_Page_Count(), 6u);
    for (int page = 0; page < 20; ++page)
        Let_Go_Pending_Page(name(page));
    EXPECT_FALSE(fs::exists(dir.Path / "missing"));
}

} // namespace
