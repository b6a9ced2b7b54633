// A child program for the Windows tests, run through real CreateProcess and
// cmd batch files. Its first argument says what to do:
//   args              prints its command line as the system keeps it, then
//                     each further argument of the system's split, its UTF-8
//                     bytes in hexadecimal, one a line
//   print N           writes N bytes "y" to standard error and "done" to
//                     standard output
//   say TEXT          writes TEXT to standard output
//   fail TEXT CODE    writes TEXT to standard error and ends with CODE
//   spawn             starts "sleep" as a grandchild, prints its process id,
//                     then waits for it
//   sleep             waits a minute
// Copied under a name that starts with "slow" it stands in for a converter
// that never finishes on its own: it waits a minute.
// Copied under the name convert.exe it stands in for the converter: every
// argument but the last is an input (a "fmt:" prefix and a "[0]" frame
// selector are dropped), the last
// is the output, which receives the first input's bytes. It appends its
// command line to the file named by VARNOLT_STANDIN_LOG and copies every
// batch file lying beside the output to that name + ".bat", so that tests
// see the exact script that started it.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

void Write(HANDLE handle, const std::string& text)
{
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void Append_File(const std::wstring& path, const std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    Write(file, text);
    CloseHandle(file);
}

std::wstring Folder_Of(const std::wstring& path)
{
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? L"." : path.substr(0, cut);
}

int Stand_In_Converter(const std::vector<std::wstring>& args)
{
    wchar_t log[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VARNOLT_STANDIN_LOG", log, MAX_PATH)) {
        Append_File(log, Utf8(GetCommandLineW()) + "\n");
        WIN32_FIND_DATAW found;
        std::wstring folder = args.size() > 1 ? Folder_Of(args.back()) : L".";
        HANDLE search = FindFirstFileW((folder + L"\\*.bat").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                CopyFileW((folder + L"\\" + found.cFileName).c_str(),
                          (std::wstring(log) + L".bat").c_str(), FALSE);
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    // The first input: the first argument that is neither an option nor the
    // value of -shave.
    size_t first = 1;
    while (first + 1 < args.size() && args[first][0] == L'-')
        first += args[first] == L"-shave" ? 2 : 1;
    if (first + 1 >= args.size())
        return 1;
    std::wstring input = args[first];
    size_t colon = input.find(L':');
    if (colon != std::wstring::npos && colon > 1)
        input = input.substr(colon + 1);
    if (input.size() > 3 && input.compare(input.size() - 3, 3, L"[0]") == 0)
        input.resize(input.size() - 3);
    return CopyFileW(input.c_str(), args.back().c_str(), FALSE) ? 0 : 1;
}

} // namespace

int main()
{
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args(argv, argv + count);
    LocalFree(argv);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);

    std::wstring self = args.empty() ? L"" : args[0];
    size_t cut = self.find_last_of(L"\\/");
    std::wstring name = cut == std::wstring::npos ? self : self.substr(cut + 1);
    if (_wcsicmp(name.c_str(), L"convert.exe") == 0 || _wcsicmp(name.c_str(), L"convert") == 0)
        return Stand_In_Converter(args);
    if (_wcsnicmp(name.c_str(), L"slow", 4) == 0) {
        Sleep(60000);
        return 0;
    }

    std::wstring mode = args.size() > 1 ? args[1] : L"";
    if (mode == L"args") {
        Write(out, std::string(GetCommandLineA()) + "\n");
        for (size_t i = 2; i < args.size(); ++i)
            Write(out, Hex(Utf8(args[i])) + "\n");
        return 0;
    }
    if (mode == L"print" && args.size() > 2) {
        Write(err, std::string(std::stoul(args[2]), 'y'));
        Write(out, "done");
        return 0;
    }
    if (mode == L"say" && args.size() > 2) {
        Write(out, Utf8(args[2]));
        return 0;
    }
    if (mode == L"fail" && args.size() > 3) {
        Write(err, Utf8(args[2]));
        return std::stoi(args[3]);
    }
    if (mode == L"spawn") {
        std::wstring line = L"\"" + args[0] + L"\" sleep";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process))
            return 2;
        Write(out, std::to_string(process.dwProcessId));
        FlushFileBuffers(out);
        WaitForSingleObject(process.hProcess, INFINITE);
        return 0;
    }
    if (mode == L"sleep") {
        Sleep(60000);
        return 0;
    }
    return 1;
}
