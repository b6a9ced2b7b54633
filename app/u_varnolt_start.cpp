#include "u_varnolt_start.h"

#include "U_Msg.h"
#include "os_platform.h"
#include "u_temp_files.h"

bool Check_Converter()
{
    Set_Converter_Path(ProgramFolder() + "imagemagick" + os::Path_Separator() + "convert" +
                       os::Executable_Suffix());
    return Converter_Present();
}

int Run_Main_Sequence(std::string left, std::string right, const T_Start_Hooks& hooks)
{
    if ((left.empty() || right.empty()) && !hooks.Select_Files(left, right))
        return 0;
    Prepare_Temp_Folder();
    if (!Check_Converter()) {
        Show_Error(Get_Msg(cap_Components_Not_Found));
        return 1;
    }
    if (hooks.Folder_List && os::Check_Input_File(left) == os::T_File_Check::Folder &&
        os::Check_Input_File(right) == os::T_File_Check::Folder)
        return hooks.Folder_List(left, right, hooks.Launch);
    // A comparison the user closed ends with 0; one that ended on an error
    // message with 1, so that a version-control client can tell.
    return Run_Diff(left, right, hooks.Launch) ? 0 : 1;
}
