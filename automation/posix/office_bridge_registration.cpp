// The registration of the LibreOffice bridge: the servers that answer for
// Visio and Word, and the headless helper that compares documents without a
// window. It sits above both the helper process and the text comparison, so
// neither of them has to know the other.
#include "automation/posix/office_bridge_registration.h"

#include "automation/office_bridge_server.h"
#include "automation/office_text_compare.h"
#include "automation/u_ole_automation.h"
#include "engine/u_temp_files.h"
#include "office/office_location.h"

#include <iostream>

bool Register_Office_Bridge_Servers(const std::string& helper_path,
                                    const std::string& private_folder)
{
    std::string soffice = office_location::Find_Soffice();
    if (!office_location::Executable(helper_path) || soffice.empty())
        return false;
    // Documents compared without a window need a headless helper of their own.
    Set_Text_Compare_Helper(helper_path, soffice);
    auto start = [=](bool visible) {
        std::string folder = private_folder.empty() ? Temp_Dir() : private_folder;
        std::string error;
        std::unique_ptr<T_Office_Channel> channel =
            Start_Office_Helper(helper_path, folder, soffice, visible, error);
        if (!channel) {
            // The user is told that the application is not found; the
            // reason is here.
            std::cerr << "varnolt_office_helper: " << error << std::endl;
            throw T_Call_Failed_Error(ole_status::Server_Exec_Failure);
        }
        return std::shared_ptr<T_Office_Channel>(std::move(channel));
    };
    Register_Automation_Server("Visio.InvisibleApp",
                               [=] { return Make_Office_Drawing_Server(start(false)); });
    Register_Automation_Server("Word.Application",
                               [=] { return Make_Office_Word_Server(start(true)); });
    return true;
}
