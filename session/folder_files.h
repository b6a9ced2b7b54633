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
std::set<std::string> Files_Below(const std::string& Folder, std::error_code* Error = nullptr);

// The file `Name` (as Files_Below lists it) in `Folder`; UTF-8 in and out.
std::string Path_In(const std::string& Folder, const std::string& Name);

// True when both files can be read and hold the same bytes.
bool Same_Bytes(const std::string& First, const std::string& Second);
