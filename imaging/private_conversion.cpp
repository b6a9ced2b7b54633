#include "imaging/private_conversion.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Qt converts a picture of fewer than this many pixels on the calling
// thread (it splits larger ones into segments of 65,536 pixels).
constexpr qsizetype Inline_Pixels = qsizetype{1} << 16;

void Convert_Strip(const QImage& Picture, QImage& Out, int Top, int Rows)
{
    // A view on the source rows: no copy of the picture is made.
    QImage strip(Picture.constScanLine(Top), Picture.width(), Rows, Picture.bytesPerLine(),
                 Picture.format());
    strip.setColorTable(Picture.colorTable());
    const QImage converted = strip.convertToFormat(Out.format());
    const qsizetype bytes = std::min(converted.bytesPerLine(), Out.bytesPerLine());
    for (int row = 0; row < Rows; ++row)
        std::memcpy(Out.scanLine(Top + row), converted.constScanLine(row), size_t(bytes));
}

} // namespace

QImage Converted_Privately(const QImage& Picture, QImage::Format Format, unsigned Threads)
{
    if (Picture.isNull() || Picture.format() == Format)
        return Picture;
    const int width = Picture.width(), height = Picture.height();
    const int rows_per_strip = int(std::max<qsizetype>(1, (Inline_Pixels - 1) / width));
    if (qsizetype{width} * height < Inline_Pixels)
        return Picture.convertToFormat(Format);
    QImage out(width, height, Format);
    if (out.isNull())
        return out;
    out.setDotsPerMeterX(Picture.dotsPerMeterX());
    out.setDotsPerMeterY(Picture.dotsPerMeterY());
    const int strips = (height + rows_per_strip - 1) / rows_per_strip;
    if (Threads == 0)
        Threads = std::max(1u, std::thread::hardware_concurrency());
    Threads = std::min<unsigned>(Threads, unsigned(strips));
    std::atomic<int> next{0};
    auto work = [&] {
        for (int strip = next++; strip < strips; strip = next++) {
            const int top = strip * rows_per_strip;
            Convert_Strip(Picture, out, top, std::min(rows_per_strip, height - top));
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned k = 1; k < Threads; ++k)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return out;
}
