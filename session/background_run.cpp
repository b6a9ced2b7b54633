#include "session/background_run.h"

#include <QMetaObject>

T_Background_Run::T_Background_Run(QObject* Context, T_Work Work, T_Finished Finished)
    : State_(std::make_shared<T_State>())
{
    Worker_ =
        std::async(std::launch::async, [state = State_, context = QPointer<QObject>(Context),
                                        work = std::move(Work), finished = std::move(Finished)] {
            // Polled by the wait about every 100 ms, on this thread.
            T_Run_Watch watch{[state] { return !state->Stop.load(); }};
            T_Work_Result result;
            try {
                result = work(watch);
            } catch (const std::exception& error) {
                result = T_Work_Result::Failure(error.what());
            }
            if (!context)
                return;
            QMetaObject::invokeMethod(
                context.data(),
                [state, finished, result] {
                    if (!state->Alive)
                        return;
                    state->Finished = true;
                    finished(result);
                },
                Qt::QueuedConnection);
        });
}

T_Background_Run::~T_Background_Run()
{
    State_->Alive = false;
    State_->Stop = true;
    if (Worker_.valid())
        Worker_.wait();
}
