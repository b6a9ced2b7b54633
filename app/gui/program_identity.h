// How the program shows itself to the desktop: the organisation and
// application names its settings are kept under, the desktop entry it
// belongs to (which also gives its X11 window class, the desktop entry's
// StartupWMClass), and the icon of its windows, built into the executable so
// that it shows also when the program runs uninstalled.
#pragma once

#include <QIcon>

class QGuiApplication;

// The desktop entry's name without ".desktop".
extern const char* const Desktop_File_Name;
// The X11 window class, as the desktop entry's StartupWMClass names it.
extern const char* const Window_Class;

QIcon Program_Icon();
void Set_Program_Identity(QGuiApplication& Application);
