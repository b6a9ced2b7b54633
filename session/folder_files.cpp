#include "session/folder_files.h"

#include "platform/os_platform.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

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
    // Files of different lengths differ without a byte read.
    std::error_code error;
    const std::uintmax_t size = fs::file_size(os::Utf8_Path(First), error);
    if (!error && size != fs::file_size(os::Utf8_Path(Second), error) && !error)
        return false;
    std::ifstream a(os::Utf8_Path(First), std::ios::binary),
        b(os::Utf8_Path(Second), std::ios::binary);
    if (!a || !b)
        return false;
    std::vector<char> block_a(1 << 16), block_b(1 << 16);
    for (;;) {
        a.read(block_a.data(), std::streamsize(block_a.size()));
        b.read(block_b.data(), std::streamsize(block_b.size()));
        if (a.gcount() != b.gcount() ||
            std::memcmp(block_a.data(), block_b.data(), std::size_t(a.gcount())) != 0)
            return false;
        if (a.gcount() == 0 || !a || !b)
            return !a == !b && a.eof() && b.eof();
    }
}

std::string Path_In(const std::string& Folder, const std::string& Name)
{
    return os::Utf8_Name(os::Utf8_Path(Folder) / os::Utf8_Path(Name));
}
