// A pair of files with the same bytes, judged from one side: they show the
// same whatever the decoder does, unless the file is damaged, and then both
// sides fail alike. The file is only proven sound: by its structure (PNG,
// JPEG) or one decode of one side (every other picture, every page).
#pragma once

#include "session/pair_kinds.h"
#include "session/pair_pipeline.h"

#include <optional>
#include <vector>

// The pairs (one per picture, one per page pair of a document) that File,
// compared with a copy of itself, comes to, named as in Names. Nothing when
// it cannot be shown sound: the pair is then compared the whole way, which
// gives the error its own words. Kind is the file's class (pictures,
// converted pictures, paged documents).
std::optional<std::vector<T_Compared_Pair>> Judge_Same_Bytes(const std::string& File,
                                                             T_Diff_Kind Kind, T_Paged_Kind Paged,
                                                             const T_Compared_Pair& Names,
                                                             const T_Pair_Settings& Settings);
