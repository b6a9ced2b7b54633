// Pages of a PDF drawn a second time, from a document opened for that alone.
// A page pair found different that sets text in a font the reader stands in
// for (pdf_substituted_fonts.h) is drawn again on both sides, and the second
// drawings decide: a difference that only one drawing of a page shows (a
// font the file lacks resolved otherwise on its first use, see
// pdf_font_warmup.h) does not make the pair different. Every call into
// Qt PDF runs on the document worker.
#pragma once

#include <QImage>

#include <memory>
#include <string>

// Used on one thread at a time.
class T_Pdf_Page_Redraw {
public:
    // File as the user gave it; its pages are drawn from the file that its
    // first drawings were drawn from (a repaired or flattened copy).
    explicit T_Pdf_Page_Redraw(const std::string& File);
    ~T_Pdf_Page_Redraw();
    T_Pdf_Page_Redraw(const T_Pdf_Page_Redraw&) = delete;
    T_Pdf_Page_Redraw& operator=(const T_Pdf_Page_Redraw&) = delete;

    // Page Page (from 0) as the panes show it; null when it cannot be drawn.
    QImage Page(int Page);

private:
    struct T_Document;
    std::unique_ptr<T_Document> Document_;
};
