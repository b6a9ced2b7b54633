// The comparison model's page switches: both sides drawn once, the next
// sheet drawn ahead in the background, and documents closed only once that
// drawing is done.
#include "session/comparison_model.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

// Five pages a side, drawn in the program like PDF pages, each export
// counted (and slowed down, so that a close can fall into one).
class Counting_Pages : public T_Base_Multipage_Wrapper {
public:
    explicit Counting_Pages(std::shared_ptr<std::vector<std::string>> Exported)
        : Exported_(std::move(Exported))
    {
    }
    bool Start_App() override { return true; }
    bool Quit_App() override { return true; }
    bool Exports_In_Parallel() const override { return true; }
    bool Close_Doc(int) override
    {
        // A document is closed only when no page of it is being drawn.
        EXPECT_EQ(Drawing.load(), 0);
        return true;
    }
    T_Open_Result Open_Doc(const std::string&, int& Doc_Index, std::string&) override
    {
        Docs.push_back({T_Variant(), true, {}});
        for (int page = 0; page < 5; ++page)
            Docs.back().Pages.Items->push_back({std::to_string(page + 1), page, ""});
        Doc_Index = int(Docs.size()) - 1;
        return T_Open_Result::Ok;
    }

protected:
    void Export_Page_File(int, int page, const std::string& File_Name) override
    {
        ++Drawing;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(QColor(page * 40, 0, 0));
        picture.save(QString::fromStdString(File_Name), "PNG");
        {
            std::lock_guard lock(Guard);
            Exported_->push_back(File_Name.substr(File_Name.size() - 13));
        }
        --Drawing;
    }

private:
    std::shared_ptr<std::vector<std::string>> Exported_;
    std::atomic<int> Drawing{0};
    std::mutex Guard;
};

class Comparison_Model_Pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        test::Write_File(left, "");
        test::Write_File(right, "");
    }
    std::unique_ptr<T_Comparison_Model> Open()
    {
        auto exported = Exported;
        auto model = std::make_unique<T_Comparison_Model>(
            left, right, T_Converter_Kind::None, T_Paged_Kind::Pdf,
            T_Session_Seams{
                [exported](T_Paged_Kind) { return Make_Exporter<Counting_Pages>(exported); }, {}},
            &context, nullptr);
        EXPECT_TRUE(model->Open().Done());
        return model;
    }
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    QObject context;
    std::string left = dir / "sheets.pdf", right = dir / "sheets_b.pdf";
    std::shared_ptr<std::vector<std::string>> Exported =
        std::make_shared<std::vector<std::string>>();
};

TEST_F(Comparison_Model_Pages, TheNextSheetIsDrawnAheadAndShownWithoutDrawingAgain)
{
    auto model = Open();
    ASSERT_TRUE(model->Show_Pages(1, 1).Done());
    // Until the pages are paired by what they show, the next sheet's
    // counterpart is not known: nothing is drawn ahead.
    QTest::qWait(300);
    EXPECT_EQ(Exported->size(), 4u);
    T_Content_Pairing pairing;
    pairing.Pairs = {{0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}};
    pairing.Left.resize(5);
    pairing.Right.resize(5);
    pairing.Left_Moved.assign(5, false);
    pairing.Right_Moved.assign(5, false);
    model->Set_Content_Pairing(std::move(pairing));
    // Pages 2 of both sides come in the background.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Exported->size() == 6; }, 5000));
    EXPECT_EQ(Exported->back().substr(0, 2), "_r");
    const std::vector<std::string> before = *Exported;
    ASSERT_TRUE(model->Show_Pages(2, 2).Done());
    // The pair shown was drawn ahead: nothing drawn for it now, its pictures
    // taken as they were drawn; and the sheet after it is drawn ahead again.
    EXPECT_TRUE(std::equal(before.begin(), before.end(), Exported->begin()));
    EXPECT_EQ(model->Picture(T_Side::Left).Image.pixelColor(0, 0), QColor(80, 0, 0));
    EXPECT_EQ(model->Session().LeftPage, 2);
    EXPECT_EQ(model->Session().RightPage, 2);
}

TEST_F(Comparison_Model_Pages, ClosingWaitsForThePageBeingDrawnAhead)
{
    auto model = Open();
    ASSERT_TRUE(model->Show_Pages(3, 3).Done());
    // Drawing of sheet 4 is under way: the documents close after it.
    model->Close_Documents();
    EXPECT_EQ(model->Session().Exporter, nullptr);
    model.reset();
}

} // namespace
