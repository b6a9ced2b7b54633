// What the command line answers without comparing anything: its usage, the
// version, and what is wrong with a command line it cannot take.
#pragma once

#include "command_line/command_options.h"

#include <iosfwd>
#include <optional>
#include <string>

// The exit code once the answer went to Out or Err; nothing for an action
// that compares, merges or opens a window. Program is the executable's name.
std::optional<int> Plain_Answer(const T_Command_Options& Options, const std::string& Program,
                                std::ostream& Out, std::ostream& Err);
