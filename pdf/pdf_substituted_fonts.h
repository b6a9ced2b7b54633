// Whether a PDF page sets text in a font that Qt's PDF module has to stand
// in for: one the file does not embed and that is not among the standard
// fonts the module carries itself (Helvetica, Times, Courier, Symbol,
// ZapfDingbats). Only such text can be drawn otherwise the first time its
// font is used in a process (see pdf_font_warmup.h).
#pragma once

#include <string>

// True for page Page (from 0) of File when it, a form it draws or one of its
// annotations' appearances names such a font, and whenever that cannot be
// told (the file or the page cannot be read). Fonts are read once per state
// of the file in a process, without reading the pages' content; usable from
// any thread.
bool Pdf_Page_Substitutes_Fonts(const std::string& File, int Page);
