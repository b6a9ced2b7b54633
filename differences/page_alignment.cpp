#include "differences/page_alignment.h"

#include <algorithm>
#include <cmath>

namespace {

// The value between cell centres, by straight lines between neighbours;
// outside the grid the nearest edge cell counts.
float Bilinear(const std::vector<float>& grid, int cells, double x, double y)
{
    x = std::clamp(x, 0.0, cells - 1.0);
    y = std::clamp(y, 0.0, cells - 1.0);
    const int x0 = std::min(static_cast<int>(x), cells - 2);
    const int y0 = std::min(static_cast<int>(y), cells - 2);
    const double fx = x - x0, fy = y - y0;
    auto at = [&](int cx, int cy) { return grid[static_cast<std::size_t>(cy) * cells + cx]; };
    const double top = at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx;
    const double bottom = at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx;
    return static_cast<float>(top * (1 - fy) + bottom * fy);
}

// Where the smaller page starts along one side of the larger, as a share.
double Offset(double share, double anchor) { return anchor * (1 - share); }

} // namespace

std::vector<float> Cells_Under_Smaller_Page(const std::vector<float>& larger, int cells,
                                            double width_share, double height_share,
                                            T_Page_Anchor anchor)
{
    std::vector<float> seen(static_cast<std::size_t>(cells) * cells, 0.0f);
    if (cells < 2 || larger.size() != seen.size() || !(width_share > 0) || !(height_share > 0))
        return seen;
    width_share = std::min(width_share, 1.0);
    height_share = std::min(height_share, 1.0);
    // Rows run from the top: a page on the bottom-left sits at the end.
    const double across = anchor == T_Page_Anchor::Centre ? 0.5 : 0.0;
    const double down = anchor == T_Page_Anchor::Top_Left      ? 0.0
                        : anchor == T_Page_Anchor::Bottom_Left ? 1.0
                                                               : 0.5;
    const double left = Offset(width_share, across), top = Offset(height_share, down);
    for (int y = 0; y < cells; ++y)
        for (int x = 0; x < cells; ++x) {
            // Cell centres of the smaller page, in the larger page's cells.
            const double u = (left + (x + 0.5) / cells * width_share) * cells - 0.5;
            const double v = (top + (y + 0.5) / cells * height_share) * cells - 0.5;
            seen[static_cast<std::size_t>(y) * cells + x] = Bilinear(larger, cells, u, v);
        }
    return seen;
}
