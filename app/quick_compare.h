// The command line's commonest question answered without the toolkit: two
// PNG or JPEG pictures, compared and reported exactly as the whole program
// would. Loading the toolkit's libraries takes several times as long as
// comparing two small pictures, and scripts ask once per pair.
#pragma once

#include "command_line/command_options.h"

#include <iosfwd>
#include <optional>

// The exit code of `--compare` with Options, after its report went to Out;
// nothing (and nothing printed) when the pair or an option needs more than
// this path does: other kinds of file, folders, errors, pictures that decode
// only whole, pictures or reports written out. The whole program answers
// those.
std::optional<int> Quick_Compare(const T_Command_Options& Options, std::ostream& Out);
