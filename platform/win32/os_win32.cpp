// Windows implementation of the operating-system layer. Names travel as UTF-8
// and meet the system through its wide-character calls; only command scripts
// are 8-bit, in the console code page that cmd reads them in.
#include "platform/os_platform.h"
#include "platform/win32/win32_text.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace os {

using win32::Narrow;
using win32::Widen;

namespace {

// Closes a handle when the scope ends.
struct T_Handle {
    HANDLE Value = nullptr;
    T_Handle() = default;
    explicit T_Handle(HANDLE value) : Value(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
    T_Handle(const T_Handle&) = delete;
    T_Handle& operator=(const T_Handle&) = delete;
    ~T_Handle() { Reset(); }
    void Reset(HANDLE value = nullptr)
    {
        if (Value)
            CloseHandle(Value);
        Value = value == INVALID_HANDLE_VALUE ? nullptr : value;
    }
    explicit operator bool() const { return Value != nullptr; }
};

DWORD Attributes(const std::string& name)
{
    return name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(Widen(name).c_str());
}

bool Is_Folder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// True when the wide text converts to the code page without any substitute
// or best-fit look-alike (UTF-8 holds everything).
bool Fits_Code_Page(UINT code_page, const std::wstring& text)
{
    if (code_page == CP_UTF8 || text.empty())
        return true;
    BOOL used_default = FALSE;
    int size =
        WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, text.data(),
                            static_cast<int>(text.size()), nullptr, 0, nullptr, &used_default);
    return size > 0 && !used_default;
}

std::string To_Code_Page(UINT code_page, const std::wstring& text)
{
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, text.data(),
                                   static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::string Hex_Code(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (int shift = 12; shift >= 0; shift -= 4)
        hex += digits[(value >> shift) & 15];
    return "U+" + hex;
}

// An anonymous pipe cannot be read with a time-out, so the child's output
// channel is a one-instance named pipe: the program reads its end with
// overlapped I/O and so can wait for the child and for output at once.
bool Create_Output_Pipe(T_Handle& read_end, T_Handle& write_end)
{
    static std::atomic<unsigned> counter{0};
    std::wstring name = L"\\\\.\\pipe\\varnolt-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount());
    read_end.Reset(CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 65536,
        0, nullptr));
    if (!read_end)
        return false;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    write_end.Reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(write_end);
}

// Reads the output pipe chunk by chunk without ever blocking the caller.
class T_Channel_Reader {
public:
    T_Channel_Reader(HANDLE pipe, std::string& bytes) : Pipe(pipe), Bytes(bytes)
    {
        Overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        Issue();
    }
    ~T_Channel_Reader()
    {
        if (Pending) {
            // A grandchild may still hold the pipe open; stop waiting for it.
            CancelIoEx(Pipe, &Overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(Pipe, &Overlapped, &ignored, TRUE);
        }
        CloseHandle(Overlapped.hEvent);
    }
    HANDLE Event() const { return Overlapped.hEvent; }
    bool Pending_Read() const { return Pending; }

    // Takes a finished read and starts the next one.
    void Complete()
    {
        DWORD count = 0;
        bool ok = GetOverlappedResult(Pipe, &Overlapped, &count, FALSE);
        Pending = false;
        if (ok || GetLastError() == ERROR_MORE_DATA) {
            Bytes.append(Buffer, count);
            Issue();
        }
    }

    // Takes what is already in the pipe once the child has ended; a read
    // still waiting after `wait_ms` belongs to a grandchild's open handle.
    void Drain(DWORD wait_ms)
    {
        while (Pending && WaitForSingleObject(Overlapped.hEvent, wait_ms) == WAIT_OBJECT_0)
            Complete();
    }

private:
    void Issue()
    {
        ResetEvent(Overlapped.hEvent);
        if (ReadFile(Pipe, Buffer, sizeof Buffer, nullptr, &Overlapped) ||
            GetLastError() == ERROR_IO_PENDING)
            Pending = true; // also a read that finished at once: its event is set
    }

    HANDLE Pipe;
    std::string& Bytes;
    OVERLAPPED Overlapped{};
    bool Pending = false;
    char Buffer[24000];
};

} // namespace

char Path_Separator() { return '\\'; }

const char* Executable_Suffix() { return ".exe"; }

std::string Native_Command_Line() { return Narrow(GetCommandLineW()); }

namespace {
std::atomic<int> Noted_Signal{0};
BOOL WINAPI Note_Console_Event(DWORD Event)
{
    if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT)
        return FALSE;
    // The first interrupt is noted; the next one has the default effect.
    int none = 0;
    return Noted_Signal.compare_exchange_strong(none, Event == CTRL_C_EVENT ? 2 : 15) ? TRUE
                                                                                      : FALSE;
}
} // namespace

void Note_Interrupts() { SetConsoleCtrlHandler(Note_Console_Event, TRUE); }

int Interrupt_Noted() { return Noted_Signal.load(); }

unsigned Usable_Processors()
{
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        unsigned count = 0;
        for (; process != 0; process &= process - 1)
            ++count;
        return count;
    }
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? unsigned(info.dwNumberOfProcessors) : 1u;
}

std::uint32_t Tick_Count() { return GetTickCount(); }

std::uint32_t Performance_Counter_Low()
{
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter))
        return counter.LowPart;
    return GetTickCount();
}

std::string System_Temp_Path()
{
    wchar_t buffer[MAX_PATH + 2];
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::string path =
        length && length <= MAX_PATH + 1 ? Narrow(buffer, static_cast<int>(length)) : std::string();
    if (path.empty())
        return ".\\";
    if (path.back() != '\\' && path.back() != '/')
        path += '\\';
    return path;
}

std::string Executable_Path()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return Narrow(buffer.data(), static_cast<int>(length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string Full_Path_Name(const std::string& name)
{
    if (name.empty())
        return name;
    std::wstring wide = Widen(name);
    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return name;
    std::vector<wchar_t> buffer(size);
    DWORD length = GetFullPathNameW(wide.c_str(), size, buffer.data(), nullptr);
    return length && length < size ? Narrow(buffer.data(), static_cast<int>(length)) : name;
}

bool File_Exists(const std::string& name)
{
    DWORD attributes = Attributes(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// A name that the system opens as a device, not a file: one under \\.\ or
// \\?\GLOBALROOT, or CON, NUL, COM1 and the like, which the system's own
// full-name rule (whatever its version) turns into \\.\ names.
bool Is_Device_Name(const std::string& name)
{
    for (const std::string& full : {name, Full_Path_Name(name)}) {
        if (full.rfind("\\\\.\\", 0) == 0 || full.rfind("//./", 0) == 0 ||
            full.rfind("\\\\?\\GLOBALROOT", 0) == 0)
            return true;
    }
    return false;
}

} // namespace

T_File_Check Check_Input_File(const std::string& name)
{
    if (name.empty())
        return T_File_Check::Missing;
    if (Is_Device_Name(name))
        return T_File_Check::Not_Regular;
    DWORD attributes = Attributes(name);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_ACCESS_DENIED ? T_File_Check::No_Permission
                                                     : T_File_Check::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return T_File_Check::Folder;
    // Opening for reading is the one sure test of the file's access rights;
    // it does not wait, and a pipe name was refused above.
    T_Handle file(CreateFileW(Widen(name).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            return T_File_Check::No_Permission;
        // Held open by another program: a file all the same, and the open
        // that follows reports it as locked.
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return T_File_Check::Regular;
        return T_File_Check::Missing;
    }
    return GetFileType(file.Value) == FILE_TYPE_DISK ? T_File_Check::Regular
                                                     : T_File_Check::Not_Regular;
}

// git for Windows passes its own "/dev/null" to the programs it starts.
bool Is_Null_Device(const std::string& name)
{
    return name == "/dev/null" ||
           CompareStringOrdinal(Widen(name).c_str(), -1, L"NUL", -1, TRUE) == CSTR_EQUAL;
}

std::string Null_Device() { return "NUL"; }

// Files made here inherit the access rights of the user's own folders.
void Restrict_New_Files() {}

bool Give_User_Permissions(const std::string&) { return true; }

long Process_Id() { return long(GetCurrentProcessId()); }

void Run_This_Thread_When_Idle() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE); }

bool Process_Exists(long pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // runs, as another user
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void Use_Parent_Console()
{
    auto missing = [](DWORD which) {
        HANDLE handle = GetStdHandle(which);
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    };
    const bool out = missing(STD_OUTPUT_HANDLE), err = missing(STD_ERROR_HANDLE);
    if (!(out || err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    FILE* stream = nullptr;
    if (out)
        freopen_s(&stream, "CONOUT$", "w", stdout);
    if (err)
        freopen_s(&stream, "CONOUT$", "w", stderr);
}

bool Set_Environment(const std::string& name, const std::string& value)
{
    if (name.empty() || name.find('=') != std::string::npos)
        return false;
    std::wstring wide_name = Widen(name), wide_value = Widen(value);
    // The runtime keeps its own copy, which getenv reads; children get the
    // system's. An empty value removes the variable from both.
    bool ok = SetEnvironmentVariableW(wide_name.c_str(),
                                      wide_value.empty() ? nullptr : wide_value.c_str()) != 0;
    return _wputenv_s(wide_name.c_str(), wide_value.c_str()) == 0 && ok;
}

bool Link_Or_Copy(const std::string& target, const std::string& link)
{
    DWORD attributes = Attributes(target);
    if (attributes == INVALID_FILE_ATTRIBUTES || Is_Folder(attributes) || link.empty())
        return false;
    std::wstring from = Widen(Full_Path_Name(target)), to = Widen(link);
    DWORD old = GetFileAttributesW(to.c_str());
    if (old != INVALID_FILE_ATTRIBUTES) {
        if (Is_Folder(old))
            return false;
        if (!DeleteFileW(to.c_str())) {
            if (!(old & FILE_ATTRIBUTE_READONLY))
                return false;
            SetFileAttributesW(to.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
            if (!DeleteFileW(to.c_str())) {
                SetFileAttributesW(to.c_str(), old);
                return false;
            }
        }
    }
    return CreateHardLinkW(to.c_str(), from.c_str(), nullptr) ||
           CopyFileW(from.c_str(), to.c_str(), TRUE);
}

// The user's temporary folder is private by its access rights; what is
// checked here is that the name is a real folder and not a junction or link
// that would send our files elsewhere.
bool Ensure_Private_Folder(const std::string& path)
{
    std::wstring wide = Widen(path);
    if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    DWORD attributes = GetFileAttributesW(wide.c_str());
    return Is_Folder(attributes) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// GetTempPath is the user's own folder, which other users cannot read.
std::string Make_Fallback_Private_Folder(const std::string& system_temp, const std::string&)
{
    std::string folder = system_temp;
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

// The shell's silent copy writes a temporary beside the target, which then
// replaces the target in one step; a failed copy leaves the old target.
bool Copy_File_Replace(const std::string& src, const std::string& dst)
{
    // The shell expands wildcards in a source and copies folders whole; a
    // target that is a folder would receive the copy inside it.
    if (src.find_first_of("*?") != std::string::npos ||
        dst.find_first_of("*?") != std::string::npos)
        return false;
    DWORD source_attributes = Attributes(src);
    if (source_attributes == INVALID_FILE_ATTRIBUTES || Is_Folder(source_attributes) ||
        Is_Folder(Attributes(dst)))
        return false;

    // The shell would make a missing target folder; a copy goes only where
    // a folder already is, as on every system.
    std::wstring target = Widen(dst);
    const size_t cut = target.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0) {
        DWORD folder = GetFileAttributesW(target.substr(0, cut).c_str());
        if (folder == INVALID_FILE_ATTRIBUTES || !Is_Folder(folder))
            return false;
    }
    std::wstring part = target + L".part" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(GetTickCount());
    std::wstring from = Widen(Full_Path_Name(src)) + L'\0'; // a list of one, ended by two zeros
    std::wstring to = part + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_COPY;
    operation.pFrom = from.c_str();
    operation.pTo = to.c_str();
    // Silent and without questions; no error box either, since a failed
    // copy is reported by the result alone.
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR;
    bool ok = SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
    DWORD part_attributes = GetFileAttributesW(part.c_str());
    ok = ok && part_attributes != INVALID_FILE_ATTRIBUTES && !Is_Folder(part_attributes);

    if (ok) {
        DWORD old = GetFileAttributesW(target.c_str());
        if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(target.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
        ok = MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        if (!ok && old != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(target.c_str(), old);
    }
    if (!ok && part_attributes != INVALID_FILE_ATTRIBUTES && !Is_Folder(part_attributes)) {
        SetFileAttributesW(part.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(part.c_str());
    }
    return ok;
}

bool Set_Read_Only(const std::string& path)
{
    return SetFileAttributesW(Widen(path).c_str(),
                              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE) != 0;
}

bool Delete_File(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }

bool Write_File(const std::string& path, const std::string& data, std::string& error)
{
    T_Handle file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    bool ok = static_cast<bool>(file);
    size_t done = 0;
    while (ok && done < data.size()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
        ok = WriteFile(file.Value, data.data() + done, chunk, &written, nullptr) && written > 0;
        done += written;
    }
    if (ok) {
        ok = CloseHandle(file.Value) != 0;
        file.Value = nullptr;
    }
    if (!ok)
        error = win32::System_Message(GetLastError());
    return ok;
}

bool Write_File_Whole(const std::string& path, const std::string& data, std::string& error)
{
    const std::string temporary = path + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" +
                                  std::to_string(GetTickCount());
    if (!Write_File(temporary, data, error)) {
        DeleteFileW(Widen(temporary).c_str());
        return false;
    }
    if (!MoveFileExW(Widen(temporary).c_str(), Widen(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = win32::System_Message(GetLastError());
        DeleteFileW(Widen(temporary).c_str());
        return false;
    }
    return true;
}

bool Read_File(const std::string& path, std::string& data)
{
    data.clear();
    T_Handle file(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    char buffer[65536];
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(file.Value, buffer, sizeof buffer, &count, nullptr))
            return false;
        if (count == 0)
            return true;
        data.append(buffer, count);
    }
}

bool To_Script_Text(const std::string& text, std::string& script, std::string& error)
{
    std::wstring wide = Widen(text);
    UINT console = GetOEMCP(), ansi = GetACP();
    // cmd reads the script in the console code page; the converter, started
    // by cmd, may read its arguments in the ANSI page. A character that both
    // hold exactly reaches it unchanged; any other would arrive as "?" or as
    // a look-alike letter that can name a different, existing file.
    if (Fits_Code_Page(console, wide) && Fits_Code_Page(ansi, wide)) {
        script = To_Code_Page(console, wide);
        return true;
    }
    for (size_t i = 0; i < wide.size(); ++i) {
        size_t length = (wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size()) ? 2 : 1;
        std::wstring one = wide.substr(i, length);
        if (Fits_Code_Page(console, one) && Fits_Code_Page(ansi, one)) {
            i += length - 1;
            continue;
        }
        unsigned code = length == 2
                            ? 0x10000u + ((wide[i] - 0xD800u) << 10) + (wide[i + 1] - 0xDC00u)
                            : wide[i];
        error = "The name holds the character \"" + Narrow(one) + "\" (" + Hex_Code(code) +
                "), which the system's code pages (" + std::to_string(ansi) + ", console " +
                std::to_string(console) +
                ") cannot represent, so the converter cannot be given this file. Rename the "
                "file, or copy it to a name without such characters.";
        return false;
    }
    error = "The command holds text that is not valid UTF-8.";
    return false;
}

std::string From_Console_Text(const std::string& text)
{
    if (text.empty())
        return {};
    UINT console = GetOEMCP();
    int size =
        MultiByteToWideChar(console, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(console, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return Narrow(wide);
}

T_Script_Kind Native_Script_Kind() { return T_Script_Kind::Windows_Batch; }

// The quoting that the C runtime's argument splitter undoes: backslashes are
// literal except before a quote, where they and the quote are escaped.
std::string Quote_Argument(const std::string& argument)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

T_Child_Result Run_Captured(const std::string& command_line, const std::string& working_folder,
                            std::string& channel, const std::function<bool()>& between_polls)
{
    T_Child_Result result;
    T_Handle read_end, write_end;
    if (!Create_Output_Pipe(read_end, write_end))
        return result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    T_Handle no_input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = no_input.Value;
    startup.hStdOutput = write_end.Value;
    startup.hStdError = write_end.Value;
    std::wstring line = Widen(command_line);
    std::wstring folder = Widen(working_folder);
    PROCESS_INFORMATION process{};
    // Started suspended so that it is in the job, with everything it starts,
    // before it runs: a stop then ends the converter under cmd as well.
    bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                  CREATE_SUSPENDED | NORMAL_PRIORITY_CLASS, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    write_end.Reset(); // the child holds its own copy
    no_input.Reset();
    if (!started)
        return result;
    T_Handle child(process.hProcess), thread(process.hThread);
    T_Handle job(CreateJobObjectW(nullptr, nullptr));
    bool in_job = job && AssignProcessToJobObject(job.Value, child.Value);
    ResumeThread(thread.Value);
    result.Started = true;

    std::string bytes;
    {
        T_Channel_Reader reader(read_end.Value, bytes);
        for (;;) {
            HANDLE waits[2] = {child.Value, reader.Event()};
            DWORD count = reader.Pending_Read() ? 2 : 1;
            DWORD woke = WaitForMultipleObjects(count, waits, FALSE, 100);
            if (woke == WAIT_OBJECT_0)
                break;
            if (woke == WAIT_OBJECT_0 + 1)
                reader.Complete();
            else if (woke == WAIT_FAILED)
                WaitForSingleObject(child.Value, 100);
            if (between_polls && !between_polls()) {
                if (!in_job || !TerminateJobObject(job.Value, 1))
                    TerminateProcess(child.Value, 1);
                WaitForSingleObject(child.Value, INFINITE);
                break;
            }
        }
        reader.Drain(50);
    }
    DWORD exit_code = 1;
    GetExitCodeProcess(child.Value, &exit_code);
    result.Exit_Code = static_cast<int>(exit_code);
    channel += From_Console_Text(bytes);
    return result;
}

bool Start_Detached(const std::string& command_line)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // with no handles: the program gets none of ours
    std::wstring line = Widen(command_line);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                        nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace os
