#include "pdf/pdf_region_text.h"

#include "pdf/document_worker.h"
#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_page_annotations.h"
#include "pdf/pdf_page_render.h"

#include <QPdfDocument>
#include <QPdfSelection>

namespace {

// The page's words with their boxes in points, from the top left.
std::vector<T_Page_Word> Read_Words(QPdfDocument& Document, int Page, double Scale_X,
                                    double Scale_Y)
{
    std::vector<T_Page_Word> words;
    const QString all = Document.getAllText(Page).text();
    for (qsizetype at = 0; at < all.size();) {
        if (all[at].isSpace()) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < all.size() && !all[end].isSpace())
            ++end;
        // The layer's characters and the text's are the same sequence, so
        // a word's place in the text is its place in the layer.
        const QRectF box =
            Document.getSelectionAtIndex(Page, int(at), int(end - at)).boundingRectangle();
        if (!box.isEmpty())
            words.push_back({all.mid(at, end - at).toStdString(), box.left() * Scale_X,
                             box.top() * Scale_Y, box.right() * Scale_X, box.bottom() * Scale_Y});
        at = end;
    }
    return words;
}

} // namespace

struct T_Pdf_Text_Layer::T_Document {
    explicit T_Document(const std::string& File) : Annotations(File) {}
    QPdfDocument Pdf;
    T_Pdf_Annotation_Reader Annotations;
};

T_Pdf_Text_Layer::T_Pdf_Text_Layer(const std::string& File)
    : File_(File), Document_(std::make_unique<T_Document>(File))
{
    // A damaged file is read from the copy rebuilt from it.
    const auto load = [this](const std::string& Name) {
        return On_Document_Worker(
            [this, &Name] { return Document_->Pdf.load(QString::fromStdString(Name)); });
    };
    if (load(File) != QPdfDocument::Error::None &&
        (!Pdf_Drawn_File(File).Repaired ||
         load(Pdf_Drawn_File(File).Path) != QPdfDocument::Error::None))
        Document_.reset();
}

T_Pdf_Text_Layer::~T_Pdf_Text_Layer() = default;

const T_Page_Words& T_Pdf_Text_Layer::Words(int Page)
{
    auto [place, added] = Pages_.try_emplace(Page);
    if (!added || !Document_)
        return place->second;
    QSizeF points;
    try {
        On_Document_Worker([&] {
            if (Page < 0 || Page >= Document_->Pdf.pageCount())
                return;
            points = Document_->Pdf.pagePointSize(Page);
            const QSize pixels = Pdf_Page_Pixels(points);
            if (pixels.isEmpty())
                return;
            // Boxes go to the picture's pixels as the page is drawn, a huge
            // sheet drawn smaller included.
            place->second.Words = Read_Words(Document_->Pdf, Page, pixels.width() / points.width(),
                                             pixels.height() / points.height());
        });
    } catch (...) {
        // A call dropped (no longer wanted) read nothing: the page is read
        // when next asked for, not kept as a page without text.
        Pages_.erase(place);
        throw;
    }
    const QSize pixels = Pdf_Page_Pixels(points);
    if (pixels.isEmpty())
        return place->second;
    place->second.Has_Text_Layer = !place->second.Words.empty();
    place->second.Annotations = Document_->Annotations.Of_Page(
        Page, pixels.width() / points.width(), pixels.height() / points.height());
    return place->second;
}
