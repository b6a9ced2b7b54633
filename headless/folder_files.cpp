#include "folder_files.h"

namespace fs = std::filesystem;

std::set<std::string> Files_Below(const fs::path& Folder, std::error_code* Error)
{
    std::set<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it(Folder, error), end; !error && it != end;
         it.increment(error)) {
        // A link that leads nowhere is no regular file, and no reason to stop.
        std::error_code ignored;
        if (it->is_regular_file(ignored))
            names.insert(fs::relative(it->path(), Folder, ignored).generic_string());
    }
    if (Error)
        *Error = error;
    return names;
}
