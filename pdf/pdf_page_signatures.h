// Signatures of the pages of a PDF, for pairing pages by what they show.
#pragma once

#include "page_pairing.h"

#include <atomic>
#include <string>
#include <vector>

// Draws every page of the file small (a few pixels per signature cell),
// each once, and makes its signature. Made for a worker thread: it opens the file on its
// own, and returns early (with fewer signatures) once `stop` is set. Empty
// when the file cannot be opened. A file that is a picture gives one
// signature.
std::vector<T_Page_Signature> Pdf_Page_Signatures(const std::string& file,
                                                  const std::atomic<bool>& stop);

struct T_Pair_Signatures {
    std::vector<T_Page_Signature> Left;
    std::vector<T_Page_Signature> Right;
};

// The signatures of both versions' pages. A page of the modified version
// drawn from exactly what a base page is drawn from (see
// Pdf_Page_Fingerprints) takes that page's signature instead of being
// drawn again, and such pages count as the same; the others are drawn as
// above, on two threads.
T_Pair_Signatures Pdf_Pair_Signatures(const std::string& left, const std::string& right,
                                      const std::atomic<bool>& stop);
