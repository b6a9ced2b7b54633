// The rows of two pictures aligned as a line diff aligns the lines of two
// texts: content inserted in the middle of a page pushes what follows down,
// and those rows still pair with their old selves. Internal to the
// difference engine.
#pragma once

#include "differences/picture_difference.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace differences {

// A hash per row of the row's ink, counted in cells of a few pixels and
// quantised, so that the grey levels of anti-aliased edges do not make
// rows that show the same content differ.
std::vector<std::uint64_t> Row_Signatures(const T_Pixels& Picture, int Paper);

// How a signature counts ink: cells of this many pixels, pixels whose ink
// level (0 to 255) passes the threshold, counts quantised by Ink_Step.
inline constexpr int Signature_Cell = 8;
inline constexpr int Signature_Ink_Threshold = 48; // darker than an anti-aliased fringe's faint end
// 0-1, 2-5 and 6-8 inked pixels of a cell: a fringe pixel more or less
// rarely crosses a step.
inline constexpr int Ink_Step(int Inked) { return (Inked + 2) / 4; }
std::uint64_t Mix_Signature(std::uint64_t Hash, std::uint64_t Value);

// For each base row, the modified row that shows the same (-1: none, the
// row was removed). Rows between two matched stretches pair in order as far
// as both sides have rows; the rest of the longer side is a band removed
// (base) or added (modified). Nothing when the rows are too unlike to
// align (more than a few thousand edits).
std::optional<std::vector<int>> Align_Rows(const T_Pixels& Base, int Base_Paper,
                                           const T_Pixels& Modified, int Modified_Paper);
// The same from the rows' signatures.
std::optional<std::vector<int>> Align_Rows(const std::vector<std::uint64_t>& Base_Rows,
                                           const std::vector<std::uint64_t>& Modified_Rows);

} // namespace differences
