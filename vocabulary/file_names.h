// The parts of a file name, by one set of rules for the whole program.
#pragma once

#include <string>

// The extension: the text after the last "." of the last component (behind
// the last folder separator, or a drive colon on Windows), lower-cased (A to
// Z), without the dot; empty when there is none.
std::string File_Extension(const std::string& name);

// The last component of a path, extension included.
std::string File_Name_Part(const std::string& path);

// Everything before the last component, with its trailing separator; empty
// for a bare name.
std::string File_Folder(const std::string& path);
