#include "session/folder_files.h"

#include "platform/os_platform.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

std::set<std::string> Files_Below(const std::string& Folder, std::error_code* Error)
{
    std::set<std::string> names;
    std::error_code error;
    // Names are taken from the paths as listed, never through the links
    // they may be: a version-control client's folder comparison links the
    // working tree's files into its folder.
    fs::path base = os::Utf8_Path(Folder).lexically_normal();
    if (!base.has_filename() && base.has_parent_path())
        base = base.parent_path();
    for (fs::recursive_directory_iterator it(base, error), end; !error && it != end;
         it.increment(error)) {
        // A link that leads nowhere is no regular file, and no reason to stop.
        std::error_code ignored;
        if (it->is_regular_file(ignored)) {
            const std::u8string name = it->path().lexically_relative(base).generic_u8string();
            names.insert(std::string(name.begin(), name.end()));
        }
    }
    if (Error)
        *Error = error;
    return names;
}

bool Same_Bytes(const std::string& First, const std::string& Second)
{
    std::ifstream a(os::Utf8_Path(First), std::ios::binary),
        b(os::Utf8_Path(Second), std::ios::binary);
    std::istreambuf_iterator<char> end;
    return a && b &&
           std::equal(std::istreambuf_iterator<char>(a), end, std::istreambuf_iterator<char>(b),
                      end);
}

std::string Path_In(const std::string& Folder, const std::string& Name)
{
    return os::Utf8_Name(os::Utf8_Path(Folder) / os::Utf8_Path(Name));
}
