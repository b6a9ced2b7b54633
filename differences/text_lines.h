// Lines of text found from the boxes of a page's words: the words that
// stand on one baseline and follow each other at the spacing of words. A
// table row whose cells stand far apart is several lines, one per cell.
// The boxes are plain rectangles, so that any text layer can give them.
#pragma once

#include "differences/picture_difference.h"

#include <vector>

namespace differences {

struct T_Text_Word {
    T_Rectangle Box;
    int Characters = 1; // how many characters it holds: the line's spacing is measured in them
};

// The lines the words form, each as the box around its words, top to
// bottom, then left to right. Words of no size are left out.
std::vector<T_Rectangle> Text_Lines(const std::vector<T_Text_Word>& Words);

} // namespace differences
