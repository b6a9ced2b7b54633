#include "session/difference_task.h"

#include "imaging/picture_compare.h"

#include <QMetaObject>
#include <QObject>

T_Difference_Task::T_Difference_Task(QObject* Context, T_Ready Ready)
    : Context_(Context), Ready_(std::move(Ready))
{
}

T_Difference_Task::~T_Difference_Task() { Stop_Running(); }

void T_Difference_Task::Stop_Running()
{
    if (Cancel)
        *Cancel = true;
    if (Running.valid())
        Running.wait();
}

void T_Difference_Task::Request(const QImage& Base, const QImage& Modified, T_Align_Mode Mode,
                                const T_Difference_Options& Options)
{
    Stop_Running();
    Cancel = std::make_shared<std::atomic<bool>>(false);
    ++Pending;
    const unsigned generation = ++Generation;
    Running = std::async(std::launch::async, [this, Base, Modified, Mode, Options, cancel = Cancel,
                                              generation] {
        auto result = std::make_shared<T_Aligned_Difference>();
        if (Mode == T_Align_Mode::Off)
            result->Difference = Compare_Decoded_Pictures(Base, Modified, Options, cancel.get());
        else
            *result = Compare_Decoded_Aligned(Base, Modified, Mode, Options, cancel.get());
        // Answered on the interface's thread; an answer to a superseded
        // request only ends the wait for it.
        QMetaObject::invokeMethod(
            Context_,
            [this, result, generation] {
                --Pending;
                if (generation == Generation && result->Difference.Complete)
                    Ready_(result);
            },
            Qt::QueuedConnection);
    });
}
