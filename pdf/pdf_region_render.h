// Parts of PDF pages drawn at the scale they are shown at, for a view zoomed
// in beyond the pixels the pages are compared in.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <memory>
#include <string>

class QPdfDocument;

// The part Clip of page Page drawn as if the whole page were Page_Size
// pixels, with its annotations, on white; a null picture when it cannot
// be drawn. The call runs on the document worker.
QImage Render_Pdf_Region(QPdfDocument& Document, int Page, const QSize& Page_Size,
                         const QRect& Clip);

// The documents parts are drawn from, each opened once (the file a reader
// draws, its form fields included) and kept while the view lives; usable
// from several threads.
class T_Pdf_Region_Renderer {
public:
    T_Pdf_Region_Renderer();
    ~T_Pdf_Region_Renderer();
    T_Pdf_Region_Renderer(const T_Pdf_Region_Renderer&) = delete;
    T_Pdf_Region_Renderer& operator=(const T_Pdf_Region_Renderer&) = delete;

    // See Render_Pdf_Region; null when File cannot be read.
    QImage Render(const std::string& File, int Page, const QSize& Page_Size, const QRect& Clip);

private:
    struct T_Documents;
    std::unique_ptr<T_Documents> Documents_;
};
