// The folder list as a review screen, on folders drawn here and measured by
// the real pair pipeline: its columns, the hidden identical pairs, numeric
// sorting, the summary, and opening rows through the launcher.
#include "tests/app/launch_record.h"
#include "tests/headless/headless_fixture.h"
#include "app/gui/folder_list_form.h"
#include "platform/os_platform.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

namespace {

using F = T_Folder_List_F;

class Folder_List : public Headless {
protected:
    void SetUp() override
    {
        Headless::SetUp();
        fs::create_directories(dir / "old");
        fs::create_directories(dir / "new");
        // Changes of 300, 2,000 and 9 pixels: as text they would sort the other way.
        Make_Png(dir / "old/plan.png", 200, 100);
        Make_Png(dir / "new/plan.png", 200, 100, {{10, 10, 30, 10}});
        Make_Png(dir / "old/big.png", 200, 100);
        Make_Png(dir / "new/big.png", 200, 100, {{100, 20, 50, 40}});
        Make_Png(dir / "old/small.png", 200, 100);
        Make_Png(dir / "new/small.png", 200, 100, {{150, 80, 3, 3}});
        Make_Png(dir / "old/same.png", 50, 50, {{5, 5, 5, 5}});
        Make_Png(dir / "new/same.png", 50, 50, {{5, 5, 5, 5}});
        test::Write_File(dir / "old/notes.txt", "one\n");
        test::Write_File(dir / "new/notes.txt", "two\n");
        Make_Png(dir / "new/added.png", 10, 10);
        Make_Png(dir / "old/removed.png", 10, 10);
    }

    // The list, shown, once every row is measured.
    std::unique_ptr<F> Measured_List(T_Launch_Hooks Hooks)
    {
        auto list = std::make_unique<F>(dir / "old", dir / "new", std::move(Hooks));
        list->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(list.get()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->Measured(); }, 60000));
        return list;
    }

    static std::vector<std::string> Cells(const F& List, const std::string& Name)
    {
        const QTreeWidgetItem* item = List.Item_Of(Name);
        std::vector<std::string> cells;
        for (int column = 0; item && column < item->columnCount(); ++column)
            cells.push_back(item->text(column).toStdString());
        return cells;
    }

    // The paths of the visible rows, top to bottom.
    static std::vector<std::string> Visible_Paths(const F& List)
    {
        std::vector<std::string> paths;
        for (int row = 0; row < List.Files_L->topLevelItemCount(); ++row)
            if (!List.Files_L->topLevelItem(row)->isHidden())
                paths.push_back(
                    List.Files_L->topLevelItem(row)->text(F::Path_Column).toStdString());
        return paths;
    }

    Launch_Record record;
};

} // namespace

TEST_F(Folder_List, ShowsEachFilesVerdictAndMeasureHidesIdenticalPairsAndSortsNumbers)
{
    const std::unique_ptr<F> list = Measured_List(record.Hooks());
    EXPECT_EQ(Cells(*list, "plan.png"),
              (std::vector<std::string>{"plan.png", "changed", "300", "1.50 %", "1"}));
    EXPECT_EQ(Cells(*list, "big.png"),
              (std::vector<std::string>{"big.png", "changed", "2,000", "10.00 %", "1"}));
    EXPECT_EQ(Cells(*list, "added.png"),
              (std::vector<std::string>{"added.png", "added", "", "", ""}));
    EXPECT_EQ(Cells(*list, "removed.png"),
              (std::vector<std::string>{"removed.png", "removed", "", "", ""}));
    // Compared by bytes: no pixel columns.
    EXPECT_EQ(Cells(*list, "notes.txt"),
              (std::vector<std::string>{"notes.txt", "changed", "", "", ""}));
    EXPECT_EQ(list->Progress_L->text(),
              QStringLiteral("7 files: 4 changed, 1 added, 1 removed, 1 identical"));
    EXPECT_EQ(list->Hint_L->text(),
              QStringLiteral("Enter or double-click opens a file's comparison."));

    ASSERT_TRUE(list->Hide_Identical_C->isChecked());
    EXPECT_EQ(Visible_Paths(*list),
              (std::vector<std::string>{"added.png", "big.png", "notes.txt", "plan.png",
                                        "removed.png", "small.png"}));
    list->Hide_Identical_C->setChecked(false);
    EXPECT_EQ(Cells(*list, "same.png"),
              (std::vector<std::string>{"same.png", "identical", "0", "0.00 %", "0"}));
    EXPECT_FALSE(list->Item_Of("same.png")->isHidden());
    list->Hide_Identical_C->setChecked(true);
    EXPECT_TRUE(list->Item_Of("same.png")->isHidden());

    // The changed pixels sort as numbers (as text "2,000" would come first).
    QHeaderView* header = list->Files_L->header();
    QTest::mouseClick(
        header->viewport(), Qt::LeftButton, {},
        {header->sectionViewportPosition(F::Pixels_Column) + 10, header->height() / 2});
    ASSERT_EQ(list->Files_L->sortColumn(), int(F::Pixels_Column));
    std::vector<std::string> measured;
    for (const std::string& path : Visible_Paths(*list))
        if (!list->Item_Of(path)->text(F::Pixels_Column).isEmpty())
            measured.push_back(path);
    std::vector<std::string> ascending{"small.png", "plan.png", "big.png"};
    if (header->sortIndicatorOrder() == Qt::DescendingOrder)
        std::reverse(ascending.begin(), ascending.end());
    EXPECT_EQ(measured, ascending);
}

TEST_F(Folder_List, OpensAnyRowCaptionedWithItsPathAndReturnsToThatRow)
{
    T_Launch_Hooks hooks = record.Hooks();
    // Titles given with the folders belong to no single file of the list.
    hooks.Left_Title = "user's old title";
    hooks.Right_Title = "user's new title";
    F* shown = nullptr;
    // While the window is open the list goes on (rows measured, sorted):
    // the cursor is elsewhere when it closes.
    hooks.Show_Diff_Form = [&, record_form = hooks.Show_Diff_Form](auto&&... arguments) {
        shown->Files_L->setCurrentItem(shown->Item_Of("plan.png"));
        return record_form(arguments...);
    };
    const std::unique_ptr<F> list = Measured_List(hooks);
    shown = list.get();
    EXPECT_TRUE(QTest::qWaitForWindowActive(list.get()));

    // At start the list has the keys, on its first row.
    QTreeWidgetItem* added = list->Item_Of("added.png");
    EXPECT_EQ(list->focusWidget(), list->Files_L);
    ASSERT_EQ(list->Files_L->currentItem(), added);
    list->Files_L->clearSelection();
    QTest::keyClick(list->Files_L, Qt::Key_Return);
    ASSERT_EQ(record.Calls, (std::vector<std::string>{"diff:added.png (old)|added.png (new)"}));
    EXPECT_EQ(record.Left, os::Null_Device());
    EXPECT_EQ(fs::path(record.Right), fs::path(dir / "new/added.png"));
    EXPECT_EQ(list->Files_L->currentItem(), added);
    EXPECT_TRUE(added->isSelected());

    list->Open_Row(list->Item_Of("removed.png"));
    EXPECT_EQ(record.Calls.back(), "diff:removed.png (old)|removed.png (new)");
    EXPECT_EQ(fs::path(record.Left), fs::path(dir / "old/removed.png"));
    EXPECT_EQ(record.Right, os::Null_Device());
    // An identical pair opens too, in the usual window.
    list->Hide_Identical_C->setChecked(false);
    list->Open_Row(list->Item_Of("same.png"));
    EXPECT_EQ(record.Calls.back(), "diff:same.png (old)|same.png (new)");
    EXPECT_EQ(fs::path(record.Right), fs::path(dir / "new/same.png"));
    EXPECT_EQ(list->Files_L->currentItem(), list->Item_Of("same.png"));
    EXPECT_TRUE(messages.Messages.empty());
}
