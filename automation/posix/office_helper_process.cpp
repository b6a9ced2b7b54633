// The office helper as a child process (POSIX): a socket pair on its standard
// input and output, its own process group, and the office's process group
// that it reports when ready, so that nothing it started outlives it.
#include "automation/office_bridge_server.h"

#include "automation/posix/office_helper_environment.h"
#include "office/office_location.h"
#include "office/office_protocol.h"
#include "engine/u_temp_files.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* Server_Source = "LibreOffice";
constexpr const char* Helper_Name = "varnolt_office_helper";

// The office's first start makes its profile; later starts take a few
// seconds.
constexpr auto Ready_Timeout = std::chrono::seconds(120);
// QUIT waits for the office to terminate (the helper kills it after 8 s).
constexpr auto Quit_Timeout = std::chrono::seconds(15);

// The argument or environment vector of posix_spawn over `strings`, which
// must outlive it.
std::vector<char*> Null_Terminated(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

class T_Helper_Process : public T_Office_Channel {
public:
    // A request is one document or one page: a large drawing takes long, a
    // hung office is given up after this.
    explicit T_Helper_Process(std::chrono::milliseconds timeout) : request_timeout(timeout) {}

    ~T_Helper_Process() override { Close(); }

    bool Start(const std::string& helper_path, const std::string& private_folder,
               const std::string& soffice, bool visible, std::string& error)
    {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            error =
                std::string("Cannot make a pipe for the office helper: ") + std::strerror(errno);
            return false;
        }
        std::vector<std::string> all{helper_path};
        if (visible)
            all.push_back("--visible");
        all.push_back(private_folder);
        if (!soffice.empty())
            all.push_back(soffice);
        std::vector<char*> argv = Null_Terminated(all);
        // The UNO runtime the helper links comes from the office's program
        // folder (see office_helper_environment.h).
        std::vector<std::string> current;
        for (char** entry = environ; *entry; ++entry)
            current.emplace_back(*entry);
        std::vector<std::string> helper_environment = Office_Helper_Environment(
            current,
            Office_Program_Folder(soffice.empty() ? office_location::Find_Soffice() : soffice));
        std::vector<char*> envp = Null_Terminated(helper_environment);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setpgroup(&attributes, 0);
        sigset_t none, defaults;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigaddset(&defaults, SIGTERM);
        sigaddset(&defaults, SIGINT);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                  POSIX_SPAWN_SETSIGDEF);
        int status =
            posix_spawn(&pid, helper_path.c_str(), &actions, &attributes, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(pair[1]);
        fd = pair[0];
        if (status != 0) {
            pid = -1;
            Shut();
            error = "Cannot start " + helper_path + ": " + std::strerror(status);
            return false;
        }

        std::string line;
        if (!Read_Line(line, Ready_Timeout)) {
            error = "The office helper did not start LibreOffice";
            Kill_All();
            return false;
        }
        std::vector<std::string> fields = office_protocol::Split(line);
        if (fields[0] != "READY" || fields.size() != 2) {
            error = fields.size() > 1 ? fields[1] : "The office helper failed to start";
            Kill_All();
            return false;
        }
        office_group = std::atoi(fields[1].c_str());
        return true;
    }

    std::vector<std::string> Request(const std::vector<std::string>& fields) override
    {
        if (fd < 0)
            throw T_Server_Exception(stop_reason, Server_Source);
        std::string line = office_protocol::Join(fields) + "\n";
        std::string answer;
        if (!Write_All(line) || !Read_Line(answer, request_timeout)) {
            Kill_All(false);
            throw T_Server_Exception(stop_reason, Server_Source);
        }
        std::vector<std::string> reply = office_protocol::Split(answer);
        if (reply[0] == "OK")
            return std::vector<std::string>(reply.begin() + 1, reply.end());
        if (reply[0] == "ERR" && reply.size() > 1)
            throw T_Server_Exception(reply[1], Server_Source);
        Kill_All(false);
        throw T_Server_Exception("The office helper gave a malformed answer", Server_Source);
    }

    void Close() override
    {
        if (fd >= 0) {
            std::string answer;
            // Whatever the answer, the helper is done: it ends after QUIT.
            // "LEFT": its office shows the user a comparison and stays.
            if (Write_All("QUIT\n") && Read_Line(answer, Quit_Timeout) &&
                office_protocol::Split(answer) == std::vector<std::string>{"OK", "LEFT"})
                office_group = -1;
            stop_reason = "LibreOffice has been quit";
        }
        Kill_All(true);
    }

private:
    bool Write_All(const std::string& data)
    {
        size_t sent = 0;
        while (sent < data.size()) {
            ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                stop_reason = "The office helper has stopped";
                return false;
            }
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // One line of the helper's answer, waiting at most `timeout`. False when
    // the helper ended or did not answer in time (stop_reason says which).
    bool Read_Line(std::string& line, std::chrono::milliseconds timeout)
    {
        auto until = Clock::now() + timeout;
        for (;;) {
            size_t end = buffer.find('\n');
            if (end != std::string::npos) {
                line = buffer.substr(0, end);
                buffer.erase(0, end + 1);
                return true;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0) {
                stop_reason = "LibreOffice did not answer in time and was stopped";
                return false;
            }
            pollfd entry{fd, POLLIN, 0};
            int ready = poll(&entry, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
            if (ready < 0 && errno != EINTR) {
                stop_reason = "The office helper has stopped";
                return false;
            }
            if (ready <= 0)
                continue;
            char chunk[4096];
            ssize_t n = recv(fd, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                stop_reason = "LibreOffice has stopped (the office helper ended)";
                return false;
            }
            buffer.append(chunk, static_cast<size_t>(n));
        }
    }

    // Ends the helper and the office for good: a helper that was killed
    // or crashed leaves its office running otherwise. With `wait_for_exit`
    // a helper that was told to quit gets a moment to end by itself.
    void Kill_All(bool wait_for_exit = false)
    {
        if (pid > 0) {
            auto until = Clock::now() + std::chrono::seconds(wait_for_exit ? 2 : 0);
            while (waitpid(pid, nullptr, WNOHANG) == 0) {
                if (Clock::now() >= until) {
                    kill(-pid, SIGKILL);
                    waitpid(pid, nullptr, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            pid = -1;
        }
        if (office_group > 0) {
            kill(-office_group, SIGKILL);
            office_group = -1;
        }
        Shut();
    }

    void Shut()
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }

    std::chrono::milliseconds request_timeout;
    pid_t pid = -1;
    pid_t office_group = -1;
    int fd = -1;
    std::string buffer;
    std::string stop_reason = "The office helper has stopped";
};

} // namespace

std::unique_ptr<T_Office_Channel> Start_Office_Helper(const std::string& helper_path,
                                                      const std::string& private_folder,
                                                      const std::string& soffice, bool visible,
                                                      std::string& error,
                                                      std::chrono::milliseconds request_timeout)
{
    auto process = std::make_unique<T_Helper_Process>(request_timeout);
    if (!process->Start(helper_path, private_folder, soffice, visible, error))
        return nullptr;
    return process;
}
