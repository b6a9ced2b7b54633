// The environment the office helper starts with. The helper links the UNO
// runtime, whose libraries, and the private ones they load in turn, live in
// the office's program folder: LibreOffice's own programs find them through
// their RUNPATH $ORIGIN, and Debian's SDK tools outside that folder through
// LD_LIBRARY_PATH, set by their start scripts. The helper, installed beside
// the program, is started the second way, with the program folder of the
// office it drives: it then runs with that office's UNO runtime wherever
// LibreOffice is installed, and carries no library search path of its own.
#pragma once

#include <string>
#include <vector>

// The program folder of the office that `soffice` starts: the folder of the
// file it resolves to (/usr/bin/soffice is a link into it). "" when it does
// not resolve.
std::string Office_Program_Folder(const std::string& soffice);

// `current` ("NAME=value" entries) with `program_folder` first in
// LD_LIBRARY_PATH, ahead of what it held; every other entry as it was. An
// empty `program_folder` changes nothing; an empty or missing
// LD_LIBRARY_PATH becomes the folder alone, with no empty element (which
// would search the current directory).
std::vector<std::string> Office_Helper_Environment(const std::vector<std::string>& current,
                                                   const std::string& program_folder);
