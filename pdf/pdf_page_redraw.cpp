#include "pdf/pdf_page_redraw.h"

#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_page_render.h"

#include <QPdfDocument>

struct T_Pdf_Page_Redraw::T_Document {
    QPdfDocument Pdf;
};

T_Pdf_Page_Redraw::T_Pdf_Page_Redraw(const std::string& File)
    : Document_(std::make_unique<T_Document>())
{
    if (Document_->Pdf.load(QString::fromStdString(Pdf_File_To_Draw(File))) !=
        QPdfDocument::Error::None)
        Document_.reset();
}

T_Pdf_Page_Redraw::~T_Pdf_Page_Redraw() = default;

QImage T_Pdf_Page_Redraw::Page(int Page)
{
    if (!Document_ || Page < 0 || Page >= Document_->Pdf.pageCount())
        return {};
    return Render_Pdf_Page(Document_->Pdf, Page);
}
