#include "folder_files.h"

namespace fs = std::filesystem;

std::set<std::string> Files_Below(const fs::path& Folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it(Folder, error), end; !error && it != end;
         it.increment(error))
        if (it->is_regular_file(error))
            names.insert(fs::relative(it->path(), Folder, error).generic_string());
    return names;
}
