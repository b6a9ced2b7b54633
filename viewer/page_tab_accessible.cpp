#include "viewer/page_tab_accessible.h"

#include "viewer/page_tab_row.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace {

// One page tab. It holds the row and its index, nothing copied: the tab's
// words change as the pairing marks it.
class T_Page_Tab_Accessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    T_Page_Tab_Accessible(T_Page_Tab_Row* Tabs, int Index) : Tabs_(Tabs), Index_(Index) {}

    bool isValid() const override { return Tabs_ && Index_ < Tabs_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return Tabs_ ? Tabs_->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return Tabs_ ? QAccessible::queryAccessibleInterface(Tabs_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QString text(QAccessible::Text Kind) const override
    {
        if (!isValid())
            return {};
        switch (Kind) {
        case QAccessible::Name:
            return Tabs_->tabText(Index_);
        case QAccessible::Description:
            return Tabs_->tabState(Index_);
        case QAccessible::Help:
            return Tabs_->tabToolTip(Index_);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect at = Tabs_->tabRect(Index_);
        return QRect(Tabs_->mapToGlobal(at.topLeft()), at.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        const bool current = Tabs_->currentIndex() == Index_;
        state.selected = current;
        state.focused = current && Tabs_->hasFocus();
        state.disabled = !Tabs_->isEnabled();
        const QRect at = Tabs_->tabRect(Index_);
        state.invisible = !Tabs_->isVisible();
        state.offscreen = !Tabs_->rect().intersects(at);
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType Type) override
    {
        return Type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    // Pressing a tab, or giving it the focus, selects its page, as a click
    // does.
    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& Name) override
    {
        if (!isValid() || !Tabs_->isEnabled())
            return;
        if (Name == setFocusAction())
            Tabs_->setFocus(Qt::OtherFocusReason);
        if (Name == pressAction() || Name == setFocusAction())
            Tabs_->setCurrentIndex(Index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<T_Page_Tab_Row> Tabs_;
    int Index_;
};

// The row: its children are the page tabs, made when first asked for (a
// document may have thousands of pages) and kept registered until the row
// goes, so that a reader's references to them stay good.
class T_Page_Tab_Row_Accessible : public QAccessibleWidget {
public:
    explicit T_Page_Tab_Row_Accessible(T_Page_Tab_Row* Tabs)
        : QAccessibleWidget(Tabs, QAccessible::PageTabList)
    {
    }
    ~T_Page_Tab_Row_Accessible() override
    {
        for (QAccessible::Id id : std::as_const(Children))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return Tabs()->count(); }

    QAccessibleInterface* child(int Index) const override
    {
        if (Index < 0 || Index >= Tabs()->count())
            return nullptr;
        if (auto found = Children.constFind(Index); found != Children.constEnd())
            return QAccessible::accessibleInterface(*found);
        auto* tab = new T_Page_Tab_Accessible(Tabs(), Index);
        Children.insert(Index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }

    int indexOfChild(const QAccessibleInterface* Child) const override
    {
        if (!Child || Child->role() != QAccessible::PageTab || Child->parent() != this)
            return -1;
        for (auto at = Children.constBegin(); at != Children.constEnd(); ++at)
            if (QAccessible::accessibleInterface(at.value()) == Child)
                return at.key();
        return -1;
    }

    QAccessibleInterface* childAt(int X, int Y) const override
    {
        const int tab = Tabs()->tabAt(Tabs()->mapFromGlobal(QPoint(X, Y)));
        return tab >= 0 ? child(tab) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        return Tabs()->hasFocus() ? child(Tabs()->currentIndex()) : nullptr;
    }

private:
    T_Page_Tab_Row* Tabs() const { return static_cast<T_Page_Tab_Row*>(widget()); }
    mutable QHash<int, QAccessible::Id> Children;
};

QAccessibleInterface* Page_Tab_Factory(const QString& Class_Name, QObject* Object)
{
    // The row has no meta-object of its own: it is asked for as a QWidget.
    if (Class_Name != QLatin1String("QWidget"))
        return nullptr;
    if (auto* tabs = dynamic_cast<T_Page_Tab_Row*>(Object))
        return new T_Page_Tab_Row_Accessible(tabs);
    return nullptr;
}

} // namespace

void Install_Page_Tab_Accessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(Page_Tab_Factory);
        return true;
    }();
    (void)installed;
}

void Announce_Current_Page_Tab(T_Page_Tab_Row& Tabs)
{
    if (!QAccessible::isActive())
        return;
    const int current = Tabs.currentIndex();
    QAccessibleEvent selected(&Tabs, QAccessible::Selection);
    selected.setChild(current);
    QAccessible::updateAccessibility(&selected);
    if (Tabs.hasFocus()) {
        QAccessibleEvent focused(&Tabs, QAccessible::Focus);
        focused.setChild(current);
        QAccessible::updateAccessibility(&focused);
    }
}
