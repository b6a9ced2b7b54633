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
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

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

// Shut until opened; what waits for it wakes then.
class T_Gate {
public:
    void Open()
    {
        {
            std::lock_guard<std::mutex> lock(Guard_);
            Open_ = true;
        }
        Opened_.notify_all();
    }
    void Pass()
    {
        std::unique_lock<std::mutex> lock(Guard_);
        Opened_.wait(lock, [this] { return Open_; });
    }

private:
    std::mutex Guard_;
    std::condition_variable Opened_;
    bool Open_ = false;
};

// Waits up to ten seconds for Condition.
template <class T_Condition> bool Soon(T_Condition Condition)
{
    for (int tries = 0; tries < 1000 && !Condition(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Condition();
}

// A page whose file written is one byte, and whose writing can be held up.
class T_Slow_Page final : public T_Page_Picture {
public:
    T_Slow_Page(T_Gate* Gate, std::atomic<bool>* Started) : Gate_(Gate), Started_(Started) {}
    std::size_t Bytes() const override { return 1000; }
    bool Write(const std::string& File, std::string&) const override
    {
        if (Started_)
            *Started_ = true;
        if (Gate_)
            Gate_->Pass();
        test::Write_File(File, "p");
        return true;
    }

private:
    T_Gate* Gate_;
    std::atomic<bool>* Started_;
};

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

TEST_F(Page_Store, APageAskedForAgainUnderItsNameIsTakenFromMemoryAndStaysTheNewest)
{
    for (int page = 0; page < 3; ++page)
        ASSERT_TRUE(Draw(page, Name(page)));
    // Page 0 is shown again: not drawn again, and no longer the oldest.
    ASSERT_TRUE(Draw(0, Name(0)));
    EXPECT_EQ(Drawings[0], 1);
    ASSERT_TRUE(Draw(3, Name(3)));
    Store.Finish_Writes();
    EXPECT_EQ(Store.Status(0).State, T_Page_State::In_Memory);
    EXPECT_EQ(Store.Status(1).State, T_Page_State::Written);
    EXPECT_TRUE(fs::exists(Name(1)));
    EXPECT_FALSE(fs::exists(Name(0)));
    // Under another name it is drawn anew.
    ASSERT_TRUE(Draw(0, dir / "other_page_0.png"));
    EXPECT_EQ(Drawings[0], 2);
}

TEST_F(Page_Store, APageDrawnAgainAfterItsFileWasWrittenReplacesTheFile)
{
    // A drawing that changes every time, so that the two drawings differ.
    std::atomic<int> drawn{0};
    T_Page_Store store(1, [&](int, std::string&) { return Drawn_Page(Page(++drawn)); });
    std::string error;
    ASSERT_TRUE(store.Draw(0, Name(0), error)) << error;
    ASSERT_TRUE(store.Write(0, error)) << error;
    EXPECT_EQ(Decoded(Name(0)), Page(1));
    ASSERT_TRUE(store.Draw(0, Name(0), error)) << error;
    EXPECT_EQ(Load_Drawn_Or_Decoded(&store, Name(0)).Image, Page(2));
    ASSERT_TRUE(store.Write_Named(Name(0), error)) << error;
    EXPECT_EQ(Decoded(Name(0)), Page(2));
    EXPECT_EQ(Files_In(dir.Path), (std::vector<std::string>{"d_page_0.png"}));
    EXPECT_EQ(store.Held_Pages(), 0u);
}

TEST_F(Page_Store, ADrawingNoLongerWantedLeavesThePageToBeDrawnByTheNextToAsk)
{
    bool wanted = false;
    T_Page_Store store(2, [&](int page, std::string&) -> T_Page_Picture_Ptr {
        if (!wanted)
            throw std::runtime_error("overtaken");
        return Drawn_Page(Page(page));
    });
    std::string error;
    EXPECT_THROW(store.Draw(1, Name(1), error), std::runtime_error);
    // Not left "drawing", which the next to ask would wait for forever.
    ASSERT_EQ(store.Status(1).State, T_Page_State::Not_Drawn);
    wanted = true;
    ASSERT_TRUE(store.Draw(1, Name(1), error)) << error;
    EXPECT_EQ(Load_Drawn_Or_Decoded(&store, Name(1)).Image, Page(1));

    // A page in memory under another name stays there when its new drawing
    // is dropped.
    wanted = false;
    EXPECT_THROW(store.Draw(1, dir / "other_page_1.png", error), std::runtime_error);
    EXPECT_EQ(store.Status(1).State, T_Page_State::In_Memory);
    EXPECT_EQ(store.Status(1).File, Name(1));
}

TEST_F(Page_Store, TwoThreadsAskingForOnePageDrawItOnce)
{
    T_Gate gate;
    std::atomic<int> drawn{0};
    T_Page_Store store(1, [&](int, std::string&) {
        ++drawn;
        gate.Pass();
        return Drawn_Page(Page(0));
    });
    auto first = std::async(std::launch::async, [&] {
        std::string error;
        return store.Draw(0, Name(0), error);
    });
    ASSERT_TRUE(Soon([&] { return store.Status(0).State == T_Page_State::Drawing; }));
    auto second = std::async(std::launch::async, [&] {
        std::string error;
        return store.Draw(0, Name(0), error);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    gate.Open();
    EXPECT_TRUE(first.get());
    EXPECT_TRUE(second.get());
    EXPECT_EQ(drawn, 1);
}

TEST_F(Page_Store, ADrawingThreadNeverWaitsForTheWriterBusyWithAnotherPage)
{
    // The writer is held up writing page 0; the pages drawn meanwhile pile
    // up until the drawing thread writes the oldest of them itself.
    T_Gate gate;
    std::atomic<bool> writing_first{false};
    T_Page_Store store(12,
                       [&](int page, std::string&) -> T_Page_Picture_Ptr {
                           return std::make_shared<const T_Slow_Page>(
                               page == 0 ? &gate : nullptr, page == 0 ? &writing_first : nullptr);
                       },
                       {3, std::size_t{1} << 30});
    std::string error;
    for (int page = 0; page < 4; ++page)
        ASSERT_TRUE(store.Draw(page, Name(page), error)) << error;
    ASSERT_TRUE(Soon([&] { return writing_first.load(); }));
    auto drawing = std::async(std::launch::async, [&] {
        std::string failure;
        for (int page = 4; page < 12; ++page)
            if (!store.Draw(page, Name(page), failure))
                return false;
        return true;
    });
    const bool finished = drawing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    gate.Open();
    ASSERT_TRUE(finished) << "the drawing thread waited for the writer";
    EXPECT_TRUE(drawing.get());
    EXPECT_TRUE(fs::exists(Name(1)));
    store.Finish_Writes();
    EXPECT_LE(store.Held_Pages(), 3u);
    EXPECT_EQ(store.Status(0).State, T_Page_State::Written);
}

} // namespace
