// The automation backend where there is no COM: servers are the objects
// registered in this process by ProgID.
#include "automation/u_ole_automation.h"

std::shared_ptr<T_Dispatch> Create_Automation_Object(const std::string& prog_id)
{
    T_Server_Factory factory = Find_Automation_Server(prog_id);
    if (!factory)
        throw T_Call_Failed_Error(ole_status::Invalid_Class_String);
    std::shared_ptr<T_Dispatch> object = factory();
    if (!object)
        throw T_Call_Failed_Error(ole_status::Server_Exec_Failure);
    return object;
}

std::string Status_Message(std::int32_t status) { return Standard_Status_Text(status); }

// The failure carries the text this backend gives its status, so the
// automation core never calls back into the backend.
T_Call_Failed_Error::T_Call_Failed_Error(std::int32_t status)
    : T_Automation_Error(Status_Message(status)), Status(status)
{
}

T_Automation_Apartment::T_Automation_Apartment() = default;

T_Automation_Apartment::~T_Automation_Apartment() = default;
