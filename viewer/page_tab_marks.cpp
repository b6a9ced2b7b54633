#include "viewer/page_tab_marks.h"

#include "viewer/page_tab_bar.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

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
        return Page_On_One_Side_Words(Side);
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

// The state a screen reader gives for a page, in place of its dot.
QString Mark_State(T_Side Side, T_Page_Match Match)
{
    switch (Match) {
    case T_Page_Match::Same:
        return QStringLiteral("identical");
    case T_Page_Match::Changed:
        return QStringLiteral("changed");
    case T_Page_Match::Unpaired:
        return Side == T_Side::Left ? QStringLiteral("removed") : QStringLiteral("added");
    case T_Page_Match::Unknown:
        break;
    }
    return {};
}

QString Moved_State(T_Page_Match Match, int Partner)
{
    const QString moved = QStringLiteral("moved from %1").arg(Partner + 1);
    return Match == T_Page_Match::Changed ? moved + QStringLiteral(", changed") : moved;
}

void Set_Mark(T_Page_Tab_Bar& Tabs, int Tab, const QColor& Colour, const QString& Tooltip,
              const QString& State)
{
    Tabs.setTabState(Tab, State);
    Tabs.setTabTextColor(Tab, Colour);
    Tabs.setTabToolTip(Tab, Tooltip);
    Tabs.setTabIcon(Tab, Colour.isValid() ? Dot(Colour) : QIcon());
}

} // namespace

void Mark_Page_Tabs(T_Page_Tab_Bar& Tabs, T_Side Side, const std::vector<T_Page_Match>& Matches,
                    const std::vector<bool>& Moved, const std::vector<int>& Partners,
                    const T_Page_List& Other_Pages)
{
    const int count = std::min(
        {Tabs.count(), static_cast<int>(Matches.size()), static_cast<int>(Partners.size())});
    for (int tab = 0; tab < count; ++tab) {
        const std::size_t at = static_cast<std::size_t>(tab);
        const T_Page_Match match = Matches[at];
        const int partner = Partners[at];
        const QString partner_name = Other_Pages.Is_Valid_Index(partner)
                                         ? QString::fromStdString(Other_Pages[partner].Name)
                                         : QString();
        // A sheet without a counterpart cannot have moved, whatever it says.
        if (at < Moved.size() && Moved[at] && Other_Pages.Is_Valid_Index(partner))
            Set_Mark(Tabs, tab, Moved_Colour, Moved_Tooltip(Side, match, partner, partner_name),
                     Moved_State(match, partner));
        else if (match != T_Page_Match::Unknown)
            Set_Mark(Tabs, tab, Mark_Colour(Side, match), Mark_Tooltip(Side, match, partner_name),
                     Mark_State(Side, match));
        else if (Tabs.tabTextColor(tab) == Moved_Colour)
            // A later pairing (by what the pages show, after the names) may
            // find that a sheet did not move after all.
            Set_Mark(Tabs, tab, QColor(), QString(), QString());
    }
}

QString Page_On_One_Side_Words(T_Side Side)
{
    return Side == T_Side::Left
               ? QStringLiteral("Not in the modified version: this sheet was removed")
               : QStringLiteral("Not in the base version: this sheet was added");
}

void Mark_All_One_Sided(T_Page_Tab_Bar& Tabs, T_Side Side)
{
    const std::size_t count = static_cast<std::size_t>(Tabs.count());
    Mark_Page_Tabs(Tabs, Side, std::vector<T_Page_Match>(count, T_Page_Match::Unpaired), {},
                   std::vector<int>(count, -1), T_Page_List());
}

void Mark_Undrawn_Page(T_Page_Tab_Bar& Tabs, int Tab, const QString& Why)
{
    if (Tab < 0 || Tab >= Tabs.count())
        return;
    Set_Mark(Tabs, Tab, QColor(0x37, 0x47, 0x4F), Why, QStringLiteral("could not be drawn"));
}
