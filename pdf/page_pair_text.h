// The text of each change region of a pair of PDF pages, on each side, and
// what became of it: changed, moved elsewhere on the page, the same (the
// change is in the drawing around it), or no text at all.
#pragma once

#include "pdf/pdf_region_text.h"
#include "differences/picture_difference.h"

#include <functional>
#include <string>
#include <vector>

enum class T_Text_Change { None, Same, Changed, Moved };

// "none", "same", "changed", "moved".
const char* Text_Change_Word(T_Text_Change Change);

struct T_Region_Text {
    std::string Old_Text, New_Text;
    T_Text_Change Change = T_Text_Change::None;
    // The annotations of the region that were removed, added or changed
    // ("stamp APPROVED removed"); empty when none was.
    std::string Annotations;
};

struct T_Page_Pair_Text {
    // Whether each page has a text layer at all (a scan has none).
    bool Old_Has_Text = false, New_Has_Text = false;
    // Whether either page shows annotations.
    bool Has_Annotations = false;
    // One per region of the differences, in their order.
    std::vector<T_Region_Text> Regions;
    // One per change of the differences (regions grouped into edits), in
    // their order: the text of each side's box.
    std::vector<T_Region_Text> Changes;

    // Neither page has a text layer nor annotations: there is no text to tell.
    bool Available() const { return Old_Has_Text || New_Has_Text || Has_Annotations; }
};

// Where a rectangle of the base's pixels lies in the modified page's picture
// (the offset or alignment the pictures were compared with).
using T_To_New_Page = std::function<T_Rectangle(const T_Rectangle&)>;

// The text of every region of Difference, from the words of the old page
// and of the new one.
T_Page_Pair_Text Page_Pair_Text(const T_Page_Words& Old_Page, const T_Page_Words& New_Page,
                                const T_Difference& Difference, const T_To_New_Page& To_New);

// What became of a region's text: Old_Text and New_Text are what lies in
// the region on each side (In_Old, In_New, in each page's pixels).
T_Text_Change Classify_Text_Change(const T_Region_Text& Texts, const T_Page_Words& Old_Page,
                                   const T_Rectangle& In_Old, const T_Page_Words& New_Page,
                                   const T_Rectangle& In_New, bool Region_Moved);
