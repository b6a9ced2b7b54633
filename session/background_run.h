// Work that waits for a child process (the converter, an office export),
// run on a worker thread and reporting its end on the user interface's
// thread. The interface goes on with its own event loop meanwhile; nothing
// spins a loop of its own inside the wait.
#pragma once

#include "engine/U_ShellOp.h"
#include "engine/work_result.h"

#include <QPointer>
#include <QObject>

#include <atomic>
#include <functional>
#include <future>
#include <memory>

class T_Background_Run {
public:
    using T_Work = std::function<T_Work_Result(T_Run_Watch& Watch)>;
    using T_Finished = std::function<void(const T_Work_Result& Result)>;

    // Starts Work at once on another thread; Finished runs on Context's
    // thread with what it came to, unless the run was destroyed first.
    T_Background_Run(QObject* Context, T_Work Work, T_Finished Finished);
    // Stops the child and waits for the worker; Finished is not called then.
    ~T_Background_Run();
    T_Background_Run(const T_Background_Run&) = delete;
    T_Background_Run& operator=(const T_Background_Run&) = delete;

    // Asks the child and everything it started to stop; the run then ends
    // as Stopped (Finished is still called).
    void Stop() { State_->Stop = true; }
    bool Finished() const { return State_->Finished; }

private:
    struct T_State {
        std::atomic<bool> Stop{false};
        std::atomic<bool> Alive{true};
        bool Finished = false;
    };
    std::shared_ptr<T_State> State_;
    std::future<void> Worker_;
};
