// What a row of page tabs answers about its tabs, for those that read it
// without knowing how it draws them (a screen reader's view of it).
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

class T_Page_Tab_Row : public QWidget {
public:
    using QWidget::QWidget;

    virtual int count() const = 0;
    virtual int currentIndex() const = 0;
    virtual void setCurrentIndex(int Index) = 0;
    virtual QString tabText(int Index) const = 0;
    virtual QString tabToolTip(int Index) const = 0;
    // The page's state in a few words; see T_Page_Tab_Bar.
    virtual QString tabState(int Index) const = 0;
    virtual QRect tabRect(int Index) const = 0;
    virtual int tabAt(const QPoint& Point) const = 0;
};
