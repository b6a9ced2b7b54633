#include "u_varnolt_start.h"

#include "U_Msg.h"
#include "os_platform.h"
#include "u_temp_files.h"

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

bool Check_Converter()
{
    converter_path = ProgramFolder() + "imagemagick" + os::Path_Separator() + "convert" +
                     os::Executable_Suffix();
    return os::File_Exists(converter_path);
}

int Run_Main_Sequence(std::string left, std::string right, const T_Start_Hooks& hooks)
{
    if ((left.empty() || right.empty()) && !hooks.Select_Files(left, right))
        return 0;
    Prepare_Temp_Folder();
    if (!Check_Converter()) {
        Show_Error("Application components not found!\r\n"
                   "Please, check for you have unpack application properly!");
        return 1;
    }
    Run_Diff(left, right, hooks.Launch);
    return 0;
}
