// The exporter of every paged kind the program shows: PDF documents drawn
// inside the program, drawings through their applications (where
// LibreOffice stands in for Visio, drawn here from a PDF it writes).
#pragma once

#include "vocabulary/document_kinds.h"
#include "automation/u_multi_page_const.h"

#include <memory>

std::unique_ptr<T_Base_Multipage_Wrapper> Create_Document_Exporter(T_Paged_Kind paged_kind);
