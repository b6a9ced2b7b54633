// The Diff window's menu bar, its keys, the keyboard help, and the reach of
// the window's controls by keyboard and screen reader.
#include "engine/U_ShellOp.h"
#include "app/gui/U_Varnolt_File_Select.h"
#include "tests/diff_view_support.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "engine/u_program_paths.h"
#include "app/gui/vcs_diff_form.h"
#include "viewer/vcs_diff_frame.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QShortcut>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

class Diff_Menus : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.save(QString::fromStdString(dir / "a.png"));
        image.setPixelColor(10, 10, Qt::black);
        image.setPixelColor(90, 60, Qt::black);
        image.save(QString::fromStdString(dir / "b.png"));
        window = std::make_unique<TDiff_F>(dir / "a.png", "Base version", dir / "b.png", "",
                                           T_Converter_Kind::None, T_Paged_Kind::None);
        window->resize(1600, 1000);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QAction* Entry(const char* name) { return test::Find<QAction>(*window, name); }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    std::unique_ptr<TDiff_F> window;
};

// The actions of the three toolbar rows, each with its menu entry.
const char* const Toolbar_Actions[] = {"Fit_A",
                                       "Compare_A",
                                       "Trim_Compared_A",
                                       "Sync_Pages_A",
                                       "Execute_Compared_Img_A",
                                       "Export_Compared_Img_A",
                                       "About_A",
                                       "Close_A",
                                       "Zoom_In_A",
                                       "Zoom_Out_A",
                                       "Zoom_100_A",
                                       "Side_By_Side_A",
                                       "Overlay_A",
                                       "Blink_A",
                                       "Swipe_A",
                                       "Differences_A",
                                       "Reset_Offset_A",
                                       "Previous_Change_A",
                                       "Next_Change_A"};

// Every key of the window: the actions' and the QShortcuts'.
std::vector<QKeySequence> All_Keys(const QWidget& window)
{
    std::vector<QKeySequence> keys;
    for (QAction* action : window.findChildren<QAction*>())
        for (const QKeySequence& key : action->shortcuts())
            keys.push_back(key);
    for (QShortcut* shortcut : window.findChildren<QShortcut*>())
        for (const QKeySequence& key : shortcut->keys())
            keys.push_back(key);
    return keys;
}

} // namespace

TEST_F(Diff_Menus, EveryToolbarActionHasAnEntryThatFollowsItsState)
{
    for (const char* name : Toolbar_Actions) {
        SCOPED_TRACE(name);
        QAction* source = test::Find_Action(*window->View, name);
        QAction* entry = Entry((std::string("Menu_") + name).c_str());
        EXPECT_EQ(entry->isEnabled(), source->isEnabled());
        EXPECT_EQ(entry->isChecked(), source->isChecked());
        const bool enabled = source->isEnabled();
        source->setEnabled(!enabled);
        EXPECT_EQ(entry->isEnabled(), !enabled);
        source->setEnabled(enabled);
        EXPECT_EQ(entry->isEnabled(), enabled);
    }
    // The check boxes of the changes row too, disabled with their row.
    auto* show_changes = test::Find<QCheckBox>(*window->View, "Show_Changes_C");
    QAction* entry = Entry("Menu_Show_Changes_C");
    test::Find<QToolBar>(*window->View, "ToolBar3")->setEnabled(false);
    EXPECT_FALSE(entry->isEnabled());
    test::Find<QToolBar>(*window->View, "ToolBar3")->setEnabled(true);
    EXPECT_TRUE(entry->isEnabled());
    entry->trigger();
    EXPECT_TRUE(show_changes->isChecked());
    EXPECT_TRUE(entry->isChecked());
    show_changes->click();
    EXPECT_FALSE(entry->isChecked());
}

TEST_F(Diff_Menus, EntriesRunWhatTheirButtonsRun)
{
    TView_diff_frame& view = *window->View;
    const double before = view.Current_Scale();
    Entry("Menu_Zoom_In_A")->trigger();
    EXPECT_GT(view.Current_Scale(), before);

    Entry("Menu_Overlay_A")->trigger();
    EXPECT_EQ(view.Layout(), T_Pane_Layout::Overlay);
    EXPECT_TRUE(test::Find_Action(view, "Overlay_A")->isChecked());
    EXPECT_TRUE(Entry("Menu_Overlay_A")->isChecked());
    EXPECT_FALSE(Entry("Menu_Side_By_Side_A")->isChecked());
    // Choosing the chosen view again keeps it, in the menu as on the row.
    Entry("Menu_Overlay_A")->trigger();
    EXPECT_TRUE(Entry("Menu_Overlay_A")->isChecked());
    Entry("Menu_Side_By_Side_A")->trigger();
    EXPECT_EQ(view.Layout(), T_Pane_Layout::Side_By_Side);

    ASSERT_TRUE(QTest::qWaitFor([&] { return view.Differences() != nullptr; }, 10000));
    Entry("Menu_Next_Change_A")->trigger();
    EXPECT_EQ(view.Current_Change(), 0);
    Entry("Menu_Next_Change_A")->trigger();
    EXPECT_EQ(view.Current_Change(), 1);
    Entry("Menu_Previous_Change_A")->trigger();
    EXPECT_EQ(view.Current_Change(), 0);

    Entry("Menu_Tolerance_E")->trigger();
    EXPECT_EQ(QApplication::focusWidget(), test::Find<QSpinBox>(view, "Tolerance_E"));

    Entry("Menu_Close_A")->trigger();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Diff_Menus, KeysFireOnceAndCloseOrQuitTheWindow)
{
    // No key is registered twice: Qt would then fire neither.
    std::map<QString, int> seen;
    for (const QKeySequence& key : All_Keys(*window))
        ++seen[key.toString(QKeySequence::PortableText)];
    for (const auto& [key, count] : seen)
        EXPECT_EQ(count, 1) << key.toStdString() << " is registered " << count << " times";

    // A key the view had before the menu still works beside it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->View->Differences() != nullptr; }, 10000));
    QWidget* pane = test::Find_Pane(*window->View, "View_Image_Frame1")->ScrollBox1;
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_F8);
    EXPECT_EQ(window->View->Current_Change(), 0);
    QTest::keyClick(pane, Qt::Key_N);
    EXPECT_EQ(window->View->Current_Change(), 1);
    QTest::keyClick(pane, Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(window->View->Current_Scale(), 1.0);

    int quits = 0;
    window->On_Quit = [&] { ++quits; };
    QTest::keyClick(pane, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(quits, 1);

    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(quits, 1);
}

TEST_F(Diff_Menus, F1ListsEveryKeyOfTheWindowAndEscapeClosesTheList)
{
    QTest::keyClick(window.get(), Qt::Key_F1);
    auto* help = window->findChild<QDialog*>(QStringLiteral("Keyboard_Help"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    auto* table = test::Find<QTableWidget>(*help, "Keyboard_Help_Table");
    QStringList listed;
    for (int row = 0; row < table->rowCount(); ++row)
        listed += table->item(row, 2)->text().split(QStringLiteral(", "));
    for (const QKeySequence& key : All_Keys(*window)) {
        const QString name = key.toString(QKeySequence::NativeText);
        EXPECT_TRUE(listed.contains(name)) << name.toStdString() << " is not listed";
    }
    // Every entry of the menus has its row.
    int entries = 0;
    for (QAction* menu : window->findChild<QMenuBar*>()->actions())
        for (QAction* entry : menu->menu()->actions())
            entries += entry->isSeparator() ? 0 : 1;
    EXPECT_GE(table->rowCount(), entries);

    QTest::keyClick(table, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Diff_Menus, TabReachesEveryToolbarButtonAndControlsHaveNames)
{
    std::set<QWidget*> reachable;
    for (const char* row : {"ToolBar1", "ToolBar2", "ToolBar3"}) {
        auto* bar = test::Find<QToolBar>(*window->View, row);
        for (QAction* action : bar->actions()) {
            QWidget* control = bar->widgetForAction(action);
            if (!action->isSeparator() && control && control->isEnabled() && control->isVisible())
                reachable.insert(control);
        }
    }
    ASSERT_GT(reachable.size(), 15u);
    test::Find_Action(*window->View, "Fit_A");
    QWidget* start = test::Find<QToolBar>(*window->View, "ToolBar1")
                         ->widgetForAction(test::Find_Action(*window->View, "Fit_A"));
    start->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), start);
    // Once around the window, counting the panes and the status line.
    for (int step = 0; step < 60 && !reachable.empty(); ++step) {
        QWidget* focus = QApplication::focusWidget();
        for (QWidget* w = focus; w; w = w->parentWidget())
            reachable.erase(w);
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    for (QWidget* missed : reachable)
        ADD_FAILURE() << missed->accessibleName().toStdString() << " "
                      << missed->objectName().toStdString() << " is not reached with Tab";

    const std::pair<const char*, const char*> names[] = {
        {"Tolerance_E", "Tolerance"},
        {"Shave_E", "Trim compared"},
        {"Blink_Interval_E", "Blink interval"},
        {"Opacity_S", "Overlay opacity"},
        {"View_Image_Frame1", "Base version pane"},
        {"View_Image_Frame2", "Modified version pane"},
        {"View_Image_Frame3", "Compared image pane"}};
    for (const auto& [object, name] : names)
        EXPECT_EQ(test::Find<QWidget>(*window->View, object)->accessibleName(),
                  QString::fromLatin1(name))
            << object;
}

TEST(File_Select_Names, FieldsAndBrowseButtonsHaveAccessibleNames)
{
    TFile_Select_F form;
    QStringList names;
    for (QWidget* control : form.findChildren<QLineEdit*>())
        names << control->accessibleName();
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>())
        if (button->text() == QStringLiteral("..."))
            names << button->accessibleName();
    names.sort();
    EXPECT_EQ(names,
              QStringList({QStringLiteral("Base file"), QStringLiteral("Browse for the base file"),
                           QStringLiteral("Browse for the modified file"),
                           QStringLiteral("Modified file")}));
}

TEST_F(Diff_Menus, CtrlFOpensTheFindBarWhoseEscapeLeavesTheWindowOpen)
{
    QAction* entry = Entry("Menu_Find_A");
    EXPECT_TRUE(entry->text().startsWith(QStringLiteral("Find...")));
    auto* pane = test::Find_Pane(*window->View, "View_Image_Frame1")->ScrollBox1;
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_F, Qt::ControlModifier);
    auto* field = test::Find<QLineEdit>(*window, "Find_E");
    ASSERT_TRUE(field->isVisible());
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(field->accessibleName().toStdString(), "Find text");
    // Pictures have no text to find.
    EXPECT_EQ(test::Find<QLabel>(*window, "Find_Message_L")->text().toStdString(), "No text layer");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    EXPECT_TRUE(window->isVisible());
}
