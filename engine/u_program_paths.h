// Where the program and its converter lie; set once at start-up.
#pragma once

#include <string>

// The executable's folder, with a trailing separator.
const std::string& ProgramFolder();
void Set_Program_Folder(const std::string& folder);

// ProgramFolder + the converter's fixed place ("imagemagick/convert" here,
// "imagemagick\convert.exe" on Windows). Read by every converter command.
const std::string& ConverterPath();
void Set_Converter_Path(const std::string& path);

// True when a file (not a folder) lies at ConverterPath(). Only conversions
// and compared images need it; differences are computed in the program.
bool Converter_Present();
