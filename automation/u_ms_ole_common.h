// Creating an automation server's object without raising.
#pragma once

#include "automation/u_ole_automation.h"

#include <string>

// Creates the object of the server registered under `Prog_ID`. True with
// `Object` holding it; false with `Error_Text` set to the system's message
// when the class is unknown or its creation returned a failure status. Any
// other error raised while creating propagates.
bool Try_Create_Ole_Object(const std::string& Prog_ID, T_Variant& Object, std::string& Error_Text);
