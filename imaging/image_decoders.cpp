#include "imaging/image_decoders.h"

#include <cstring>

#include <zlib.h>

namespace imaging {

bool T_Reader::Bytes(u8* target, std::size_t count)
{
    if (!Has(count)) {
        Fail = true;
        Position = Size;
        return false;
    }
    if (count)
        std::memcpy(target, Data + Position, count);
    Position += count;
    return true;
}

bool Check_Raster_Size(std::int64_t width, std::int64_t height, const T_Decode_Limits& limits,
                       std::string& error, std::uint64_t min_bytes, std::uint64_t available)
{
    std::string size_text = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0)
        return Fail(error, "The picture has no pixels (" + size_text + ").");
    if (limits.Declared)
        *limits.Declared = {width, height, true};
    if (width > limits.Max_Side || height > limits.Max_Side ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > limits.Max_Pixels)
        return Fail(error, "The picture is too large to show (" + size_text + " pixels).");
    if (min_bytes > available)
        return Fail(error, "The file is too short for a picture of " + size_text + " pixels.");
    return true;
}

bool New_Image(QImage& out, std::int64_t width, std::int64_t height, QImage::Format format,
               const T_Decode_Limits& limits, std::string& error, std::uint64_t min_bytes,
               std::uint64_t available)
{
    if (!Check_Raster_Size(width, height, limits, error, min_bytes, available))
        return false;
    out = QImage(static_cast<int>(width), static_cast<int>(height), format);
    if (out.isNull())
        return Fail(error, "There is not enough memory for the picture.");
    if (format == QImage::Format_Indexed8)
        out.setColorTable(QList<QRgb>(256, qRgb(0, 0, 0)));
    out.fill(Qt::black); // an indexed picture: index 0
    return true;
}

void Settle_Alpha(QImage& image, bool empty_is_opaque)
{
    if (image.format() != QImage::Format_RGBA8888)
        return;
    // The sizes are read once: QImage's getters are calls, not inlined, and
    // this visits every pixel.
    bool opaque = true, empty = true;
    const int width = image.width(), height = image.height();
    for (int y = 0; y < height && (opaque || empty); ++y) {
        const u8* row = image.constScanLine(y);
        for (int x = 0; x < width; ++x)
            opaque = opaque && row[4 * x + 3] == 255, empty = empty && row[4 * x + 3] == 0;
    }
    // An opaque picture's alpha bytes are already 255, as RGBX8888 stores
    // them: renamed, not converted.
    if (opaque)
        image.reinterpretAsFormat(QImage::Format_RGBX8888);
    else if (empty && empty_is_opaque)
        image.convertTo(QImage::Format_RGBX8888);
}

bool Inflate_Zlib(const u8* data, std::size_t size, u8* out, std::size_t out_size,
                  std::string& error)
{
    // zlib counts in 32 bits: files are read up to 2 GiB, channels are smaller.
    if (size > 0xFFFFFFFFu || out_size > 0xFFFFFFFFu)
        return Fail(error, "The compressed picture data is too large.");
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return Fail(error, "The decompressor could not start.");
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(out_size);
    const int status = inflate(&stream, Z_FINISH);
    const std::size_t done = out_size - stream.avail_out;
    inflateEnd(&stream);
    if (status != Z_STREAM_END && status != Z_BUF_ERROR && status != Z_OK)
        return Fail(error, "The compressed picture data is corrupt.");
    if (done < out_size)
        return Fail(error, "The compressed picture data ends early.");
    return true;
}

} // namespace imaging
