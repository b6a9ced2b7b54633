#include "viewer/page_pairing_task.h"

#include "pdf/document_worker.h"
#include "pdf/pdf_page_signatures.h"

T_Page_Pairing_Task::T_Page_Pairing_Task(QObject* Context, T_Work Work, T_Ready Ready)
    : Task_(Context, [ready = std::move(Ready)](std::optional<T_Content_Pairing> Pairing) {
          if (Pairing)
              ready(std::move(*Pairing));
      })
{
    Task_.Start([work = std::move(Work)](const T_Cancel_Flag& Cancel) {
        // After the pages and the text the window shows.
        const T_Document_Call_Scope scope(T_Document_Priority::Pairing);
        return work(Cancel.Flag());
    });
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
