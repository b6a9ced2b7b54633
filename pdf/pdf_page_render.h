// Pictures of PDF pages, drawn by Qt's PDF module.
#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>

class QPdfDocument;

// The resolution at which pages are shown and compared.
constexpr double Pdf_Page_Dpi = 150;

// The pixel size of a page of `points` (1/72 inch) at `dpi`, made smaller in
// proportion where it would pass the limit of a drawn page (or a side the
// panes' limit). Empty for a page without area.
QSize Pdf_Page_Pixels(const QSizeF& points, double dpi = Pdf_Page_Dpi);

// Page `page` of an opened document, with its annotations and form fields,
// on a white background, at `dpi`; a null picture when it cannot be drawn.
QImage Render_Pdf_Page(QPdfDocument& document, int page, double dpi = Pdf_Page_Dpi);

// A page as Qt PDF draws it (transparent where nothing is drawn) laid on
// white paper, as 32-bit RGB; null for a null drawing.
QImage On_White_Paper(QImage Drawn);
