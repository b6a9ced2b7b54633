#include "pdf/pdf_region_text.h"

#include "pdf/page_word_reader.h"
#include "pdf/pdf_drawing_work.h"
#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_page_annotations.h"
#include "pdf/pdf_page_render.h"

#include <algorithm>

namespace {

// Word's box in the pixels of the page's picture: placed on the shown page
// by Frame, then scaled.
T_Page_Word Placed(T_Spaced_Word Word, const T_Page_Frame& Frame, double Scale_X, double Scale_Y)
{
    const auto [across0, down0] = Frame.Shown(Word.X0, Word.Y0);
    const auto [across1, down1] = Frame.Shown(Word.X1, Word.Y1);
    return {std::move(Word.Text), std::min(across0, across1) * Scale_X,
            std::min(down0, down1) * Scale_Y, std::max(across0, across1) * Scale_X,
            std::max(down0, down1) * Scale_Y};
}

} // namespace

struct T_Pdf_Text_Layer::T_Document {
    T_Document(const std::string& File, std::unique_ptr<T_Page_Word_Reader> Reader)
        : Words(std::move(Reader)), Annotations(File)
    {
    }
    std::unique_ptr<T_Page_Word_Reader> Words;
    // Reads the pages' frames too: the words are placed as the page is drawn.
    T_Pdf_Annotation_Reader Annotations;
};

T_Pdf_Text_Layer::T_Pdf_Text_Layer(const std::string& File) : File_(File)
{
    // A damaged file that the drawing library refuses is read from the copy
    // its pages are drawn from, which qpdf rebuilt.
    const T_Drawn_Pdf drawn = Pdf_Drawn_File(File);
    const std::string& read = drawn.Repaired ? drawn.Path : File;
    std::unique_ptr<T_Page_Word_Reader> reader = Poppler_Word_Reader(read);
    if (!reader)
        reader = Qt_Pdf_Word_Reader(read);
    if (reader)
        Document_ = std::make_unique<T_Document>(File, std::move(reader));
}

T_Pdf_Text_Layer::~T_Pdf_Text_Layer() = default;

const T_Page_Words& T_Pdf_Text_Layer::Words(int Page)
{
    auto [place, added] = Pages_.try_emplace(Page);
    // Reading the words of a page too complex to draw takes as long as
    // drawing it: such a page shows no text.
    if (!added || !Document_ || !Pdf_Page_Too_Complex(File_, Page).empty())
        return place->second;
    T_Read_Page read;
    try {
        read = Document_->Words->Read(Page);
    } catch (...) {
        // A call dropped (no longer wanted) read nothing: the page is read
        // when next asked for, not kept as a page without text.
        Pages_.erase(place);
        throw;
    }
    if (!read.Found)
        return place->second;
    const T_Page_Frame frame = Document_->Annotations.Frame_Of_Page(Page).value_or(read.Frame);
    const QSizeF points = frame.Shown_Points();
    const QSize pixels = Pdf_Page_Pixels(points);
    if (pixels.isEmpty())
        return place->second;
    // Boxes go to the picture's pixels as the page is drawn, a huge sheet
    // drawn smaller included.
    const double scale_x = pixels.width() / points.width();
    const double scale_y = pixels.height() / points.height();
    T_Page_Words& page = place->second;
    page.Words.reserve(read.Words.size());
    for (T_Spaced_Word& word : read.Words)
        page.Words.push_back(Placed(std::move(word), frame, scale_x, scale_y));
    page.Has_Text_Layer = !page.Words.empty();
    page.Annotations = Document_->Annotations.Of_Page(Page, scale_x, scale_y);
    return page;
}
