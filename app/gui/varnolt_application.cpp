#include "app/gui/varnolt_application.h"

#include "vocabulary/U_Msg.h"
#include "app/gui/program_identity.h"

#include <exception>

T_Varnolt_Application::T_Varnolt_Application(int& argc, char** argv) : QApplication(argc, argv)
{
    Set_Program_Identity(*this);
}

bool T_Varnolt_Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Show_Exception(error.what());
    } catch (...) {
        Show_Exception(Get_Msg(cap_Unexpected_Error) + " unknown exception");
    }
    return false;
}
