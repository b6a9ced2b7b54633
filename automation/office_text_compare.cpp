#include "automation/office_text_compare.h"

#include "vocabulary/U_Msg.h"
#include "vocabulary/file_names.h"
#include "platform/os_platform.h"
#include "engine/u_temp_files.h"

#ifndef _WIN32
#include "automation/office_bridge_server.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex helper_lock;
std::string helper_path, soffice_path;

// A count of the answer: digits only, as the helper writes them.
bool Count_Of(const std::string& Field, int& Count)
{
    if (Field.empty() || Field.size() > 9 ||
        !std::all_of(Field.begin(), Field.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    Count = std::atoi(Field.c_str());
    return true;
}

#ifndef _WIN32
// The user's names in a message about the private copies.
std::string Named_As_Given(std::string Text, const std::string& Copy, const std::string& Given)
{
    for (std::size_t at = Text.find(Copy); !Copy.empty() && at != std::string::npos;
         at = Text.find(Copy, at + Given.size()))
        Text.replace(at, Copy.size(), Given);
    return Text;
}

// A read-only private copy of a file, named with its extension (the office
// tells some formats apart by it); "" when none could be made.
std::string Private_Copy(const std::string& File, const char* Side)
{
    std::string copy = Temp_Path(std::string("_") + Side + "." + File_Extension(File));
    if (!os::Copy_File_Replace(File, copy) || !os::Set_Read_Only(copy))
        return {};
    return os::Full_Path_Name(copy);
}
#endif

} // namespace

bool Parse_Text_Changes(const std::vector<std::string>& Fields, T_Text_Changes& Changes)
{
    if (Fields.size() < 3 || (Fields.size() - 3) % 3 != 0)
        return false;
    T_Text_Changes parsed;
    if (!Count_Of(Fields[0], parsed.Insertions) || !Count_Of(Fields[1], parsed.Deletions) ||
        !Count_Of(Fields[2], parsed.Format_Changes))
        return false;
    for (std::size_t i = 3; i < Fields.size(); i += 3) {
        const std::string &kind = Fields[i], &place = Fields[i + 1], &text = Fields[i + 2];
        if (kind != "insertion" && kind != "deletion" && kind != "format")
            return false;
        parsed.Changes.push_back({kind, place.empty() ? text : place + ": " + text, place});
    }
    if (int(parsed.Changes.size()) > parsed.Total())
        return false;
    Changes = std::move(parsed);
    return true;
}

void Set_Text_Compare_Helper(const std::string& Helper_Path, const std::string& Soffice)
{
    std::lock_guard lock(helper_lock);
    helper_path = Helper_Path;
    soffice_path = Soffice;
}

bool Compare_Text_Documents(const std::string& Base, const std::string& Modified,
                            T_Text_Changes& Changes, std::string& Error)
{
    std::string helper, soffice;
    {
        std::lock_guard lock(helper_lock);
        helper = helper_path;
        soffice = soffice_path;
    }
    if (helper.empty()) {
        Error = Get_Msg(cap_Office_Not_Installed);
        return false;
    }
#ifdef _WIN32
    (void)Base;
    (void)Modified;
    (void)Changes;
    (void)soffice;
    Error = Get_Msg(cap_Office_Not_Installed);
    return false;
#else
    const std::string base = Private_Copy(Base, "old"), modified = Private_Copy(Modified, "new");
    struct T_Copies_Removal {
        const std::string &First, &Second;
        ~T_Copies_Removal()
        {
            for (const std::string* copy : {&First, &Second})
                if (!copy->empty())
                    os::Delete_File(*copy);
        }
    } removal{base, modified};
    if (base.empty() || modified.empty()) {
        Error = "cannot copy " + (base.empty() ? Base : Modified) + " into the private folder";
        return false;
    }
    auto as_given = [&](std::string text) {
        return Named_As_Given(Named_As_Given(std::move(text), base, Base), modified, Modified);
    };
    std::string why;
    std::unique_ptr<T_Office_Channel> channel =
        Start_Office_Helper(helper, Temp_Dir(), soffice, false, why, std::chrono::minutes(3));
    if (!channel) {
        Error = "LibreOffice could not be started: " + why;
        return false;
    }
    try {
        const std::vector<std::string> answer = channel->Request({"TEXTCHANGES", base, modified});
        channel->Close();
        if (!Parse_Text_Changes(answer, Changes)) {
            Error = "the office helper gave a malformed answer";
            return false;
        }
        return true;
    } catch (const T_Automation_Error& error) {
        channel->Close();
        Error = as_given(error.what());
        return false;
    }
#endif
}
