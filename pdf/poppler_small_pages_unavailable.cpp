#include "pdf/poppler_small_pages.h"

// A build without poppler draws every page with Qt's PDF module.
struct T_Poppler_Small_Pages::T_Document {};

T_Poppler_Small_Pages::T_Poppler_Small_Pages(std::unique_ptr<T_Document> Document)
    : Document_(std::move(Document))
{
}

T_Poppler_Small_Pages::~T_Poppler_Small_Pages() = default;

std::unique_ptr<T_Poppler_Small_Pages> T_Poppler_Small_Pages::Open(const std::string&)
{
    return nullptr;
}

int T_Poppler_Small_Pages::Page_Count() const { return 0; }

QSizeF T_Poppler_Small_Pages::Page_Points(int) const { return {}; }

QImage T_Poppler_Small_Pages::Draw(int, double) const { return {}; }
