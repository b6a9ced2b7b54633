#include "pdf/pdf_page_redraw.h"

#include "pdf/document_worker.h"
#include "pdf/pdf_drawing_work.h"
#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_page_render.h"

#include <QPdfDocument>

struct T_Pdf_Page_Redraw::T_Document {
    QPdfDocument Pdf;
    std::string File;
};

T_Pdf_Page_Redraw::T_Pdf_Page_Redraw(const std::string& File)
    : Document_(std::make_unique<T_Document>())
{
    Document_->File = File;
    const QString drawn_file = QString::fromStdString(Pdf_File_To_Draw(File));
    if (On_Document_Worker([&] { return Document_->Pdf.load(drawn_file); }) !=
        QPdfDocument::Error::None)
        On_Document_Worker([&] { Document_.reset(); });
}

// The document is closed where every other call into Qt PDF is made.
T_Pdf_Page_Redraw::~T_Pdf_Page_Redraw()
{
    if (Document_)
        On_Document_Worker([&] { Document_.reset(); });
}

QImage T_Pdf_Page_Redraw::Page(int Page)
{
    if (!Document_ || Page < 0 ||
        Page >= On_Document_Worker([&] { return Document_->Pdf.pageCount(); }) ||
        !Pdf_Page_Too_Complex(Document_->File, Page).empty())
        return {};
    return Render_Pdf_Page(Document_->Pdf, Page);
}
