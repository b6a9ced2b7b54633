#include "automation/u_ms_ole_common.h"

bool Try_Create_Ole_Object(const std::string& Prog_ID, T_Variant& Object, std::string& Error_Text)
{
    Error_Text.clear();
    try {
        Object = T_Variant::Object(Create_Automation_Object(Prog_ID));
        return true;
    } catch (const T_Call_Failed_Error& failure) {
        Error_Text = failure.what();
        return false;
    }
}
