#include "viewer/page_tab_bar.h"

#include "viewer/page_tab_accessible.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStyleOptionTabBarBase>
#include <QStylePainter>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace {

QToolButton* Make_Scroll_Button(QWidget* Parent, Qt::ArrowType Arrow, const char* Name)
{
    auto* button = new QToolButton(Parent);
    button->setObjectName(QString::fromLatin1(Name));
    button->setArrowType(Arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->hide();
    return button;
}

} // namespace

T_Page_Tab_Bar::T_Page_Tab_Bar(QWidget* parent) : T_Page_Tab_Row(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    Install_Page_Tab_Accessibility();
    setMouseTracking(true);
    Scroll_Left = Make_Scroll_Button(this, Qt::LeftArrow, "Scroll_Left");
    Scroll_Right = Make_Scroll_Button(this, Qt::RightArrow, "Scroll_Right");
    connect(Scroll_Left, &QToolButton::clicked, this, [this] { Scroll_By_One_Tab(-1); });
    connect(Scroll_Right, &QToolButton::clicked, this, [this] { Scroll_By_One_Tab(1); });
}

void T_Page_Tab_Bar::Append_Tabs(const QStringList& Texts)
{
    if (Texts.isEmpty())
        return;
    const bool was_empty = Tabs.empty();
    Tabs.reserve(Tabs.size() + static_cast<std::size_t>(Texts.size()));
    for (const QString& text : Texts)
        Tabs.push_back({text, {}, {}, {}, {}});
    Tab_Size_Changed();
    if (was_empty)
        setCurrentIndex(0);
}

int T_Page_Tab_Bar::addTab(const QString& Text)
{
    Append_Tabs({Text});
    return count() - 1;
}

void T_Page_Tab_Bar::setCurrentIndex(int Index)
{
    if (!Is_Tab(Index) || Index == Current)
        return;
    Current = Index;
    Show_Tab(Index);
    update();
    Announce_Current_Page_Tab(*this);
    if (On_Current_Changed)
        On_Current_Changed(Index);
}

QString T_Page_Tab_Bar::tabText(int Index) const
{
    return Is_Tab(Index) ? Tabs[static_cast<std::size_t>(Index)].Text : QString();
}

QString T_Page_Tab_Bar::tabToolTip(int Index) const
{
    return Is_Tab(Index) ? Tabs[static_cast<std::size_t>(Index)].Tip : QString();
}

QColor T_Page_Tab_Bar::tabTextColor(int Index) const
{
    return Is_Tab(Index) ? Tabs[static_cast<std::size_t>(Index)].Colour : QColor();
}

QIcon T_Page_Tab_Bar::tabIcon(int Index) const
{
    return Is_Tab(Index) ? Tabs[static_cast<std::size_t>(Index)].Icon : QIcon();
}

QString T_Page_Tab_Bar::tabState(int Index) const
{
    return Is_Tab(Index) ? Tabs[static_cast<std::size_t>(Index)].State : QString();
}

void T_Page_Tab_Bar::setTabState(int Index, const QString& State)
{
    if (Is_Tab(Index))
        Tabs[static_cast<std::size_t>(Index)].State = State;
}

void T_Page_Tab_Bar::setTabToolTip(int Index, const QString& Tip)
{
    if (Is_Tab(Index))
        Tabs[static_cast<std::size_t>(Index)].Tip = Tip;
}

void T_Page_Tab_Bar::setTabTextColor(int Index, const QColor& Colour)
{
    if (!Is_Tab(Index))
        return;
    Tabs[static_cast<std::size_t>(Index)].Colour = Colour;
    update();
}

void T_Page_Tab_Bar::setTabIcon(int Index, const QIcon& Icon)
{
    if (!Is_Tab(Index))
        return;
    QIcon& icon = Tabs[static_cast<std::size_t>(Index)].Icon;
    // A tab with an icon is wider than one without.
    const bool resizes = icon.isNull() != Icon.isNull();
    icon = Icon;
    if (resizes)
        Tab_Size_Changed();
    else
        update();
}

QRect T_Page_Tab_Bar::tabRect(int Index) const
{
    if (!Is_Tab(Index))
        return {};
    const T_Page_Tab_Layout& layout = Laid_Out();
    return {layout.Left(Index) - Scroll_Offset, 0, layout.Width(Index), Tab_Height()};
}

int T_Page_Tab_Bar::tabAt(const QPoint& Point) const
{
    if (Point.x() < 0 || Point.x() >= View_Width() || Point.y() < 0 || Point.y() >= height())
        return -1;
    return Laid_Out().Tab_At(Point.x() + Scroll_Offset);
}

QSize T_Page_Tab_Bar::sizeHint() const { return {Laid_Out().Total(), Tab_Height()}; }

QSize T_Page_Tab_Bar::minimumSizeHint() const
{
    const int button = style()->pixelMetric(QStyle::PM_TabBarScrollButtonWidth, nullptr, this);
    return {2 * button, Tab_Height()};
}

// Widths change with a tab's text, icon, font and style; they are added up
// again when next asked for, once for any number of changes.
void T_Page_Tab_Bar::Tab_Size_Changed()
{
    if (!Layout_Stale) {
        Layout_Stale = true;
        updateGeometry();
        // The scroll buttons appear or go once the new widths are known.
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
    }
    update();
}

void T_Page_Tab_Bar::Forget_Text_Widths()
{
    for (const T_Tab& tab : Tabs)
        tab.Text_Width = -1;
    Tab_Size_Changed();
}

const T_Page_Tab_Layout& T_Page_Tab_Bar::Laid_Out() const
{
    if (!Layout_Stale)
        return Layout;
    Layout_Stale = false;
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = shape();
    // The style's frame around a tab's contents does not depend on them.
    const int frame =
        style()
            ->sizeFromContents(QStyle::CT_TabBarTab, &option,
                               {style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this), 1},
                               this)
            .width();
    const int icon = Icon_Size().width() + 4;
    const QFontMetrics metrics = fontMetrics();
    std::vector<int> widths(Tabs.size());
    for (std::size_t at = 0; at < Tabs.size(); ++at) {
        const T_Tab& tab = Tabs[at];
        if (tab.Text_Width < 0)
            tab.Text_Width = metrics.size(Qt::TextShowMnemonic, tab.Text).width();
        widths[at] = tab.Text_Width + (tab.Icon.isNull() ? 0 : icon) + frame;
    }
    Layout.Set_Widths(widths);
    return Layout;
}

QSize T_Page_Tab_Bar::Icon_Size() const
{
    const int side = style()->pixelMetric(QStyle::PM_TabBarIconSize, nullptr, this);
    return {side, side};
}

// Every tab is as high as one with an icon, so marking the tabs does not
// change the row's height.
int T_Page_Tab_Bar::Tab_Height() const
{
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = shape();
    const int content = std::max(fontMetrics().height(), Icon_Size().height()) +
                        style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, {1, content}, this).height();
}

// The width the tabs are shown in: all of it, or what the scroll buttons
// leave when the tabs do not fit.
int T_Page_Tab_Bar::View_Width() const
{
    if (Laid_Out().Total() <= width())
        return width();
    const int button = style()->pixelMetric(QStyle::PM_TabBarScrollButtonWidth, nullptr, this);
    return std::max(0, width() - 2 * button);
}

void T_Page_Tab_Bar::Initialise_Tab_Option(QStyleOptionTab& Option, int Index) const
{
    const T_Tab& tab = Tabs[static_cast<std::size_t>(Index)];
    Option.initFrom(this);
    Option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    Option.rect = tabRect(Index);
    Option.shape = shape();
    Option.text = tab.Text;
    Option.icon = tab.Icon;
    Option.iconSize = Icon_Size();
    if (tab.Colour.isValid())
        Option.palette.setColor(foregroundRole(), tab.Colour);
    if (Index == Current) {
        Option.state |= QStyle::State_Selected;
        if (hasFocus())
            Option.state |= QStyle::State_HasFocus;
    }
    if (Index == Hovered)
        Option.state |= QStyle::State_MouseOver;
    if (count() == 1)
        Option.position = QStyleOptionTab::OnlyOneTab;
    else if (Index == 0)
        Option.position = QStyleOptionTab::Beginning;
    else if (Index == count() - 1)
        Option.position = QStyleOptionTab::End;
    else
        Option.position = QStyleOptionTab::Middle;
    if (Current == Index - 1)
        Option.selectedPosition = QStyleOptionTab::PreviousIsSelected;
    else if (Current == Index + 1)
        Option.selectedPosition = QStyleOptionTab::NextIsSelected;
}

void T_Page_Tab_Bar::Scroll_To(int Offset)
{
    const int most = std::max(0, Laid_Out().Total() - View_Width());
    Offset = std::clamp(Offset, 0, most);
    if (Offset != Scroll_Offset) {
        Scroll_Offset = Offset;
        update();
    }
    Scroll_Left->setEnabled(Scroll_Offset > 0);
    Scroll_Right->setEnabled(Scroll_Offset < most);
}

// Left: the tab cut off at the left edge comes fully into view there;
// right: the tab cut off at the right edge, at the right edge.
void T_Page_Tab_Bar::Scroll_By_One_Tab(int Direction)
{
    const T_Page_Tab_Layout& layout = Laid_Out();
    if (layout.Count() == 0)
        return;
    if (Direction < 0) {
        const int tab = layout.Tab_At(Scroll_Offset - 1);
        Scroll_To(tab < 0 ? 0 : layout.Left(tab));
        return;
    }
    const int tab = layout.Tab_At(Scroll_Offset + View_Width());
    Scroll_To(tab < 0 ? layout.Total() : layout.Right(tab) - View_Width());
}

void T_Page_Tab_Bar::Show_Tab(int Index)
{
    const T_Page_Tab_Layout& layout = Laid_Out();
    if (layout.Left(Index) < Scroll_Offset)
        Scroll_To(layout.Left(Index));
    else if (layout.Right(Index) > Scroll_Offset + View_Width())
        Scroll_To(layout.Right(Index) - View_Width());
}

void T_Page_Tab_Bar::Place_Scroll_Buttons()
{
    const bool scrolls = Laid_Out().Total() > width();
    const int button = style()->pixelMetric(QStyle::PM_TabBarScrollButtonWidth, nullptr, this);
    Scroll_Left->setGeometry(width() - 2 * button, 0, button, height());
    Scroll_Right->setGeometry(width() - button, 0, button, height());
    Scroll_Left->setVisible(scrolls);
    Scroll_Right->setVisible(scrolls);
    Scroll_To(Scroll_Offset);
    if (Is_Tab(Current))
        Show_Tab(Current);
}

bool T_Page_Tab_Bar::event(QEvent* Event)
{
    if (Event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(Event);
        const int tab = tabAt(help->pos());
        if (tab >= 0 && !tabToolTip(tab).isEmpty())
            QToolTip::showText(help->globalPos(), tabToolTip(tab), this, tabRect(tab));
        else
            QToolTip::hideText();
        return true;
    }
    if (Event->type() == QEvent::LayoutRequest)
        Place_Scroll_Buttons();
    return QWidget::event(Event);
}

void T_Page_Tab_Bar::changeEvent(QEvent* Event)
{
    if (Event->type() == QEvent::FontChange || Event->type() == QEvent::StyleChange)
        Forget_Text_Widths();
    QWidget::changeEvent(Event);
}

void T_Page_Tab_Bar::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    // The base line the tabs hang from, along the top edge.
    QStyleOptionTabBarBase base;
    base.initFrom(this);
    base.shape = shape();
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    base.rect = QRect(0, 0, width(), overlap);
    base.tabBarRect = QRect(0, 0, View_Width(), height());
    base.selectedTabRect = tabRect(Current);
    painter.drawPrimitive(QStyle::PE_FrameTabBarBase, base);

    painter.setClipRect(0, 0, View_Width(), height());
    const T_Page_Tab_Layout& layout = Laid_Out();
    const int first = std::max(0, layout.Tab_At(Scroll_Offset));
    int last = layout.Tab_At(Scroll_Offset + View_Width() - 1);
    if (last < 0)
        last = count() - 1;
    QStyleOptionTab option;
    // The selected tab last, as it overlaps its neighbours.
    for (int tab = first; tab <= last; ++tab)
        if (tab != Current) {
            Initialise_Tab_Option(option, tab);
            painter.drawControl(QStyle::CE_TabBarTab, option);
        }
    if (Current >= first && Current <= last) {
        Initialise_Tab_Option(option, Current);
        painter.drawControl(QStyle::CE_TabBarTab, option);
    }
}

void T_Page_Tab_Bar::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    Place_Scroll_Buttons();
}

void T_Page_Tab_Bar::mousePressEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton) {
        Event->ignore();
        return;
    }
    const int tab = tabAt(Event->position().toPoint());
    if (tab >= 0)
        setCurrentIndex(tab);
}

void T_Page_Tab_Bar::mouseMoveEvent(QMouseEvent* Event)
{
    const int tab = tabAt(Event->position().toPoint());
    if (tab != Hovered) {
        Hovered = tab;
        update();
    }
    QWidget::mouseMoveEvent(Event);
}

void T_Page_Tab_Bar::leaveEvent(QEvent* Event)
{
    if (Hovered >= 0) {
        Hovered = -1;
        update();
    }
    QWidget::leaveEvent(Event);
}

void T_Page_Tab_Bar::keyPressEvent(QKeyEvent* Event)
{
    // The tabs run left to right in every layout direction.
    if (Event->key() == Qt::Key_Left)
        setCurrentIndex(Current - 1);
    else if (Event->key() == Qt::Key_Right)
        setCurrentIndex(Current + 1);
    else
        Event->ignore();
}

#if QT_CONFIG(wheelevent)
void T_Page_Tab_Bar::wheelEvent(QWheelEvent* Event)
{
    if (Tabs.empty() || !style()->styleHint(QStyle::SH_TabBar_AllowWheelScrolling, nullptr, this)) {
        Event->ignore();
        return;
    }
    const QPoint pixels = Event->pixelDelta();
    if (!pixels.isNull()) {
        // A touchpad scrolls the row as far as it moved.
        const int delta = std::abs(pixels.x()) > std::abs(pixels.y()) ? pixels.x() : pixels.y();
        Scroll_To(Scroll_Offset - delta);
        return;
    }
    // A wheel selects the neighbouring tab once per notch.
    const QPoint angle = Event->angleDelta();
    Wheel_Angle += std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
    const int notches = Wheel_Angle / QWheelEvent::DefaultDeltasPerStep;
    Wheel_Angle %= QWheelEvent::DefaultDeltasPerStep;
    if (notches != 0)
        setCurrentIndex(std::clamp(Current - notches, 0, count() - 1));
}
#endif
