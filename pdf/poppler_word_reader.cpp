#include "pdf/page_word_reader.h"
#include "pdf/poppler_quiet.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

namespace {

// The frame poppler shows the page in: its crop box as poppler keeps it
// (within the media box, though not always as the drawing library does),
// turned by the page's rotation.
T_Page_Frame Poppler_Frame(const poppler::page& Page)
{
    const poppler::rectf box = Page.page_rect(poppler::crop_box);
    T_Page_Frame frame;
    frame.Box = {box.x(), box.y(), box.x() + box.width(), box.y() + box.height()};
    switch (Page.orientation()) {
    case poppler::page::landscape:
        frame.Rotate = 90;
        break;
    case poppler::page::upside_down:
        frame.Rotate = 180;
        break;
    case poppler::page::seascape:
        frame.Rotate = 270;
        break;
    default:
        frame.Rotate = 0;
    }
    return frame;
}

class T_Poppler_Word_Reader : public T_Page_Word_Reader {
public:
    explicit T_Poppler_Word_Reader(std::unique_ptr<poppler::document> Document)
        : Document_(std::move(Document))
    {
    }

    T_Read_Page Read(int Page) override
    {
        T_Read_Page read;
        const std::unique_ptr<poppler::page> page(Document_->create_page(Page));
        if (!page)
            return read;
        read.Found = true;
        read.Frame = Poppler_Frame(*page);
        // The words come in reading order with their boxes in points from
        // the top left of the page as poppler shows it; they go back to the
        // page's own space.
        for (const poppler::text_box& word : page->text_list()) {
            const poppler::rectf box = word.bbox();
            const poppler::byte_array text = word.text().to_utf8();
            if (!(box.width() > 0 && box.height() > 0) || text.empty())
                continue;
            const auto [x0, y0] = read.Frame.Unshown(box.left(), box.top());
            const auto [x1, y1] = read.Frame.Unshown(box.right(), box.bottom());
            read.Words.push_back({std::string(text.begin(), text.end()), std::min(x0, x1),
                                  std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)});
        }
        return read;
    }

private:
    std::unique_ptr<poppler::document> Document_;
};

} // namespace

std::unique_ptr<T_Page_Word_Reader> Poppler_Word_Reader(const std::string& File)
{
    Keep_Poppler_Quiet();
    std::unique_ptr<poppler::document> document(poppler::document::load_from_file(File));
    if (!document || document->is_locked())
        return nullptr;
    return std::make_unique<T_Poppler_Word_Reader>(std::move(document));
}
