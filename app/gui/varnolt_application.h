// The application object: an exception that escapes an event handler is
// shown in the general error report and the event loop goes on.
#pragma once

#include <QApplication>

class T_Varnolt_Application : public QApplication {
public:
    T_Varnolt_Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
