// Opening another pair from the comparison window: swapping the sides,
// reading the files again, dropping files. Real windows, opened one after
// another by the launcher's sequence as the program does.
#include "tests/diff_view_support.h"
#include "viewer/file_change_bar.h"
#include "app/gui/pair_drop.h"
#include "app/pair_sequence.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "app/gui/U_Varnolt_File_Select.h"
#include "app/gui/vcs_diff_form.h"
#include "viewer/recent_pairs.h"
#include "viewer/vcs_diff_frame.h"
#include "tests/viewer/view_test_support.h"

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// What one window of the sequence showed.
struct Seen_Window {
    std::string Left_File;
    QString Left_Caption;
    QString Right_Caption;
    // The panes' name lines and their tooltips.
    QString Left_Name, Right_Name, Left_Path;
    int Left_Width = 0;
    int Right_Width = 0;
    std::size_t Regions = 0;
};

using Step = std::function<void(TDiff_F&)>;

// Acts on each window of the sequence once its differences are known: records
// what it shows, then runs the next step (the last one closes it).
class Window_Script : public QObject {
public:
    explicit Window_Script(std::vector<Step> steps) : Steps(std::move(steps))
    {
        connect(&Poll, &QTimer::timeout, this, [this] { Act(); });
        Poll.start(20);
    }
    std::vector<Seen_Window> Seen;

private:
    void Act()
    {
        auto* window = dynamic_cast<TDiff_F*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible() || window->property("scripted").toBool() ||
            !window->View->Differences())
            return;
        window->setProperty("scripted", true);
        TView_diff_frame& view = *window->View;
        TView_Image_Frame* left = test::Find_Pane(view, "View_Image_Frame1");
        TView_Image_Frame* right = test::Find_Pane(view, "View_Image_Frame2");
        auto* left_name = left->findChild<QLabel*>(QStringLiteral("Pane_File_Name"));
        auto* right_name = right->findChild<QLabel*>(QStringLiteral("Pane_File_Name"));
        Seen.push_back({view.Session().LeftFile, left->Caption_E->text(), right->Caption_E->text(),
                        left_name ? left_name->text() : QString(),
                        right_name ? right_name->text() : QString(),
                        left_name ? left_name->toolTip() : QString(), left->Picture_Width(),
                        right->Picture_Width(), view.Differences()->Regions.size()});
        if (Seen.size() <= Steps.size())
            Steps[Seen.size() - 1](*window);
        else
            window->close();
    }
    std::vector<Step> Steps;
    QTimer Poll;
};

// A white picture with black dots.
void Write_Picture(const std::string& name, int width, std::vector<QPoint> dots)
{
    QImage image(width, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (QPoint dot : dots)
        image.setPixelColor(dot, Qt::black);
    image.save(QString::fromStdString(name));
}

QMimeData* Files(const QStringList& names)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& name : names)
        urls << (name.startsWith(QStringLiteral("http")) ? QUrl(name) : QUrl::fromLocalFile(name));
    data->setUrls(urls);
    return data;
}

// Drags the files over the window and drops them at At, a point of it.
void Drop(TDiff_F& window, const QStringList& names, QPoint at)
{
    std::unique_ptr<QMimeData> data(Files(names));
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
}

QPoint Centre_Of(TDiff_F& window, const char* pane)
{
    QWidget* widget = test::Find_Pane(*window.View, pane);
    return widget->mapTo(&window, widget->rect().center());
}

class Diff_Window_Pairs : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settings.Str()));
        Write_Picture(dir / "a.png", 120, {{10, 10}});
        Write_Picture(dir / "b.png", 100, {{10, 10}, {20, 12}});
        Write_Picture(dir / "c.png", 90, {});
        hooks.Show_Diff_Form = Show_Diff_Form;
        hooks.Show_About = [] {};
        hooks.Word_Diff = [](const std::string&, const std::string&) { return false; };
        hooks.Pair_Opening = Announce_Diff_Pair;
        hooks.Take_Pair_Request = Take_Diff_Form_Request;
    }
    QString Name(const char* file) { return QString::fromStdString(dir / file); }
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Scratch_Dir settings;
    test::Msg_Recorder messages;
    T_Launch_Hooks hooks;
};

} // namespace

TEST_F(Diff_Window_Pairs, SwapSidesExchangesCaptionsPicturesAndDifferencesAndTwiceRestores)
{
    auto swap = [](TDiff_F& window) {
        QAction* entry = test::Find_Action(window, "Menu_Swap_Sides");
        EXPECT_EQ(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
        entry->trigger();
    };
    Window_Script script({swap, swap});
    EXPECT_EQ(Run_Diff_Sequence(dir / "a.png", dir / "b.png", hooks), T_Diff_Result::Shown);
    ASSERT_EQ(script.Seen.size(), 3u);
    const Seen_Window& first = script.Seen[0];
    const Seen_Window& swapped = script.Seen[1];
    EXPECT_EQ(first.Left_Width, 120);
    EXPECT_EQ(first.Right_Caption, Name("b.png"));
    EXPECT_EQ(swapped.Left_File, dir / "b.png");
    EXPECT_EQ(swapped.Left_Width, 100);
    EXPECT_EQ(swapped.Right_Width, 120);
    EXPECT_EQ(swapped.Right_Caption, Name("a.png"));
    EXPECT_EQ(swapped.Left_Caption, first.Left_Caption);
    // Each pane names its own file; the names go with their files.
    EXPECT_EQ(first.Left_Name, QStringLiteral("a.png"));
    EXPECT_EQ(first.Right_Name, QStringLiteral("b.png"));
    EXPECT_EQ(first.Left_Path, Name("a.png"));
    EXPECT_EQ(swapped.Left_Name, QStringLiteral("b.png"));
    EXPECT_EQ(swapped.Right_Name, QStringLiteral("a.png"));
    EXPECT_EQ(swapped.Regions, first.Regions);
    const Seen_Window& again = script.Seen[2];
    EXPECT_EQ(again.Left_File, first.Left_File);
    EXPECT_EQ(again.Right_Caption, first.Right_Caption);
    EXPECT_EQ(again.Left_Width, 120);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Diff_Window_Pairs, AFileChangedOnDiskShowsTheBarAndReloadShowsItAsItIsNow)
{
    Window_Script script({[&](TDiff_F& window) {
        EXPECT_FALSE(window.Change_Bar->isVisible());
        // Now the same picture as the base: no change left.
        Write_Picture(dir / "b.png", 120, {{10, 10}});
        ASSERT_TRUE(test::Wait_For([&] { return window.Change_Bar->isVisible(); }));
        EXPECT_EQ(window.Change_Bar->Message_L->text(),
                  QStringLiteral("The modified file changed on disk."));
        window.Change_Bar->Reload_B->click();
    }});
    Run_Diff_Sequence(dir / "a.png", dir / "b.png", hooks);
    ASSERT_EQ(script.Seen.size(), 2u);
    EXPECT_EQ(script.Seen[0].Right_Width, 100);
    EXPECT_GT(script.Seen[0].Regions, 0u);
    EXPECT_EQ(script.Seen[1].Right_Width, 120);
    EXPECT_EQ(script.Seen[1].Regions, 0u);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Diff_Window_Pairs, DroppedFilesOpenAsAPairOrReplaceTheSideDroppedOn)
{
    Window_Script script({
        [&](TDiff_F& window) {
            Drop(window, {Name("c.png"), Name("a.png")}, Centre_Of(window, "View_Image_Frame2"));
        },
        [&](TDiff_F& window) {
            Drop(window, {Name("b.png")}, Centre_Of(window, "View_Image_Frame1"));
        },
        [&](TDiff_F& window) {
            Drop(window, {Name("c.png")}, Centre_Of(window, "View_Image_Frame2"));
        },
    });
    Run_Diff_Sequence(dir / "a.png", dir / "b.png", hooks);
    ASSERT_EQ(script.Seen.size(), 4u);
    // c, a as dropped; then b on the base pane; then c on the modified.
    EXPECT_EQ(script.Seen[1].Left_Width, 90);
    EXPECT_EQ(script.Seen[1].Right_Caption, Name("a.png"));
    EXPECT_EQ(script.Seen[2].Left_Width, 100);
    EXPECT_EQ(script.Seen[2].Right_Caption, Name("a.png"));
    EXPECT_EQ(script.Seen[3].Left_Width, 100);
    EXPECT_EQ(script.Seen[3].Right_Caption, Name("c.png"));
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Diff_Window_Pairs, DropsThatCannotBeComparedAreRefusedAndTheWindowStays)
{
    std::filesystem::create_directory(dir / "folder");
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    window.resize(900, 600);
    window.show();
    const QPoint at = Centre_Of(window, "View_Image_Frame2");
    Drop(window, {Name("folder")}, at);
    Drop(window, {Name("a.png"), Name("b.png"), Name("c.png")}, at);
    Drop(window, {QStringLiteral("https://example.org/a.png")}, at);
    ASSERT_TRUE(test::Wait_For([&] { return messages.Messages.size() == 3; }));
    EXPECT_EQ(messages.Messages[0].Text,
              "A folder cannot be compared in this window:\n" + (dir / "folder"));
    EXPECT_EQ(messages.Messages[1].Text, "Drop one file, or two files to compare, not 3 files.");
    EXPECT_EQ(messages.Messages[2].Text,
              "Only files on this computer can be compared:\nhttps://example.org/a.png");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Next_Request.Kind, T_Pair_Request::T_Kind::None);
}

TEST_F(Diff_Window_Pairs, TheFileMenuOffersThePairCommandsAndReloadClosesForTheSamePair)
{
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    EXPECT_EQ(test::Find_Action(window, "Menu_Reload")->shortcuts().first(),
              QKeySequence(Qt::Key_F5));
    EXPECT_TRUE(test::Find<QMenu>(window, "Recent_Pairs_M")->menuAction()->isEnabled());
    // Reload asks for the same pair and closes the window.
    window.show();
    test::Find_Action(window, "Menu_Reload")->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.Next_Request.Kind, T_Pair_Request::T_Kind::Reload);
}

TEST_F(Diff_Window_Pairs, APairIsARecentPairWhileItsWindowIsStillOpen)
{
    hooks.Window_Up = Expect_Diff_Form_Up;
    hooks.Remember_Pair = [](const std::string& left, const std::string& right) {
        Remember_Recent_Pair(QString::fromStdString(left), QString::fromStdString(right));
    };
    QList<T_Recent_Pair> while_open;
    Window_Script script({[&](TDiff_F& window) {
        while_open = Recent_Pairs();
        window.close();
    }});
    EXPECT_EQ(Run_Diff_Sequence(dir / "a.png", dir / "b.png", hooks), T_Diff_Result::Shown);
    ASSERT_EQ(while_open.size(), 1);
    EXPECT_EQ(while_open[0], (T_Recent_Pair{Name("a.png"), Name("b.png")}));
    // Not a second time when the window closes.
    EXPECT_EQ(Recent_Pairs().size(), 1);
}

TEST_F(Diff_Window_Pairs, OpenPairAsksForTheFilesStartingFromThePairShown)
{
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    QAction* open = test::Find_Action(window, "Menu_Open_Pair");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->shortcuts().first(), QKeySequence(Qt::CTRL | Qt::Key_O));
    window.show();
    // Cancel keeps the window and its pair.
    QString offered_left, offered_right;
    QTimer::singleShot(0, [&] {
        QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
        auto* dialog = dynamic_cast<TFile_Select_F*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        offered_left = dialog->Left_E->text();
        offered_right = dialog->Right_E->text();
        dialog->reject();
    });
    open->trigger();
    EXPECT_EQ(offered_left, Name("a.png"));
    EXPECT_EQ(offered_right, Name("b.png"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Next_Request.Kind, T_Pair_Request::T_Kind::None);
    // OK asks for the pair in the fields.
    QTimer::singleShot(0, [&] {
        QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
        auto* dialog = dynamic_cast<TFile_Select_F*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->Right_E->setText(Name("c.png"));
        dialog->OK_B->click();
    });
    open->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.Next_Request.Kind, T_Pair_Request::T_Kind::Open);
    EXPECT_EQ(window.Next_Request.Right, dir / "c.png");
}
