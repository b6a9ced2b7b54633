#include "automation/posix/office_helper_environment.h"

#include <filesystem>

namespace {

constexpr std::string_view Library_Path = "LD_LIBRARY_PATH=";

} // namespace

std::string Office_Program_Folder(const std::string& soffice)
{
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(soffice, ec);
    return ec ? std::string() : real.parent_path().string();
}

std::vector<std::string> Office_Helper_Environment(const std::vector<std::string>& current,
                                                   const std::string& program_folder)
{
    if (program_folder.empty())
        return current;
    std::vector<std::string> environment;
    std::string library_path = std::string(Library_Path) + program_folder;
    for (const std::string& entry : current) {
        if (!entry.starts_with(Library_Path)) {
            environment.push_back(entry);
            continue;
        }
        if (entry.size() > Library_Path.size())
            library_path += ":" + entry.substr(Library_Path.size());
    }
    environment.push_back(library_path);
    return environment;
}
