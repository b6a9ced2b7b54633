// The text of a pair as the reports tell it in a few words: what the
// change regions of two PDF pages read on each side, and the changes of two
// documents compared by their text. The line of text, the JUnit report and
// the HTML report phrase it alike.
#pragma once

#include "automation/office_text_compare.h"
#include "pdf/page_pair_text.h"

#include <cstddef>
#include <string>
#include <vector>

// Whether the region's text changed or moved (not merely the drawing
// around the same text).
bool Region_Text_Changed(const T_Region_Text& Text);

// "\"5600\" -> \"5650\"", or "\"Title block\" moved"; each text cut to a
// few dozen characters on one line.
std::string Region_Text_Phrase(const T_Region_Text& Text);

// The phrases of the first Most regions whose text changed, then "and N
// more"; "" when no region's text changed.
std::string Changed_Region_Texts(const std::vector<T_Region_Text>& Regions, std::size_t Most = 3);

// "1 insertion, 2 deletions, 0 format changes".
std::string Text_Change_Counts(const T_Text_Changes& Changes);

// The places outside the body that the changes listed lie in, each once,
// in order: "header of section 2, footnote 1"; "" for none.
std::string Text_Change_Places(const T_Text_Changes& Changes);

// "insertion \"new text\"" for each change listed, joined by "; ".
std::string Listed_Text_Changes(const T_Text_Changes& Changes);

// The change a word of Text_Change_Word names; None for any other word.
T_Text_Change Text_Change_From_Word(const std::string& Word);
