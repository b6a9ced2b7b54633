// The operating-system layer: the few services of the host that the program
// needs, behind one header. posix/ implements it here; win32/ holds the
// Windows implementation. Plain C++ only, no toolkit types. Every name and
// text is UTF-8; the Windows side converts at the system's wide-character
// calls, so names outside the system's 8-bit code page work there too.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace os {

// The separator that ends folder names such as Temp_Dir ("/" or "\").
char Path_Separator();

// What an executable's file name ends with ("" or ".exe").
const char* Executable_Suffix();

// The command line as the system keeps it (Windows, as UTF-8), or "" where
// programs receive their arguments already split (POSIX).
std::string Native_Command_Line();

// Milliseconds since the system started, wrapping as an unsigned 32-bit value.
std::uint32_t Tick_Count();

// Low 32 bits of the high-resolution counter, for seeding name generators.
std::uint32_t Performance_Counter_Low();

// The system temporary folder, with a trailing separator.
std::string System_Temp_Path();

// Full path of the running executable.
std::string Executable_Path();

// The name made absolute against the current folder (not resolving links).
std::string Full_Path_Name(const std::string& name);

// True when a non-directory file of that name exists; an empty name never does.
bool File_Exists(const std::string& name);

// Makes sure `path` is a folder that only the current user can enter: creates
// it (mode 0700) when missing; accepts an existing one only when it is a real
// directory, not a link, owned by the current user. False otherwise.
bool Ensure_Private_Folder(const std::string& path);

// Copies src over dst, replacing dst even when it is read-only. dst is
// replaced in one step, so a failed copy leaves the earlier dst in place.
bool Copy_File_Replace(const std::string& src, const std::string& dst);

// Marks the file read-only (and, where the system has one, archived).
bool Set_Read_Only(const std::string& path);

bool Delete_File(const std::string& path);

// Writes `data` as the whole content of the file, replacing a file of that
// name. False with the system's reason in `error` when it cannot.
bool Write_File(const std::string& path, const std::string& data, std::string& error);

// The whole content of a file; false when it cannot be read.
bool Read_File(const std::string& path, std::string& data);

// Command-script text in the code page that the system's command interpreter
// reads (Windows: the console code page; POSIX: unchanged UTF-8). False, with
// a message for the user in `error`, when a character has no exact place in
// that page: a look-alike character would name a different file.
bool To_Script_Text(const std::string& text, std::string& script, std::string& error);

// What a command wrote, from the interpreter's code page back to UTF-8.
std::string From_Console_Text(const std::string& text);

// How a command script is written and run on this system.
enum class T_Script_Kind { Windows_Batch, Posix_Sh };
T_Script_Kind Native_Script_Kind();

// Quotes one argument for a command line of this system, so that it reaches
// the program as one argument, unchanged.
std::string Quote_Argument(const std::string& argument);

struct T_Child_Result {
    bool Started = false;
    int Exit_Code = -1;
};

// Runs a command line with standard output and error joined into one pipe,
// the child's window hidden. Waits for the child, polling every 100 ms and
// calling `between_polls` after each poll; the pipe is drained while the
// child runs, every chunk appended to `channel`. When `between_polls`
// returns false the child and everything it started are stopped.
T_Child_Result Run_Captured(const std::string& command_line, const std::string& working_folder,
                            std::string& channel, const std::function<bool()>& between_polls);

// Starts a command line without waiting for it and without keeping it.
bool Start_Detached(const std::string& command_line);

// The desktop's file services; the program reaches them only through this
// interface, which tests replace.
class T_Shell_Services {
public:
    virtual ~T_Shell_Services() = default;
    // The program that opens `file` by the desktop's association. False with
    // a message in `error` when there is none.
    virtual bool Find_Associated(const std::string& file, std::string& program,
                                 std::string& error) = 0;
    // Shows the file selected in a file manager window.
    virtual bool Show_In_Folder(const std::string& path) = 0;
    // Opens a document or web address with its associated program.
    virtual void Open(const std::string& file_or_address) = 0;
};

T_Shell_Services& Shell_Services();
// Replaces the shell services (tests); nullptr restores the system's.
void Set_Shell_Services(T_Shell_Services* services);

} // namespace os
