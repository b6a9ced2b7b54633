// Where a text occurs on a page of a document's text layer: the boxes of
// its occurrences, in the page picture's pixels.
#pragma once

#include "pdf/pdf_region_text.h"

#include <QString>

#include <vector>

// Every occurrence of Query on Page, in reading order, ignoring case. The
// page's words count as separated by one space, so a query of several
// words matches them however far apart the layer sets them. An occurrence
// covers the whole words it touches: their boxes joined.
std::vector<T_Rectangle> Find_On_Page(const T_Page_Words& Page, const QString& Query);
