#include "pdf/page_word_reader.h"

// A build without poppler reads every page's words with Qt's PDF module.
std::unique_ptr<T_Page_Word_Reader> Poppler_Word_Reader(const std::string&) { return nullptr; }
