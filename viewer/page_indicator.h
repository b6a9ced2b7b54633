// The page indicator of the one-pane views (overlay, blink, swipe,
// differences): there the page tab strips are hidden with the two version
// panes, and the indicator says which page of how many each side shows.
#pragma once

#include "viewer/diff_view_context.h"

#include <QString>

#include <string>

class QLabel;

// One side's place in its document: Page from 0, of Count pages, Name the
// page's own label; Count 0 when the side has no document.
struct T_Side_Page {
    int Page = 0;
    int Count = 0;
    std::string Name;
};

// "Base page 3 of 50   |   Modified page 4 of 51"; a page labelled other
// than by its number adds its label ("page 3 of 50 (A-101)"), a side without
// a document says "no base version".
QString Page_Indicator_Text(const T_Side_Page& Base, const T_Side_Page& Modified);

// Puts the indicator under the caption of View's one-pane view, for a paged
// pair (nothing otherwise). It follows every page switch and is a plain
// label, read by screen readers as its text. Returns the label, or null.
QLabel* Add_Page_Indicator(const T_Diff_View_Context& View);
