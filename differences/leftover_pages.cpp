#include "differences/leftover_pages.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

std::vector<int> Alone(const std::vector<int>& Partners, int From, int To)
{
    std::vector<int> alone;
    for (int page = std::max(From, 0); page < To && page < int(Partners.size()); ++page)
        if (Partners[std::size_t(page)] < 0)
            alone.push_back(page);
    return alone;
}

void Pair_In_Order(T_Page_Pairing& Pairing, const std::vector<int>& Left,
                   const std::vector<int>& Right, const T_May_Pair& May_Pair)
{
    if (Left.empty() || Left.size() != Right.size())
        return;
    for (std::size_t i = 0; i < Left.size(); ++i)
        if (!May_Pair || May_Pair(Left[i], Right[i])) {
            Pairing.Left_To_Right[std::size_t(Left[i])] = Right[i];
            Pairing.Right_To_Left[std::size_t(Right[i])] = Left[i];
        }
}

} // namespace

void Pair_Leftover_Pages(T_Page_Pairing& Pairing, const T_May_Pair& May_Pair)
{
    const int left_count = int(Pairing.Left_To_Right.size());
    const int right_count = int(Pairing.Right_To_Left.size());
    // The pairs in the order of both documents are the neighbours; a page
    // moved against that order is none, as the gap around it is not one
    // place in both.
    int previous_left = -1, previous_right = -1;
    for (int left = 0; left <= left_count; ++left) {
        const int right =
            left < left_count ? Pairing.Left_To_Right[std::size_t(left)] : right_count;
        if (right < 0 || right <= previous_right)
            continue;
        Pair_In_Order(Pairing, Alone(Pairing.Left_To_Right, previous_left + 1, left),
                      Alone(Pairing.Right_To_Left, previous_right + 1, right), May_Pair);
        previous_left = left, previous_right = right;
    }
}
