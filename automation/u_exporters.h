// The exporter for each kind of paged drawing.
#pragma once

#include "automation/u_multi_page_const.h"

#include <memory>

// A new, not yet started exporter for a paged kind; nullptr for any other.
std::unique_ptr<T_Base_Multipage_Wrapper> Create_Exporter(T_Paged_Kind paged_kind);
