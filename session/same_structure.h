// A picture with the same bytes on both sides, judged without decoding it
// where its structure is proof enough (see Check_Picture_Structure).
#pragma once

#include "session/compared_pair.h"

#include <optional>
#include <string>

// Makes Pair an identical pair of pictures Width x Height, with no
// differences over their whole area, proven sound as Checked says.
void Mark_Identical(T_Pair_Findings& Pair, int Width, int Height, T_Bytes_Check Checked);

// File compared with a copy of itself, named as in Names: identical when its
// structure holds together and its name leads to the reader its content is
// for (a PNG named .bmp is read by whatever the name picks); nothing when
// it must be decoded to be judged.
std::optional<T_Pair_Findings> Identical_By_Structure(const std::string& File,
                                                      const T_Pair_Findings& Names);
