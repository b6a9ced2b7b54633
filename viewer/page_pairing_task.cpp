#include "viewer/page_pairing_task.h"

#include "pdf/pdf_page_signatures.h"

#include <QMetaObject>
#include <QObject>

T_Page_Pairing_Task::T_Page_Pairing_Task(QObject* Context, T_Work Work, T_Ready Ready)
    : Worker([this, Context, work = std::move(Work), ready = std::move(Ready)] {
          Run(Context, work, ready);
      })
{
}

T_Page_Pairing_Task::~T_Page_Pairing_Task()
{
    Stop = true;
    Worker.join();
}

void T_Page_Pairing_Task::Run(QObject* Context, const T_Work& Work, const T_Ready& Ready)
{
    std::optional<T_Content_Pairing> pairing = Work(Stop);
    if (Stop || !pairing)
        return;
    // Delivered through the context's event queue: dropped when the context
    // is gone by then.
    QMetaObject::invokeMethod(
        Context, [Ready, pairing = std::move(*pairing)]() mutable { Ready(std::move(pairing)); },
        Qt::QueuedConnection);
}

T_Page_Pairing_Task::T_Work Pdf_Pairing_Work(std::string Left_File, std::string Right_File)
{
    return [left_file = std::move(Left_File), right_file = std::move(Right_File)](
               const std::atomic<bool>& Stop) -> std::optional<T_Content_Pairing> {
        T_Pair_Signatures signatures = Pdf_Pair_Signatures(left_file, right_file, Stop);
        if (Stop || signatures.Left.empty() || signatures.Right.empty())
            return std::nullopt;
        return Pair_By_Content(signatures.Left, signatures.Right);
    };
}
