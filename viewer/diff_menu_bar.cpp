#include "viewer/diff_menu_bar.h"

#include "viewer/keyboard_help.h"
#include "viewer/recent_pairs.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include <memory>
#include <tuple>
#include <utility>

namespace {

// Calls Handler whenever the watched widget is enabled or disabled, its
// parents' changes included.
class T_Enabled_Watch : public QObject {
public:
    T_Enabled_Watch(QWidget* Watched, std::function<void()> Handler)
        : QObject(Watched), Handler_(std::move(Handler))
    {
        Watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* Event) override
    {
        if (Event->type() == QEvent::EnabledChange)
            Handler_();
        return false;
    }

private:
    std::function<void()> Handler_;
};

// The keys of an entry: Own are registered on the entry; Handled are keys
// that the view already acts on, named only.
struct T_Keys {
    QList<QKeySequence> Own;
    QString Handled;
};

// Explicit keys first, then the platform's bindings of Standard not yet
// among them.
QList<QKeySequence> With_Standard(QList<QKeySequence> Keys, QKeySequence::StandardKey Standard)
{
    for (const QKeySequence& key : QKeySequence::keyBindings(Standard))
        if (!Keys.contains(key))
            Keys.append(key);
    return Keys;
}

class T_Menu_Builder {
public:
    T_Menu_Builder(QWidget* Window, QWidget* View) : Bar(new QMenuBar(Window)), View_(View) {}

    QMenuBar* Bar;

    QMenu* Menu(const QString& Title, const char* Name)
    {
        QMenu* menu = Bar->addMenu(Title);
        menu->setObjectName(QString::fromLatin1(Name));
        return menu;
    }

    // A new entry; its keys are named after a tab, which QMenu shows in its
    // shortcut column.
    QAction* Entry(QMenu* Menu, const QString& Caption, const T_Keys& Keys)
    {
        QStringList names;
        for (const QKeySequence& key : Keys.Own)
            names << key.toString(QKeySequence::NativeText);
        if (!Keys.Handled.isEmpty())
            names << Keys.Handled;
        QString text = Caption;
        if (!names.isEmpty())
            text += QLatin1Char('\t') + names.join(QStringLiteral(", "));
        QAction* entry = Menu->addAction(text);
        entry->setShortcuts(Keys.Own);
        return entry;
    }

    // An entry that runs the view's action Name and follows its state.
    QAction* Mirror(QMenu* Menu, const char* Name, const QString& Caption, T_Keys Keys = {})
    {
        QAction* source = View_->findChild<QAction*>(QString::fromLatin1(Name));
        if (!source)
            return nullptr;
        for (const QKeySequence& key : source->shortcuts())
            Keys.Handled = Keys.Handled.isEmpty() ? key.toString(QKeySequence::NativeText)
                                                  : key.toString(QKeySequence::NativeText) +
                                                        QStringLiteral(", ") + Keys.Handled;
        QAction* entry = Entry(Menu, Caption, Keys);
        entry->setObjectName(QStringLiteral("Menu_") + QString::fromLatin1(Name));
        auto sync = [entry, source] {
            entry->setEnabled(source->isEnabled());
            entry->setVisible(source->isVisible());
            entry->setCheckable(source->isCheckable());
            entry->setChecked(source->isChecked());
        };
        sync();
        QObject::connect(source, &QAction::changed, entry, sync);
        QObject::connect(entry, &QAction::triggered, source, [source, sync] {
            source->trigger();
            // An exclusive choice that is chosen again stays checked
            // without a change to report.
            sync();
        });
        return entry;
    }

    // An entry that clicks the view's check box Name and follows its state.
    QAction* Mirror_Check(QMenu* Menu, const char* Name, const QString& Caption, T_Keys Keys = {})
    {
        auto* box = View_->findChild<QCheckBox*>(QString::fromLatin1(Name));
        if (!box)
            return nullptr;
        QAction* entry = Entry(Menu, Caption, Keys);
        entry->setObjectName(QStringLiteral("Menu_") + QString::fromLatin1(Name));
        entry->setCheckable(true);
        auto sync = [entry, box] {
            entry->setEnabled(box->isEnabled());
            entry->setChecked(box->isChecked());
        };
        sync();
        QObject::connect(box, &QCheckBox::toggled, entry, sync);
        new T_Enabled_Watch(box, sync);
        QObject::connect(entry, &QAction::triggered, box, [box, sync] {
            box->click();
            sync();
        });
        return entry;
    }

    // An entry that puts the focus into the view's field Name, enabled when
    // the field is.
    QAction* Focus_Field(QMenu* Menu, const char* Name, const QString& Caption, T_Keys Keys)
    {
        auto* field = View_->findChild<QAbstractSpinBox*>(QString::fromLatin1(Name));
        if (!field)
            return nullptr;
        QAction* entry = Entry(Menu, Caption, Keys);
        entry->setObjectName(QStringLiteral("Menu_") + QString::fromLatin1(Name));
        auto sync = [entry, field] { entry->setEnabled(field->isEnabled()); };
        sync();
        new T_Enabled_Watch(field, sync);
        QObject::connect(entry, &QAction::triggered, field, [field] {
            field->setFocus(Qt::ShortcutFocusReason);
            field->selectAll();
        });
        return entry;
    }

    // Steps the page tabs: the strip that has the focus, else the base
    // version's; with Sync pages the other strip follows as it does for a
    // click on a tab.
    void Step_Page(int Direction) const
    {
        TDiff_Pagelist_Frame* strip = nullptr;
        for (const char* name : {"LeftTabs", "RightTabs"}) {
            auto* tabs = View_->findChild<TDiff_Pagelist_Frame*>(QString::fromLatin1(name));
            if (tabs && !tabs->isHidden() &&
                (!strip || tabs->isAncestorOf(QApplication::focusWidget()) ||
                 tabs->TabControl1->hasFocus()))
                strip = tabs;
        }
        if (strip)
            strip->Select_Index(strip->Selected_Index() + Direction);
    }

    bool Has_Pages() const
    {
        return View_->findChild<TDiff_Pagelist_Frame*>(QStringLiteral("LeftTabs")) ||
               View_->findChild<TDiff_Pagelist_Frame*>(QStringLiteral("RightTabs"));
    }

private:
    QWidget* View_;
};

QKeySequence Key(QKeyCombination Combination) { return QKeySequence(Combination); }

// The commands that open another pair, or this one again: the recent pairs,
// swapping the sides, reading the files again.
void Add_Pair_Entries(T_Menu_Builder& b, QMenu* File, const T_Diff_Menu_Hooks& Hooks)
{
    if (Hooks.Open_Pair) {
        QAction* open =
            b.Entry(File, QStringLiteral("Open pair..."),
                    {With_Standard({Key(Qt::CTRL | Qt::Key_O)}, QKeySequence::Open), {}});
        open->setObjectName(QStringLiteral("Menu_Open_Pair"));
        QObject::connect(open, &QAction::triggered, b.Bar, Hooks.Open_Pair);
    }
    if (Hooks.Open_Recent) {
        QMenu* recent = File->addMenu(QStringLiteral("Recent pairs"));
        recent->setObjectName(QStringLiteral("Recent_Pairs_M"));
        recent->menuAction()->setObjectName(QStringLiteral("Menu_Recent_Pairs"));
        // Filled when opened: the files may have come or gone since.
        QObject::connect(recent, &QMenu::aboutToShow, recent, [recent, open = Hooks.Open_Recent] {
            Fill_Recent_Pairs_Menu(*recent, open);
        });
        Fill_Recent_Pairs_Menu(*recent, Hooks.Open_Recent);
    }
    const std::tuple<const std::function<void()>*, const char*, const char*, T_Keys> commands[] = {
        {&Hooks.Swap_Sides,
         "Menu_Swap_Sides",
         "Swap sides",
         {{Key(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, {}}},
        {&Hooks.Reload,
         "Menu_Reload",
         "Reload",
         {With_Standard({Key(Qt::Key_F5)}, QKeySequence::Refresh), {}}}};
    for (const auto& [run, name, caption, keys] : commands) {
        if (!*run)
            continue;
        QAction* entry = b.Entry(File, QString::fromLatin1(caption), keys);
        entry->setObjectName(QString::fromLatin1(name));
        QObject::connect(entry, &QAction::triggered, b.Bar, *run);
    }
    if (Hooks.Open_Pair || Hooks.Open_Recent || Hooks.Swap_Sides || Hooks.Reload)
        File->addSeparator();
}

} // namespace

QMenuBar* Build_Diff_Menu_Bar(QWidget* Window, QWidget* View, T_Diff_Menu_Hooks Hooks)
{
    T_Menu_Builder b(Window, View);
    b.Bar->setObjectName(QStringLiteral("Diff_Menu_Bar"));

    QMenu* file = b.Menu(QStringLiteral("&File"), "File_M");
    Add_Pair_Entries(b, file, Hooks);
    b.Mirror(file, "Export_Compared_Img_A", QStringLiteral("Export compared image..."),
             {{Key(Qt::CTRL | Qt::Key_E)}, {}});
    b.Mirror(file, "Copy_Compared_Img_A", QStringLiteral("Copy compared image"),
             {With_Standard({Key(Qt::CTRL | Qt::Key_C)}, QKeySequence::Copy), {}});
    b.Mirror(file, "Execute_Compared_Img_A", QStringLiteral("Execute compared image"),
             {{Key(Qt::CTRL | Qt::SHIFT | Qt::Key_E)}, {}});
    file->addSeparator();
    // Escape closes the window too, as a dialog's Escape does.
    b.Mirror(
        file, "Close_A", QStringLiteral("Close"),
        {With_Standard({Key(Qt::CTRL | Qt::Key_W)}, QKeySequence::Close), QStringLiteral("Esc")});
    QAction* quit = b.Entry(file, QStringLiteral("Quit"),
                            {With_Standard({Key(Qt::CTRL | Qt::Key_Q)}, QKeySequence::Quit), {}});
    quit->setObjectName(QStringLiteral("Menu_Quit"));
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, Window, [Hooks] {
        if (Hooks.Quit)
            Hooks.Quit();
    });

    QMenu* view = b.Menu(QStringLiteral("&View"), "View_M");
    b.Mirror(view, "Side_By_Side_A", QStringLiteral("Side by side"), {{}, QStringLiteral("S")});
    b.Mirror(view, "Overlay_A", QStringLiteral("Overlay"), {{}, QStringLiteral("O")});
    b.Mirror(view, "Blink_A", QStringLiteral("Blink"), {{}, QStringLiteral("B")});
    b.Mirror(view, "Swipe_A", QStringLiteral("Swipe"), {{}, QStringLiteral("W")});
    b.Mirror(view, "Differences_A", QStringLiteral("Differences"), {{}, QStringLiteral("D")});
    view->addSeparator();
    b.Mirror(view, "Zoom_In_A", QStringLiteral("Zoom in"),
             {QKeySequence::keyBindings(QKeySequence::ZoomIn), QStringLiteral("+, =")});
    b.Mirror(view, "Zoom_Out_A", QStringLiteral("Zoom out"),
             {QKeySequence::keyBindings(QKeySequence::ZoomOut), QStringLiteral("-")});
    b.Mirror(view, "Zoom_100_A", QStringLiteral("Zoom 100%"),
             {{Key(Qt::CTRL | Qt::Key_0)}, QStringLiteral("1")});
    b.Mirror(view, "Fit_A", QStringLiteral("Fit to window"), {{Key(Qt::Key_F)}, {}});
    view->addSeparator();
    b.Mirror_Check(view, "Show_Changes_C", QStringLiteral("Show changes"),
                   {{}, QStringLiteral("C")});

    QMenu* go = b.Menu(QStringLiteral("&Go"), "Go_M");
    b.Mirror(go, "Previous_Change_A", QStringLiteral("Previous change"), {{}, QStringLiteral("P")});
    b.Mirror(go, "Next_Change_A", QStringLiteral("Next change"), {{}, QStringLiteral("N")});
    go->addSeparator();
    const std::pair<const char*, int> pages[] = {{"Previous page", -1}, {"Next page", 1}};
    for (const auto& [caption, direction] : pages) {
        const Qt::Key key = direction < 0 ? Qt::Key_PageUp : Qt::Key_PageDown;
        QAction* entry = b.Entry(go, QString::fromLatin1(caption), {{Key(Qt::CTRL | key)}, {}});
        entry->setObjectName(direction < 0 ? QStringLiteral("Menu_Previous_Page")
                                           : QStringLiteral("Menu_Next_Page"));
        entry->setEnabled(b.Has_Pages());
        QObject::connect(entry, &QAction::triggered, View,
                         [b, direction = direction] { b.Step_Page(direction); });
        // The tabs appear once a paged pair is open, after the menu is built.
        QObject::connect(go, &QMenu::aboutToShow, entry,
                         [entry, b] { entry->setEnabled(b.Has_Pages()); });
    }
    b.Mirror(go, "Sync_Pages_A", QStringLiteral("Sync pages"));
    go->addSeparator();
    b.Mirror(go, "Find_A", QStringLiteral("Find..."), {{}, QStringLiteral("F3, Shift+F3")});

    QMenu* compare = b.Menu(QStringLiteral("&Compare"), "Compare_M");
    b.Mirror(compare, "Compare_A", QStringLiteral("Compare images"));
    b.Mirror(compare, "Trim_Compared_A", QStringLiteral("Trim compared"));
    compare->addSeparator();
    b.Focus_Field(compare, "Tolerance_E", QStringLiteral("Tolerance..."),
                  {{Key(Qt::CTRL | Qt::Key_T)}, {}});
    b.Mirror_Check(compare, "Ignore_Antialiasing_C", QStringLiteral("Ignore anti-aliasing"));
    compare->addSeparator();
    b.Mirror(compare, "Reset_Offset_A", QStringLiteral("Reset offset"),
             {{}, QStringLiteral("Alt+0")});

    QMenu* help = b.Menu(QStringLiteral("&Help"), "Help_M");
    QAction* keys = b.Entry(help, QStringLiteral("Keyboard shortcuts"),
                            {With_Standard({Key(Qt::Key_F1)}, QKeySequence::HelpContents), {}});
    keys->setObjectName(QStringLiteral("Menu_Keyboard_Shortcuts"));
    QMenuBar* bar = b.Bar;
    QObject::connect(keys, &QAction::triggered, Window,
                     [Window, bar] { Show_Keyboard_Help(Window, *bar); });
    b.Mirror(help, "About_A", QStringLiteral("About"));
    return bar;
}
