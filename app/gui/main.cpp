// The program entry: the toolkit, the message boxes, then the main sequence.
#include "U_About_Varnolt.h"
#include "U_Msg.h"
#include "U_Varnolt_File_Select.h"
#include "command_line.h"
#include "message_box_presenter.h"
#include "os_platform.h"
#include "u_ole_automation.h"
#include "u_image_load.h"
#include "u_ms_word_compare.h"
#include "u_varnolt_start.h"
#include "varnolt_application.h"
#include "vcs_diff_form.h"
#ifndef _WIN32
#include "office_bridge_server.h"
#endif

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace {

// On X11 and Wayland systems a missing display would otherwise end in the
// toolkit's terse abort; say what to do instead.
bool Display_Available()
{
#if defined(__linux__) || defined(__unix__)
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything is written: what the program and the converter create
    // is the user's alone.
    os::Restrict_New_Files();
    std::vector<std::string> arguments = Program_Arguments(argc, argv);
    std::filesystem::path executable = os::Executable_Path();
    Set_Application_Title(Title_From_Executable(executable.filename().string()));
    if (!Display_Available()) {
        std::string text = Get_Msg(cap_No_Display);
        std::erase(text, '\r');
        std::cerr << text << std::endl;
        return 2;
    }

    // The toolkit sees only the program's name: a file named like one of its
    // options ("-style", "-platform") must reach the launcher unchanged.
    // Before anything reads an image: the toolkit fixes its size limit then.
    Configure_Image_Limits();
    int toolkit_argc = 1;
    char* toolkit_argv[] = {argv[0], nullptr};
    T_Varnolt_Application application(toolkit_argc, toolkit_argv);
    application.setQuitOnLastWindowClosed(false);

    // The user-interface thread is the apartment of every automation call.
    T_Automation_Apartment apartment;
    T_Message_Box_Presenter presenter;
    Set_Msg_Presenter(&presenter);
    Set_Program_Folder(executable.parent_path().string());
#ifndef _WIN32
    // Where Visio and Word cannot be, LibreOffice answers for them through
    // the office helper beside the executable. Without the helper or
    // LibreOffice nothing is registered, and both are reported as not found.
    bool office_bridge = Register_Office_Bridge_Servers(
        (executable.parent_path() / "varnolt_office_helper").string());
#else
    bool office_bridge = false;
#endif

    T_File_Pair pair = File_Pair_From_Arguments(arguments);
    T_Start_Hooks hooks;
    hooks.Select_Files = Select_Files;
    hooks.Launch.Show_Diff_Form = Show_Diff_Form;
    hooks.Launch.Show_About = Show_About;
    hooks.Launch.Word_Diff = Word_Diff;
    if (office_bridge)
        hooks.Launch.Paged_Refusal = [](const std::string& drawing) {
            return File_Extension(drawing) == "dwg" ? Get_Msg(cap_Dwg_Needs_Visio) : std::string();
        };
    // The launcher runs outside the event loop, so the application object's
    // error report does not reach it: an error that escapes opening the pair
    // (a server refusing an interface, say) is reported here.
    int code = 1;
    try {
        code = Run_Main_Sequence(pair.Left, pair.Right, hooks);
    } catch (const std::exception& error) {
        Show_Exception(error.what());
    }
    Set_Msg_Presenter(nullptr);
    return code;
}
