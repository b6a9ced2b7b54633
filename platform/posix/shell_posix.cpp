// Desktop services on a freedesktop system: xdg-open for associations, the
// FileManager1 D-Bus interface to show a file in its folder.
#include "platform/shell_system.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <cctype>
#include <unistd.h>

namespace os {

namespace {

// Full path of a program on the search path, or empty.
std::string Find_On_Path(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty())
            continue;
        std::filesystem::path candidate = std::filesystem::path(folder) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// A file:// address with every byte outside the unreserved set escaped, so
// that commas and blanks survive dbus-send's argument syntax.
std::string File_Uri(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

class T_Freedesktop_Shell : public T_Shell_Services {
public:
    bool Find_Associated(const std::string& file, std::string& program, std::string& error) override
    {
        program.clear();
        std::string opener = Find_On_Path("xdg-open");
        if (opener.empty()) {
            error = "No program is associated with this file: xdg-open is not installed.";
            return false;
        }
        std::string mime_tool = Find_On_Path("xdg-mime");
        if (!mime_tool.empty()) {
            std::string type, app;
            Run_Captured(Quote_Argument(mime_tool) + " query filetype " + Quote_Argument(file), "",
                         type, {});
            type = Trimmed(type);
            if (!type.empty())
                Run_Captured(Quote_Argument(mime_tool) + " query default " + Quote_Argument(type),
                             "", app, {});
            if (Trimmed(app).empty()) {
                error = "No program is associated with files of type \"" + type + "\".";
                return false;
            }
        }
        program = opener;
        return true;
    }

    bool Show_In_Folder(const std::string& path) override
    {
        std::string sender = Find_On_Path("dbus-send");
        if (!sender.empty()) {
            std::string ignored;
            std::string line = Quote_Argument(sender) +
                               " --session --print-reply --reply-timeout=3000"
                               " --dest=org.freedesktop.FileManager1 /org/freedesktop/FileManager1"
                               " org.freedesktop.FileManager1.ShowItems " +
                               Quote_Argument("array:string:" + File_Uri(path)) + " string:";
            if (Run_Captured(line, "", ignored, {}).Exit_Code == 0)
                return true;
        }
        std::string opener = Find_On_Path("xdg-open");
        if (opener.empty())
            return false;
        std::string folder = std::filesystem::path(path).parent_path().string();
        return Start_Detached(Quote_Argument(opener) + " " + Quote_Argument(folder));
    }

    void Open(const std::string& file_or_address) override
    {
        std::string opener = Find_On_Path("xdg-open");
        if (!opener.empty())
            Start_Detached(Quote_Argument(opener) + " " + Quote_Argument(file_or_address));
    }
};

} // namespace

T_Shell_Services& System_Shell_Services()
{
    static T_Freedesktop_Shell system;
    return system;
}

} // namespace os
