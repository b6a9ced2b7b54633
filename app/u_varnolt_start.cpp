#include "app/u_varnolt_start.h"

#include "vocabulary/U_Msg.h"
#include "command_line/git_diff_arguments.h"
#include "platform/os_platform.h"
#include "app/pair_sequence.h"
#include "engine/u_temp_files.h"

bool Check_Converter()
{
    Set_Converter_Path(ProgramFolder() + "imagemagick" + os::Path_Separator() + "convert" +
                       os::Executable_Suffix());
    return Converter_Present();
}

int Exit_Code(T_Diff_Result result)
{
    switch (result) {
    case T_Diff_Result::Shown:
        return ec_Closed;
    case T_Diff_Result::Unsupported:
        return ec_Unsupported;
    case T_Diff_Result::Failed:
        break;
    }
    return ec_Not_Shown;
}

bool Runs_As_Version_Control_Viewer(const T_Command_Options& options)
{
    // Clients name the panes after the versions (or hand git's diff-driver
    // arguments) and show one file after another. The About box that follows
    // a refused format lists the formats for a user who picked the file by
    // hand; during a review of many files it would stop at every file of
    // another kind.
    return options.Git_Diff || !options.Left_Title.empty() || !options.Right_Title.empty();
}

std::vector<std::string> Window_Run_Names(const T_Command_Options& options, T_Launch_Hooks& launch)
{
    launch.Left_Title = options.Left_Title;
    launch.Right_Title = options.Right_Title;
    launch.Version_Control_Viewer = Runs_As_Version_Control_Viewer(options);
    std::vector<std::string> names = options.Names;
    names.resize(2);
    if (options.Git_Diff) {
        const T_Git_Diff_Pair pair = Git_Diff_Pair(options.Git_Diff_Arguments);
        names = {pair.Left, pair.Right};
        if (launch.Left_Title.empty())
            launch.Left_Title = pair.Left_Title;
        if (launch.Right_Title.empty())
            launch.Right_Title = pair.Right_Title;
    }
    return names;
}

int Run_Main_Sequence(std::string left, std::string right, const T_Start_Hooks& hooks)
{
    if ((left.empty() || right.empty()) && !hooks.Select_Files(left, right))
        return ec_Closed;
    Prepare_Temp_Folder();
    if (!Check_Converter()) {
        Show_Error(Get_Msg(cap_Components_Not_Found));
        return ec_Not_Shown;
    }
    if (hooks.Folder_List && os::Check_Input_File(left) == os::T_File_Check::Folder &&
        os::Check_Input_File(right) == os::T_File_Check::Folder)
        return hooks.Folder_List(left, right, hooks.Launch);
    // A version-control client tells by the code whether the pair was shown.
    return Exit_Code(Run_Diff_Sequence(left, right, hooks.Launch));
}
