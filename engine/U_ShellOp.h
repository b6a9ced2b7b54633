// Starting other programs and asking the desktop shell for services. Every
// external command of the program runs through Run_Batch.
#pragma once

#include "engine/batch_dialect.h" // Double_Percent, for callers that write batch text

#include <functional>
#include <string>

// How a caller watches a child while it waits for it: Keep_Going is called
// about every 100 ms (keeping the user interface alive) and returns false to
// ask that the child and everything it started be stopped; Stopped then says
// afterwards that the run ended so, and its result reaches nobody.
struct T_Run_Watch {
    std::function<bool()> Keep_Going;
    bool Stopped = false;
};

// Runs a command text through a generated script in Temp_Dir whose last line
// captures its standard output into a file. True when the script ended with
// exit code 0 and the capture was read; `output` then holds the captured
// lines, each ended by CR LF. On failure `error` holds what the commands
// wrote to their output channel. The script and capture files are deleted
// afterwards. Throws std::runtime_error when the script cannot be written,
// also when a name in it has no exact form in the interpreter's code page.
// Without a watch the child runs to its end.
bool Run_Batch(const std::string& command, const std::string& extra_arguments,
               const std::string& working_folder, std::string& output, std::string& error,
               T_Run_Watch* watch = nullptr);

// Runs a hidden child with its output captured into `channel`, waiting under
// the watch. True when it started and ended with 0. When it cannot start,
// `channel` is "can't run " + the command line.
bool Run_Captured(const std::string& command_line, const std::string& working_folder,
                  std::string& channel, T_Run_Watch* watch = nullptr);

// Starts a command line without waiting; true when the process was created.
bool Run_Program(const std::string& command_line);

// Opens the file with the program associated with its type. False with the
// system's reason in `error` when there is none or it cannot be started.
bool Open_With_Associated(const std::string& path, std::string& error);

// Shows the file selected in its folder.
bool Show_In_Folder(const std::string& path);

constexpr int FO_COPY = 2;
// Copies (the only operation supported) through the system's file service.
bool Shell_File_Operation(int operation, const std::string& source, const std::string& destination,
                          void* owner, bool silent, bool allow_undo);
// Copies without questions, replacing an existing (even read-only) target.
bool Copy_File_Silent(const std::string& source, const std::string& destination);

// Opens a file or web address with the shell's "open" verb.
void Shell_Open(const std::string& file_or_address);

// The system temporary folder, with a trailing separator.
std::string System_Temp_Path();
