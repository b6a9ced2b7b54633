// Fingerprints of a PDF's pages, read without drawing them: a digest of
// everything a page is drawn from (its content streams, resources,
// annotations and boxes, and the document's optional-content and form
// settings). Pages with equal fingerprints are drawn alike; pages whose
// fingerprints differ may still look the same (a re-export that numbers its
// objects otherwise).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One nonzero fingerprint per page, in the document's order. Empty when the
// file cannot be read cleanly (damaged and repaired, locked with a
// password, not a PDF): a repaired file may not be read as the drawing
// library reads it, so nothing may be concluded from it.
std::vector<std::uint64_t> Pdf_Page_Fingerprints(const std::string& file);
