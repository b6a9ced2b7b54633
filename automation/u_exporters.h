// The exporter for each kind of paged drawing.
#pragma once

#include "u_multi_page_const.h"

#include <memory>

// Paged kinds, as the launcher hands them to the diff view.
enum : unsigned char {
    Paged_Kind_Visio = 1,
    Paged_Kind_Kompas = 2,
};

// A new, not yet started exporter for a paged kind; nullptr for any other.
std::unique_ptr<T_Base_Multipage_Wrapper> Create_Exporter(unsigned char paged_kind);
