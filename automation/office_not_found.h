// What the program says when Visio or Word cannot be started. Outside
// Windows, LibreOffice answers for both through the office helper that the
// package varnolt-office installs; when no server is registered under the
// application's ProgID, the helper or LibreOffice is missing, and the
// message names the package to install. Otherwise (Windows, where the
// applications themselves are looked for, or a helper that is there but
// failed to start, whose reason is on the error output) it is the
// application's own "not found" message.
#pragma once

#include "vocabulary/U_Msg.h"

#include <string>

T_Msg_Id Office_Not_Found_Message(const std::string& prog_id, T_Msg_Id application_not_found);
