#include "page_pairing_task.h"

#include "pdf_page_signatures.h"

#include <QMetaObject>
#include <QObject>

#include <future>

T_Page_Pairing_Task::T_Page_Pairing_Task(QObject* Context, std::string Left_File,
                                         std::string Right_File, T_Ready Ready)
    : Worker([this, Context, left = std::move(Left_File), right = std::move(Right_File),
              ready = std::move(Ready)] { Run(Context, left, right, ready); })
{
}

T_Page_Pairing_Task::~T_Page_Pairing_Task()
{
    Stop = true;
    Worker.join();
}

void T_Page_Pairing_Task::Run(QObject* Context, const std::string& Left_File,
                              const std::string& Right_File, const T_Ready& Ready)
{
    // The two documents on two cores: the drawing itself takes turns, the
    // signatures and hashes do not.
    auto left = std::async(std::launch::async,
                           [this, &Left_File] { return Pdf_Page_Signatures(Left_File, Stop); });
    std::vector<T_Page_Signature> right = Pdf_Page_Signatures(Right_File, Stop);
    std::vector<T_Page_Signature> left_signatures = left.get();
    if (Stop || left_signatures.empty() || right.empty())
        return;
    T_Content_Pairing pairing = Pair_By_Content(left_signatures, right);
    // Delivered through the context's event queue: dropped when the context
    // is gone by then.
    QMetaObject::invokeMethod(
        Context, [Ready, pairing = std::move(pairing)]() mutable { Ready(std::move(pairing)); },
        Qt::QueuedConnection);
}
