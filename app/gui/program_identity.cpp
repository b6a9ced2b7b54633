#include "app/gui/program_identity.h"

#include <QGuiApplication>

const char* const Desktop_File_Name = "example.quorbit.varnolt";
const char* const Window_Class = "varnolt";

QIcon Program_Icon()
{
    // Drawn from packaging/varnolt.svg: the toolkit here reads no SVG, so
    // the icon is held in the sizes the desktop asks for most.
    QIcon icon;
    for (int size : {32, 64, 256})
        icon.addFile(QStringLiteral(":/varnolt/varnolt-%1.png").arg(size), QSize(size, size));
    return icon;
}

void Set_Program_Identity(QGuiApplication& Application)
{
    QGuiApplication::setOrganizationName(QStringLiteral("Quorbit"));
    QGuiApplication::setOrganizationDomain(QStringLiteral("quorbit.example"));
    // The application name is the class of the X11 windows.
    QGuiApplication::setApplicationName(QString::fromLatin1(Window_Class));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(Desktop_File_Name));
    Application.setWindowIcon(Program_Icon());
}
