#include "automation/office_not_found.h"

#include "automation/u_ole_automation.h"

T_Msg_Id Office_Not_Found_Message(const std::string& prog_id, T_Msg_Id application_not_found)
{
#ifdef _WIN32
    (void)prog_id;
    return application_not_found;
#else
    return Find_Automation_Server(prog_id) ? application_not_found : cap_Office_Not_Installed;
#endif
}
