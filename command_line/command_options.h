// The options of the command line, for scripts, CI and version control
// clients. Two plain names (or fewer) mean what they always have.
#pragma once

#include "differences/ignore_areas.h"
#include "differences/picture_alignment.h"

#include <string>
#include <vector>

struct T_Command_Options {
    enum class T_Action {
        Window,      // the comparison window (or the selection dialog)
        Help,        // print the usage and end with 0
        Version,     // print the version and end with 0
        Compare,     // compare without a window, print a summary
        Merge,       // merge the JSON reports or report folders of shards (Names: the
                     // output, then the reports)
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
    // Left out of the comparison: rectangles given one by one, a file of
    // them, a mask picture (the files are read when the comparison starts).
    std::vector<T_Ignore_Rectangle> Ignore;
    std::string Ignore_File;
    std::string Mask;
    // Up to how many changed pixels, and what share of the area (in
    // percent), a changed pair is still accepted; -1: no such limit.
    long long Max_Changed_Pixels = -1;
    double Max_Changed_Share = -1;
    // Files on one side only are not accepted (with a limit above, they
    // otherwise are).
    bool Fail_On_Missing = false;
    // Compare only part Shard of Shard_Count of a folder pair; 0: all of it.
    int Shard = 0, Shard_Count = 0;
    bool Only_Changes = false;  // leave identical pairs out of the report
    bool Summary_First = false; // the totals before the pairs
    std::string Junit;          // a JUnit XML report, when asked for
    // --merge-reports merges the parts given though some are missing (they
    // count as errors).
    bool Allow_Partial = false;
    std::string Report; // the folder of an HTML report, when asked for
    // Lay the modified picture on the base before comparing.
    T_Align_Mode Align = T_Align_Mode::Off;
    // --git-diff: what git passed after it, as it was (see git_diff_arguments.h).
    bool Git_Diff = false;
    std::vector<std::string> Git_Diff_Arguments;
    // The names after the options, empty ones skipped.
    std::vector<std::string> Names;
};

// Options come before the names; "--" ends them, so a file named like an
// option can still be given. A lone "-" is a name.
T_Command_Options Parse_Command_Options(const std::vector<std::string>& Arguments);

// Whether a limit decides which pairs pass: then a pair within the limits,
// and a file on one side only (without Fail_On_Missing), is accepted.
bool Has_Acceptance_Limits(const T_Command_Options& Options);

// Every option, for --help and for a usage error.
std::string Options_Usage_Text(const std::string& Program);
