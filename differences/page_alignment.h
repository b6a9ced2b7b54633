// A page's cells seen through the paper of another page of the same shape
// but another size: a sheet redrawn on larger paper (A3 to A2) keeps its
// drawing at its own scale, so the stretched cells of the two pages no
// longer line up; laid on the larger paper at the scale of their pixels,
// they do again.
#pragma once

#include <vector>

// Where the smaller page sits on the larger one.
enum class T_Page_Anchor { Top_Left, Bottom_Left, Centre };

// The larger page's cells (Cells x Cells, rows from the top, over its whole
// paper) resampled over the part of its paper that the smaller page covers
// at `anchor`, the smaller page being `width_share` x `height_share` of the
// larger one (each in (0, 1]). The cells come back on the smaller page's
// grid, so that they compare cell for cell.
std::vector<float> Cells_Under_Smaller_Page(const std::vector<float>& larger, int cells,
                                            double width_share, double height_share,
                                            T_Page_Anchor anchor);
