// The two file names of the command line.
#pragma once

#include <string>
#include <vector>

// Splits a Windows command line (as the system hands it over, program name
// first) into its arguments: separated by blanks and control characters; a
// double-quoted stretch may hold blanks and loses its quotes; an empty pair
// of quotes between arguments is skipped like a blank. Element 0 is the
// program's own token.
std::vector<std::string> Split_Command_Line(const std::string& command_line);

struct T_File_Pair {
    std::string Left;  // base, older version
    std::string Right; // modified, newer version
};

// The first two non-empty arguments after the program's own (an empty
// argument counts as skipped); a missing one is empty, further ones ignored.
T_File_Pair File_Pair_From_Arguments(const std::vector<std::string>& arguments);

// The program's arguments, program name first: from the system's command
// line where the system keeps one (Windows), else from argv.
std::vector<std::string> Program_Arguments(int argc, char** argv);
