// The program's main sequence, free of the toolkit: names, temporary folder,
// converter check, launch.
#pragma once

#include "command_line/command_options.h"
#include "app/u_diff_launcher.h"
#include "engine/u_program_paths.h"

#include <functional>
#include <string>

// Sets ConverterPath (ProgramFolder + the converter's fixed place) and tells whether a file (not a
// folder) lies there. The search path never counts.
bool Check_Converter();

struct T_Start_Hooks {
    // The file-selection dialog: true when confirmed, with both names set.
    std::function<bool(std::string& left, std::string& right)> Select_Files;
    // Two folders (a version-control client's folder comparison): the list
    // of their files; returns the exit code.
    std::function<int(const std::string& left, const std::string& right,
                      const T_Launch_Hooks& launch)>
        Folder_List;
    T_Launch_Hooks Launch;
};

// The exit codes of a window run.
enum T_Exit_Code {
    ec_Closed = 0,      // the comparison (or the folder list) was shown and closed
    ec_Not_Shown = 1,   // it ended on an error message
    ec_Usage = 2,       // a wrong command line, or no display
    ec_Unsupported = 3, // the file is of a kind that is not compared
};

// What a launch's end means for the process.
int Exit_Code(T_Diff_Result result);

// True when a version-control client runs the program as its viewer.
bool Runs_As_Version_Control_Viewer(const T_Command_Options& options);

// The two names of a window run (git's pair for --git-diff) and the launch's
// titles; titles given on the command line win over git's.
std::vector<std::string> Window_Run_Names(const T_Command_Options& options, T_Launch_Hooks& launch);

// Runs the main sequence for the two names of the command line and returns
// the process's exit code (T_Exit_Code): 0 when the comparison was closed
// (or the selection dialog cancelled).
int Run_Main_Sequence(std::string left, std::string right, const T_Start_Hooks& hooks);
