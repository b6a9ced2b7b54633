// Comparing without a window or a display, for scripts and CI: two
// pictures, two paged documents page pair by page pair, or two folders file
// by file. Exit status: 0 identical, 1 different, 2 when something could
// not be compared (the program's message on the error stream).
#pragma once

#include "command_line/command_options.h"

#include <iosfwd>

int Run_Headless_Compare(const T_Command_Options& Options, std::ostream& Out, std::ostream& Err);
