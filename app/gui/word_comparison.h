// Word documents handed to Word's own comparison, with what went wrong shown
// to the user: the automation layer only returns it.
#pragma once

#include <string>

// False when it ended on a message (a failure, or an error of Word that has
// no result code, shown as an unexpected error).
bool Show_Word_Diff(const std::string& base_file, const std::string& modified_file);
