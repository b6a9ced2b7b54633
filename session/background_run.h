// Work that waits for a child process (the converter, an office export),
// run on a worker thread and reporting its end on the user interface's
// thread. The interface goes on with its own event loop meanwhile; nothing
// spins a loop of its own inside the wait.
#pragma once

#include "engine/U_ShellOp.h"
#include "engine/work_result.h"
#include "session/latest_task.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class T_Background_Run {
public:
    using T_Work = std::function<T_Work_Result(T_Run_Watch& Watch)>;
    using T_Finished = std::function<void(const T_Work_Result& Result)>;

    // Starts Work at once on another thread; Finished runs on Context's
    // thread with what it came to (a thrown error as a failure), unless the
    // run was destroyed first.
    T_Background_Run(QObject* Context, T_Work Work, T_Finished Finished);
    // Ending the run stops the child and waits for the worker; Finished is
    // not called then.

    // Asks the child and everything it started to stop; the run then ends
    // as Stopped (Finished is still called).
    void Stop() { *Stop_ = true; }
    bool Finished() const { return *Finished_; }

private:
    std::shared_ptr<std::atomic<bool>> Stop_ = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<bool> Finished_ = std::make_shared<bool>(false);
    T_Latest_Task<T_Work_Result> Task_;
};
