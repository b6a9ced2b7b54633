#include "engine/u_program_paths.h"

#include "platform/os_platform.h"

namespace {

std::string program_folder;
std::string converter_path;

} // namespace

const std::string& ProgramFolder() { return program_folder; }

void Set_Program_Folder(const std::string& folder)
{
    program_folder = folder;
    if (!program_folder.empty() && program_folder.back() != os::Path_Separator())
        program_folder += os::Path_Separator();
}

const std::string& ConverterPath() { return converter_path; }

void Set_Converter_Path(const std::string& path) { converter_path = path; }

bool Converter_Present() { return !ConverterPath().empty() && os::File_Exists(ConverterPath()); }
