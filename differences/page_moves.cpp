#include "differences/page_moves.h"

#include <algorithm>
#include <cstddef>

std::vector<bool> Moved_Pages(const std::vector<int>& left_to_right)
{
    // Patience sorting over the paired pages in left order: `tails[k]` is
    // the left page ending the best rising run of length k + 1 found so far
    // (the one with the lowest right page), `before` links each page to the
    // page before it in its run.
    std::vector<std::size_t> tails;
    std::vector<std::ptrdiff_t> before(left_to_right.size(), -1);
    for (std::size_t page = 0; page < left_to_right.size(); ++page) {
        const int right = left_to_right[page];
        if (right < 0)
            continue;
        const auto at =
            std::lower_bound(tails.begin(), tails.end(), right, [&](std::size_t tail, int value) {
                return left_to_right[tail] < value;
            });
        if (at != tails.begin())
            before[page] = static_cast<std::ptrdiff_t>(*(at - 1));
        if (at == tails.end())
            tails.push_back(page);
        else
            *at = page;
    }
    std::vector<bool> moved(left_to_right.size(), false);
    for (std::size_t page = 0; page < left_to_right.size(); ++page)
        moved[page] = left_to_right[page] >= 0;
    for (std::ptrdiff_t page = tails.empty() ? -1 : static_cast<std::ptrdiff_t>(tails.back());
         page >= 0; page = before[static_cast<std::size_t>(page)])
        moved[static_cast<std::size_t>(page)] = false;
    return moved;
}
