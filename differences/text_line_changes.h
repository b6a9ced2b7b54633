// Changes on one line of text joined into one edit. Glyphs of one line
// edited apart from each other ("REV B" to "REV C" with the date beside it
// redrawn, a value whose first and last digits changed) come out of the
// grouping as several changes when the glyphs kept between them are wide;
// on a page whose text lines are known, every change on one line is the
// edit of that line. Moved shapes stay moves of their own.
#pragma once

#include "differences/picture_difference.h"

#include <functional>
#include <vector>

namespace differences {

struct T_Page_Text_Lines {
    // The base page's lines, in its picture's pixels: removed ink lies on them.
    std::vector<T_Rectangle> Old;
    // The modified page's lines, in its picture's pixels: added ink lies on them.
    std::vector<T_Rectangle> New;
    // Where a rectangle of the base's pixels lies in the modified page's
    // picture (the alignment or offset compared with); empty: in the same place.
    std::function<T_Rectangle(const T_Rectangle&)> To_New;
};

// Joins the changes of Difference whose regions lie on one text line (a
// removed region on a line of the base, an added one on a line of the
// modified page, a recoloured one on either) into one change, keeping the
// changes top to bottom, then left to right. Moves are left as they are.
void Join_Changes_On_Text_Lines(T_Difference& Difference, const T_Page_Text_Lines& Lines);

} // namespace differences
