// Pages of two versions paired by what they show, and what each page's
// counterpart tells a reviewer: the same sheet, a changed one, or none (a
// sheet added or removed).
#pragma once

#include "differences/page_pairing.h"

#include <vector>

enum class T_Page_Match {
    Unknown,  // not paired yet, or not known whether it changed
    Same,     // its counterpart shows exactly the same
    Changed,  // its counterpart differs
    Unpaired, // no page of the other version shows this sheet
};

struct T_Content_Pairing {
    T_Page_Pairing Pairs;
    std::vector<T_Page_Match> Left;
    std::vector<T_Page_Match> Right;
    // Whether each page left its place in the order (see Moved_Pages); a
    // page of the modified version moved when its counterpart did.
    std::vector<bool> Left_Moved;
    std::vector<bool> Right_Moved;
};

// Pairs the pages (Pair_Pages, then the drawn pages left alone on both sides
// by Pair_Leftover_Pages, and when both sides have as many pages, any page
// left alone at a place that is one place in both) and judges each pair by what is known of them:
// the same by equal content hashes, changed by differing sketches (see T_Page_Signature), otherwise
// Unknown.
T_Content_Pairing Pair_By_Content(const std::vector<T_Page_Signature>& left,
                                  const std::vector<T_Page_Signature>& right);

// Judges pages paired by other means (drawings' page names first) the same
// way. A page without cells (an empty Ink: it could not be drawn, or was not
// drawn because its hash named its counterpart) is Unknown unless it has no
// counterpart or its hash equals its counterpart's: nothing else says
// whether it changed.
T_Content_Pairing Judge_Pairing(T_Page_Pairing Pairs, const std::vector<T_Page_Signature>& left,
                                const std::vector<T_Page_Signature>& right);
