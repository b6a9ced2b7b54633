#include "automation/u_exporters.h"

#include "automation/kompas_converter.h"
#include "automation/visio_converter.h"

std::unique_ptr<T_Base_Multipage_Wrapper> Create_Exporter(T_Paged_Kind paged_kind)
{
    switch (paged_kind) {
    case T_Paged_Kind::Visio:
        return Make_Exporter<T_Visio_Multipage_Wrapper>();
    case T_Paged_Kind::Kompas:
        return Make_Exporter<T_Kompas_Multipage_Wrapper>();
    default:
        return nullptr;
    }
}
