// The text lines of a pair of PDF pages, from their words, and the changes
// of the pair's differences joined by them: what lies on one line of text
// is one edit, with that line's text.
#pragma once

#include "pdf/page_pair_text.h"
#include "pdf/pdf_region_text.h"
#include "differences/picture_difference.h"

#include <vector>

// The page's lines of text, in its picture's pixels.
std::vector<T_Rectangle> Page_Text_Lines(const T_Page_Words& Page);

// Joins the changes of Difference that lie on one line of either page's
// text; To_New places the base's pixels on the modified page.
void Join_Changes_On_Page_Lines(T_Difference& Difference, const T_Page_Words& Old_Page,
                                const T_Page_Words& New_Page, const T_To_New_Page& To_New);
