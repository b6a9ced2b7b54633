// Qt PDF sets text in a font that stands in for one that neither the file
// nor the system has otherwise the first time that font is used in the
// process than every later time: glyphs a pixel apart along whole lines.
// The same document drawn twice, or against a rewrite of itself, would then
// compare as different. A page drawn once at the smallest size before its
// first real drawing resolves its fonts, so that every real drawing is a
// later one and a document always draws the same as itself.
#pragma once

class QPdfDocument;

// Draws Page of Document once, at one pixel, unless that was done since
// Document was loaded. On the document worker only.
void Warm_Pdf_Page_Fonts(QPdfDocument& Document, int Page);
