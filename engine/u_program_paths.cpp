#include "engine/u_program_paths.h"

#include "engine/batch_dialect.h"
#include "platform/os_platform.h"
#include "vocabulary/file_names.h"

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

void Set_Converter_Path(const std::string& path)
{
    converter_path = path;
    // The converter reads the program's policy.xml and its own configuration
    // from the folders this variable names. On POSIX systems each command
    // line sets it; a converter on Windows is started by cmd, and without
    // it reads only its built-in defaults, which limit and refuse nothing.
    if (&Native_Dialect() == &Windows_Batch_Dialect() && !path.empty())
        os::Set_Environment("MAGICK_CONFIGURE_PATH", File_Folder(path));
}

bool Converter_Present() { return !ConverterPath().empty() && os::File_Exists(ConverterPath()); }
