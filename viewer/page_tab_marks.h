// What a page tab shows of its page's counterpart in the other version.
#pragma once

#include "differences/content_pairing.h"
#include "session/u_diff_session.h"
#include "automation/u_multi_page_const.h"

#include <vector>

class QString;
class T_Page_Tab_Bar;

// Marks each tab with a coloured dot and text colour (grey: the same as its
// counterpart; amber: changed; red on the base side: removed; green on the
// modified side: added; blue: moved, changed or not) and a tooltip that
// names the counterpart, and for a moved sheet its page number and whether
// it changed too. The tab texts stay the page names. Tabs whose match is
// Unknown and that did not move keep what they show.
void Mark_Page_Tabs(T_Page_Tab_Bar& Tabs, T_Side Side, const std::vector<T_Page_Match>& Matches,
                    const std::vector<bool>& Moved, const std::vector<int>& Partners,
                    const T_Page_List& Other_Pages);

// What a page on one side only is, in the words of its tab's tooltip: "Not
// in the base version: this sheet was added" on the modified side.
QString Page_On_One_Side_Words(T_Side Side);

// Marks every tab of a document whose other version does not exist as a
// page on that side only.
void Mark_All_One_Sided(T_Page_Tab_Bar& Tabs, T_Side Side);

// Marks a tab whose page came out blank though it holds something to draw
// (a dark dot and the reason as its tooltip): its comparison says nothing.
void Mark_Undrawn_Page(T_Page_Tab_Bar& Tabs, int Tab, const QString& Why);
