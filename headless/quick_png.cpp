#include "headless/quick_png.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

void Append_Big_Endian(std::string& Out, std::uint32_t Value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        Out.push_back(static_cast<char>((Value >> shift) & 0xFF));
}

void Append_Chunk(std::string& Out, const char* Type, const std::string& Data)
{
    Append_Big_Endian(Out, static_cast<std::uint32_t>(Data.size()));
    const std::size_t start = Out.size();
    Out.append(Type, 4);
    Out += Data;
    const auto* bytes = reinterpret_cast<const Bytef*>(Out.data() + start);
    Append_Big_Endian(Out, static_cast<std::uint32_t>(crc32(0, bytes, uInt(Out.size() - start))));
}

std::string Header(const QImage& Picture, bool Alpha)
{
    std::string fields;
    Append_Big_Endian(fields, static_cast<std::uint32_t>(Picture.width()));
    Append_Big_Endian(fields, static_cast<std::uint32_t>(Picture.height()));
    // 8 bits a sample; RGB or RGBA; deflate, the five-filter method, no interlace.
    fields += std::string{8, static_cast<char>(Alpha ? 6 : 2), 0, 0, 0};
    return fields;
}

// One row in the file's sample order (R, G, B[, A]) from Qt's 32-bit pixels.
void Row_Samples(const QRgb* Pixels, int Width, bool Alpha, unsigned char* Out)
{
    for (int x = 0; x < Width; ++x) {
        const QRgb pixel = Pixels[x];
        *Out++ = static_cast<unsigned char>(qRed(pixel));
        *Out++ = static_cast<unsigned char>(qGreen(pixel));
        *Out++ = static_cast<unsigned char>(qBlue(pixel));
        if (Alpha)
            *Out++ = static_cast<unsigned char>(qAlpha(pixel));
    }
}

// The image data: each row filtered against the one above, deflated as it
// is made, so no second copy of the picture is held.
bool Image_Data(const QImage& Picture, bool Alpha, std::string& Out)
{
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK)
        return false;
    const std::size_t row_bytes = std::size_t(Picture.width()) * (Alpha ? 4 : 3);
    std::vector<unsigned char> above(row_bytes, 0), row(row_bytes), filtered(row_bytes + 1);
    filtered[0] = 2; // "up"
    std::array<unsigned char, 1 << 16> buffer;
    bool ok = true, ended = false;
    for (int y = 0; y < Picture.height() && ok; ++y) {
        Row_Samples(reinterpret_cast<const QRgb*>(Picture.constScanLine(y)), Picture.width(), Alpha,
                    row.data());
        for (std::size_t i = 0; i < row_bytes; ++i)
            filtered[i + 1] = static_cast<unsigned char>(row[i] - above[i]);
        above.swap(row);
        const int flush = y + 1 == Picture.height() ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = filtered.data();
        stream.avail_in = uInt(filtered.size());
        do {
            stream.next_out = buffer.data();
            stream.avail_out = uInt(buffer.size());
            const int status = deflate(&stream, flush);
            ok = status == Z_OK || status == Z_STREAM_END || status == Z_BUF_ERROR;
            ended = status == Z_STREAM_END;
            Out.append(reinterpret_cast<const char*>(buffer.data()),
                       buffer.size() - stream.avail_out);
        } while (ok && stream.avail_out == 0); // more output is waiting
    }
    deflateEnd(&stream);
    return ok && ended;
}

} // namespace

std::string Quick_Png(const QImage& Picture)
{
    if (Picture.isNull())
        return {};
    const bool alpha = Picture.hasAlphaChannel();
    const QImage pixels =
        Picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::string data;
    if (!Image_Data(pixels, alpha, data))
        return {};
    std::string png("\x89PNG\r\n\x1a\n", 8);
    Append_Chunk(png, "IHDR", Header(pixels, alpha));
    Append_Chunk(png, "IDAT", data);
    Append_Chunk(png, "IEND", {});
    return png;
}
