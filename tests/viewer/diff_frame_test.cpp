// The diff view end to end: real panes, the real converter, and for paged
// drawings an exporter whose "server" paints real PNG pages.
#include "tests/pdf/test_pdf_writer.h"
#include "engine/U_ShellOp.h"
#include "viewer/compared_image_clipboard.h"
#include "viewer/diff_keyboard_access.h"
#include "viewer/diff_menu_bar.h"
#include "tests/diff_view_support.h"
#include "pdf/document_exporters.h"
#include "platform/os_platform.h"
#include "tests/slow_converter.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "viewer/u_run_progress.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

void Make_Png(const std::string& path, int width, int height, QColor color, int mark_x = -1)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < height; y += 10)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, color);
    if (mark_x >= 0)
        for (int y = 0; y < height / 2; ++y)
            image.setPixelColor(mark_x, y, Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

struct Page_Spec {
    std::string Name;
    int ID;
    int Width, Height;
};

// An exporter that "opens" files by a preset page layout, found by the
// file's name or, for the session's private copy of a base, by what the
// file holds, and paints each exported page as a PNG of the page's size.
class Paint_Exporter : public T_Base_Multipage_Wrapper {
public:
    explicit Paint_Exporter(std::map<std::string, std::vector<Page_Spec>> layouts, bool starts)
        : Layouts(std::move(layouts)), Starts(starts)
    {
    }
    bool Start_App() override { return Starts; }
    bool Quit_App() override { return Starts; }
    bool Close_Doc(int) override { return true; }
    T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index, std::string&) override
    {
        auto found = Layouts.find(File_Name);
        if (found == Layouts.end() && fs::exists(File_Name))
            found = Layouts.find(test::Read_File(File_Name));
        if (found == Layouts.end())
            return T_Open_Result::No_File;
        Docs.push_back({T_Variant(), true, {}});
        for (const Page_Spec& page : found->second)
            Docs.back().Pages.Items->push_back({page.Name, page.ID, ""});
        Specs.push_back(found->second);
        Doc_Index = static_cast<int>(Docs.size()) - 1;
        return T_Open_Result::Ok;
    }
    std::map<std::string, std::vector<Page_Spec>> Layouts;
    std::vector<std::vector<Page_Spec>> Specs;
    bool Starts;
    int Exports = 0;
    int Fail_Page = -1;

protected:
    void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) override
    {
        if (page == Fail_Page)
            throw T_Server_Exception("page refused");
        ++Exports;
        const Page_Spec& layout = Specs[static_cast<size_t>(Doc_Index)][static_cast<size_t>(page)];
        Make_Png(File_Name, layout.Width, layout.Height,
                 QColor::fromHsv(40 * page % 360, 200, 200));
    }
};

class Diff_Frame : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
    }

    // The view once its pair is open (a conversion opens in the background).
    std::unique_ptr<TView_diff_frame> Open(const std::string& left, const std::string& right,
                                           T_Converter_Kind converter = T_Converter_Kind::None,
                                           T_Paged_Kind paged = T_Paged_Kind::None)
    {
        auto frame = Start_Opening(left, right, converter, paged);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->Opening(); }, 30000))
            << "the opening did not report";
        frame->resize(1000, 700);
        frame->show();
        return frame;
    }
    std::unique_ptr<TView_diff_frame> Start_Opening(const std::string& left,
                                                    const std::string& right,
                                                    T_Converter_Kind converter,
                                                    T_Paged_Kind paged = T_Paged_Kind::None)
    {
        return std::make_unique<TView_diff_frame>(
            nullptr, left, "Base version", right, "", [this](QObject*) { ++Closes; }, converter,
            paged, Exporters);
    }
    // Presses an action that may start a converter run and waits, within a
    // bound, for the run to report.
    static void Press(TView_diff_frame& frame, const char* action)
    {
        test::Find_Action(frame, action)->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !frame.Is_Running(); }, 30000))
            << "the run did not report";
    }
    int Compared_Files() const
    {
        int count = 0;
        for (auto& entry : fs::directory_iterator(Temp_Dir()))
            count += entry.path().string().ends_with(".compared.png");
        return count;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    int Closes = 0;
    // Makes the exporters of paged pairs; none unless a test installs one.
    T_Exporter_Factory Exporters = [](T_Paged_Kind) { return nullptr; };
};

} // namespace

TEST_F(Diff_Frame, CompareCaptionFollowsThePictureSizes)
{
    Make_Png(dir / "a.png", 300, 200, Qt::blue);
    Make_Png(dir / "b.png", 300, 200, Qt::blue, 50);
    Make_Png(dir / "c.png", 310, 200, Qt::blue);
    auto same = Open(dir / "a.png", dir / "b.png");
    EXPECT_EQ(test::Find_Action(*same, "Compare_A")->text(), QStringLiteral("Compare images"));
    auto different = Open(dir / "a.png", dir / "c.png");
    EXPECT_EQ(test::Find_Action(*different, "Compare_A")->text(),
              QStringLiteral("Compare images with different sizes"));
    // Plain images: no page tabs, Sync pages checked but disabled.
    EXPECT_TRUE(test::Find_Action(*same, "Sync_Pages_A")->isChecked());
    EXPECT_FALSE(test::Find_Action(*same, "Sync_Pages_A")->isEnabled());
    EXPECT_EQ(test::Find_Tabs(*same, "LeftTabs"), nullptr);
    EXPECT_EQ(test::Find_Pane(*same, "View_Image_Frame2")->Caption_E->text(),
              QString::fromStdString(dir / "b.png"));
}

TEST_F(Diff_Frame, EveryControlIsFoundByItsNameInItsRowWithItsCaptionAndKeys)
{
    Make_Png(dir / "a.png", 300, 200, Qt::blue);
    auto frame = Open(dir / "a.png", dir / "a.png");
    auto* toolbar = test::Find<QToolBar>(*frame, "ToolBar1");
    auto* view_row = test::Find<QToolBar>(*frame, "ToolBar2");
    auto* changes_row = test::Find<QToolBar>(*frame, "ToolBar3");
    // From the top: the toolbar, the View row, the changes row, the panes
    // and the status line.
    QLayout* layout = frame->layout();
    const QWidget* rows[] = {toolbar, view_row, changes_row,
                             test::Find_Pane(*frame, "View_Image_Frame1")->parentWidget(),
                             test::Find<QLabel>(*frame, "Status_L")};
    ASSERT_EQ(layout->count(), 5);
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(layout->itemAt(row)->widget(), rows[row]) << "row " << row;

    struct Expected {
        QToolBar* Row;
        const char* Name;
        const char* Caption;
        QKeySequence Keys;
    };
    const Expected actions[] = {
        {toolbar, "Fit_A", "Fit to window", {}},
        {toolbar, "Compare_A", "Compare images", QKeySequence(Qt::CTRL | Qt::Key_M)},
        {toolbar, "Trim_Compared_A", "Trim compared", {}},
        {toolbar, "Sync_Pages_A", "Sync pages", {}},
        {toolbar, "Execute_Compared_Img_A", "Execute compared image", {}},
        {toolbar, "Export_Compared_Img_A", "Export compared image", {}},
        {toolbar, "About_A", "About", {}},
        {toolbar, "Close_A", "Close", {}},
        {view_row, "Zoom_In_A", "Zoom in", {}},
        {view_row, "Zoom_Out_A", "Zoom out", {}},
        {view_row, "Zoom_100_A", "Zoom 100%", {}},
        {view_row, "Side_By_Side_A", "Side by side", {}},
        {view_row, "Overlay_A", "Overlay", {}},
        {view_row, "Blink_A", "Blink", {}},
        {view_row, "Swipe_A", "Swipe", {}},
        {view_row, "Differences_A", "Differences", {}},
        {view_row, "Reset_Offset_A", "Reset offset", {}},
        {changes_row, "Previous_Change_A", "Previous change", QKeySequence(Qt::SHIFT | Qt::Key_F8)},
        {changes_row, "Next_Change_A", "Next change", QKeySequence(Qt::Key_F8)},
    };
    for (const Expected& expected : actions) {
        QAction* action = test::Find_Action(*frame, expected.Name);
        EXPECT_TRUE(expected.Row->actions().contains(action)) << expected.Name;
        EXPECT_EQ(action->text(), QString::fromLatin1(expected.Caption)) << expected.Name;
        EXPECT_EQ(action->shortcut(), expected.Keys) << expected.Name;
    }
    const std::pair<QToolBar*, const char*> fields[] = {{toolbar, "Shave_E"},
                                                        {view_row, "Opacity_S"},
                                                        {view_row, "Blink_Interval_E"},
                                                        {changes_row, "Tolerance_E"},
                                                        {changes_row, "Ignore_Antialiasing_C"},
                                                        {changes_row, "Show_Changes_C"}};
    for (const auto& [row, name] : fields)
        EXPECT_EQ(test::Find<QWidget>(*frame, name)->parentWidget(), row) << name;
    // A name the view does not have fails the test that asks for it.
    EXPECT_THROW(test::Find_Action(*frame, "Frame1"), std::logic_error);
}

TEST_F(Diff_Frame, CompareTogglesThePaneAndTheThirdPressComesFromTheCache)
{
    Make_Png(dir / "a.png", 300, 200, Qt::blue);
    Make_Png(dir / "b.png", 300, 200, Qt::blue, 50);
    auto frame = Open(dir / "a.png", dir / "b.png");
    EXPECT_FALSE(frame->Compared_Shown());
    EXPECT_FALSE(test::Find_Action(*frame, "Export_Compared_Img_A")->isEnabled());

    Press(*frame, "Compare_A");
    ASSERT_TRUE(frame->Compared_Shown())
        << (messages.Messages.empty() ? "" : messages.Messages[0].Text);
    EXPECT_EQ(test::Find<QGridLayout>(*frame, "GridPanel1")->rowStretch(1), 1);
    EXPECT_TRUE(test::Find_Action(*frame, "Compare_A")->isChecked());
    EXPECT_TRUE(test::Find_Action(*frame, "Execute_Compared_Img_A")->isEnabled());
    EXPECT_TRUE(test::Find_Action(*frame, "Export_Compared_Img_A")->isEnabled());
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame3")->Caption_E->text(),
              QStringLiteral("Compared image"));
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame3")->Picture_Width(), 300);
    EXPECT_EQ(Compared_Files(), 1);

    Press(*frame, "Compare_A");
    EXPECT_FALSE(frame->Compared_Shown());
    EXPECT_EQ(test::Find<QGridLayout>(*frame, "GridPanel1")->rowStretch(1), 0);
    EXPECT_FALSE(test::Find_Action(*frame, "Compare_A")->isChecked());
    EXPECT_FALSE(test::Find_Action(*frame, "Export_Compared_Img_A")->isEnabled());

    Press(*frame, "Compare_A");
    EXPECT_TRUE(frame->Compared_Shown());
    EXPECT_EQ(Compared_Files(), 1);
    EXPECT_TRUE(messages.Messages.empty());
    // The controls are usable again after every run.
    EXPECT_TRUE(test::Find_Action(*frame, "Fit_A")->isEnabled());
    EXPECT_TRUE(test::Find<QSpinBox>(*frame, "Shave_E")->isEnabled());
    // Ctrl+M from a picture toggles it too.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    test::Find_Pane(*frame, "View_Image_Frame1")->ScrollBox1->setFocus();
    QTest::keyClick(test::Find_Pane(*frame, "View_Image_Frame1")->ScrollBox1, Qt::Key_M,
                    Qt::ControlModifier);
    EXPECT_FALSE(frame->Compared_Shown());
    EXPECT_TRUE(
        test::Find_Action(*frame, "Compare_A")->toolTip().endsWith(QStringLiteral("(Ctrl+M)")));
}

TEST_F(Diff_Frame, NamesWithLettersBeyondAsciiOpenAndCompare)
{
    // Accented Latin letters: every system's converter can be given them.
    // Cyrillic and Greek together: no single Windows code page holds both,
    // so there the converter cannot be, and Compare says which letter.
    for (const std::string word : {"\xC3\xA9t\xC3\xA9_gr\xC3\xBC\xC3\x9F",
                                   "\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD_"
                                   "\xCF\x83\xCF\x87\xCE\xAD\xCE\xB4\xCE\xB9\xCE\xBF"}) {
        const std::string left = os::Utf8_Name(dir.Path / os::Utf8_Path(word + " 1.png"));
        const std::string right = os::Utf8_Name(dir.Path / os::Utf8_Path(word + " 2.png"));
        Make_Png(left, 120, 80, Qt::blue);
        Make_Png(right, 120, 80, Qt::blue, 30);
        auto frame = Open(left, right);
        EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->Picture_Width(), 120) << word;
        EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame2")->Caption_E->text(),
                  QString::fromStdString(right));
        // A refusal is shown the way the application shows what a handler
        // throws, and nothing else is said.
        Press(*frame, "Compare_A");
        if (messages.Messages.empty()) {
            EXPECT_TRUE(frame->Compared_Shown()) << word;
        } else {
            ASSERT_EQ(messages.Messages.size(), 1u) << word;
            EXPECT_EQ(messages.Messages[0].Kind, T_Msg_Kind::Stop);
            EXPECT_NE(messages.Messages[0].Text.find("(U+043F)"), std::string::npos)
                << messages.Messages[0].Text;
            EXPECT_FALSE(frame->Compared_Shown());
            messages.Messages.clear();
        }
        // Refused or not, the view is usable afterwards.
        EXPECT_FALSE(frame->Is_Running());
        EXPECT_TRUE(test::Find_Action(*frame, "Fit_A")->isEnabled());
        EXPECT_TRUE(test::Find_Action(*frame, "Compare_A")->isEnabled());
    }
}

TEST_F(Diff_Frame, TrimRecomparesOnlyWhileTheComparedPaneIsShown)
{
    if (!test::Converter_Is_ImageMagick)
        GTEST_SKIP() << "trimming is the converter's";
    Make_Png(dir / "a.png", 300, 200, Qt::blue);
    Make_Png(dir / "b.png", 300, 200, Qt::blue, 50);
    auto frame = Open(dir / "a.png", dir / "b.png");
    Press(*frame, "Trim_Compared_A");
    EXPECT_TRUE(frame->Trim_Checked());
    EXPECT_EQ(Compared_Files(), 0);
    Press(*frame, "Trim_Compared_A");

    Press(*frame, "Compare_A");
    ASSERT_EQ(Compared_Files(), 1);
    Press(*frame, "Trim_Compared_A");
    EXPECT_EQ(Compared_Files(), 2);
    // Shaved by 15 on every side, then trimmed to the difference.
    EXPECT_LT(test::Find_Pane(*frame, "View_Image_Frame3")->Picture_Width(), 300 - 30 + 1);
    EXPECT_EQ(frame->Session().CompareCache.Items.size(), 2u);
}

TEST_F(Diff_Frame, FitReachesTheComparedPaneOnlyWhenItIsShown)
{
    Make_Png(dir / "a.png", 300, 200, Qt::blue);
    Make_Png(dir / "b.png", 300, 200, Qt::blue, 50);
    auto frame = Open(dir / "a.png", dir / "b.png");
    Press(*frame, "Compare_A");
    Press(*frame, "Compare_A"); // hidden again, loaded in mode 1
    test::Find_Action(*frame, "Fit_A")->trigger();
    EXPECT_EQ(frame->ViewMode(), T_View_Mode::Fit);
    EXPECT_TRUE(test::Find_Action(*frame, "Fit_A")->isChecked());
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->View_Mode(), T_View_Mode::Fit);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame3")->View_Mode(), T_View_Mode::Actual_Size);
    Press(*frame, "Compare_A");
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame3")->View_Mode(), T_View_Mode::Fit);
}

TEST_F(Diff_Frame, ShaveFieldIsBoundByTheLeftPictureAndCleanedWhenLeft)
{
    Make_Png(dir / "tiny.png", 3, 3, Qt::blue);
    auto frame = Open(dir / "tiny.png", dir / "tiny.png");
    EXPECT_EQ(test::Find<QSpinBox>(*frame, "Shave_E")->maximum(), 1);

    Make_Png(dir / "a.png", 100, 80, Qt::blue);
    frame = Open(dir / "a.png", dir / "a.png");
    EXPECT_EQ(test::Find<QSpinBox>(*frame, "Shave_E")->maximum(), 39);
    QLineEdit* edit = test::Find<QSpinBox>(*frame, "Shave_E")->findChild<QLineEdit*>();
    edit->setText(QStringLiteral("500"));
    frame->Shave_EExit();
    EXPECT_EQ(test::Find<QSpinBox>(*frame, "Shave_E")->value(), 39);
    edit->setText(QStringLiteral("-"));
    EXPECT_EQ(frame->Shave_Value(), 0);
    frame->Shave_EExit();
    EXPECT_EQ(test::Find<QSpinBox>(*frame, "Shave_E")->value(), 0);
    EXPECT_EQ(edit->text(), QStringLiteral("0"));
}

TEST_F(Diff_Frame, ScrollingOnePaneMovesTheOthersWithinTheirRanges)
{
    Make_Png(dir / "a.png", 2000, 1500, Qt::blue);
    Make_Png(dir / "b.png", 2000, 1300, Qt::blue, 50);
    auto frame = Open(dir / "a.png", dir / "b.png");
    Press(*frame, "Compare_A");
    QTest::qWait(0);
    TMyScrollBox* left = test::Find_Pane(*frame, "View_Image_Frame1")->ScrollBox1;
    TMyScrollBox* right = test::Find_Pane(*frame, "View_Image_Frame2")->ScrollBox1;
    TMyScrollBox* compared = test::Find_Pane(*frame, "View_Image_Frame3")->ScrollBox1;

    // A user scroll of the right pane: triggerAction raises OnScroll.
    right->verticalScrollBar()->setValue(0);
    for (int i = 0; i < 6; ++i)
        right->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    int position = right->Vert_Position();
    ASSERT_GT(position, 0);
    EXPECT_EQ(left->Vert_Position(), std::min(position, left->Vert_Max()));
    EXPECT_EQ(compared->Vert_Position(), std::min(position, compared->Vert_Max()));

    // To the very end: the shorter pictures stop at their own range.
    right->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    left->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(right->Vert_Position(), std::min(left->Vert_Max(), right->Vert_Max()));
}

TEST_F(Diff_Frame, APanByDragIsFollowedByTheOtherPanes)
{
    Make_Png(dir / "a.png", 2000, 1500, Qt::blue);
    Make_Png(dir / "b.png", 2000, 1500, Qt::blue, 50);
    auto frame = Open(dir / "a.png", dir / "b.png");
    QTest::qWait(0);
    TView_Image_Frame* pane = test::Find_Pane(*frame, "View_Image_Frame1");
    pane->ScrollBox1->Set_Horz_Position(100);
    pane->ScrollBox1->Set_Vert_Position(100);
    QWidget* image = pane->Image1;
    // The hand's way is on the screen: the picture moves under it.
    const QPoint pressed = image->mapToGlobal(QPoint(300, 200));
    const QPoint moved = pressed + QPoint(-50, 60);
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(image, image->mapFromGlobal(moved));
    // The other pane follows while the mouse moves, not only at the drop.
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame2")->ScrollBox1->Horz_Position(), 150);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame2")->ScrollBox1->Vert_Position(), 40);
    QTest::mouseRelease(image, Qt::LeftButton, {}, image->mapFromGlobal(moved));
    EXPECT_EQ(pane->ScrollBox1->Horz_Position(), 150);
    EXPECT_EQ(pane->ScrollBox1->Vert_Position(), 40);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame2")->ScrollBox1->Horz_Position(), 150);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame2")->ScrollBox1->Vert_Position(), 40);
}

TEST_F(Diff_Frame, ConversionFailureGivesTheMessageAndNoView)
{
    test::Write_File(dir / "a.svg", "<svg broken");
    test::Write_File(dir / "b.svg", "not svg at all");
    auto frame = Open(dir / "a.svg", dir / "b.svg", T_Converter_Kind::Svg);
    EXPECT_EQ(frame->ViewMode(), T_View_Mode::None);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text.rfind("Image convert fail!\r\nFile may be corrupted.", 0),
              0u);
    EXPECT_NE(messages.Messages[0].Text.find(dir / "a.svg"), std::string::npos);
    EXPECT_FALSE(test::Find_Action(*frame, "Compare_A")->isEnabled());
}

TEST_F(Diff_Frame, AConversionOpensWithoutWaitingAndACancelledOneShowsNothing)
{
    test::Write_File(dir / "a.svg", "<svg/>");
    test::Write_File(dir / "b.svg", "<svg/>");
    Set_Converter_Path(test::Slow_Converter(dir));
    // Queued before the view is made: it may fire only once the
    // constructor has returned, never from a loop spun inside it.
    bool constructing = false, fired = false, fired_inside = false;
    QTimer::singleShot(0, [&] {
        fired = true;
        fired_inside = constructing;
    });
    constructing = true;
    auto frame = Start_Opening(dir / "a.svg", dir / "b.svg", T_Converter_Kind::Svg);
    constructing = false;
    EXPECT_TRUE(frame->Opening());
    bool opened = false;
    frame->When_Opened([&] { opened = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired; }, 5000));
    EXPECT_FALSE(fired_inside);
    // Nothing of the pair is shown while it converts.
    EXPECT_FALSE(opened);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->Picture_Width(), 0);
    EXPECT_EQ(frame->Find_Bar(), nullptr);
    EXPECT_FALSE(test::Find_Action(*frame, "Compare_A")->isEnabled());

    // The progress window names the conversion; its Cancel stops it, and
    // the view is left empty, with nothing reported.
    QProgressDialog* progress = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            progress = frame->findChild<QProgressDialog*>();
            if (!progress)
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (auto* dialog = qobject_cast<QProgressDialog*>(top);
                        dialog && top->isVisible())
                        progress = dialog;
            return progress && progress->isVisible();
        },
        5000));
    EXPECT_EQ(progress->labelText(), QStringLiteral("Converting b.svg..."));
    progress->findChild<QPushButton*>()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened; }, 10000));
    EXPECT_FALSE(frame->Opening());
    EXPECT_TRUE(frame->Open_Stopped());
    EXPECT_EQ(frame->ViewMode(), T_View_Mode::None);
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->Picture_Width(), 0);
    EXPECT_EQ(frame->Find_Bar(), nullptr);
    EXPECT_TRUE(messages.Messages.empty());
    // Asked afterwards, the answer comes at once.
    bool told = false;
    frame->When_Opened([&] { told = true; });
    EXPECT_TRUE(told);
}

TEST_F(Diff_Frame, AViewDestroyedWhileItsPairConvertsReceivesNothing)
{
    test::Write_File(dir / "a.svg", "<svg/>");
    test::Write_File(dir / "b.svg", "<svg/>");
    Set_Converter_Path(test::Slow_Converter(dir));
    bool opened = false;
    {
        auto frame = Start_Opening(dir / "a.svg", dir / "b.svg", T_Converter_Kind::Svg);
        frame->When_Opened([&] { opened = true; });
        ASSERT_TRUE(frame->Opening());
    }
    // What the stopped run would have reported is not delivered anywhere.
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(opened);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Diff_Frame, ConvertedInputsAreShownAndComparedThroughTheirFormat)
{
    if (!test::Converter_Is_ImageMagick)
        GTEST_SKIP() << "needs the converter's pictures";
    test::Write_File(dir / "a.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='120' "
                                    "height='80'><rect width='120' height='80' fill='white'/>"
                                    "<circle cx='40' cy='40' r='20'/></svg>");
    test::Write_File(dir / "b.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='120' "
                                    "height='80'><rect width='120' height='80' fill='white'/>"
                                    "<circle cx='60' cy='40' r='20'/></svg>");
    auto frame = Open(dir / "a.svg", dir / "b.svg", T_Converter_Kind::Svg);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_EQ(frame->Session().LeftImage, dir / "a.svg");
    EXPECT_EQ(test::Find_Pane(*frame, "View_Image_Frame1")->Picture_Width(), 120);
    Press(*frame, "Compare_A");
    EXPECT_TRUE(frame->Compared_Shown());
}

TEST_F(Diff_Frame, AMissingDrawingServerGivesTheMessageAndNoView)
{
    test::Write_File(dir / "a.vsd", "");
    auto visio = Open(dir / "a.vsd", dir / "a.vsd", T_Converter_Kind::None, T_Paged_Kind::Visio);
    EXPECT_EQ(visio->ViewMode(), T_View_Mode::None);
    Exporters = [](T_Paged_Kind) {
        return Make_Exporter<Paint_Exporter>(std::map<std::string, std::vector<Page_Spec>>{},
                                             false);
    };
    auto kompas = Open(dir / "a.vsd", dir / "a.vsd", T_Converter_Kind::None, T_Paged_Kind::Kompas);
    EXPECT_EQ(kompas->ViewMode(), T_View_Mode::None);
    ASSERT_EQ(messages.Messages.size(), 2u);
#ifdef _WIN32
    EXPECT_EQ(messages.Messages[0].Text.rfind("MS Visio is not found!", 0), 0u);
#else
    EXPECT_NE(messages.Messages[0].Text.find("sudo apt install varnolt-office"), std::string::npos);
#endif
    EXPECT_EQ(messages.Messages[1].Text.rfind("Kompas is not found!", 0), 0u);
    EXPECT_EQ(kompas->Session().Exporter, nullptr);
}

namespace {

class Paged_Frame : public Diff_Frame {
protected:
    Paint_Exporter* Install(std::vector<Page_Spec> left, std::vector<Page_Spec> right)
    {
        test::Write_File(dir / "a.cdw", "a");
        test::Write_File(dir / "b.cdw", "b");
        auto layouts =
            std::map<std::string, std::vector<Page_Spec>>{{"a", left}, {dir / "b.cdw", right}};
        Exporters = [this, layouts](T_Paged_Kind) {
            auto exporter = Make_Exporter<Paint_Exporter>(layouts, true);
            Last = static_cast<Paint_Exporter*>(exporter.get());
            return exporter;
        };
        return nullptr;
    }
    // Chooses a tab and waits, within a bound, for a comparison that the
    // switch started to report: the tabs are usable again then.
    static void Click_Tab(TDiff_Pagelist_Frame* tabs, int index)
    {
        tabs->TabControl1->setCurrentIndex(index);
        EXPECT_TRUE(QTest::qWaitFor([tabs] { return tabs->isEnabled(); }, 30000));
        for (QWidget* up = tabs; up; up = up->parentWidget())
            if (auto* view = dynamic_cast<TView_diff_frame*>(up))
                test::Wait_For_Pages(*view);
    }
    Paint_Exporter* Last = nullptr;
};

} // namespace

TEST_F(Paged_Frame, PagesPairByPositionWithSyncAndStopWhereTheOtherSideEnds)
{
    Install({{"0", 0, 200, 100}, {"1", 1, 200, 100}, {"2", 2, 220, 100}},
            {{"0", 0, 200, 100}, {"1", 1, 200, 100}});
    auto frame = Open(dir / "a.cdw", dir / "b.cdw", T_Converter_Kind::None, T_Paged_Kind::Kompas);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_TRUE(test::Find_Action(*frame, "Sync_Pages_A")->isEnabled());
    EXPECT_EQ(test::Find_Tabs(*frame, "LeftTabs")->TabControl1->count(), 3);
    EXPECT_EQ(frame->Session().LeftImage, frame->Session().LeftFile + "_l_page_0.png");
    EXPECT_EQ(frame->Session().RightImage, frame->Session().LeftFile + "_r_page_0.png");

    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 1);
    EXPECT_EQ(frame->Session().LeftPage, 1);
    EXPECT_EQ(frame->Session().RightPage, 1);
    EXPECT_EQ(test::Find_Tabs(*frame, "RightTabs")->Selected_Index(), 1);

    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 2);
    EXPECT_EQ(frame->Session().LeftPage, 2);
    EXPECT_EQ(frame->Session().RightPage, 1);
    EXPECT_EQ(test::Find_Action(*frame, "Compare_A")->text(),
              QStringLiteral("Compare images with different sizes"));

    // Without sync only the chosen side moves.
    test::Find_Action(*frame, "Sync_Pages_A")->trigger();
    Click_Tab(test::Find_Tabs(*frame, "RightTabs"), 0);
    EXPECT_EQ(frame->Session().LeftPage, 2);
    EXPECT_EQ(frame->Session().RightPage, 0);
}

TEST_F(Paged_Frame, TheMenusPageEntriesStepTheTabsAsAClickDoes)
{
    Install({{"0", 0, 200, 100}, {"1", 1, 200, 100}, {"2", 2, 200, 100}},
            {{"0", 0, 200, 100}, {"1", 1, 200, 100}, {"2", 2, 200, 100}});
    auto frame = Open(dir / "a.cdw", dir / "b.cdw", T_Converter_Kind::None, T_Paged_Kind::Kompas);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    QWidget window;
    QMenuBar* menus = Build_Diff_Menu_Bar(&window, frame.get(), {});
    QAction* next = menus->findChild<QAction*>(QStringLiteral("Menu_Next_Page"));
    QAction* previous = menus->findChild<QAction*>(QStringLiteral("Menu_Previous_Page"));
    ASSERT_TRUE(next && previous);
    ASSERT_TRUE(next->isEnabled());
    auto* left = test::Find_Tabs(*frame, "LeftTabs");
    auto step = [left](QAction* entry) {
        entry->trigger();
        EXPECT_TRUE(QTest::qWaitFor([left] { return left->isEnabled(); }, 30000));
    };

    step(previous); // already on the first page: stays
    EXPECT_EQ(frame->Session().LeftPage, 0);
    step(next);
    EXPECT_EQ(frame->Session().LeftPage, 1);
    EXPECT_EQ(frame->Session().RightPage, 1);
    step(next);
    step(next); // past the last page: stays
    EXPECT_EQ(frame->Session().LeftPage, 2);
    EXPECT_EQ(frame->Session().RightPage, 2);

    // Without sync only the stepped strip moves.
    menus->findChild<QAction*>(QStringLiteral("Menu_Sync_Pages_A"))->trigger();
    EXPECT_FALSE(test::Find_Action(*frame, "Sync_Pages_A")->isChecked());
    step(previous);
    EXPECT_EQ(frame->Session().LeftPage, 1);
    EXPECT_EQ(frame->Session().RightPage, 2);

    // The strips are named for screen readers and reached with Tab after
    // their panes.
    Make_Diff_View_Accessible(frame.get());
    EXPECT_EQ(left->TabControl1->accessibleName(), QStringLiteral("Base version pages"));
    EXPECT_EQ(test::Find_Tabs(*frame, "RightTabs")->TabControl1->accessibleName(),
              QStringLiteral("Modified version pages"));
    QWidget* after_pane = test::Find_Pane(*frame, "View_Image_Frame1")->ScrollBox1;
    do
        after_pane = after_pane->nextInFocusChain();
    while (!(after_pane->focusPolicy() & Qt::TabFocus));
    EXPECT_EQ(after_pane, left->TabControl1);
}

TEST_F(Paged_Frame, PagesPairByIdNotPositionAndRecompareFromTheCache)
{
    Install({{"A", 0, 200, 100}, {"B", 5, 200, 100}}, {{"B", 5, 200, 100}, {"A", 0, 200, 100}});
    auto frame = Open(dir / "a.cdw", dir / "b.cdw", T_Converter_Kind::None, T_Paged_Kind::Visio);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    Press(*frame, "Compare_A");
    ASSERT_TRUE(frame->Compared_Shown());

    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 1); // ID 5 is the right document's first page
    EXPECT_EQ(frame->Session().RightPage, 0);
    int files = Compared_Files();
    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 0);
    EXPECT_EQ(frame->Session().RightPage, 1);
    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 1);
    EXPECT_EQ(Compared_Files(), files + 1); // (0,1) was new; (1,0) came from the cache
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Paged_Frame, AFailedPageExportKeepsThePreviousPage)
{
    Install({{"0", 0, 200, 100}, {"1", 1, 200, 100}}, {{"0", 0, 200, 100}, {"1", 1, 200, 100}});
    auto frame = Open(dir / "a.cdw", dir / "b.cdw", T_Converter_Kind::None, T_Paged_Kind::Kompas);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    Last->Fail_Page = 1;
    Click_Tab(test::Find_Tabs(*frame, "LeftTabs"), 1);
    EXPECT_EQ(frame->Session().LeftPage, 0);
    EXPECT_EQ(frame->Session().LeftImage, frame->Session().LeftFile + "_l_page_0.png");
    EXPECT_EQ(frame->Session().RightPage, 0);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, "MS Visio export fail.\r\npage refused");
}

TEST_F(Diff_Frame, ClosingDuringARunStopsTheConverterAndThenCloses)
{
    // A converter that never ends on its own, so the close arrives mid-run.
    std::string slow = test::Slow_Converter(dir);
    Make_Png(dir / "a.png", 100, 100, Qt::blue);
    auto frame = Open(dir / "a.png", dir / "a.png");
    Set_Converter_Path(slow);
    auto started = std::chrono::steady_clock::now();
    test::Find_Action(*frame, "Compare_A")->trigger();
    QTest::qWait(300);
    ASSERT_TRUE(frame->Is_Running());
    EXPECT_FALSE(test::Find_Action(*frame, "Fit_A")->isEnabled());
    frame->Request_Close();
    // The view closes once the stopped run has reported, not before.
    EXPECT_EQ(Closes, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Closes == 1; }, 10000));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_FALSE(frame->Is_Running());
    EXPECT_TRUE(messages.Messages.empty()); // a stopped run reports nothing

    // A view dropped in the middle of a run stops its converter and waits
    // for it, and the run's end reaches nobody.
    auto dropped = Open(dir / "a.png", dir / "a.png");
    test::Find_Action(*dropped, "Compare_A")->trigger();
    QTest::qWait(200);
    ASSERT_TRUE(dropped->Is_Running());
    started = std::chrono::steady_clock::now();
    dropped.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    QTest::qWait(100);
    EXPECT_EQ(Closes, 1);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Diff_Frame, CompareReturnsAtOnceAndTheInterfaceGoesOnWhileTheConverterRuns)
{
    Make_Png(dir / "a.png", 100, 100, Qt::blue);
    auto frame = Open(dir / "a.png", dir / "a.png");
    Set_Converter_Path(test::Slow_Converter(dir));
    // Queued before the press: it may fire only once the press has returned
    // to the event loop, never from a loop spun inside the press.
    bool pressing = false, fired = false, fired_inside = false;
    QTimer::singleShot(0, [&] {
        fired = true;
        fired_inside = pressing;
    });
    QElapsedTimer clock;
    clock.start();
    pressing = true;
    test::Find_Action(*frame, "Compare_A")->trigger();
    pressing = false;
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(fired);
    EXPECT_TRUE(frame->Is_Running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired; }, 5000));
    EXPECT_FALSE(fired_inside);

    // While it runs nothing can start a second one: the controls are off,
    // and a press that gets through anyway is ignored.
    for (const char* name : {"Compare_A", "Trim_Compared_A", "Fit_A"})
        EXPECT_FALSE(test::Find_Action(*frame, name)->isEnabled()) << name;
    EXPECT_FALSE(test::Find<QSpinBox>(*frame, "Shave_E")->isEnabled());
    frame->Compare_AExecute();
    EXPECT_TRUE(frame->Is_Running());

    // The progress window comes by itself after its delay, names the work,
    // and its Cancel stops the converter.
    QProgressDialog* progress = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            progress = frame->findChild<QProgressDialog*>();
            return progress && progress->isVisible();
        },
        5000));
    // Not at once: quick runs would flicker.
    EXPECT_GE(clock.elapsed(), T_Run_Progress::Delay_Ms / 2);
    EXPECT_EQ(progress->labelText(), QStringLiteral("Comparing..."));
    progress->findChild<QPushButton*>()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->Is_Running(); }, 10000));
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(frame->findChild<QProgressDialog*>(), nullptr);
    EXPECT_FALSE(frame->Compared_Shown());
    EXPECT_TRUE(messages.Messages.empty());

    // Usable again: the next press compares with a converter that works.
    Set_Converter_Path(VARNOLT_TEST_CONVERTER);
    EXPECT_TRUE(test::Find_Action(*frame, "Compare_A")->isEnabled());
    Press(*frame, "Compare_A");
    EXPECT_TRUE(frame->Compared_Shown());
    EXPECT_EQ(Compared_Files(), 1);
}

namespace {

// Answers the save dialog with a preset path and records what it was offered.
class Answering_Save_Dialog : public T_File_Dialog {
public:
    explicit Answering_Save_Dialog(std::string answer)
        : T_File_Dialog(T_Kind::Save), Answer(std::move(answer))
    {
    }
    bool Execute(QWidget*) override
    {
        Offered = FileName;
        FileName = QString::fromStdString(Answer);
        return true;
    }
    std::string Answer;
    QString Offered;
};

class Recording_Shell : public os::T_Shell_Services {
public:
    bool Find_Associated(const std::string&, std::string&, std::string&) override { return false; }
    bool Show_In_Folder(const std::string& path) override
    {
        Shown.push_back(path);
        return true;
    }
    void Open(const std::string&) override {}
    std::vector<std::string> Shown;
};

} // namespace

TEST_F(Diff_Frame, ExportOffersTheRightNameOverwritesAndShowsTheCopy)
{
    Make_Png(dir / "a.png", 300, 200, Qt::blue);
    Make_Png(dir / "b.png", 300, 200, Qt::blue, 50);
    test::Write_File(dir / "out.png", "an older export");
    auto frame = Open(dir / "a.png", dir / "b.png");
    auto dialog = std::make_unique<Answering_Save_Dialog>(dir / "out.png");
    Answering_Save_Dialog* save = dialog.get();
    frame->Set_Save_Dialog(std::move(dialog));
    Recording_Shell shell;
    os::Set_Shell_Services(&shell);

    frame->Export_Compared_Img_AExecute(); // nothing to export yet
    EXPECT_TRUE(save->Offered.isEmpty());
    Press(*frame, "Compare_A");
    test::Find_Action(*frame, "Export_Compared_Img_A")->trigger();
    os::Set_Shell_Services(nullptr);

    EXPECT_EQ(save->Offered, QString::fromStdString(dir / "b.png_compared.png"));
    EXPECT_EQ(save->Filter, QStringLiteral("PNG (*.png)"));
    EXPECT_EQ(test::Read_File(dir / "out.png"),
              test::Read_File(test::Find_Pane(*frame, "View_Image_Frame3")->Get_File_Name()));
    EXPECT_EQ(shell.Shown, std::vector<std::string>{dir / "out.png"});

    // Never over a version being compared.
    const std::string base_bytes = test::Read_File(dir / "a.png");
    save->Answer = dir / "a.png";
    frame->Export_Compared_Img_AExecute();
    EXPECT_EQ(test::Read_File(dir / "a.png"), base_bytes);
    ASSERT_FALSE(messages.Messages.empty());
    EXPECT_NE(messages.Messages.back().Text.find("cannot be saved over a file being compared"),
              std::string::npos);
}

TEST_F(Diff_Frame, TheSaveDialogAsksBeforeReplacingAFile)
{
    test::Write_File(dir / "kept.png", "an older export");
    T_File_Dialog save(T_File_Dialog::T_Kind::Save);
    save.FileName = QString::fromStdString(dir / "kept");
    save.Filter = QStringLiteral("PNG (*.png)");
    save.DefaultExt = QStringLiteral("png");
    // The dialog is accepted with the name typed without its extension;
    // the question that comes then is answered No, and the dialog left.
    QString asked;
    int step = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* question = qobject_cast<QMessageBox*>(modal)) {
            asked = question->text();
            question->button(QMessageBox::No) ? question->button(QMessageBox::No)->click()
                                              : question->reject();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            if (step++ == 0)
                QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
            else if (!asked.isEmpty())
                files->reject();
        }
    });
    answer.start(50);
    EXPECT_FALSE(save.Execute(nullptr));
    answer.stop();
    EXPECT_TRUE(asked.contains(QStringLiteral("kept.png"))) << asked.toStdString();
    EXPECT_EQ(test::Read_File(dir / "kept.png"), "an older export");
}

TEST_F(Paged_Frame, ExportOffersTheSheetShownAndCopyPutsThePictureOnTheClipboard)
{
    Install({{"0", 0, 200, 100}, {"1", 1, 200, 100}, {"2", 2, 200, 100}},
            {{"0", 0, 200, 100}, {"1", 1, 200, 100}, {"2", 2, 200, 100}});
    auto frame = Open(dir / "a.cdw", dir / "b.cdw", T_Converter_Kind::None, T_Paged_Kind::Kompas);
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    QAction* copy = Add_Copy_Compared_Action(*frame);
    auto dialog = std::make_unique<Answering_Save_Dialog>(dir / "sheet.png");
    Answering_Save_Dialog* save = dialog.get();
    frame->Set_Save_Dialog(std::move(dialog));
    Recording_Shell shell;
    os::Set_Shell_Services(&shell);
    EXPECT_FALSE(copy->isEnabled()); // nothing compared yet

    Click_Tab(test::Find_Tabs(*frame, "RightTabs"), 2);
    Press(*frame, "Compare_A");
    test::Find_Action(*frame, "Export_Compared_Img_A")->trigger();
    // The name of the sheet shown, not one shared by every sheet.
    EXPECT_EQ(save->Offered, QString::fromStdString(dir / "b.cdw.sheet-3.compared.png"));
    Click_Tab(test::Find_Tabs(*frame, "RightTabs"), 1);
    if (!test::Find_Action(*frame, "Compare_A")->isChecked())
        Press(*frame, "Compare_A");
    test::Find_Action(*frame, "Export_Compared_Img_A")->trigger();
    EXPECT_EQ(save->Offered.toStdString(), dir / "b.cdw.sheet-2.compared.png");
    os::Set_Shell_Services(nullptr);

    ASSERT_TRUE(copy->isEnabled());
    QGuiApplication::clipboard()->clear();
    copy->trigger();
    const QImage shown(
        QString::fromStdString(test::Find_Pane(*frame, "View_Image_Frame3")->Get_File_Name()));
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              shown.convertToFormat(QImage::Format_RGB32));
}

namespace {

// Pixels that the converter marked as different (its red), in a compared image.
int Marked_Pixels(const std::string& compared)
{
    QImage image(QString::fromStdString(compared));
    image = image.convertToFormat(QImage::Format_RGB32);
    int marked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            marked += c.red() > 200 && c.green() < 110 && c.blue() < 130;
        }
    return marked;
}

} // namespace

TEST_F(Diff_Frame, EveryRegisteredFormatComparesWithItselfAndWithPng)
{
    if (!test::Converter_Is_ImageMagick)
        GTEST_SKIP() << "needs the converter's pictures";
    // One sample per decoder family and every extension that shares it.
    const std::pair<const char*, std::vector<const char*>> samples[] = {
        {"rgb24.bmp", {"bmp", "dib", "rle"}},
        {"icon.ico", {"ico"}},
        {"drawing.wmf", {"wmf"}},
        {"drawing.emf", {"emf"}},
        {"rgb.jpg", {"jpg", "jpeg", "jpe", "jfif"}},
        {"raw.tga", {"tga", "win", "vst", "vda", "icb"}},
        {"lzw.tif", {"tif", "tiff"}},
        {"g4.fax", {"fax"}},
        {"rgb24.pcx", {"pcx", "pcc", "scr"}},
        {"pattern.rla", {"rla", "rpf"}},
        {"rle.sgi", {"sgi", "rgb", "rgba", "bw"}},
        {"rgb.psd", {"psd", "pdd"}},
        {"pattern.cel", {"cel"}},
        {"pattern.pic", {"pic"}},
        {"palette.gif", {"gif"}},
        {"pattern.cut", {"cut"}},
        {"pattern.psp", {"psp"}},
        {"rgb8.png", {"png"}},
        // Variants of the formats the converter reads itself, where its
        // decoder and the panes' could disagree.
        {"rgba32.bmp", {"bmp"}},
        {"palette8.bmp", {"bmp"}},
        {"rle8.bmp", {"bmp"}},
        {"cmyk.jpg", {"jpg"}},
        {"progressive.jpg", {"jpg"}},
        {"gray1.png", {"png"}},
        {"graya16.png", {"png"}},
        {"rgb16.png", {"png"}},
        {"rgba.png", {"png"}},
        {"palette.png", {"png"}},
        {"interlaced.gif", {"gif"}},
        {"zip.tif", {"tif"}},
        {"raw.tif", {"tif"}},
        {"palette8.pcx", {"pcx"}},
        {"verbatim.sgi", {"sgi"}},
        {"rle.tga", {"tga"}},
    };
    for (const auto& [sample, extensions] : samples) {
        for (const char* extension : extensions) {
            std::string name = dir / (std::string("v1.") + extension);
            fs::copy_file(fs::path(VARNOLT_TEST_DATA) / "imaging" / sample, name,
                          fs::copy_options::overwrite_existing);
            if (std::string(sample) == "pattern.cut")
                fs::copy_file(fs::path(VARNOLT_TEST_DATA) / "imaging" / "pattern.pal",
                              dir / "v1.pal", fs::copy_options::overwrite_existing);
            auto same = Open(name, name);
            ASSERT_GT(test::Find_Pane(*same, "View_Image_Frame1")->Picture_Width(), 0) << extension;
            Press(*same, "Compare_A");
            ASSERT_TRUE(same->Compared_Shown())
                << sample << " as " << extension << ": "
                << (messages.Messages.empty() ? "" : messages.Messages.back().Text);
            EXPECT_EQ(Marked_Pixels(test::Find_Pane(*same, "View_Image_Frame3")->Get_File_Name()),
                      0)
                << extension;

            // Against a PNG of what the pane shows: the compared image must
            // find nothing, so the converter read what the pane shows.
            std::string png = dir / "shown.png";
            ASSERT_TRUE(test::Find_Pane(*same, "View_Image_Frame1")
                            ->Image1->Picture()
                            .save(QString::fromStdString(png), "PNG"));
            auto mixed = Open(name, png);
            Press(*mixed, "Compare_A");
            ASSERT_TRUE(mixed->Compared_Shown())
                << sample << " as " << extension << ": "
                << (messages.Messages.empty() ? "" : messages.Messages.back().Text);
            EXPECT_EQ(Marked_Pixels(test::Find_Pane(*mixed, "View_Image_Frame3")->Get_File_Name()),
                      0)
                << extension;
        }
    }
    EXPECT_TRUE(messages.Messages.empty()) << messages.Messages[0].Text;
}

TEST_F(Diff_Frame, AJpegComparesWithAPng)
{
    if (!test::Converter_Is_ImageMagick)
        GTEST_SKIP() << "needs the converter's marked differences";
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "old.jpg"), "JPEG"));
    Make_Png(dir / "new.png", 200, 100, Qt::blue);
    auto frame = Open(dir / "old.jpg", dir / "new.png");
    Press(*frame, "Compare_A");
    ASSERT_TRUE(frame->Compared_Shown());
    EXPECT_GT(Marked_Pixels(test::Find_Pane(*frame, "View_Image_Frame3")->Get_File_Name()), 0);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Diff_Frame, CompareWaitsForBothPicturesAndSaysWhy)
{
    Make_Png(dir / "a.png", 300, 200, Qt::blue);
    test::Write_File(dir / "b.png", "\x89PNG\r\n\x1a\n and nothing else");
    auto frame = Open(dir / "a.png", dir / "b.png");
    ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_FALSE(test::Find_Action(*frame, "Compare_A")->isEnabled());
    EXPECT_TRUE(test::Find_Action(*frame, "Compare_A")
                    ->toolTip()
                    .contains(QStringLiteral("modified version")));
    Press(*frame, "Compare_A");
    EXPECT_FALSE(frame->Compared_Shown());
    EXPECT_EQ(Compared_Files(), 0);
}

TEST_F(Diff_Frame, ANullDeviceIsAVersionThatDoesNotExist)
{
    Make_Png(dir / "b.png", 300, 200, Qt::blue);
    auto added = Open("/dev/null", dir / "b.png");
    ASSERT_EQ(added->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_EQ(test::Find_Pane(*added, "View_Image_Frame1")->Caption_E->text(),
              QStringLiteral("(none)"));
    EXPECT_EQ(test::Find_Pane(*added, "View_Image_Frame1")->Picture_Width(), 0);
    EXPECT_EQ(test::Find_Pane(*added, "View_Image_Frame2")->Picture_Width(), 300);
    EXPECT_FALSE(test::Find_Action(*added, "Compare_A")->isEnabled());
    EXPECT_TRUE(test::Find_Action(*added, "Compare_A")
                    ->toolTip()
                    .contains(QStringLiteral("base version does not exist")));

    // A converted kind converts only the side that exists.
    if (!test::Converter_Is_ImageMagick)
        GTEST_SKIP() << "the rest needs the converter's pictures";
    test::Write_File(dir / "a.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='120' "
                                    "height='80'><circle cx='40' cy='40' r='20'/></svg>");
    auto deleted = Open(dir / "a.svg", "/dev/null", T_Converter_Kind::Svg);
    ASSERT_EQ(deleted->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_EQ(test::Find_Pane(*deleted, "View_Image_Frame1")->Picture_Width(), 120);
    EXPECT_EQ(test::Find_Pane(*deleted, "View_Image_Frame2")->Caption_E->text(),
              QStringLiteral("(none)"));
    EXPECT_FALSE(test::Find_Action(*deleted, "Compare_A")->isEnabled());
    EXPECT_TRUE(messages.Messages.empty()) << messages.Messages[0].Text;
}

#ifndef VARNOLT_TEST_NO_PDF
// A PDF added or deleted in version control (the null device on the other
// side): its pages on its own side only, drawn by the real PDF exporter.
TEST_F(Paged_Frame, ADocumentOnOneSideOnlyShowsItsPagesThereAlone)
{
    Exporters = Create_Document_Exporter;
    // Pages of three widths, so that each switch shows in the picture.
    test::Write_File(dir / "doc.pdf", test::Make_Pdf({{200, 100, test::Box(20, 20, 40, 30)},
                                                      {300, 100, test::Box(120, 20, 40, 30)},
                                                      {250, 100, test::Box(60, 20, 40, 30)}}));
    for (const bool added : {true, false}) {
        SCOPED_TRACE(added ? "added" : "deleted");
        const std::string left = added ? "/dev/null" : dir / "doc.pdf";
        const std::string right = added ? dir / "doc.pdf" : "/dev/null";
        auto frame = Open(left, right, T_Converter_Kind::None, T_Paged_Kind::Pdf);
        ASSERT_EQ(frame->ViewMode(), T_View_Mode::Actual_Size);
        const T_Side side = added ? T_Side::Right : T_Side::Left;
        TView_Image_Frame* shown =
            test::Find_Pane(*frame, added ? "View_Image_Frame2" : "View_Image_Frame1");
        TView_Image_Frame* none =
            test::Find_Pane(*frame, added ? "View_Image_Frame1" : "View_Image_Frame2");
        EXPECT_EQ(none->Caption_E->text(), QStringLiteral("(none)"));
        EXPECT_EQ(none->Picture_Width(), 0);
        EXPECT_EQ(test::Find_Tabs(*frame, added ? "LeftTabs" : "RightTabs"), nullptr);
        TDiff_Pagelist_Frame* tabs = test::Find_Tabs(*frame, added ? "RightTabs" : "LeftTabs");
        ASSERT_NE(tabs, nullptr);
        ASSERT_EQ(tabs->TabControl1->count(), 3);
        const QString words =
            added ? QStringLiteral("Not in the base version: this sheet was added")
                  : QStringLiteral("Not in the modified version: this sheet was removed");
        EXPECT_EQ(tabs->TabControl1->tabToolTip(0), words);

        // Switching pages shows the page asked for.
        const int first_width = shown->Picture_Width();
        ASSERT_GT(first_width, 0);
        Click_Tab(tabs, 1);
        EXPECT_EQ(frame->Session().Page(side), 1);
        EXPECT_NEAR(shown->Picture_Width(), first_width * 3 / 2, 2);
        Click_Tab(tabs, 2);
        EXPECT_NEAR(shown->Picture_Width(), first_width * 5 / 4, 2);

        // As with a picture on one side only: nothing to compare, no
        // differences to wait for, and the status line says where the page
        // is.
        EXPECT_FALSE(test::Find_Action(*frame, "Compare_A")->isEnabled());
        EXPECT_TRUE(test::Find_Action(*frame, "Compare_A")
                        ->toolTip()
                        .contains(QStringLiteral("version does not exist")));
        frame->Show_Layout(T_Pane_Layout::Differences);
        EXPECT_EQ(frame->Differences(), nullptr);
        frame->Update_Status();
        const QString status = test::Find<QLabel>(*frame, "Status_L")->text();
        EXPECT_TRUE(status.contains(words)) << status.toStdString();
        EXPECT_FALSE(status.contains(QStringLiteral("Finding"))) << status.toStdString();
        EXPECT_TRUE(messages.Messages.empty()) << messages.Messages[0].Text;
    }
    // The pages were drawn in the private folder, never beside the file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), fs::directory_iterator()), 1);
}
#endif
