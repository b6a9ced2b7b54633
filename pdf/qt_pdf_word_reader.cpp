#include "pdf/page_word_reader.h"

#include "pdf/document_worker.h"

#include <QPdfDocument>
#include <QPdfSelection>

namespace {

// The page's words. The module gives a word's box with x in the page's own
// space and y as the shown page's height less the page's own y, whatever
// the page's crop box and rotation.
std::vector<T_Spaced_Word> Read_Words(QPdfDocument& Document, int Page, double Shown_Height)
{
    std::vector<T_Spaced_Word> words;
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
            words.push_back({all.mid(at, end - at).toStdString(), box.left(),
                             Shown_Height - box.bottom(), box.right(), Shown_Height - box.top()});
        at = end;
    }
    return words;
}

class T_Qt_Pdf_Word_Reader : public T_Page_Word_Reader {
public:
    bool Load(const std::string& File)
    {
        return On_Document_Worker([&] { return Pdf_.load(QString::fromStdString(File)); }) ==
               QPdfDocument::Error::None;
    }

    T_Read_Page Read(int Page) override
    {
        T_Read_Page read;
        On_Document_Worker([&] {
            if (Page < 0 || Page >= Pdf_.pageCount())
                return;
            const QSizeF points = Pdf_.pagePointSize(Page);
            read.Found = true;
            // Not knowing the crop box's corner nor the rotation, the
            // module's boxes are taken as they come.
            read.Frame.Box = {0, 0, points.width(), points.height()};
            read.Words = Read_Words(Pdf_, Page, points.height());
        });
        return read;
    }

private:
    QPdfDocument Pdf_;
};

} // namespace

std::unique_ptr<T_Page_Word_Reader> Qt_Pdf_Word_Reader(const std::string& File)
{
    auto reader = std::make_unique<T_Qt_Pdf_Word_Reader>();
    if (!reader->Load(File))
        return nullptr;
    return reader;
}
