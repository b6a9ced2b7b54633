// Two picture files compared while they are read, in little memory.
#pragma once

#include "differences/picture_difference.h"
#include "differences/streamed_difference.h"

#include <optional>
#include <string>

// The differences that decoding both files whole and comparing them gives,
// computed while both files are read, each on a thread of its own. Empty
// when either file is not a PNG or JPEG that decodes row by row (see
// Open_Picture_Rows) or the streamed comparison cannot give the same answer:
// the caller decodes the whole pictures then.
std::optional<T_Difference>
Compare_Files_Streamed(const std::string& Old, const std::string& New,
                       const T_Difference_Options& Options,
                       T_Stream_Threads Threads = T_Stream_Threads::Decoders_Apart);
