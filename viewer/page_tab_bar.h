// The tab bar of a page strip, fit for thousands of pages.
#pragma once

#include <QSize>
#include <QTabBar>

#include <vector>

// A QTabBar that can take many tabs at once: it lays out every tab again
// after each tab added, measuring each tab's text, so adding thousands one
// by one took time quadratic in their number. Within a batch each tab is
// measured once and its size reused; when the batch ends the sizes are
// forgotten and the tabs laid out once, measured as they are then.
class T_Page_Tab_Bar : public QTabBar {
public:
    using QTabBar::QTabBar;

    void Begin_Batch();
    void End_Batch();

protected:
    QSize tabSizeHint(int index) const override;

private:
    bool In_Batch = false;
    bool Was_Hidden = false;
    mutable std::vector<QSize> Measured;
};

// Begin_Batch and End_Batch around a scope, on a page tab bar or none.
class T_Tab_Bar_Batch {
public:
    explicit T_Tab_Bar_Batch(QTabBar& Tabs) : Tabs_(dynamic_cast<T_Page_Tab_Bar*>(&Tabs))
    {
        if (Tabs_)
            Tabs_->Begin_Batch();
    }
    ~T_Tab_Bar_Batch()
    {
        if (Tabs_)
            Tabs_->End_Batch();
    }
    T_Tab_Bar_Batch(const T_Tab_Bar_Batch&) = delete;
    T_Tab_Bar_Batch& operator=(const T_Tab_Bar_Batch&) = delete;

private:
    T_Page_Tab_Bar* Tabs_;
};
