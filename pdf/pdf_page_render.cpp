#include "pdf/pdf_page_render.h"

#include "pdf/document_worker.h"
#include "pdf/pdf_font_warmup.h"
#include "vocabulary/picture_limit.h"

#include <QPainter>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>

#include <cmath>

QSize Pdf_Page_Pixels(const QSizeF& points, double dpi)
{
    double width = points.width() * dpi / 72.0;
    double height = points.height() * dpi / 72.0;
    if (!(width >= 1 && height >= 1))
        return {};
    // A huge sheet (a plot of several metres) is drawn smaller rather than
    // refused: the picture must fit what the panes can show.
    double scale = 1.0;
    if (width * height > double(Max_Drawn_Page_Pixels))
        scale = std::sqrt(double(Max_Drawn_Page_Pixels) / (width * height));
    scale = std::min({scale, double(Max_Picture_Side) / width, double(Max_Picture_Side) / height});
    return QSize(std::max(1, int(width * scale)), std::max(1, int(height * scale)));
}

QImage Render_Pdf_Page(QPdfDocument& document, int page, double dpi)
{
    QImage drawn = On_Document_Worker([&] {
        QSize size = Pdf_Page_Pixels(document.pagePointSize(page), dpi);
        if (size.isEmpty())
            return QImage();
        Warm_Pdf_Page_Fonts(document, page);
        // Stamps, markup, ink, notes and filled-in form fields are drawn as a
        // reader shows them: a reviewer's marks are part of what a page shows.
        QPdfDocumentRenderOptions options;
        options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
        return document.render(page, size, options);
    });
    return On_White_Paper(std::move(drawn));
}

QImage On_White_Paper(QImage Drawn)
{
    if (Drawn.isNull())
        return {};
    // The paper goes under the drawing in its own pixels, not into a second
    // picture: a huge sheet drawn at the picture limit takes a gigabyte.
    {
        QPainter painter(&Drawn);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(Drawn.rect(), Qt::white);
    }
    // Opaque paper under every pixel leaves each one opaque with its colour
    // final, so a 32-bit picture with alpha is RGB32 as it stands: no pass
    // over the whole picture to convert it.
    if (Drawn.format() == QImage::Format_ARGB32_Premultiplied ||
        Drawn.format() == QImage::Format_ARGB32)
        Drawn.reinterpretAsFormat(QImage::Format_RGB32);
    else
        Drawn.convertTo(QImage::Format_RGB32);
    return Drawn;
}
