// UTF-8 inside the program, UTF-16 at the system's wide-character calls.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace os::win32 {

inline std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return {};
    int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

inline std::string Narrow(const wchar_t* text, int length = -1)
{
    if (!text || length == 0 || (length < 0 && !*text))
        return {};
    if (length < 0)
        length = static_cast<int>(wcslen(text));
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

inline std::string Narrow(const std::wstring& text)
{
    return Narrow(text.c_str(), static_cast<int>(text.size()));
}

// The system's text for an error code, without the trailing line break.
inline std::string System_Message(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length ? Narrow(buffer, static_cast<int>(length)) : std::string();
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "System error " + std::to_string(code) + "." : text;
}

} // namespace os::win32
