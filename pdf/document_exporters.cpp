#include "pdf/document_exporters.h"

#include "pdf/office_pdf_exporter.h"
#include "pdf/pdf_exporter.h"
#include "automation/u_exporters.h"

std::unique_ptr<T_Base_Multipage_Wrapper> Create_Document_Exporter(T_Paged_Kind paged_kind)
{
    if (paged_kind == T_Paged_Kind::Pdf)
        return Make_Exporter<T_Pdf_Multipage_Wrapper>();
#ifndef _WIN32
    // Where no Visio runs, LibreOffice writes each drawing as one PDF and
    // its pages are drawn here, with their text.
    if (paged_kind == T_Paged_Kind::Visio)
        return Make_Exporter<T_Office_Pdf_Multipage_Wrapper>();
#endif
    return Create_Exporter(paged_kind);
}
