// What an office leaves on disk besides its profile: the sockets of its
// named pipes. The office's runtime makes every named pipe a socket
// "OSL_PIPE_<uid>_<name>" in /tmp (a fixed place, not $TMPDIR), for the
// pipe the helper connects through and for the pipe by which a second start
// on the same profile finds the first one. An office that ends normally
// removes them; a killed one does not. The helper reads which sockets its
// office bound while it runs, so it can remove them once the office has gone.
// Linux only (/proc).
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

namespace office_leftovers {

// The processes of process group `group`.
inline std::vector<pid_t> Group_Members(pid_t group)
{
    std::vector<pid_t> members;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // "pid (command) state ppid pgrp ...": the command may hold blanks.
        size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(close + 1));
        std::string state;
        long parent = 0, process_group = 0;
        if (fields >> state >> parent >> process_group && process_group == group)
            members.push_back(static_cast<pid_t>(std::atol(name.c_str())));
    }
    return members;
}

// The pipe sockets ("OSL_PIPE_" in /tmp or /var/tmp) that processes of
// `group` hold open: their inodes from /proc/<pid>/fd, their paths from
// /proc/net/unix.
inline std::vector<std::string> Pipe_Sockets_Of(pid_t group)
{
    std::set<std::string> inodes;
    for (pid_t pid : Group_Members(group)) {
        std::error_code ec;
        std::string folder = "/proc/" + std::to_string(pid) + "/fd";
        for (const auto& fd : std::filesystem::directory_iterator(folder, ec)) {
            std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
            if (target.rfind("socket:[", 0) == 0 && target.back() == ']')
                inodes.insert(target.substr(8, target.size() - 9));
        }
    }
    std::vector<std::string> sockets;
    std::ifstream table("/proc/net/unix");
    std::string line;
    std::getline(table, line); // the heading
    while (std::getline(table, line)) {
        // Num RefCount Protocol Flags Type St Inode Path
        std::istringstream fields(line);
        std::string skip, inode, path;
        for (int i = 0; i < 6; ++i)
            fields >> skip;
        fields >> inode >> path;
        bool pipe =
            path.rfind("/tmp/OSL_PIPE_", 0) == 0 || path.rfind("/var/tmp/OSL_PIPE_", 0) == 0;
        if (pipe && inodes.count(inode))
            sockets.push_back(path);
    }
    return sockets;
}

// True when something accepts connections on the socket `path`.
inline bool Listened_On(const std::string& path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool listened = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return listened;
}

// Removes the sockets nothing listens on any more (an office that outlived
// its helper keeps its own).
inline void Remove_Stale(const std::vector<std::string>& sockets)
{
    for (const std::string& path : sockets)
        if (!Listened_On(path))
            unlink(path.c_str());
}

// The sockets of earlier helpers' connection pipes (their names start with
// `prefix`) whose office is gone: a helper that was killed could not remove
// them itself.
inline std::vector<std::string> Earlier_Pipe_Sockets(const std::string& prefix)
{
    std::vector<std::string> found;
    std::string start = "OSL_PIPE_" + std::to_string(getuid()) + "_" + prefix;
    for (const char* folder : {"/tmp", "/var/tmp"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            if (entry.path().filename().string().rfind(start, 0) == 0 &&
                entry.symlink_status(ec).type() == std::filesystem::file_type::socket)
                found.push_back(entry.path().string());
    }
    return found;
}

} // namespace office_leftovers
