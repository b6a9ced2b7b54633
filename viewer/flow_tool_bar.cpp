#include "viewer/flow_tool_bar.h"

#include <QAction>
#include <QEvent>
#include <QLayout>
#include <QScopedValueRollback>
#include <QToolButton>

#include <algorithm>
#include <vector>

T_Flow_Tool_Bar::T_Flow_Tool_Bar(QWidget* Parent) : QToolBar(Parent) {}

T_Flow_Tool_Bar::T_Flow_Tool_Bar(const QString& Title, QWidget* Parent) : QToolBar(Title, Parent) {}

bool T_Flow_Tool_Bar::event(QEvent* Event)
{
    // The toolbar's own layout has had its turn by now (it sees the events
    // first); the placement here decides.
    const bool done = QToolBar::event(Event);
    switch (Event->type()) {
    case QEvent::Resize:
    case QEvent::LayoutRequest:
    case QEvent::Show:
    // A disabled layout asks for no new placement when an action appears,
    // goes or changes (its caption, or whether it is shown).
    case QEvent::ActionAdded:
    case QEvent::ActionChanged:
    case QEvent::ActionRemoved:
        Place_Items();
        break;
    default:
        break;
    }
    return done;
}

namespace {

struct T_Item {
    QWidget* Widget;
    QSize Size;
};

int Spacing(const QToolBar& Bar) { return std::max(0, Bar.layout()->spacing()); }

// The item widgets of the visible actions, in the toolbar's order.
std::vector<T_Item> Visible_Items(const QToolBar& Bar)
{
    std::vector<T_Item> items;
    for (QAction* action : Bar.actions())
        if (QWidget* widget = Bar.widgetForAction(action); widget && action->isVisible())
            items.push_back({widget, widget->sizeHint().expandedTo(widget->minimumSizeHint())});
    return items;
}

} // namespace

int T_Flow_Tool_Bar::One_Line_Width() const
{
    const QMargins margins = layout()->contentsMargins() + contentsMargins();
    int width = margins.left() + margins.right();
    const std::vector<T_Item> items = Visible_Items(*this);
    for (const T_Item& item : items)
        width += item.Size.width();
    return width + Spacing(*this) * std::max(0, int(items.size()) - 1);
}

void T_Flow_Tool_Bar::Place_Items()
{
    // Placing moves and shows the items, which asks for another placement;
    // that one finds everything in place already.
    if (Placing_ || orientation() != Qt::Horizontal)
        return;
    QScopedValueRollback<bool> placing(Placing_, true);
    // The toolbar's layout asks for some room of its own besides the items
    // (and squeezes the captions rather than give it up): the larger width
    // decides.
    const bool wrap = std::max(One_Line_Width(), layout()->sizeHint().width()) > width();
    if (!wrap) {
        if (Wrapped_) {
            Wrapped_ = false;
            setMinimumHeight(0);
            setMaximumHeight(QWIDGETSIZE_MAX);
            layout()->setEnabled(true);
            layout()->invalidate();
            layout()->activate();
        }
        return;
    }
    if (!Wrapped_) {
        Wrapped_ = true;
        // The toolbar's layout would move the last items into its overflow
        // menu again on every change; from here on the lines are placed here.
        layout()->setEnabled(false);
        if (auto* more = findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
            more->hide();
    }
    Place_In_Lines();
}

void T_Flow_Tool_Bar::Place_In_Lines()
{
    const QMargins margins = layout()->contentsMargins() + contentsMargins();
    const int spacing = Spacing(*this);
    const int right = width() - margins.right();
    // The items of each line, then each line centred on its tallest item.
    std::vector<std::vector<T_Item>> lines(1);
    int x = margins.left();
    for (const T_Item& item : Visible_Items(*this)) {
        if (!lines.back().empty() && x + item.Size.width() > right) {
            lines.emplace_back();
            x = margins.left();
        }
        lines.back().push_back(item);
        x += item.Size.width() + spacing;
    }
    int y = margins.top();
    for (const std::vector<T_Item>& line : lines) {
        int height = 0;
        for (const T_Item& item : line)
            height = std::max(height, item.Size.height());
        x = margins.left();
        for (const T_Item& item : line) {
            item.Widget->setGeometry(x, y + (height - item.Size.height()) / 2, item.Size.width(),
                                     item.Size.height());
            item.Widget->show();
            x += item.Size.width() + spacing;
        }
        y += height + spacing;
    }
    // The hidden actions' buttons stay hidden.
    for (QAction* action : actions())
        if (QWidget* widget = widgetForAction(action); widget && !action->isVisible())
            widget->hide();
    setFixedHeight(y - spacing + margins.bottom());
}
