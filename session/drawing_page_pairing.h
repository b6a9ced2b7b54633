// The pages of two drawings paired for comparison: by the identifiers their
// application gives them (for LibreOffice, the page names) first, and the
// pages left over by what they show, so that a page renamed between two
// revisions ("Page-1" to "Ground floor") still meets its counterpart.
#pragma once

#include "u_diff_session.h"

#include <vector>

// For each left page of the opened pair, its counterpart on the right, -1
// for none. The pages left over are exported (those already exported are
// reused) to be compared by their pictures with the same rule as PDF pages;
// a page that cannot be exported stays alone.
std::vector<int> Pair_Drawing_Pages(T_Diff_Session& Session);
