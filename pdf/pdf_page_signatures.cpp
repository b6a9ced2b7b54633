#include "pdf_page_signatures.h"

#include "pdf_exporter.h"
#include "pdf_page_render.h"
#include "picture_signature.h"
#include "u_image_load.h"

#include <QPdfDocument>

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
        signatures.push_back(Picture_Signature(Render_Pdf_Page(document, page)));
    return signatures;
}
