// The processes a test of the office helper looks for: those whose command
// line mentions a text (the private folder), zombies left out.
#pragma once

#include "tests/test_support.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

namespace test {

// Every process whose command line holds `text`; with `helper` 1 only the
// office helper, with 0 all but the helper, with -1 both.
inline std::vector<pid_t> Processes_Mentioning(const std::string& text, int helper = -1)
{
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string cmdline = Read_File(entry.path().string() + "/cmdline");
        std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
        const std::string state = Read_File(entry.path().string() + "/stat");
        const bool zombie = state.find(") Z") != std::string::npos;
        const bool is_helper = cmdline.find("varnolt_office_helper") != std::string::npos;
        if (!zombie && cmdline.find(text) != std::string::npos &&
            (helper < 0 || is_helper == (helper == 1)))
            found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return found;
}

} // namespace test
