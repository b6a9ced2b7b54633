#include "pdf_page_signatures.h"

#include "pdf_exporter.h"
#include "pdf_page_fingerprints.h"
#include "pdf_page_render.h"
#include "picture_signature.h"
#include "u_image_load.h"

#include <QPdfDocument>

#include <algorithm>
#include <functional>
#include <future>
#include <unordered_map>

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
    // A small drawing tells pages apart, but cannot tell that two pages
    // show exactly the same: a changed digit may vanish at this size.
    signature.Content_Hash = 0;
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

// The signatures of the pages that Wanted selects (all without it); the
// others stay empty, in their places.
std::vector<T_Page_Signature> Drawn_Signatures(const std::string& file,
                                               const std::atomic<bool>& stop,
                                               const std::function<bool(int)>& wanted)
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
        signatures.push_back(!wanted || wanted(page) ? Small_Page_Signature(document, page)
                                                     : T_Page_Signature{});
    return signatures;
}

// The pages' fingerprints where they describe the pages the drawing library
// shows: one for each page it counts.
std::vector<std::uint64_t> Checked_Fingerprints(const std::string& file)
{
    if (!Is_Pdf_File(file))
        return {};
    std::vector<std::uint64_t> fingerprints = Pdf_Page_Fingerprints(file);
    QPdfDocument document;
    if (document.load(QString::fromStdString(file)) != QPdfDocument::Error::None ||
        document.pageCount() != static_cast<int>(fingerprints.size()))
        return {};
    return fingerprints;
}

void Set_Content_Hashes(std::vector<T_Page_Signature>& signatures,
                        const std::vector<std::uint64_t>& fingerprints)
{
    for (std::size_t page = 0; page < signatures.size() && page < fingerprints.size(); ++page)
        signatures[page].Content_Hash = fingerprints[page];
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
    // Reading the fingerprints takes no turn at the drawing library, and
    // every base page is drawn anyway: all three start at once.
    auto left_prints = std::async(std::launch::async, [&] { return Checked_Fingerprints(left); });
    auto right_prints = std::async(std::launch::async, [&] { return Checked_Fingerprints(right); });
    auto left_drawn =
        std::async(std::launch::async, [&] { return Drawn_Signatures(left, stop, {}); });
    const std::vector<std::uint64_t> left_fingerprints = left_prints.get();
    const std::vector<std::uint64_t> right_fingerprints = right_prints.get();
    std::unordered_map<std::uint64_t, int> base_page_of;
    for (std::size_t page = 0; page < left_fingerprints.size(); ++page)
        base_page_of.emplace(left_fingerprints[page], static_cast<int>(page));
    auto base_copy = [&](int page) {
        if (page >= static_cast<int>(right_fingerprints.size()))
            return -1;
        auto found = base_page_of.find(right_fingerprints[std::size_t(page)]);
        return found == base_page_of.end() ? -1 : found->second;
    };
    T_Pair_Signatures signatures;
    signatures.Right = Drawn_Signatures(right, stop, [&](int page) { return base_copy(page) < 0; });
    signatures.Left = left_drawn.get();
    for (std::size_t page = 0; page < signatures.Right.size(); ++page) {
        const int base = base_copy(static_cast<int>(page));
        if (base >= 0 && base < static_cast<int>(signatures.Left.size()))
            signatures.Right[page] = signatures.Left[std::size_t(base)];
    }
    Set_Content_Hashes(signatures.Left, left_fingerprints);
    Set_Content_Hashes(signatures.Right, right_fingerprints);
    return signatures;
}
