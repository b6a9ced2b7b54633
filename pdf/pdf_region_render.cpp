#include "pdf/pdf_region_render.h"

#include "pdf/document_worker.h"
#include "pdf/pdf_drawing_work.h"
#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_font_warmup.h"
#include "pdf/pdf_page_render.h"

#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>

#include <map>
#include <mutex>

QImage Render_Pdf_Region(QPdfDocument& Document, int Page, const QSize& Page_Size,
                         const QRect& Clip)
{
    const QRect part = Clip & QRect(QPoint(0, 0), Page_Size);
    if (part.isEmpty())
        return {};
    QImage drawn = On_Document_Worker([&] {
        if (Page < 0 || Page >= Document.pageCount())
            return QImage();
        Warm_Pdf_Page_Fonts(Document, Page);
        // Drawn as the whole page is (Render_Pdf_Page): the reviewer's marks
        // and filled-in fields are part of what a page shows.
        QPdfDocumentRenderOptions options;
        options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
        options.setScaledSize(Page_Size);
        options.setScaledClipRect(part);
        return Document.render(Page, part.size(), options);
    });
    return On_White_Paper(std::move(drawn));
}

struct T_Pdf_Region_Renderer::T_Documents {
    std::mutex Lock;
    std::map<std::string, std::unique_ptr<QPdfDocument>> By_File;
};

T_Pdf_Region_Renderer::T_Pdf_Region_Renderer() : Documents_(std::make_unique<T_Documents>()) {}

T_Pdf_Region_Renderer::~T_Pdf_Region_Renderer() = default;

QImage T_Pdf_Region_Renderer::Render(const std::string& File, int Page, const QSize& Page_Size,
                                     const QRect& Clip)
{
    if (!Pdf_Page_Too_Complex(File, Page).empty())
        return {};
    const std::lock_guard<std::mutex> lock(Documents_->Lock);
    auto [place, added] = Documents_->By_File.try_emplace(File);
    if (added) {
        auto document = std::make_unique<QPdfDocument>();
        const QString drawn_file = QString::fromStdString(Pdf_File_To_Draw(File));
        if (On_Document_Worker([&] { return document->load(drawn_file); }) ==
            QPdfDocument::Error::None)
            place->second = std::move(document);
    }
    if (!place->second)
        return {};
    return Render_Pdf_Region(*place->second, Page, Page_Size, Clip);
}
