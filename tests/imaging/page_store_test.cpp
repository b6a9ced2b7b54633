// A document's page store: pages served from memory without a file, written
// whole only when read by name, let go and drawn again, bounded in memory,
// and a page that cannot be drawn keeps saying why.
#include "imaging/page_store.h"
#include "imaging/drawn_page.h"
#include "imaging/u_image_load.h"
#include "tests/test_support.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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

class Page_Store : public ::testing::Test {
protected:
    // A document of 20 pages whose page 13 cannot be drawn; counts drawings.
    T_Page_Store Store{20, [this](int page, std::string& failure) -> T_Page_Picture_Ptr {
                           ++Drawings[page];
                           if (page == 13) {
                               failure = "Page 14 holds a broken font.";
                               return nullptr;
                           }
                           return Drawn_Page(Page(page));
                       }};
    std::string Name(int page) const { return dir / ("d_page_" + std::to_string(page) + ".png"); }
    bool Draw(int page, const std::string& file)
    {
        std::string error;
        return Store.Draw(page, file, error);
    }

    test::Scratch_Dir dir;
    std::atomic<int> Drawings[20] = {};
};

TEST_F(Page_Store, APageIsShownFromMemoryAndItsFileWrittenWholeOnlyWhenAsked)
{
    ASSERT_TRUE(Draw(0, Name(0)));
    EXPECT_TRUE(Files_In(dir.Path).empty());
    EXPECT_EQ(Store.Status(0).State, T_Page_State::In_Memory);
    EXPECT_TRUE(Store.Is_Kept(0));

    T_Loaded_Picture shown = Load_Drawn_Or_Decoded(&Store, Name(0));
    ASSERT_EQ(shown.Result, T_Picture_Load_Result::Loaded);
    EXPECT_EQ(shown.Image, Page(0));
    EXPECT_EQ(shown.Qt_Format, "png");
    // Shown twice (both panes, a reload) without a file either time.
    EXPECT_EQ(Load_Drawn_Or_Decoded(&Store, Name(0)).Image, Page(0));
    EXPECT_TRUE(Files_In(dir.Path).empty());

    std::string error;
    ASSERT_TRUE(Store.Write_Named(Name(0), error)) << error;
    EXPECT_EQ(Store.Status(0).State, T_Page_State::Written);
    EXPECT_EQ(Store.Held_Pages(), 0u);
    // Written under a temporary name and renamed: nothing else is left.
    EXPECT_EQ(Files_In(dir.Path), (std::vector<std::string>{"d_page_0.png"}));
    EXPECT_EQ(Decoded(Name(0)), Page(0));
    // Asked again, it is already there; still kept while its file is.
    EXPECT_TRUE(Store.Write(0, error));
    EXPECT_TRUE(Store.Is_Kept(0));
    fs::remove(Name(0));
    EXPECT_FALSE(Store.Is_Kept(0));
    EXPECT_EQ(Drawings[0], 1);
}

TEST_F(Page_Store, APageLetGoIsNeverWrittenAndIsDrawnAgainWhenAskedFor)
{
    ASSERT_TRUE(Draw(1, Name(1)));
    Store.Let_Go(1);
    EXPECT_EQ(Store.Status(1).State, T_Page_State::Let_Go);
    EXPECT_FALSE(Store.Is_Kept(1));
    EXPECT_TRUE(Load_Drawn_Or_Decoded(&Store, Name(1)).Image.isNull());
    std::string error;
    EXPECT_TRUE(Store.Write(1, error));
    EXPECT_FALSE(fs::exists(Name(1)));

    ASSERT_TRUE(Draw(1, Name(1)));
    EXPECT_EQ(Drawings[1], 2);
    EXPECT_EQ(Load_Drawn_Or_Decoded(&Store, Name(1)).Image, Page(1));
    // A name that is none of the document's pages is not the store's.
    EXPECT_EQ(Store.Page_Named(dir / "other.png"), -1);
    EXPECT_TRUE(Store.Write_Named(dir / "other.png", error));
}

TEST_F(Page_Store, APageThatCannotBeDrawnKeepsItsReasonAndIsNotDrawnAgain)
{
    std::string error;
    EXPECT_FALSE(Store.Draw(13, Name(13), error));
    EXPECT_EQ(error, "Page 14 holds a broken font.");
    EXPECT_EQ(Store.Status(13).State, T_Page_State::Failed);
    EXPECT_EQ(Store.Status(13).Failure, error);
    error.clear();
    EXPECT_FALSE(Store.Draw(13, Name(13), error));
    EXPECT_EQ(error, "Page 14 holds a broken font.");
    EXPECT_EQ(Drawings[13], 1);
    EXPECT_FALSE(Store.Draw(20, Name(20), error));
}

TEST_F(Page_Store, TheMemoryBoundWritesTheOldestOutAndEveryPageStillReadsAsDrawn)
{
    for (int page = 0; page < 12; ++page)
        ASSERT_TRUE(Draw(page, Name(page)));
    Store.Finish_Writes();
    const std::size_t held = Store.Held_Pages();
    EXPECT_GE(held, 1u);
    EXPECT_LE(held, 3u);
    EXPECT_EQ(Store.Held_Bytes(), held * std::size_t(Page(0).sizeInBytes()));
    // The oldest went to their files, whole; the newest are still only in
    // memory, and every page reads as it was drawn either way.
    for (int page = 0; page < 12; ++page) {
        const bool written = page < 12 - int(held);
        EXPECT_EQ(fs::exists(Name(page)), written) << page;
        EXPECT_EQ(Store.Status(page).State,
                  written ? T_Page_State::Written : T_Page_State::In_Memory)
            << page;
        EXPECT_EQ(
            Load_Drawn_Or_Decoded(&Store, Name(page)).Image.convertToFormat(QImage::Format_RGB32),
            Page(page))
            << page;
    }
    EXPECT_EQ(Files_In(dir.Path).size(), 12u - held);
}

TEST_F(Page_Store, APagePushedOutThatCannotBeWrittenIsLetGoWithItsReasonAndDrawnAgain)
{
    auto name = [&](int page) { return dir / ("missing/d_page_" + std::to_string(page) + ".png"); };
    std::string error;
    ASSERT_TRUE(Draw(0, name(0)));
    EXPECT_FALSE(Store.Write(0, error));
    EXPECT_NE(error.find(name(0)), std::string::npos) << error;
    // Read by name and not written: still in memory, for the panes.
    EXPECT_EQ(Store.Status(0).State, T_Page_State::In_Memory);

    // Pushed out of memory, pages that cannot be written do not pile up.
    for (int page = 1; page < 12; ++page)
        ASSERT_TRUE(Draw(page, name(page)));
    Store.Finish_Writes();
    EXPECT_LE(Store.Held_Pages(), 3u);
    const T_Page_Status first = Store.Status(0);
    EXPECT_EQ(first.State, T_Page_State::Let_Go);
    EXPECT_NE(first.Failure.find(name(0)), std::string::npos) << first.Failure;
    EXPECT_FALSE(fs::exists(dir.Path / "missing"));

    // Asked for again, it is drawn anew.
    ASSERT_TRUE(Draw(0, name(0)));
    EXPECT_EQ(Drawings[0], 2);
    EXPECT_EQ(Load_Drawn_Or_Decoded(&Store, name(0)).Image, Page(0));
}

} // namespace
