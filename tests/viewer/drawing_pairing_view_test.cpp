// Drawings in the diff view whose pages are paired by name first and, where
// names do not match, by what the pages show: the tabs mark what each page
// is (the same, changed, moved, added), the synced switch follows the
// pairing, and the pages are exported for it in a session of its own only
// when names leave pages over, never after the window closed.
#include "tests/diff_view_support.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"
#include "tests/viewer/view_test_support.h"

#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

namespace {

const QColor Moved_Blue(0x15, 0x65, 0xC0);

// A page of a test drawing: its name and the one square it shows (its
// place along the page; -1 for an empty page).
struct Sheet {
    std::string Name;
    int Square;
};

// What the exporters of one window did, from whichever thread they ran on.
struct Exporter_Log {
    std::atomic<int> Made{0};
    std::atomic<int> Exports{0};
    // Each export takes this long (a slow office).
    std::chrono::milliseconds Export_Time{0};
};

// Drawings laid out by their files' contents (so that a link to a file
// opens the same drawing), with IDs by page name as the office bridge gives
// them: one per distinct name, shared by the documents of one exporter.
class Named_Sheets : public T_Base_Multipage_Wrapper {
public:
    Named_Sheets(std::map<std::string, std::vector<Sheet>> Layouts,
                 std::shared_ptr<Exporter_Log> Log)
        : Layouts(std::move(Layouts)), Log(std::move(Log))
    {
        ++this->Log->Made;
    }
    bool Start_App() override { return true; }
    bool Quit_App() override { return true; }
    bool Close_Doc(int) override { return true; }
    T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index, std::string&) override
    {
        auto found = Layouts.find(test::Read_File(File_Name));
        if (found == Layouts.end())
            return T_Open_Result::No_File;
        Docs.push_back({T_Variant(), true, {}});
        for (const Sheet& sheet : found->second) {
            const auto id = Ids.emplace(sheet.Name, std::int32_t(Ids.size())).first->second;
            Docs.back().Pages.Items->push_back({sheet.Name, id, ""});
        }
        Sheets.push_back(found->second);
        Doc_Index = int(Docs.size()) - 1;
        return T_Open_Result::Ok;
    }

protected:
    void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) override
    {
        std::this_thread::sleep_for(Log->Export_Time);
        ++Log->Exports;
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(Qt::white);
        const int square = Sheets[std::size_t(Doc_Index)][std::size_t(page)].Square;
        if (square >= 0)
            QPainter(&picture).fillRect(10 + 70 * (square % 4), 20 + 90 * (square / 4), 50, 50,
                                        Qt::black);
        picture.save(QString::fromStdString(File_Name), "PNG");
    }

private:
    std::map<std::string, std::vector<Sheet>> Layouts;
    std::shared_ptr<Exporter_Log> Log;
    std::map<std::string, std::int32_t> Ids;
    std::vector<std::vector<Sheet>> Sheets;
};

class Drawing_Pairing_View : public ::testing::Test {
protected:
    void SetUp() override { Prepare_Temp_Folder(); }

    std::unique_ptr<TView_diff_frame> Open(std::vector<Sheet> base, std::vector<Sheet> modified)
    {
        test::Write_File(dir / "plan v1.vsdx", "base");
        test::Write_File(dir / "plan v2.vsdx", "modified");
        std::map<std::string, std::vector<Sheet>> layouts{{"base", std::move(base)},
                                                          {"modified", std::move(modified)}};
        auto frame = std::make_unique<TView_diff_frame>(
            nullptr, dir / "plan v1.vsdx", "Base version", dir / "plan v2.vsdx", "", nullptr,
            T_Converter_Kind::None, T_Paged_Kind::Visio, [layouts, log = Log](T_Paged_Kind) {
                return Make_Exporter<Named_Sheets>(layouts, log);
            });
        frame->resize(1000, 700);
        frame->show();
        EXPECT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
        return frame;
    }
    static bool Paired(const TView_diff_frame& frame)
    {
        return test::Wait_For([&] { return frame.Session().Content_Pairing() != nullptr; });
    }
    static T_Page_Tab_Bar* Tabs(const TView_diff_frame& frame, const char* name)
    {
        return test::Find_Tabs(frame, name)->TabControl1;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    std::shared_ptr<Exporter_Log> Log = std::make_shared<Exporter_Log>();
};

} // namespace

TEST_F(Drawing_Pairing_View, PagesWithoutANamesakePairByWhatTheyShowWhileNamesStillWin)
{
    // "Page-1" was renamed and put second; "Page-3" now shows another
    // square, the one "Annex" shows, and still pairs with "Page-3".
    auto frame = Open({{"Page-1", 0}, {"Page-2", 1}, {"Page-3", 2}},
                      {{"Page-2", 1}, {"Ground floor", 0}, {"Page-3", 3}, {"Annex", 2}});
    ASSERT_TRUE(Paired(*frame));
    const T_Content_Pairing& pairing = *frame->Session().Content_Pairing();
    EXPECT_EQ(pairing.Pairs.Left_To_Right, (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(pairing.Pairs.Right_To_Left, (std::vector<int>{1, 0, 2, -1}));
    using M = T_Page_Match;
    EXPECT_EQ(pairing.Left, (std::vector<M>{M::Same, M::Same, M::Changed}));
    EXPECT_EQ(pairing.Right, (std::vector<M>{M::Same, M::Same, M::Changed, M::Unpaired}));
    EXPECT_EQ(Log->Made, 2); // the window's exporter and the pairing's own
    // The pairing's pages, and the copy they were named after, are gone:
    // the window's own session folder is the only one left.
    const std::filesystem::path window_folder =
        std::filesystem::path(frame->Session().LeftFile).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(Temp_Dir()))
        if (entry.path() != window_folder)
            EXPECT_EQ(entry.path().string().find("tempfile_"), std::string::npos) << entry.path();
    EXPECT_TRUE(std::filesystem::is_directory(window_folder)) << window_folder;

    T_Page_Tab_Bar* left = Tabs(*frame, "LeftTabs");
    T_Page_Tab_Bar* right = Tabs(*frame, "RightTabs");
    EXPECT_EQ(left->tabText(0), QStringLiteral("Page-1"));
    EXPECT_TRUE(left->tabToolTip(0).startsWith(
        QStringLiteral("Moved: page 2 of the modified version (\"Ground floor\") is the same")))
        << left->tabToolTip(0).toStdString();
    EXPECT_EQ(left->tabTextColor(0), Moved_Blue);
    EXPECT_EQ(left->tabToolTip(2).toStdString(),
              "Differs from page \"Page-3\" of the modified version");
    EXPECT_EQ(right->tabToolTip(3).toStdString(), "Not in the base version: this sheet was added");
    EXPECT_EQ(right->tabToolTip(0).toStdString(),
              "The same as page \"Page-2\" of the base version");

    // The synced switch goes to the counterpart by name, by what it shows,
    // and nowhere for a sheet that was added.
    left->setCurrentIndex(1);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().RightPage, 0);
    left->setCurrentIndex(0);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().RightPage, 1);
    EXPECT_EQ(right->currentIndex(), 1);
    right->setCurrentIndex(3);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().LeftPage, 0);
    right->setCurrentIndex(2);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().LeftPage, 2);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Drawing_Pairing_View, PagesThatAllMatchByNameShowTheirMovesWithoutAnotherExport)
{
    auto frame = Open({{"A", 0}, {"B", 1}, {"C", 2}}, {{"B", 1}, {"A", 0}, {"C", 2}});
    T_Page_Tab_Bar* left = Tabs(*frame, "LeftTabs");
    T_Page_Tab_Bar* right = Tabs(*frame, "RightTabs");
    EXPECT_EQ(left->tabToolTip(0).toStdString(),
              "Moved: page 2 of the modified version (\"A\") is this sheet, in another place in "
              "the order");
    EXPECT_EQ(right->tabTextColor(1), Moved_Blue);
    EXPECT_NE(left->tabTextColor(1), Moved_Blue);
    EXPECT_TRUE(left->tabToolTip(2).isEmpty());

    QTest::qWait(100);
    EXPECT_EQ(frame->Session().Content_Pairing(), nullptr);
    EXPECT_EQ(Log->Made, 1);
    EXPECT_EQ(Log->Exports, 2); // the first pages, nothing more
    // The synced switch follows the names.
    left->setCurrentIndex(2);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().RightPage, 2);
    right->setCurrentIndex(0);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().LeftPage, 1);
    left->setCurrentIndex(0);
    test::Wait_For_Pages(*frame);
    EXPECT_EQ(frame->Session().RightPage, 1);
}

TEST_F(Drawing_Pairing_View, ClosingTheWindowStopsThePairingOfItsPages)
{
    std::vector<Sheet> base, modified;
    for (int page = 0; page < 30; ++page) {
        base.push_back({"Sheet " + std::to_string(page), page % 8});
        modified.push_back({"Renamed " + std::to_string(page), page % 8});
    }
    Log->Export_Time = std::chrono::milliseconds(20);
    auto frame = Open(base, modified);
    // The window's first two pages, then the pairing's own.
    ASSERT_TRUE(test::Wait_For([&] { return Log->Exports > 3; }));
    frame.reset();
    const int exported = Log->Exports;
    EXPECT_LT(exported, 30);
    QTest::qWait(50);
    EXPECT_EQ(Log->Exports, exported);
    EXPECT_TRUE(messages.Messages.empty());
}
