#include "pdf_page_signatures.h"

#include "pdf_exporter.h"
#include "pdf_page_render.h"
#include "picture_signature.h"
#include "u_image_load.h"

#include <QPdfDocument>

#include <algorithm>

namespace {

// A signature is a grid of 32 x 32 cells of ink: a drawing whose longer side
// has a few pixels per cell holds all it needs, at a fraction of the time
// that drawing the page at the panes' resolution takes.
constexpr double Signature_Long_Side = 128;

T_Page_Signature Small_Page_Signature(QPdfDocument& document, int page)
{
    const QSizeF points = document.pagePointSize(page);
    const double longer = std::max(points.width(), points.height());
    const double dpi =
        longer > 0 ? std::clamp(Signature_Long_Side * 72.0 / longer, 1.0, Pdf_Page_Dpi) : 1.0;
    T_Page_Signature signature = Picture_Signature(Render_Pdf_Page(document, page, dpi));
    // Sizes are compared in the pixels the page is shown in, so that a page
    // pairs with a picture of the same sheet on the other side.
    const QSize shown = Pdf_Page_Pixels(points);
    if (signature.Width > 0 && !shown.isEmpty()) {
        signature.Width = shown.width();
        signature.Height = shown.height();
        signature.Aspect = double(shown.width()) / shown.height();
    }
    return signature;
}

} // namespace

std::vector<T_Page_Signature> Pdf_Page_Signatures(const std::string& file,
                                                  const std::atomic<bool>& stop)
{
    std::vector<T_Page_Signature> signatures;
    QPdfDocument document;
    // A picture on one side is a document of one page.
    if (!Is_Pdf_File(file)) {
        T_Loaded_Picture picture = Load_Picture(file);
        if (picture.Result == T_Picture_Load_Result::Loaded)
            signatures.push_back(Picture_Signature(picture.Image));
        return signatures;
    }
    if (document.load(QString::fromStdString(file)) != QPdfDocument::Error::None)
        return signatures;
    // A page that cannot be drawn still takes its place, blank.
    for (int page = 0; page < document.pageCount() && !stop; ++page)
        signatures.push_back(Small_Page_Signature(document, page));
    return signatures;
}
