#include "document_exporters.h"

#include "pdf_exporter.h"
#include "u_exporters.h"

std::unique_ptr<T_Base_Multipage_Wrapper> Create_Document_Exporter(T_Paged_Kind paged_kind)
{
    if (paged_kind == T_Paged_Kind::Pdf)
        return Make_Exporter<T_Pdf_Multipage_Wrapper>();
    return Create_Exporter(paged_kind);
}
