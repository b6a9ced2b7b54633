// Pages that pairing by content left alone on both sides, paired with each
// other where nothing else explains them: a sheet that changed a lot (a
// table whose rows re-wrapped, paper grown from A3 to A2) is still the sheet
// at that place, and a reviewer wants its differences, not a removed and an
// added page.
#pragma once

#include "differences/page_pairing.h"

#include <functional>

// Whether a left page and a right page may be paired as leftovers (both
// could be drawn, say); every pair may when not given.
using T_May_Pair = std::function<bool(int Left, int Right)>;

// Pairs, in order, the pages left alone between the same two paired
// neighbours (or before the first, or after the last, or anywhere in two
// documents of which no page paired) when both sides have the same number
// of them there. A page inserted in one place and another removed elsewhere
// stay alone: their places tell what happened. Pages paired already keep
// their partners.
void Pair_Leftover_Pages(T_Page_Pairing& Pairing, const T_May_Pair& May_Pair = {});
