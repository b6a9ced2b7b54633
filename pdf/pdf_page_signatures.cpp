#include "pdf_page_signatures.h"

#include "pdf_exporter.h"
#include "pdf_page_render.h"
#include "u_image_load.h"

#include <QPainter>
#include <QPdfDocument>

#include <cstring>

namespace {

// A hash of the picture's pixels: equal hashes mean equal pictures. Pages
// are large (17 MB for A3 at 150 dpi), so it mixes 8 bytes at a time.
std::uint64_t Picture_Hash(const QImage& picture)
{
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ (std::uint64_t(picture.width()) << 32) ^
                         std::uint64_t(picture.height());
    auto mix = [&hash](std::uint64_t word) {
        hash ^= word;
        hash *= 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    };
    const std::size_t row_bytes = std::size_t(picture.width()) * 4;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* row = picture.constScanLine(y);
        std::size_t at = 0;
        for (; at + 8 <= row_bytes; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, row + at, 8);
            mix(word);
        }
        std::uint64_t tail = 0;
        std::memcpy(&tail, row + at, row_bytes - at);
        mix(tail);
    }
    return hash;
}

} // namespace

std::vector<T_Page_Signature> Pdf_Page_Signatures(const std::string& file,
                                                  const std::atomic<bool>& stop)
{
    std::vector<T_Page_Signature> signatures;
    QPdfDocument document;
    // A picture on one side is a document of one page.
    QImage single;
    if (!Is_Pdf_File(file)) {
        T_Loaded_Picture picture = Load_Picture(file);
        if (picture.Result != T_Picture_Load_Result::Loaded)
            return signatures;
        // On white, as pages are drawn.
        single = QImage(picture.Image.size(), QImage::Format_RGB32);
        single.fill(Qt::white);
        QPainter(&single).drawImage(0, 0, picture.Image);
    } else if (document.load(QString::fromStdString(file)) != QPdfDocument::Error::None) {
        return signatures;
    }
    const int pages = single.isNull() ? document.pageCount() : 1;
    for (int page = 0; page < pages && !stop; ++page) {
        QImage picture = single.isNull() ? Render_Pdf_Page(document, page) : single;
        if (picture.isNull()) {
            // A page that cannot be drawn still takes its place, blank.
            signatures.push_back({});
            continue;
        }
        QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
        signatures.push_back(Make_Page_Signature(grey.constBits(), grey.width(), grey.height(),
                                                 int(grey.bytesPerLine()), Picture_Hash(picture)));
    }
    return signatures;
}
