// The Windows shell's services: the program associated with a file, a file
// shown selected in its folder, a document or address opened by the "open"
// verb. The folder view needs COM, which the program initialises at start-up.
#include "platform/shell_system.h"
#include "platform/win32/win32_text.h"

#include <shellapi.h>
#include <shlobj.h>

namespace os {

using win32::Narrow;
using win32::Widen;

namespace {

bool Same_File_Name(const std::string& a, const std::string& b)
{
    std::wstring wa = Widen(Full_Path_Name(a)), wb = Widen(Full_Path_Name(b));
    return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

class T_Windows_Shell : public T_Shell_Services {
public:
    bool Find_Associated(const std::string& file, std::string& program, std::string& error) override
    {
        program.clear();
        size_t cut = file.find_last_of("\\/:");
        std::string folder = cut == std::string::npos ? std::string() : file.substr(0, cut + 1);
        std::string name = cut == std::string::npos ? file : file.substr(cut + 1);
        wchar_t found[MAX_PATH + 1] = {};
        SetLastError(0);
        auto answer = reinterpret_cast<INT_PTR>(
            FindExecutableW(Widen(name).c_str(), Widen(folder).c_str(), found));
        if (answer <= 32) {
            DWORD code = GetLastError();
            error = win32::System_Message(code ? code : static_cast<DWORD>(answer));
            return false;
        }
        program = Narrow(found);
        // A file that is itself a program is named as given, so the caller
        // starts it on its own.
        if (Same_File_Name(program, file))
            program = file;
        return true;
    }

    bool Show_In_Folder(const std::string& path) override
    {
        PIDLIST_ABSOLUTE item = ILCreateFromPathW(Widen(path).c_str());
        if (!item)
            return false;
        bool shown = SUCCEEDED(SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
        ILFree(item);
        return shown;
    }

    void Open(const std::string& file_or_address) override
    {
        ShellExecuteW(nullptr, L"open", Widen(file_or_address).c_str(), L"", L"", SW_SHOWNORMAL);
    }
};

} // namespace

T_Shell_Services& System_Shell_Services()
{
    static T_Windows_Shell system;
    return system;
}

} // namespace os
