#include "session/background_run.h"

namespace {

T_Background_Run::T_Finished Marking_Finished(std::shared_ptr<bool> Finished_Flag,
                                              T_Background_Run::T_Finished Finished)
{
    return [Finished_Flag, Finished](const T_Work_Result& Result) {
        *Finished_Flag = true;
        Finished(Result);
    };
}

} // namespace

T_Background_Run::T_Background_Run(QObject* Context, T_Work Work, T_Finished Finished)
    : Task_(Context, Marking_Finished(Finished_, Finished),
            [finished = Marking_Finished(Finished_, Finished)](const std::string& Reason) {
                finished(T_Work_Result::Failure(Reason));
            })
{
    Task_.Start([stop = Stop_, work = std::move(Work)](const T_Cancel_Flag& Cancel) {
        // Polled by the wait about every 100 ms, on the worker's thread.
        T_Run_Watch watch{[stop, &Cancel] { return !stop->load() && !Cancel.Cancelled(); }};
        return work(watch);
    });
}
