#include "u_exporters.h"

#include "kompas_converter.h"
#include "visio_converter.h"

std::unique_ptr<T_Base_Multipage_Wrapper> Create_Exporter(unsigned char paged_kind)
{
    switch (paged_kind) {
    case Paged_Kind_Visio:
        return Make_Exporter<T_Visio_Multipage_Wrapper>();
    case Paged_Kind_Kompas:
        return Make_Exporter<T_Kompas_Multipage_Wrapper>();
    default:
        return nullptr;
    }
}
