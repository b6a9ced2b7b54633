// The window that says what the program is waiting for and lets the user
// stop it.
#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QProgressDialog;
class QWidget;

// Made when a wait for a child process begins and destroyed when it ends.
// The window appears only once the wait has lasted Delay_Ms, so that quick
// runs do not flicker; its Cancel button (also Escape, or closing the
// window) asks for the child to be stopped through Cancel. Nothing here
// polls: a timer shows the window and the button reports itself.
class T_Run_Progress {
public:
    static constexpr int Delay_Ms = 400;

    // Parent: the window the wait belongs to, or nullptr before it is shown.
    T_Run_Progress(QWidget* Parent, const QString& Activity, std::function<void()> Cancel);
    // Closes the window.
    ~T_Run_Progress();
    T_Run_Progress(const T_Run_Progress&) = delete;
    T_Run_Progress& operator=(const T_Run_Progress&) = delete;

private:
    void Show();

    QPointer<QWidget> Parent_;
    QString Activity_;
    std::function<void()> Cancel_;
    QTimer Delay;
    QPointer<QProgressDialog> Dialog;
};
