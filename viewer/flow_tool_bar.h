// A toolbar row that wraps: when its items do not fit its width in one line,
// it lays them out in as many lines as they need and grows to hold them,
// instead of hiding the last ones in an overflow menu. On a high-density
// screen or a narrow window every caption stays readable and every button
// reachable. The items (actions, their buttons, the fields) are the
// toolbar's own as usual; only their placement changes.
#pragma once

#include <QToolBar>

class T_Flow_Tool_Bar : public QToolBar {
public:
    explicit T_Flow_Tool_Bar(QWidget* Parent);
    T_Flow_Tool_Bar(const QString& Title, QWidget* Parent);

    // True while the items take more than one line.
    bool Wrapped() const { return Wrapped_; }

protected:
    bool event(QEvent* Event) override;

private:
    // The width the visible items take in one line.
    int One_Line_Width() const;
    // Places the items for the current width: in one line by the toolbar's
    // own layout when they fit, else in lines of their own.
    void Place_Items();
    void Place_In_Lines();

    bool Wrapped_ = false;
    bool Placing_ = false;
};
