// The window that says what the program is waiting for and lets the user
// stop it.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

// Made when a wait for a child process begins and destroyed when it ends.
// The window appears only once the wait has lasted Delay_Ms, so that quick
// runs do not flicker; its Cancel button asks the wait to stop the child.
class T_Run_Progress {
public:
    static constexpr int Delay_Ms = 400;

    // Parent: the window the wait belongs to, or nullptr before it is shown.
    T_Run_Progress(QWidget* Parent, const QString& Activity);
    ~T_Run_Progress();
    T_Run_Progress(const T_Run_Progress&) = delete;
    T_Run_Progress& operator=(const T_Run_Progress&) = delete;

    // Called between polls of the child: shows the window once the wait
    // lasts, and returns false once the user has pressed Cancel.
    bool Keep_Going();

private:
    QWidget* Parent_;
    QString Activity_;
    QElapsedTimer Clock;
    QPointer<QProgressDialog> Dialog;
    bool Canceled = false;
};
