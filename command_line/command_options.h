// The options of the command line, for scripts, CI and version control
// clients. Two plain names (or fewer) mean what they always have.
#pragma once

#include <string>
#include <vector>

struct T_Command_Options {
    enum class T_Action {
        Window,      // the comparison window (or the selection dialog)
        Help,        // print the usage and end with 0
        Version,     // print the version and end with 0
        Compare,     // compare without a window, print a summary
        Usage_Error, // print Error and the usage to standard error, end with 2
    };
    T_Action Action = T_Action::Window;
    std::string Error;
    // Replace the panes' captions ("Base version" and the right file's name).
    std::string Left_Title;
    std::string Right_Title;
    // --compare's settings.
    int Tolerance = -1; // -1: the program's default
    bool Ignore_Antialiasing = true;
    std::string Output; // the differences picture, when asked for
    bool Json = false;
    // How many pairs of two folders are compared at once; 0: one per core.
    int Jobs = 0;
    // --git-diff: what git passed after it, as it was (see git_diff_arguments.h).
    bool Git_Diff = false;
    std::vector<std::string> Git_Diff_Arguments;
    // The names after the options, empty ones skipped.
    std::vector<std::string> Names;
};

// Options come before the names; "--" ends them, so a file named like an
// option can still be given. A lone "-" is a name.
T_Command_Options Parse_Command_Options(const std::vector<std::string>& Arguments);

// Every option, for --help and for a usage error.
std::string Options_Usage_Text(const std::string& Program);
