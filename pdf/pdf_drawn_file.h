// The file that a PDF's pages are drawn from. Qt's PDF module draws a
// page's annotations but not its form fields: a filled-in value, a ticked
// box or a signature field would vanish from the picture, and a changed
// value would compare as identical. A page whose crop box lies wholly off
// its media box would show nothing: it is drawn whole, as readers show it.
// A damaged file that the PDF module cannot open is drawn from a copy that
// qpdf rebuilt.
#pragma once

#include <string>

struct T_Drawn_Pdf {
    // The file to open: the user's own, or a private copy.
    std::string Path;
    // The copy was rebuilt from a damaged file.
    bool Repaired = false;
    // Why a damaged file could not be rebuilt either; empty otherwise.
    std::string Repair_Failure;
};

// The file to draw File's pages from (see Pdf_File_To_Draw), whether it was
// repaired, and why not where it could not be. The user's file is never
// written. Usable from any thread.
T_Drawn_Pdf Pdf_Drawn_File(const std::string& File);

// The file itself when it has no form fields and no crop box off its page;
// else a private copy in which the fields' appearances (made first where the
// document asks the reader to make them) are drawn into the pages' content,
// as a reader shows them, and such crop boxes are taken off. The
// copy is made once per file and state of it in a process. The file itself
// too when it is locked or read uncleanly but opened by the PDF module;
// a copy rebuilt by qpdf when the PDF module cannot open it.
std::string Pdf_File_To_Draw(const std::string& File);
