#include "platform/os_platform.h"

namespace os {

std::filesystem::path Utf8_Path(const std::string& name)
{
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string Utf8_Name(const std::filesystem::path& path)
{
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

} // namespace os
