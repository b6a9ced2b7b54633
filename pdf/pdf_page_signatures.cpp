#include "pdf_page_signatures.h"

#include "pdf_page_render.h"

#include <QCryptographicHash>
#include <QPdfDocument>

#include <cstring>

namespace {

// A hash of the picture's pixels: equal hashes mean equal pictures.
std::uint64_t Picture_Hash(const QImage& picture)
{
    QCryptographicHash hash(QCryptographicHash::Blake2b_160);
    const int width = picture.width(), height = picture.height();
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&width), sizeof width));
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&height), sizeof height));
    const qsizetype row_bytes = qsizetype(width) * 4;
    for (int y = 0; y < height; ++y)
        hash.addData(
            QByteArrayView(reinterpret_cast<const char*>(picture.constScanLine(y)), row_bytes));
    QByteArray digest = hash.result();
    std::uint64_t value = 0;
    std::memcpy(&value, digest.constData(), sizeof value);
    return value;
}

} // namespace

std::vector<T_Page_Signature> Pdf_Page_Signatures(const std::string& file,
                                                  const std::atomic<bool>& stop)
{
    std::vector<T_Page_Signature> signatures;
    QPdfDocument document;
    if (document.load(QString::fromStdString(file)) != QPdfDocument::Error::None)
        return signatures;
    for (int page = 0; page < document.pageCount() && !stop; ++page) {
        QImage picture = Render_Pdf_Page(document, page);
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
