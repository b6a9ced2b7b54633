// How much drawing each page of a PDF asks for, read without drawing it.
// Neither Qt's PDF module nor poppler can be interrupted once a page is
// being drawn: a page of tens of millions of operators, or of forms nested
// so that each draws the next many times, would hold the reader for minutes.
// Such a page is known beforehand and not drawn at all; it is an error of
// that page alone, and the rest of its document is compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Drawing steps past which a page is not drawn. Qt's PDF module draws an A3
// sheet of short line segments (a dense plan's) at about 0.31 million
// operators a second on one core of the machine this was measured on
// (bench/drawing_budget_bench.cpp: 5 million in 16.5 s), poppler drawing
// it small twice as fast: a page within the budget is drawn in about 20 s,
// and a heavy sheet of a few million vectors stays within it.
inline constexpr std::uint64_t Pdf_Page_Step_Budget = 6'000'000;

// The estimated drawing steps of each page, in the document's order: the
// operators of its content streams, those of every form it draws counted
// as many times as it draws it, and those of its annotations' appearances.
// Each form is read once, so that reading stays linear in the file's size
// however deep forms nest; a form that draws itself adds nothing the second
// time (readers refuse to follow such a loop). Saturates at the largest
// count. Empty when qpdf cannot read the file.
std::vector<std::uint64_t> Pdf_Page_Drawing_Steps(const std::string& File);

// Why page Page (from 0) of File is not drawn: "Page 3 of plan.pdf is too
// complex to draw (about 90 million drawing steps).", naming File as given
// (a session puts the user's name back for its private copies); empty for
// a page within the budget, and for a file whose pages
// cannot be read without drawing. File is read once per state of it in a
// process (the drawn copy that Pdf_File_To_Draw gives, which holds what
// the reader draws). Usable from any thread.
std::string Pdf_Page_Too_Complex(const std::string& File, int Page);

// The message above for a page of Steps steps, File naming the file.
std::string Too_Complex_Message(const std::string& File, int Page, std::uint64_t Steps);
