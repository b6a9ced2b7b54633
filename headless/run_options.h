// What a run's command line asks of each comparison, worked out in one place
// for the whole program and for the quick front that answers without it.
#pragma once

#include "command_line/command_options.h"
#include "differences/picture_difference.h"

// The options as they take effect (the JSON header names them): the
// program's defaults filled in.
T_Command_Options Options_In_Effect(const T_Command_Options& Options);

// How two pictures are compared: tolerance, antialiasing and the areas
// left out (read from the options' files by the caller).
T_Difference_Options Difference_Options_Of(const T_Command_Options& Options, T_Ignore_Areas Ignore);
