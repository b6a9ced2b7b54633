#include "pdf/poppler_small_pages.h"

#include "pdf/poppler_quiet.h"

#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

struct T_Poppler_Small_Pages::T_Document {
    std::unique_ptr<poppler::document> Pdf;
};

T_Poppler_Small_Pages::T_Poppler_Small_Pages(std::unique_ptr<T_Document> Document)
    : Document_(std::move(Document))
{
}

T_Poppler_Small_Pages::~T_Poppler_Small_Pages() = default;

std::unique_ptr<T_Poppler_Small_Pages> T_Poppler_Small_Pages::Open(const std::string& File)
{
    Keep_Poppler_Quiet();
    auto document = std::make_unique<T_Document>();
    document->Pdf.reset(poppler::document::load_from_file(File));
    if (!document->Pdf || document->Pdf->is_locked())
        return nullptr;
    return std::unique_ptr<T_Poppler_Small_Pages>(new T_Poppler_Small_Pages(std::move(document)));
}

int T_Poppler_Small_Pages::Page_Count() const { return Document_->Pdf->pages(); }

QSizeF T_Poppler_Small_Pages::Page_Points(int Page) const
{
    const std::unique_ptr<poppler::page> page(Document_->Pdf->create_page(Page));
    if (!page)
        return {};
    const poppler::rectf box = page->page_rect(poppler::crop_box);
    const bool turned = page->orientation() == poppler::page::landscape ||
                        page->orientation() == poppler::page::seascape;
    return turned ? QSizeF(box.height(), box.width()) : QSizeF(box.width(), box.height());
}

QImage T_Poppler_Small_Pages::Draw(int Page, double Dpi) const
{
    const std::unique_ptr<poppler::page> page(Document_->Pdf->create_page(Page));
    if (!page)
        return {};
    poppler::page_renderer renderer;
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    renderer.set_image_format(poppler::image::format_argb32);
    const poppler::image drawn = renderer.render_page(page.get(), Dpi, Dpi);
    if (!drawn.is_valid() || drawn.width() <= 0 || drawn.height() <= 0)
        return {};
    // The paper is white and opaque: the picture is only copied out of
    // poppler's buffer.
    return QImage(reinterpret_cast<const uchar*>(drawn.const_data()), drawn.width(), drawn.height(),
                  drawn.bytes_per_row(), QImage::Format_ARGB32)
        .convertToFormat(QImage::Format_RGB32);
}
