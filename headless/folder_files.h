// The files of a folder pair: what a version-control client's folder
// comparison hands over.
#pragma once

#include <filesystem>
#include <set>
#include <string>

// Every regular file below a folder, by its name relative to the folder
// ("sub/plan.png"), sorted; links to folders are not followed.
std::set<std::string> Files_Below(const std::filesystem::path& Folder);
