#include "viewer/keyboard_help.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

struct T_Key_Row {
    QString Group;
    QString Command;
    QString Keys;
};

// The keys of the panes, the page tabs and the fields, which act without
// a menu entry.
const T_Key_Row Unlisted_Keys[] = {
    {QStringLiteral("Pictures"), QStringLiteral("Scroll"),
     QStringLiteral("Arrows, Page Up, Page Down, Home, End, wheel")},
    {QStringLiteral("Pictures"), QStringLiteral("Zoom about the pointer"),
     QStringLiteral("Ctrl+wheel")},
    {QStringLiteral("Pictures"), QStringLiteral("Move the modified version by one pixel"),
     QStringLiteral("Alt+Left, Alt+Right, Alt+Up, Alt+Down")},
    {QStringLiteral("Pictures"), QStringLiteral("Move the modified version by ten pixels"),
     QStringLiteral("Alt+Shift+Left, Alt+Shift+Right, Alt+Shift+Up, Alt+Shift+Down")},
    {QStringLiteral("Pictures"), QStringLiteral("Overlay opacity down / up"),
     QStringLiteral("[, ]")},
    {QStringLiteral("Pictures"), QStringLiteral("Blink: pause, then show the other version"),
     QStringLiteral("Space")},
    {QStringLiteral("Pictures"), QStringLiteral("Swipe: move the divider"),
     QStringLiteral("Left, Right")},
    {QStringLiteral("Page tabs"), QStringLiteral("Previous / next page (tabs focused)"),
     QStringLiteral("Left, Right, wheel")},
    {QStringLiteral("Fields"), QStringLiteral("Apply the shave field"), QStringLiteral("Enter")},
    {QStringLiteral("Fields"), QStringLiteral("Abandon an edit of the shave field"),
     QStringLiteral("Esc")},
    {QStringLiteral("Window"), QStringLiteral("Next / previous control"),
     QStringLiteral("Tab, Shift+Tab")},
    {QStringLiteral("Window"), QStringLiteral("Open a menu"),
     QStringLiteral("Alt+underlined letter")},
};

QString Without_Mnemonic(QString Text) { return Text.remove(QLatin1Char('&')); }

// One row per menu entry: its menu, its caption and the keys named after
// the tab in its text (or its registered keys when it names none).
QList<T_Key_Row> Menu_Rows(const QMenuBar& Menus)
{
    QList<T_Key_Row> rows;
    for (QAction* item : Menus.actions()) {
        QMenu* menu = item->menu();
        if (!menu)
            continue;
        for (QAction* entry : menu->actions()) {
            if (entry->isSeparator() || entry->text().isEmpty())
                continue;
            const QString text = entry->text();
            const qsizetype tab = text.indexOf(QLatin1Char('\t'));
            QString keys = tab < 0 ? QString() : text.mid(tab + 1);
            if (tab < 0 && !entry->shortcuts().isEmpty())
                keys = QKeySequence::listToString(entry->shortcuts(), QKeySequence::NativeText);
            rows.append({Without_Mnemonic(menu->title()), Without_Mnemonic(text.left(tab)), keys});
        }
    }
    return rows;
}

QDialog* Make_Help(QWidget* Window, const QMenuBar& Menus)
{
    auto* help = new QDialog(Window);
    help->setObjectName(QStringLiteral("Keyboard_Help"));
    help->setWindowTitle(QStringLiteral("Keyboard shortcuts"));
    QList<T_Key_Row> rows = Menu_Rows(Menus);
    for (const T_Key_Row& row : Unlisted_Keys)
        rows.append(row);

    auto* table = new QTableWidget(int(rows.size()), 3, help);
    table->setObjectName(QStringLiteral("Keyboard_Help_Table"));
    table->setAccessibleName(QStringLiteral("Keyboard shortcuts"));
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Where"), QStringLiteral("Command"), QStringLiteral("Keys")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int i = 0; i < rows.size(); ++i) {
        table->setItem(i, 0, new QTableWidgetItem(rows[i].Group));
        table->setItem(i, 1, new QTableWidgetItem(rows[i].Command));
        table->setItem(i, 2, new QTableWidgetItem(rows[i].Keys));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, help);
    QObject::connect(buttons, &QDialogButtonBox::rejected, help, &QDialog::reject);
    auto* layout = new QVBoxLayout(help);
    layout->addWidget(table);
    layout->addWidget(buttons);
    help->resize(760, 560);
    return help;
}

} // namespace

QDialog* Show_Keyboard_Help(QWidget* Window, const QMenuBar& Menus)
{
    auto* help =
        Window->findChild<QDialog*>(QStringLiteral("Keyboard_Help"), Qt::FindDirectChildrenOnly);
    if (!help)
        help = Make_Help(Window, Menus);
    help->show();
    help->raise();
    help->activateWindow();
    return help;
}
