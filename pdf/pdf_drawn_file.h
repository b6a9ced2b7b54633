// The file that a PDF's pages are drawn from. Qt's PDF module draws a
// page's annotations but not its form fields: a filled-in value, a ticked
// box or a signature field would vanish from the picture, and a changed
// value would compare as identical.
#pragma once

#include <string>

// The file itself when it has no form fields; else a private copy in which
// the fields' appearances (made first where the document asks the reader to
// make them) are drawn into the pages' content, as a reader shows them. The
// copy is made once per file and state of it in a process. The file itself
// too when it cannot be read cleanly (damaged, locked): then nothing of it
// is rewritten.
std::string Pdf_File_To_Draw(const std::string& File);
