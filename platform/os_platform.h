// The operating-system layer: the few services of the host that the program
// needs, behind one header. posix/ implements it here; win32/ holds the
// Windows implementation. Plain C++ only, no toolkit types. Every name and
// text is UTF-8; the Windows side converts at the system's wide-character
// calls, so names outside the system's 8-bit code page work there too.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace os {

// A UTF-8 name as a path that opens the same file on every system, and a
// path's name as UTF-8: std::filesystem takes and gives a plain std::string
// in the ANSI code page on Windows.
std::filesystem::path Utf8_Path(const std::string& name);
std::string Utf8_Name(const std::filesystem::path& path);

// The separator that ends folder names such as Temp_Dir ("/" or "\").
char Path_Separator();

// What an executable's file name ends with ("" or ".exe").
const char* Executable_Suffix();

// The command line as the system keeps it (Windows, as UTF-8), or "" where
// programs receive their arguments already split (POSIX).
std::string Native_Command_Line();

// From now on an interrupt (Ctrl+C, SIGINT, SIGTERM; Ctrl+C or Ctrl+Break
// in a Windows console) is noted instead of ending the process, so that a
// long run can finish what it has written; a second one ends it at once.
void Note_Interrupts();
// The signal noted since (SIGINT 2, SIGTERM 15), or 0.
int Interrupt_Noted();

// The processors this process may run on (its affinity: taskset, a CI
// runner's or a container's CPU set), at least 1.
unsigned Usable_Processors();

// Milliseconds since the system started, wrapping as an unsigned 32-bit value.
std::uint32_t Tick_Count();

// Low 32 bits of the high-resolution counter, for seeding name generators.
std::uint32_t Performance_Counter_Low();

// The system temporary folder, with a trailing separator.
std::string System_Temp_Path();

// Full path of the running executable.
std::string Executable_Path();

// The name made absolute against the current folder, naming the file that
// the system opens. POSIX resolves the folder part (links and "..", which
// after a link leads somewhere else than the text says) and keeps the last
// component as written, so a file that is itself a link keeps its own name;
// a folder part that cannot be resolved stays as written. Windows resolves
// ".." by the text, as its own file calls do.
std::string Full_Path_Name(const std::string& name);

// True when a non-directory file of that name exists; an empty name never does.
bool File_Exists(const std::string& name);

// What an input name is, found without opening it (opening a pipe would wait
// for a writer forever): a regular file the user may read, nothing, a folder,
// something else (pipe, socket, device), or a file the user may not read.
enum class T_File_Check { Regular, Missing, Folder, Not_Regular, No_Permission };
T_File_Check Check_Input_File(const std::string& name);

// True for the name of the system's empty device ("/dev/null"; on Windows
// "NUL", and "/dev/null" as git passes it there too): version control gives
// it for the missing side of an added or deleted file.
bool Is_Null_Device(const std::string& name);
// The system's empty device, to pass for a version that does not exist.
std::string Null_Device();

// Makes every file and folder the process (and the children it starts)
// creates from now on private to the user. Called first thing in main.
void Restrict_New_Files();

// This process's id, and whether a process of that id is running (a run's
// private files are kept while it runs).
long Process_Id();
bool Process_Exists(long pid);

// Lets the calling thread run only when a core would otherwise be idle
// (Linux; Windows: the lowest priority), for work nobody waits for.
void Run_This_Thread_When_Idle();

// Gives a file or folder the user asked for (an exported picture, a
// comparison's output) the permissions the user's own mask allows, as any
// other program would create it. False when that cannot be done.
bool Give_User_Permissions(const std::string& name);

// Lets a windowed program print (help, version, --compare reports) to the
// console it was started from. A Windows GUI program starts without one: it
// attaches to its parent's console where its output goes nowhere else (a
// pipe or file it was given stays). Nothing to do elsewhere.
void Use_Parent_Console();

// Sets a variable of the process environment, seen by the program's own
// runtime and inherited by every child started afterwards.
bool Set_Environment(const std::string& name, const std::string& value);

// Makes `link`, a new name in the program's own folder, name the content of
// `target`, replacing an earlier link or file of that name: POSIX, a
// symbolic link to the target's absolute name; Windows, a hard link, or a
// copy where none can be made (another volume). False when the target is
// not a file or the name cannot be made. A Windows hard link shares the
// target's attributes: never mark it read-only.
bool Link_Or_Copy(const std::string& target, const std::string& link);

// Makes sure `path` is a folder that only the current user can enter: creates
// it (mode 0700) when missing; accepts an existing one only when it is a real
// directory, not a link, owned by the current user. False otherwise.
bool Ensure_Private_Folder(const std::string& path);

// The folder to use when the named private folder in `system_temp` cannot
// be, with no trailing separator. POSIX: a new folder of a unique name
// (`prefix` and six random characters) in `system_temp`, mode 0700, as the
// system temporary folder is shared by all users; "" when none can be made.
// Windows: `system_temp` itself, the user's own folder (GetTempPath).
std::string Make_Fallback_Private_Folder(const std::string& system_temp, const std::string& prefix);

// Copies src over dst, replacing dst even when it is read-only. dst is
// replaced in one step, so a failed copy leaves the earlier dst in place; a
// missing folder of dst is not made.
// POSIX: the copy keeps the source's owner rights (and owner reading) only,
// never group's or others'.
bool Copy_File_Replace(const std::string& src, const std::string& dst);

// Marks the file read-only (and, where the system has one, archived). POSIX
// takes away the write bits only; no reading right is added.
bool Set_Read_Only(const std::string& path);

bool Delete_File(const std::string& path);

// Writes `data` as the whole content of the file, replacing a file of that
// name. False with the system's reason in `error` when it cannot.
bool Write_File(const std::string& path, const std::string& data, std::string& error);

// Writes `data` to a new file beside `path` and puts it in place of `path`
// only once every byte is written and the file is closed: a full disk or
// any other failure leaves no partial file and an earlier file of that name
// as it was. A device or a pipe of that name is written in place, never
// replaced. False with the system's reason in `error`.
bool Write_File_Whole(const std::string& path, const std::string& data, std::string& error);

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
