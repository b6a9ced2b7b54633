// Inside the system layer: the desktop services of the running system, which
// Shell_Services() hands out unless a test has replaced them.
#pragma once

#include "platform/os_platform.h"

namespace os {

T_Shell_Services& System_Shell_Services();

} // namespace os
