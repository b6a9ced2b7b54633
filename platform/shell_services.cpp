#include "platform/shell_system.h"

namespace os {

namespace {

T_Shell_Services* replaced = nullptr;

} // namespace

T_Shell_Services& Shell_Services() { return replaced ? *replaced : System_Shell_Services(); }

void Set_Shell_Services(T_Shell_Services* services) { replaced = services; }

} // namespace os
