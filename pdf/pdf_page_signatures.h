// Signatures of the pages of a PDF, for pairing pages by what they show.
#pragma once

#include "differences/page_pairing.h"

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

// The signatures of both versions' pages. Pages of the two versions drawn
// from exactly the same (equal fingerprints, see Pdf_Page_Fingerprints,
// the k-th such page of one to the k-th of the other) count as the same and
// are not drawn, but for a few spread over the set (their signatures shared
// by both sides) from which the ink that all sheets share is seen: the
// others keep their fingerprint as Content_Hash and an empty Ink. All other
// pages are drawn as above, on two threads; all are drawn when either file
// has no fingerprints.
T_Pair_Signatures Pdf_Pair_Signatures(const std::string& left, const std::string& right,
                                      const std::atomic<bool>& stop);
