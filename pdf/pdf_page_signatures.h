// Signatures of the pages of a PDF, for pairing pages by what they show.
#pragma once

#include "page_pairing.h"

#include <atomic>
#include <string>
#include <vector>

// Draws every page of the file small (a few pixels per signature cell),
// each once, and makes its signature. Made for a worker thread: it opens the file on its
// own, and returns early (with fewer signatures) once `stop` is set. Empty
// when the file cannot be opened.
std::vector<T_Page_Signature> Pdf_Page_Signatures(const std::string& file,
                                                  const std::atomic<bool>& stop);
