#include "session/difference_task.h"

#include "imaging/picture_compare.h"

T_Difference_Task::T_Difference_Task(QObject* Context, T_Ready Ready)
    : Task_(Context, [ready = std::move(Ready)](T_Answer Result) {
          // A comparison stopped part way is no answer.
          if (Result && Result->Difference.Complete)
              ready(std::move(Result));
      })
{
}

void T_Difference_Task::Request(const QImage& Base, const QImage& Modified, T_Align_Mode Mode,
                                const T_Difference_Options& Options, T_Settle_Differences Settle)
{
    Task_.Start([Base, Modified, Mode, Options,
                 settle = std::move(Settle)](const T_Cancel_Flag& Cancel) -> T_Answer {
        auto result = std::make_shared<T_Aligned_Difference>();
        if (Mode == T_Align_Mode::Off)
            result->Difference = Compare_Decoded_Pictures(Base, Modified, Options, &Cancel.Flag());
        else
            *result = Compare_Decoded_Aligned(Base, Modified, Mode, Options, &Cancel.Flag());
        if (settle && result->Difference.Complete && !Cancel.Cancelled())
            settle(result->Difference, Mode == T_Align_Mode::Off ? nullptr : &result->Alignment);
        return result;
    });
}
