// The files of a folder pair: what a version-control client's folder
// comparison hands over.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <system_error>

// Every regular file below a folder, by its name relative to the folder
// ("sub/plan.png"), sorted; links to folders are not followed. `Error`, when
// given, is set when the folder or one below it could not be read: the list
// then lacks what could not be read.
std::set<std::string> Files_Below(const std::filesystem::path& Folder,
                                  std::error_code* Error = nullptr);

// True when both files can be read and hold the same bytes.
bool Same_Bytes(const std::string& First, const std::string& Second);
