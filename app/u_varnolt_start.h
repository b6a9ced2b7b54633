// The program's main sequence, free of the toolkit: names, temporary folder,
// converter check, launch.
#pragma once

#include "u_diff_launcher.h"
#include "u_program_paths.h"

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

// Runs the main sequence for the two names of the command line and returns
// the process's exit code: 0 when the comparison was closed (or the
// selection dialog cancelled), 1 when it ended on an error message.
int Run_Main_Sequence(std::string left, std::string right, const T_Start_Hooks& hooks);
