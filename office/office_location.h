// Where LibreOffice's soffice lives: the one search that the program (to
// decide whether the office bridge can start) and its helper (to start the
// office) both use, so they never disagree. POSIX only, like the helper.
#pragma once

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace office_location {

inline bool Executable(const std::string& path)
{
    return !path.empty() && access(path.c_str(), X_OK) == 0;
}

// soffice on PATH, else in Debian's program folder; "" when neither runs.
inline std::string Find_Soffice()
{
    if (const char* path = std::getenv("PATH")) {
        const std::string list = path;
        size_t from = 0;
        while (from <= list.size()) {
            size_t to = list.find(':', from);
            std::string dir =
                list.substr(from, to == std::string::npos ? std::string::npos : to - from);
            if (!dir.empty() && Executable(dir + "/soffice"))
                return dir + "/soffice";
            if (to == std::string::npos)
                break;
            from = to + 1;
        }
    }
    const std::string usual = "/usr/lib/libreoffice/program/soffice";
    return Executable(usual) ? usual : std::string();
}

} // namespace office_location
