#include "page_tab_marks.h"

#include "page_tab_bar.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QTabBar>

namespace {

const QColor Moved_Colour(0x15, 0x65, 0xC0);

QColor Mark_Colour(T_Side Side, T_Page_Match Match)
{
    switch (Match) {
    case T_Page_Match::Same:
        return QColor(0x80, 0x80, 0x80);
    case T_Page_Match::Changed:
        return QColor(0xC0, 0x78, 0x00);
    case T_Page_Match::Unpaired:
        return Side == T_Side::Left ? QColor(0xC6, 0x28, 0x28) : QColor(0x2E, 0x7D, 0x32);
    case T_Page_Match::Unknown:
        break;
    }
    return {};
}

QIcon Draw_Dot(const QColor& Colour)
{
    QPixmap dot(10, 10);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Colour);
    painter.drawEllipse(1, 1, 8, 8);
    return QIcon(dot);
}

// The dot of a colour, drawn once: thousands of tabs share a few colours.
QIcon Dot(const QColor& Colour)
{
    static QHash<QRgb, QIcon> drawn;
    auto found = drawn.constFind(Colour.rgba());
    if (found == drawn.constEnd())
        found = drawn.insert(Colour.rgba(), Draw_Dot(Colour));
    return *found;
}

QString Mark_Tooltip(T_Side Side, T_Page_Match Match, const QString& Partner_Name)
{
    const QString other =
        Side == T_Side::Left ? QStringLiteral("modified") : QStringLiteral("base");
    switch (Match) {
    case T_Page_Match::Same:
        return QStringLiteral("The same as page \"%1\" of the %2 version").arg(Partner_Name, other);
    case T_Page_Match::Changed:
        return QStringLiteral("Differs from page \"%1\" of the %2 version")
            .arg(Partner_Name, other);
    case T_Page_Match::Unpaired:
        return Side == T_Side::Left
                   ? QStringLiteral("Not in the modified version: this sheet was removed")
                   : QStringLiteral("Not in the base version: this sheet was added");
    case T_Page_Match::Unknown:
        break;
    }
    return {};
}

// A sheet that left its place in the order: where its counterpart is now,
// and whether it is the same there.
QString Moved_Tooltip(T_Side Side, T_Page_Match Match, int Partner, const QString& Partner_Name)
{
    const QString other =
        Side == T_Side::Left ? QStringLiteral("modified") : QStringLiteral("base");
    const QString where = QStringLiteral("page %1 of the %2 version (\"%3\")")
                              .arg(QString::number(Partner + 1), other, Partner_Name);
    switch (Match) {
    case T_Page_Match::Same:
        return QStringLiteral("Moved: %1 is the same sheet, in another place in the order")
            .arg(where);
    case T_Page_Match::Changed:
        return QStringLiteral(
                   "Moved and changed: %1 is this sheet, edited, in another place in the order")
            .arg(where);
    case T_Page_Match::Unknown:
    case T_Page_Match::Unpaired:
        break;
    }
    return QStringLiteral("Moved: %1 is this sheet, in another place in the order").arg(where);
}

// What one tab is to show; tabs whose mark does not change are left alone.
struct T_Tab_Mark {
    bool Changes = false;
    QIcon Icon;
    QColor Colour;
    QString Tooltip;
};

// Sets the marks in an order that lays the tabs out once, not once per tab:
// a new or removed icon changes a tab's size and leaves the layout stale,
// and the calls that repaint a tab (colours, icons replaced by others) lay
// out a stale bar again. So those come first, the size changes last, all in
// one batch that ends with one layout.
void Apply_Marks(QTabBar& Tabs, const std::vector<T_Tab_Mark>& Marks)
{
    T_Tab_Bar_Batch batch(Tabs);
    for (std::size_t tab = 0; tab < Marks.size(); ++tab)
        if (Marks[tab].Changes) {
            Tabs.setTabTextColor(int(tab), Marks[tab].Colour);
            Tabs.setTabToolTip(int(tab), Marks[tab].Tooltip);
        }
    for (bool resizing : {false, true})
        for (std::size_t tab = 0; tab < Marks.size(); ++tab)
            if (Marks[tab].Changes &&
                (Marks[tab].Icon.isNull() || Tabs.tabIcon(int(tab)).isNull()) == resizing)
                Tabs.setTabIcon(int(tab), Marks[tab].Icon);
}

} // namespace

void Mark_Page_Tabs(QTabBar& Tabs, T_Side Side, const std::vector<T_Page_Match>& Matches,
                    const std::vector<bool>& Moved, const std::vector<int>& Partners,
                    const T_Page_List& Other_Pages)
{
    const int count = std::min(
        {Tabs.count(), static_cast<int>(Matches.size()), static_cast<int>(Partners.size())});
    std::vector<T_Tab_Mark> marks(static_cast<std::size_t>(count));
    for (int tab = 0; tab < count; ++tab) {
        const std::size_t at = static_cast<std::size_t>(tab);
        const T_Page_Match match = Matches[at];
        const int partner = Partners[at];
        const QString partner_name = Other_Pages.Is_Valid_Index(partner)
                                         ? QString::fromStdString(Other_Pages[partner].Name)
                                         : QString();
        T_Tab_Mark& mark = marks[at];
        // A sheet without a counterpart cannot have moved, whatever it says.
        if (at < Moved.size() && Moved[at] && Other_Pages.Is_Valid_Index(partner)) {
            mark = {true, Dot(Moved_Colour), Moved_Colour,
                    Moved_Tooltip(Side, match, partner, partner_name)};
            continue;
        }
        if (match == T_Page_Match::Unknown) {
            // A later pairing (by what the pages show, after the names) may
            // find that a sheet did not move after all.
            mark.Changes = Tabs.tabTextColor(tab) == Moved_Colour;
            continue;
        }
        const QColor colour = Mark_Colour(Side, match);
        mark = {true, Dot(colour), colour, Mark_Tooltip(Side, match, partner_name)};
    }
    Apply_Marks(Tabs, marks);
}

void Mark_Undrawn_Page(QTabBar& Tabs, int Tab, const QString& Why)
{
    if (Tab < 0 || Tab >= Tabs.count())
        return;
    const QColor colour(0x37, 0x47, 0x4F);
    Tabs.setTabIcon(Tab, Dot(colour));
    Tabs.setTabTextColor(Tab, colour);
    Tabs.setTabToolTip(Tab, Why);
}
