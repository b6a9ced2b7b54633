// Makes LibreOffice answer for Visio and Word, where the helper and the
// office are installed (POSIX only).
#pragma once

#include <string>

// Registers "Visio.InvisibleApp" and "Word.Application" to start a helper
// for every new server object, when the helper executable and LibreOffice
// are both there; else registers nothing, so that the program reports Visio
// and Word as not found, as it does without a bridge. `private_folder` ""
// means the program's private temporary folder. True when registered.
bool Register_Office_Bridge_Servers(const std::string& helper_path,
                                    const std::string& private_folder = "");
