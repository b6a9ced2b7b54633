#include "pdf/pdf_font_warmup.h"

#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>

#include <map>
#include <mutex>
#include <set>

namespace {

// The pages drawn for their fonts, by document. A document may be closed or
// destroyed on a thread other than the worker, so the record has a lock.
struct T_Warmed_Pages {
    std::mutex Lock;
    std::map<const QPdfDocument*, std::set<int>> By_Document;
};

T_Warmed_Pages& Warmed_Pages()
{
    static T_Warmed_Pages pages;
    return pages;
}

// Document destroyed: another may come to stand at its address.
void Forget_Document(const QPdfDocument* Document)
{
    T_Warmed_Pages& warmed = Warmed_Pages();
    const std::lock_guard<std::mutex> lock(warmed.Lock);
    warmed.By_Document.erase(Document);
}

// Document loaded anew or closed: another file may be in it.
void Forget_Pages(const QPdfDocument* Document)
{
    T_Warmed_Pages& warmed = Warmed_Pages();
    const std::lock_guard<std::mutex> lock(warmed.Lock);
    const auto found = warmed.By_Document.find(Document);
    if (found != warmed.By_Document.end())
        found->second.clear();
}

// True the first time Page of Document is asked for since it was loaded.
bool First_Time(QPdfDocument& Document, int Page)
{
    T_Warmed_Pages& warmed = Warmed_Pages();
    const std::lock_guard<std::mutex> lock(warmed.Lock);
    auto [place, added] = warmed.By_Document.try_emplace(&Document);
    if (added) {
        const QPdfDocument* key = &Document;
        QObject::connect(
            &Document, &QPdfDocument::statusChanged, &Document, [key] { Forget_Pages(key); },
            Qt::DirectConnection);
        QObject::connect(&Document, &QObject::destroyed, [key] { Forget_Document(key); });
    }
    return place->second.insert(Page).second;
}

} // namespace

void Warm_Pdf_Page_Fonts(QPdfDocument& Document, int Page)
{
    if (!First_Time(Document, Page))
        return;
    // Drawn as a real drawing is: annotations and form fields bring fonts
    // of their own.
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    Document.render(Page, QSize(1, 1), options);
}
