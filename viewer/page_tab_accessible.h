// The page tab row as a screen reader sees it: a page tab list with one
// page tab per page, named by the page's label and described by its state,
// that a reader can select. The row paints its tabs itself (it keeps no
// widget per tab), so without this a reader found only its arrow buttons.
#pragma once

class T_Page_Tab_Row;

// Makes every T_Page_Tab_Row answer screen readers as above; installing it
// more than once does nothing.
void Install_Page_Tab_Accessibility();

// Tells a screen reader that Tabs' current tab changed (it is selected,
// and focused when the row has the focus).
void Announce_Current_Page_Tab(T_Page_Tab_Row& Tabs);
