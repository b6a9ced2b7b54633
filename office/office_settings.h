// The settings the helper's office starts with, written into its fresh
// profile before it starts (the office reads user/registrymodifications.xcu
// of its profile as the user's own changes to its defaults).
//
// The office only ever reads the documents it is given: links are never
// updated, a picture or object that a document merely links to (a web
// address, another file) is not fetched, no macro runs, and a first start
// asks nothing. Plain C++, no office library.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace office_settings {

struct Setting {
    const char* Path; // the group
    const char* Name;
    const char* Type; // xs:int or xs:boolean
    const char* Value;
};

// Writer: 0 always, 1 on request, 2 never; Calc: 0 always, 1 never, 2 on
// request. BlockUntrustedRefererLinks keeps the office from fetching what a
// document links to from outside a trusted place (none is configured): the
// linked pictures of a .docx stay empty frames.
constexpr Setting Settings[] = {
    {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "xs:boolean",
     "true"},
    {"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "xs:int", "3"},
    {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "xs:boolean",
     "true"},
    {"/org.openoffice.Office.Writer/Content/Update", "Link", "xs:int", "2"},
    {"/org.openoffice.Office.Calc/Content/Update", "Link", "xs:int", "1"},
    {"/org.openoffice.Setup/Office", "ooSetupInstCompleted", "xs:boolean", "true"},
    {"/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "xs:boolean", "false"},
};

inline std::string Registry_Modifications()
{
    std::string xcu = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\""
                      " xmlns:xs=\"http://www.w3.org/2001/XMLSchema\""
                      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    for (const Setting& setting : Settings)
        xcu += std::string("<item oor:path=\"") + setting.Path + "\"><prop oor:name=\"" +
               setting.Name + "\" oor:op=\"fuse\" oor:type=\"" + setting.Type + "\"><value>" +
               setting.Value + "</value></prop></item>\n";
    return xcu + "</oor:items>\n";
}

// Writes the settings into `profile` (the folder given to the office as its
// UserInstallation). False when the file cannot be written.
inline bool Write(const std::string& profile)
{
    std::string user = profile + "/user";
    std::error_code ec;
    std::filesystem::create_directories(user, ec);
    std::ofstream out(user + "/registrymodifications.xcu", std::ios::binary | std::ios::trunc);
    out << Registry_Modifications();
    out.close();
    return static_cast<bool>(out);
}

} // namespace office_settings
