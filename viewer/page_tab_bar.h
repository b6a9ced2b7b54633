// The tab row of a page strip, fit for tens of thousands of pages.
#pragma once

#include "viewer/page_tab_layout.h"
#include "viewer/page_tab_row.h"

#include <QColor>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <QTabBar>
#include <QWidget>

#include <functional>
#include <vector>

class QStyleOptionTab;
class QToolButton;

// A row of tabs drawn at the bottom edge, one per page, that looks and
// answers like a QTabBar (count, currentIndex, setCurrentIndex, tabText,
// tabToolTip, tabTextColor, tabIcon, tabRect and their setters) with tab i
// standing for page i. A QTabBar keeps a widget state per tab and lays out
// and checks every tab on many changes, so thousands of tabs took seconds;
// this row keeps each tab as plain data, adds up the tabs' widths once after
// a change, and paints and hit-tests only the tabs in view.
//
// When the tabs do not fit, two arrow buttons at the right end scroll them
// one tab at a time; a wheel turn selects the next or previous tab, and a
// touchpad's pixel scrolling moves the row (as a QTabBar does); the left and
// right keys select the neighbouring tab.
class T_Page_Tab_Bar final : public T_Page_Tab_Row {
public:
    explicit T_Page_Tab_Bar(QWidget* parent = nullptr);

    // Appends one tab per text. Tabs added to an empty row select the first.
    void Append_Tabs(const QStringList& Texts);
    int addTab(const QString& Text);

    int count() const override { return static_cast<int>(Tabs.size()); }
    int currentIndex() const override { return Current; }
    // Selects Index and shows it; out of range or already current does
    // nothing. A change is announced through On_Current_Changed.
    void setCurrentIndex(int Index) override;

    QString tabText(int Index) const override;
    QString tabToolTip(int Index) const override;
    QColor tabTextColor(int Index) const;
    QIcon tabIcon(int Index) const;
    void setTabToolTip(int Index, const QString& Tip);
    void setTabTextColor(int Index, const QColor& Colour);
    void setTabIcon(int Index, const QIcon& Icon);
    // The page's state in a few words ("changed", "identical", "added",
    // "moved from 4", "could not be drawn"): what a screen reader says of the
    // tab in place of its dot. Empty until the page is known.
    QString tabState(int Index) const override;
    void setTabState(int Index, const QString& State);

    // Where tab Index is drawn, in this widget's coordinates (outside the
    // widget when scrolled out of view); empty for no such tab.
    QRect tabRect(int Index) const override;
    // The tab drawn at Point, or -1.
    int tabAt(const QPoint& Point) const override;
    QTabBar::Shape shape() const { return QTabBar::RoundedSouth; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Called with the new current index after each change of it.
    std::function<void(int Index)> On_Current_Changed;

protected:
    bool event(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
#if QT_CONFIG(wheelevent)
    void wheelEvent(QWheelEvent* Event) override;
#endif

private:
    struct T_Tab {
        QString Text;
        QString Tip;
        QColor Colour;
        QIcon Icon;
        QString State;
        mutable int Text_Width = -1; // measured when first laid out
    };

    bool Is_Tab(int Index) const { return Index >= 0 && Index < count(); }
    void Tab_Size_Changed();
    void Forget_Text_Widths();
    const T_Page_Tab_Layout& Laid_Out() const;
    QSize Icon_Size() const;
    int Tab_Height() const;
    int View_Width() const;
    void Initialise_Tab_Option(QStyleOptionTab& Option, int Index) const;
    void Scroll_To(int Offset);
    void Scroll_By_One_Tab(int Direction);
    void Show_Tab(int Index);
    void Place_Scroll_Buttons();

    std::vector<T_Tab> Tabs;
    int Current = -1;
    int Hovered = -1;
    int Scroll_Offset = 0;
    int Wheel_Angle = 0;
    QToolButton* Scroll_Left = nullptr;
    QToolButton* Scroll_Right = nullptr;
    mutable bool Layout_Stale = false;
    mutable T_Page_Tab_Layout Layout;
};
