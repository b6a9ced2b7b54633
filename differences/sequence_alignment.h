// The longest common subsequence of two sequences of hashes, as a line diff
// finds it: Myers' O(ND) algorithm, with the common start and end taken off
// first. Internal to the difference engine.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace differences {

// Elements First[A_From + i] == Second[B_From + i] for i < Length.
struct T_Common_Run {
    int A_From = 0;
    int B_From = 0;
    int Length = 0;
};

// The runs in order, adjacent runs merged. Nothing when the sequences need
// more than `Most_Edits` insertions and deletions (the work and memory grow
// with their square).
std::optional<std::vector<T_Common_Run>> Common_Runs(const std::vector<std::uint64_t>& First,
                                                     const std::vector<std::uint64_t>& Second,
                                                     int Most_Edits);

// For each of the first sequence's `First_Count` elements, the element of
// the second that it pairs with (-1: none). Elements between two runs pair
// in order as far as both sides have elements; the rest of the longer side
// has no partner (inserted or removed).
std::vector<int> Map_Of_Runs(const std::vector<T_Common_Run>& Runs, int First_Count,
                             int Second_Count);

} // namespace differences
