// Columns of a stretch of rows aligned as a line diff aligns lines: a
// table column that widened pushes the columns right of it sideways, and
// those still pair with their old selves once the inserted columns are
// set aside. Internal to the difference engine.
#pragma once

#include "differences/picture_difference.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace differences {

// A hash per column of the ink of rows [Top, Bottom), counted in cells of
// a few rows and quantised as the rows' signatures are.
std::vector<std::uint64_t> Column_Signatures(const T_Pixels& Picture, int Paper, int Top,
                                             int Bottom);

// For each base column, the column of `Modified` (already laid row for row
// on the base, so rows [Top, Bottom) of both show the same rows) that
// shows the same over those rows (-1: a removed column). Nothing when the
// columns do not show inked content moved sideways: pairing them as they
// lie is then as good, and a diff of columns would only turn an edit into
// inserted and removed columns.
std::optional<std::vector<int>> Align_Columns(const T_Pixels& Base, int Base_Paper,
                                              const T_Pixels& Modified, int Modified_Paper, int Top,
                                              int Bottom);

} // namespace differences
