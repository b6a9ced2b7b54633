// What git hands an external diff driver (diff.<driver>.command): the path,
// then the old and the new version as file, object name and mode, and for a
// renamed or copied file also the new path and a note about the rename.
#pragma once

#include <string>
#include <vector>

struct T_Git_Diff_Pair {
    std::string Left, Right;             // the files to show; the null device for a missing side
    std::string Left_Title, Right_Title; // the panes' captions
};

// Seven arguments, or nine for a rename or copy.
bool Is_Git_Diff_Argument_Count(std::size_t Count);

// The files and captions for the arguments git passed (a count that
// Is_Git_Diff_Argument_Count accepts). A version is captioned with the path
// and its short object name, a version only in the working tree (the null
// object name) as such, and a missing version (the null device) as missing.
T_Git_Diff_Pair Git_Diff_Pair(const std::vector<std::string>& Arguments);
