#include "pdf/pdf_page_signatures.h"

#include "pdf/document_worker.h"
#include "pdf/pdf_exporter.h"
#include "differences/page_pairing.h"
#include "pdf/pdf_drawing_work.h"
#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_page_fingerprints.h"
#include "pdf/pdf_page_render.h"
#include "pdf/poppler_small_pages.h"
#include "imaging/picture_signature.h"
#include "imaging/u_image_load.h"

#include <QPdfDocument>

#include <algorithm>
#include <functional>
#include <future>

namespace {

// A signature is a grid of 32 x 32 cells of ink: a drawing whose longer side
// has a few pixels per cell holds all it needs, at a fraction of the time
// that drawing the page at the panes' resolution takes.
constexpr double Signature_Long_Side = 128;

// The resolution a page of Points is drawn at for its signature.
double Signature_Dpi(const QSizeF& Points)
{
    const double longer = std::max(Points.width(), Points.height());
    return longer > 0 ? std::clamp(Signature_Long_Side * 72.0 / longer, 1.0, Pdf_Page_Dpi) : 1.0;
}

T_Page_Signature Small_Page_Signature(const QImage& Drawn)
{
    T_Page_Signature signature = Picture_Signature(Drawn);
    // A small drawing tells pages apart, but cannot tell that two pages
    // show exactly the same: a changed digit may vanish at this size.
    signature.Content_Hash = 0;
    return signature;
}

// Sizes are compared in the pixels the page is shown in (Points: its size
// as Qt's module gives it), so that a page pairs with a picture of the
// same sheet on the other side.
void Set_Shown_Size(T_Page_Signature& Signature, const QSizeF& Points)
{
    const QSize shown = Pdf_Page_Pixels(Points);
    if (Signature.Width > 0 && !shown.isEmpty()) {
        Signature.Width = shown.width();
        Signature.Height = shown.height();
        Signature.Aspect = double(shown.width()) / shown.height();
    }
}

// The signatures poppler draws of File's pages, of those that Wanted
// selects (all without it; the others stay empty, in their places, as do
// pages too complex to draw in a bounded time); fewer once Stop is set.
std::vector<T_Page_Signature> Poppler_Signatures(const std::string& File,
                                                 const T_Poppler_Small_Pages& Small,
                                                 const std::atomic<bool>& Stop,
                                                 const std::function<bool(int)>& Wanted)
{
    std::vector<T_Page_Signature> signatures;
    for (int page = 0; page < Small.Page_Count() && !Stop; ++page) {
        if ((Wanted && !Wanted(page)) || !Pdf_Page_Too_Complex(File, page).empty()) {
            signatures.emplace_back();
            continue;
        }
        signatures.push_back(
            Small_Page_Signature(Small.Draw(page, Signature_Dpi(Small.Page_Points(page)))));
    }
    return signatures;
}

// The signatures of the pages that Wanted selects (all without it); the
// others stay empty, in their places.
std::vector<T_Page_Signature> Drawn_Signatures(const std::string& file,
                                               const std::atomic<bool>& stop,
                                               const std::function<bool(int)>& wanted)
{
    std::vector<T_Page_Signature> signatures;
    QPdfDocument document;
    // A picture on one side is a document of one page; a file that is no
    // picture is read as a PDF, its header missing or not.
    if (!Is_Pdf_File(file)) {
        T_Loaded_Picture picture = Load_Picture(file);
        if (picture.Result == T_Picture_Load_Result::Loaded) {
            signatures.push_back(Picture_Signature(picture.Image));
            return signatures;
        }
    }
    const std::string drawn_file = Pdf_File_To_Draw(file);
    // poppler draws first, on this thread, while the document worker may be
    // drawing what the reviewer looks at.
    const std::unique_ptr<T_Poppler_Small_Pages> small = T_Poppler_Small_Pages::Open(drawn_file);
    if (small)
        signatures = Poppler_Signatures(file, *small, stop, wanted);
    // The page count and sizes are those of Qt's module, which shows the
    // pages.
    std::vector<QSizeF> points;
    if (On_Document_Worker([&] {
            const QPdfDocument::Error error = document.load(QString::fromStdString(drawn_file));
            for (int page = 0; page < document.pageCount(); ++page)
                points.push_back(document.pagePointSize(page));
            return error;
        }) != QPdfDocument::Error::None)
        return {};
    if (small && (stop || signatures.size() == points.size())) {
        for (std::size_t page = 0; page < signatures.size() && page < points.size(); ++page)
            Set_Shown_Size(signatures[page], points[page]);
        return signatures;
    }
    // poppler counts other pages than Qt's module, or cannot read the file:
    // Qt's module draws them. A page that cannot be drawn still takes its
    // place, blank.
    signatures.clear();
    // A page too complex to draw in a bounded time is not drawn at all.
    for (int page = 0; page < static_cast<int>(points.size()) && !stop; ++page) {
        if ((wanted && !wanted(page)) || !Pdf_Page_Too_Complex(file, page).empty()) {
            signatures.emplace_back();
            continue;
        }
        const QSizeF& size = points[std::size_t(page)];
        signatures.push_back(
            Small_Page_Signature(Render_Pdf_Page(document, page, Signature_Dpi(size))));
        Set_Shown_Size(signatures.back(), size);
    }
    return signatures;
}

// The pages' fingerprints where they describe the pages the drawing library
// shows: one for each page it counts. poppler's count stands for it here,
// so that nothing waits for the document worker's turn; Pdf_Pair_Signatures
// checks it against the pages drawn.
std::vector<std::uint64_t> Checked_Fingerprints(const std::string& file)
{
    if (!Is_Pdf_File(file))
        return {};
    std::vector<std::uint64_t> fingerprints = Pdf_Page_Fingerprints(file);
    const std::string drawn_file = Pdf_File_To_Draw(file);
    if (const auto small = T_Poppler_Small_Pages::Open(drawn_file))
        return small->Page_Count() == static_cast<int>(fingerprints.size())
                   ? fingerprints
                   : std::vector<std::uint64_t>{};
    QPdfDocument document;
    const bool counted = On_Document_Worker([&] {
        return document.load(QString::fromStdString(drawn_file)) == QPdfDocument::Error::None &&
               document.pageCount() == static_cast<int>(fingerprints.size());
    });
    if (!counted)
        return {};
    return fingerprints;
}

void Set_Content_Hashes(std::vector<T_Page_Signature>& signatures,
                        const std::vector<std::uint64_t>& fingerprints)
{
    for (std::size_t page = 0; page < signatures.size() && page < fingerprints.size(); ++page)
        signatures[page].Content_Hash = fingerprints[page];
}

// Whether each base page is drawn: those without a twin, and a few twins
// spread evenly over the set, from which (with the others drawn) the ink
// that the set's sheets share is still seen.
std::vector<bool> Base_Pages_Drawn(const std::vector<int>& twins)
{
    constexpr std::size_t Twins_Drawn = 6;
    std::vector<bool> drawn(twins.size());
    std::vector<std::size_t> twinned;
    for (std::size_t page = 0; page < twins.size(); ++page) {
        drawn[page] = twins[page] < 0;
        if (twins[page] >= 0)
            twinned.push_back(page);
    }
    const std::size_t count = std::min(Twins_Drawn, twinned.size());
    for (std::size_t k = 0; k < count; ++k)
        drawn[twinned[(2 * k + 1) * twinned.size() / (2 * count)]] = true;
    return drawn;
}

} // namespace

std::vector<T_Page_Signature> Pdf_Page_Signatures(const std::string& file,
                                                  const std::atomic<bool>& stop)
{
    return Drawn_Signatures(file, stop, {});
}

T_Pair_Signatures Pdf_Pair_Signatures(const std::string& left, const std::string& right,
                                      const std::atomic<bool>& stop)
{
    // Which pages need drawing follows from the fingerprints, which take no
    // turn at the drawing library: both are read first, at once.
    const T_Document_Priority priority = Document_Call_Priority();
    auto left_prints = std::async(std::launch::async, [&] {
        const T_Document_Call_Scope scope(priority);
        return Checked_Fingerprints(left);
    });
    const std::vector<std::uint64_t> right_fingerprints = Checked_Fingerprints(right);
    const std::vector<std::uint64_t> left_fingerprints = left_prints.get();
    // Without fingerprints on both sides every page is drawn.
    const bool known = !left_fingerprints.empty() && !right_fingerprints.empty();
    const std::vector<int> left_twins =
        known ? Same_Hash_Pages(left_fingerprints, right_fingerprints) : std::vector<int>{};
    const std::vector<int> right_twins =
        known ? Same_Hash_Pages(right_fingerprints, left_fingerprints) : std::vector<int>{};
    const std::vector<bool> left_wanted = Base_Pages_Drawn(left_twins);
    auto twinned = [](const std::vector<int>& twins, int page) {
        return page < static_cast<int>(twins.size()) && twins[std::size_t(page)] >= 0;
    };
    auto left_drawn = std::async(std::launch::async, [&] {
        const T_Document_Call_Scope scope(priority);
        return Drawn_Signatures(left, stop, [&](int page) {
            return !twinned(left_twins, page) || left_wanted[std::size_t(page)];
        });
    });
    T_Pair_Signatures signatures;
    signatures.Right =
        Drawn_Signatures(right, stop, [&](int page) { return !twinned(right_twins, page); });
    signatures.Left = left_drawn.get();
    // Fingerprints counted otherwise than the pages drawn stand for nothing:
    // every page is drawn.
    if (known && !stop &&
        (signatures.Left.size() != left_fingerprints.size() ||
         signatures.Right.size() != right_fingerprints.size())) {
        auto all_left = std::async(std::launch::async, [&] {
            const T_Document_Call_Scope scope(priority);
            return Drawn_Signatures(left, stop, {});
        });
        signatures.Right = Drawn_Signatures(right, stop, {});
        signatures.Left = all_left.get();
        return signatures;
    }
    // A twin takes its base page's signature where that was drawn; the
    // others stay without cells, known by their fingerprints alone.
    for (std::size_t page = 0; page < signatures.Right.size(); ++page)
        if (twinned(right_twins, static_cast<int>(page))) {
            const std::size_t base = std::size_t(right_twins[page]);
            if (base < signatures.Left.size())
                signatures.Right[page] = signatures.Left[base];
        }
    Set_Content_Hashes(signatures.Left, left_fingerprints);
    Set_Content_Hashes(signatures.Right, right_fingerprints);
    return signatures;
}
