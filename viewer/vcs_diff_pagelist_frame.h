// The page tab strip of a paged drawing: one tab per page, tabs drawn at the
// bottom edge, shown under an image pane.
#pragma once

#include "viewer/page_tab_bar.h"
#include "automation/u_multi_page_const.h"

#include <QWidget>

#include <cstdint>
#include <functional>

// Tab i always stands for record i of the stored page list, so a tab index is
// also a page index. The owner learns about page changes through
// On_Page_Change, which is called once per change of the selected tab by the
// user or by Select_Index / Select_Page_ID, and never for the selection that
// Fill_Pages makes. The callback runs synchronously; it may call
// Select_Page_ID on another strip, whose own callback then completes first.
class TDiff_Pagelist_Frame : public QWidget {
public:
    using T_Page_Change_Event = std::function<void(std::int32_t Page_Index)>;

    explicit TDiff_Pagelist_Frame(QWidget* parent = nullptr);

    // Makes the strip visible, appends one tab per page (existing tabs stay),
    // keeps a shared reference to the list and selects tab 0 without a callback.
    void Fill_Pages(const T_Page_List& Pages);
    // Selects tab Index from code and reports it like a user choice. Does
    // nothing when Index is negative, out of range or already selected.
    void Select_Index(std::int32_t Index);
    // Runs Select_Index for every page whose ID equals Page_ID, in list order.
    void Select_Page_ID(std::int32_t Page_ID);
    // The tab control's change handler: reports the selected tab when it
    // differs from the last reported one.
    void Page_ListBoxClick();

    std::int32_t Selected_Index() const;
    std::int32_t Last_Reported_Index() const { return Last_Reported; }
    const T_Page_List& Page_List() const { return Pages_; }

    // Set by the owner; empty means nobody listens.
    T_Page_Change_Event On_Page_Change;

    T_Page_Tab_Bar* TabControl1 = nullptr;

private:
    void Select_Tab_Silently(int Index);

    std::int32_t Last_Reported = 0;
    T_Page_List Pages_;
    bool Selecting_From_Code = false;
};
