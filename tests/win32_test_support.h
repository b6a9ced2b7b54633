// Helpers of the Windows tests: the child program, UTF-8 names as paths, and
// file attributes.
#pragma once

#include "platform/os_platform.h"
#include "tests/test_support.h"

#include <windows.h>

#include <filesystem>
#include <string>

namespace test {

// The child program of tests/platform/win32_helper.cpp.
inline std::string Helper() { return VARNOLT_WIN32_HELPER; }

// A UTF-8 name as a path; std::filesystem would read a plain std::string in
// the ANSI code page.
inline std::filesystem::path U8(const std::string& name)
{
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

inline DWORD Attributes(const std::string& name)
{
    return GetFileAttributesW(U8(name).wstring().c_str());
}

// A name that no single Windows code page holds: Cyrillic and Greek letters.
inline const std::string Mixed_Script_Name =
    "\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD_\xCF\x83\xCF\x87\xCE\xAD\xCE\xB4\xCE\xB9\xCE\xBF";
// Cyrillic only: it works wherever the file calls are wide.
inline const std::string Cyrillic_Name = "\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD";

} // namespace test
