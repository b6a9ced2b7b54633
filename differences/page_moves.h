// Which paired pages changed their place in the document's order. A sheet
// inserted before others shifts their page numbers without moving them;
// a sheet taken from its place and put elsewhere has moved. The pages that
// keep their order are the longest run of pairs whose new positions rise
// with the old ones; every other paired page moved.
#pragma once

#include <vector>

// For each left page, whether it moved: `left_to_right` gives each left
// page's counterpart on the right, -1 for none (pages without a counterpart
// never moved). Of two swapped sheets the first is the one that moved.
std::vector<bool> Moved_Pages(const std::vector<int>& left_to_right);
