#include "vocabulary/file_names.h"

namespace {

// Where the last component starts. Windows separates folders by "\" or "/"
// and ends a drive by ":"; elsewhere only "/" separates, and "\" or ":" are
// ordinary characters of a name.
std::size_t Last_Component_Start(const std::string& path)
{
#ifdef _WIN32
    auto separator = path.find_last_of("\\/:");
#else
    auto separator = path.find_last_of('/');
#endif
    return separator == std::string::npos ? 0 : separator + 1;
}

} // namespace

std::string File_Extension(const std::string& name)
{
    std::size_t start = Last_Component_Start(name);
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot < start)
        return {};
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

std::string File_Name_Part(const std::string& path)
{
    return path.substr(Last_Component_Start(path));
}

std::string File_Folder(const std::string& path)
{
    return path.substr(0, Last_Component_Start(path));
}
