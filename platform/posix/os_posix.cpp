// POSIX implementation of the operating-system layer.
#include "platform/os_platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace os {

namespace {

std::uint64_t Monotonic_Ns()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(ts.tv_nsec);
}

// Closes a descriptor when the scope ends.
struct T_Fd {
    int Fd = -1;
    explicit T_Fd(int fd = -1) : Fd(fd) {}
    T_Fd(const T_Fd&) = delete;
    T_Fd& operator=(const T_Fd&) = delete;
    ~T_Fd() { Reset(); }
    void Reset()
    {
        if (Fd >= 0)
            ::close(Fd);
        Fd = -1;
    }
};

bool Write_All(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads what the pipe holds now, without blocking. False at end of file.
bool Drain(int fd, std::string& channel)
{
    char buffer[24000];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            channel.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0; // EAGAIN: open but empty; 0: the writers are gone
    }
}

// Spawns /bin/sh -c command_line. stdout and stderr go to out_fd (or are
// inherited when it is -1); stdin reads /dev/null.
pid_t Spawn_Shell(const std::string& command_line, const std::string& working_folder, int out_fd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (out_fd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out_fd, STDERR_FILENO);
    }
    if (!working_folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
    std::string sh = "/bin/sh", dash_c = "-c", line = command_line;
    char* argv[] = {sh.data(), dash_c.data(), line.data(), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

} // namespace

char Path_Separator() { return '/'; }

const char* Executable_Suffix() { return ""; }

std::string Native_Command_Line() { return {}; }

namespace {
volatile std::sig_atomic_t Noted_Signal = 0;
extern "C" void Note_Signal(int Signal) { Noted_Signal = Signal; }
} // namespace

void Note_Interrupts()
{
    struct sigaction action = {};
    action.sa_handler = Note_Signal;
    sigemptyset(&action.sa_mask);
    // The first interrupt is noted; the next one has the default effect.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int Interrupt_Noted() { return Noted_Signal; }

unsigned Usable_Processors()
{
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return unsigned(std::max(1, CPU_COUNT(&set)));
#endif
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? unsigned(online) : 1u;
}

std::uint32_t Tick_Count() { return static_cast<std::uint32_t>(Monotonic_Ns() / 1000000u); }

std::uint32_t Performance_Counter_Low() { return static_cast<std::uint32_t>(Monotonic_Ns()); }

std::string System_Temp_Path()
{
    const char* env = std::getenv("TMPDIR");
    std::string path = (env && env[0] == '/') ? env : "/tmp";
    if (path.back() != '/')
        path += '/';
    return path;
}

std::string Executable_Path()
{
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string Full_Path_Name(const std::string& name)
{
    if (name.empty())
        return name;
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(name, ec);
    if (ec)
        return name;
    // "lnk/../x" is x beside the link's target, not beside the link: only
    // the system can say which folder a name leads to. The last component
    // stays as written; "." and ".." there, or a trailing "/", make the
    // whole name a folder, which is resolved whole.
    std::filesystem::path leaf = path.filename();
    bool whole = leaf.empty() || leaf == "." || leaf == "..";
    std::filesystem::path folder = whole ? path : path.parent_path();
    char* resolved = ::realpath(folder.c_str(), nullptr);
    if (!resolved)
        return path.string();
    std::filesystem::path real(resolved);
    std::free(resolved);
    return whole ? real.string() : (real / leaf).string();
}

bool File_Exists(const std::string& name)
{
    struct stat st {};
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

T_File_Check Check_Input_File(const std::string& name)
{
    struct stat st {};
    if (name.empty())
        return T_File_Check::Missing;
    if (::stat(name.c_str(), &st) != 0)
        // A folder on the way that the user may not enter hides the file.
        return errno == EACCES ? T_File_Check::No_Permission : T_File_Check::Missing;
    if (S_ISDIR(st.st_mode))
        return T_File_Check::Folder;
    if (!S_ISREG(st.st_mode))
        return T_File_Check::Not_Regular;
    // Judged by the effective ids, which are the ones open() uses.
    if (::faccessat(AT_FDCWD, name.c_str(), R_OK, AT_EACCESS) != 0)
        return T_File_Check::No_Permission;
    return T_File_Check::Regular;
}

bool Is_Null_Device(const std::string& name) { return name == "/dev/null"; }

std::string Null_Device() { return "/dev/null"; }

namespace {
// The user's own file mode mask, from before the program made its files
// private: what the files the user asked for (an export) are made with.
std::atomic<int> User_Mask{-1};
} // namespace

void Restrict_New_Files()
{
    const mode_t before = ::umask(077);
    int unknown = -1;
    User_Mask.compare_exchange_strong(unknown, int(before));
}

long Process_Id() { return long(::getpid()); }

void Run_This_Thread_When_Idle()
{
#ifdef SCHED_IDLE
    sched_param none{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none);
#endif
}

bool Process_Exists(long pid)
{
    // EPERM: it runs, as another user.
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

bool Give_User_Permissions(const std::string& name)
{
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0)
        return false;
    int mask = User_Mask.load();
    if (mask < 0) { // never restricted: the process's own mask is the user's
        mask = int(::umask(077));
        ::umask(mode_t(mask));
    }
    const mode_t full = S_ISDIR(st.st_mode) ? 0777 : 0666;
    return ::chmod(name.c_str(), full & ~mode_t(mask)) == 0;
}

void Use_Parent_Console() {}

bool Set_Environment(const std::string& name, const std::string& value)
{
    if (name.empty() || name.find('=') != std::string::npos ||
        name.find('\0') != std::string::npos || value.find('\0') != std::string::npos)
        return false;
    return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool Link_Or_Copy(const std::string& target, const std::string& link)
{
    struct stat st {};
    if (target.empty() || link.empty() || ::stat(target.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    std::string absolute = Full_Path_Name(target);
    // Made under a unique name beside `link` and renamed over it: an earlier
    // link or file of that name is replaced in one step, a folder is not.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = link + ".link" + std::to_string(::getpid()) + "_" +
                           std::to_string(Monotonic_Ns() % 1000000007u);
        if (::symlink(absolute.c_str(), temp.c_str()) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::rename(temp.c_str(), link.c_str()) == 0)
            return true;
        ::unlink(temp.c_str());
        return false;
    }
    return false;
}

bool Ensure_Private_Folder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 0777) != 0700)
        ::chmod(path.c_str(), 0700);
    return true;
}

std::string Make_Fallback_Private_Folder(const std::string& system_temp, const std::string& prefix)
{
    // mkdtemp makes a new folder of mode 0700 under a name no one holds;
    // another user cannot have put anything in its place.
    std::string folder = system_temp;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    folder += prefix + "XXXXXX";
    return ::mkdtemp(folder.data()) ? folder : std::string();
}

bool Copy_File_Replace(const std::string& src, const std::string& dst)
{
    T_Fd in(::open(src.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.Fd < 0 || ::fstat(in.Fd, &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    std::string temp = dst + ".partXXXXXX";
    T_Fd out(::mkstemp(temp.data()));
    if (out.Fd < 0)
        return false;
    bool ok = true;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!Write_All(out.Fd, buffer, static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    // The owner's rights of the source, never group's or others': a copy in
    // the private folder must not be readable by another user. The copy is
    // ours and always readable by us, even from a source we read as "other".
    ok = ok && ::fchmod(out.Fd, (st.st_mode & 0700) | 0400) == 0;
    ok = ::close(out.Fd) == 0 && ok;
    out.Fd = -1;
    // rename replaces dst whatever its mode, as the shell's silent copy does.
    ok = ok && ::rename(temp.c_str(), dst.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool Set_Read_Only(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && ::chmod(path.c_str(), st.st_mode & 07555) == 0;
}

bool Delete_File(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool Write_File(const std::string& path, const std::string& data, std::string& error)
{
    T_Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    bool ok = out.Fd >= 0 && Write_All(out.Fd, data.data(), data.size());
    if (out.Fd >= 0) {
        ok = ::close(out.Fd) == 0 && ok;
        out.Fd = -1;
    }
    if (!ok)
        error = std::strerror(errno);
    return ok;
}

// A device or a pipe named as the output (/dev/null, /dev/stdout, a named
// pipe) cannot be replaced by a file: it is written in place, and its own
// errors (a full device, a reader gone) are the answer.
bool Write_Device(const std::string& path, const std::string& data, std::string& error)
{
    T_Fd out(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (out.Fd < 0 || !Write_All(out.Fd, data.data(), data.size())) {
        error = std::strerror(errno);
        return false;
    }
    const int fd = out.Fd;
    out.Fd = -1;
    if (::close(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool Write_File_Whole(const std::string& path, const std::string& data, std::string& error)
{
    if (struct stat status;
        ::stat(path.c_str(), &status) == 0 && (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)))
        return Write_Device(path, data, error);
    std::string temporary = path + ".XXXXXX";
    T_Fd out(::mkstemp(temporary.data()));
    if (out.Fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    ::fcntl(out.Fd, F_SETFD, FD_CLOEXEC);
    // fsync: some file systems report a full disk only when the data goes out.
    bool ok = Write_All(out.Fd, data.data(), data.size()) && ::fsync(out.Fd) == 0;
    int failure = ok ? 0 : errno;
    if (::close(out.Fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    out.Fd = -1;
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = std::strerror(failure);
    }
    return ok;
}

bool Read_File(const std::string& path, std::string& data)
{
    data.clear();
    T_Fd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Fd < 0)
        return false;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        data.append(buffer, static_cast<size_t>(n));
    }
}

// The shell reads its scripts as bytes, and names are bytes here.
bool To_Script_Text(const std::string& text, std::string& script, std::string&)
{
    script = text;
    return true;
}

std::string From_Console_Text(const std::string& text) { return text; }

T_Script_Kind Native_Script_Kind() { return T_Script_Kind::Posix_Sh; }

std::string Quote_Argument(const std::string& argument)
{
    std::string quoted = "'";
    for (char c : argument) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

T_Child_Result Run_Captured(const std::string& command_line, const std::string& working_folder,
                            std::string& channel, const std::function<bool()>& between_polls)
{
    T_Child_Result result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    T_Fd read_end(fds[0]), write_end(fds[1]);
    pid_t pid = Spawn_Shell(command_line, working_folder, write_end.Fd);
    write_end.Reset(); // the child holds its own copy
    if (pid < 0)
        return result;
    result.Started = true;
    ::fcntl(read_end.Fd, F_SETFL, ::fcntl(read_end.Fd, F_GETFL) | O_NONBLOCK);

    // Drain while the child runs: a child that writes more than the pipe
    // holds would otherwise block and never end. A pidfd, where the kernel
    // offers one, wakes the poll the moment the child ends.
    T_Fd exit_fd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    bool open = true;
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            break;
        pollfd p[2];
        nfds_t count = 0;
        if (open)
            p[count++] = pollfd{read_end.Fd, POLLIN, 0};
        if (exit_fd.Fd >= 0)
            p[count++] = pollfd{exit_fd.Fd, POLLIN, 0};
        if (::poll(p, count, 100) > 0 && open && p[0].revents)
            open = Drain(read_end.Fd, channel);
        if (between_polls && !between_polls()) {
            // The child leads its own process group: stop it with whatever
            // it started (the converter under the script's shell).
            ::kill(-pid, SIGTERM);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
    }
    // What the child wrote before it ended; a grandchild that keeps the pipe
    // open is not waited for.
    if (open)
        Drain(read_end.Fd, channel);
    result.Exit_Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

bool Start_Detached(const std::string& command_line)
{
    // The shell puts the command in the background and ends at once; the
    // command is then adopted by init, so no zombie stays behind.
    pid_t pid = Spawn_Shell("exec </dev/null >/dev/null 2>&1\n" + command_line + " &", "", -1);
    if (pid < 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace os
