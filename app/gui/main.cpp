// The whole program: the toolkit, the message boxes, then the main
// sequence; or a comparison without a window, on the toolkit's offscreen
// platform. Where the quick front exists it loads this part only for what it
// cannot answer alone.
#include "app/gui/U_About_Varnolt.h"
#include "vocabulary/U_Msg.h"
#include "app/gui/U_Varnolt_File_Select.h"
#include "command_line/command_line.h"
#include "command_line/command_options.h"
#include "vocabulary/utf8_text.h"
#include "app/gui/folder_list_form.h"
#include "headless/headless_compare.h"
#include "headless/report_merge.h"
#include "app/gui/message_box_presenter.h"
#include "platform/os_platform.h"
#include "viewer/recent_pairs.h"
#include "automation/u_ole_automation.h"
#include "imaging/u_image_load.h"
#include "app/plain_answers.h"
#include "app/standard_output.h"
#include "app/u_varnolt_start.h"
#include "app/gui/varnolt_application.h"
#include "app/gui/vcs_diff_form.h"
#include "app/gui/word_comparison.h"
#ifndef _WIN32
#include "automation/posix/office_bridge_registration.h"
#endif

#include <QGuiApplication>

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

// Where Visio and Word cannot be, LibreOffice answers for them through the
// office helper beside the executable. Without the helper or LibreOffice
// nothing is registered, and both are reported as not found.
bool Register_Office_Bridge(const std::filesystem::path& executable)
{
#ifndef _WIN32
    return Register_Office_Bridge_Servers(
        os::Utf8_Name(executable.parent_path() / "varnolt_office_helper"));
#else
    (void)executable;
    return false;
#endif
}

// --compare: no window and no display; pictures are still decoded (and PDF
// pages drawn) by the toolkit, on its offscreen platform.
int Compare_Headless(char* argv0, const std::filesystem::path& executable,
                     const T_Command_Options& options)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit's own notes (a missing runtime folder, say) are not the
    // program's to print on a script's error stream.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << text.toStdString() << "\n";
    });
    Configure_Image_Limits();
    int toolkit_argc = 1;
    char* toolkit_argv[] = {argv0, nullptr};
    // Never destroyed: the process ends as the run does, and tearing down
    // the offscreen platform would first load the whole font configuration
    // only to free it, a third of a small pair's time.
    new QGuiApplication(toolkit_argc, toolkit_argv);
    T_Automation_Apartment apartment;
    Set_Program_Folder(os::Utf8_Name(executable.parent_path()));
    // Only conversions need the converter: pairs that must be converted
    // report its absence, pictures and documents compare without it.
    Check_Converter();
    Register_Office_Bridge(executable);
    try {
        return Run_Headless_Compare(options, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "varnolt: " << error.what() << "\n";
        return 2;
    }
}

int Run_Whole_Program(int argc, char** argv)
{
    // Before anything is written: what the program and the converter create
    // is the user's alone.
    os::Restrict_New_Files();
    os::Use_Parent_Console();
    std::vector<std::string> arguments = Program_Arguments(argc, argv);
    const std::filesystem::path executable = os::Utf8_Path(os::Executable_Path());
    Set_Application_Title(Title_From_Executable(os::Utf8_Name(executable.filename())));
    const T_Command_Options options = Parse_Command_Options(arguments);
    if (const std::optional<int> answered =
            Plain_Answer(options, os::Utf8_Name(executable.filename()), std::cout, std::cerr))
        return *answered;
    if (options.Action == T_Command_Options::T_Action::Compare)
        return Compare_Headless(argv[0], executable, options);
    if (options.Action == T_Command_Options::T_Action::Merge)
        return Run_Merge_Reports(options, std::cout, std::cerr);
    if (!Display_Available()) {
        std::string text = Get_Msg(cap_No_Display);
        std::erase(text, '\r');
        std::cerr << text << std::endl;
        return ec_Usage;
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
    Set_Program_Folder(os::Utf8_Name(executable.parent_path()));
    bool office_bridge = Register_Office_Bridge(executable);

    T_Start_Hooks hooks;
    const std::vector<std::string> names = Window_Run_Names(options, hooks.Launch);
    hooks.Select_Files = Select_Files;
    hooks.Folder_List = Show_Folder_List;
    hooks.Launch.Show_Diff_Form = Show_Diff_Form;
    hooks.Launch.Show_About = Show_About;
    hooks.Launch.Word_Diff = Show_Word_Diff;
    hooks.Launch.Pair_Opening = Announce_Diff_Pair;
    hooks.Launch.Window_Up = Expect_Diff_Form_Up;
    hooks.Launch.Take_Pair_Request = Take_Diff_Form_Request;
    hooks.Launch.Version_Unread = Last_Diff_Form_Version_Unread;
    hooks.Launch.Remember_Pair = [](const std::string& left, const std::string& right) {
        Remember_Recent_Pair(QString::fromStdString(left), QString::fromStdString(right));
    };
    if (office_bridge)
        hooks.Launch.Paged_Refusal = [](const std::string& drawing) {
            return File_Extension(drawing) == "dwg" ? Get_Msg(cap_Dwg_Needs_Visio) : std::string();
        };
    // The launcher runs outside the event loop, so the application object's
    // error report does not reach it: an error that escapes opening the pair
    // (a server refusing an interface, say) is reported here.
    int code = ec_Not_Shown;
    try {
        code = Run_Main_Sequence(names[0], names[1], hooks);
    } catch (const std::exception& error) {
        Show_Exception(error.what());
    }
    Set_Msg_Presenter(nullptr);
    return code;
}

} // namespace

#ifdef VARNOLT_QUICK_FRONT
// The entry the quick front looks up once it has loaded this part.
extern "C" __attribute__((visibility("default"))) int Varnolt_Whole_Program(int argc, char** argv)
{
    return Code_After_Output(Run_Whole_Program(argc, argv));
}
#else
int main(int argc, char** argv) { return Code_After_Output(Run_Whole_Program(argc, argv)); }
#endif
