#include "headless/quick_png.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstring>
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

// How the pixels are stored: PNG's colour type and the bytes of a pixel.
enum class T_Layout { Rgb, Rgba, Palette };

int Colour_Type(T_Layout Layout)
{
    switch (Layout) {
    case T_Layout::Rgb:
        return 2;
    case T_Layout::Rgba:
        return 6;
    case T_Layout::Palette:
        break;
    }
    return 3;
}

std::size_t Pixel_Bytes(T_Layout Layout)
{
    return Layout == T_Layout::Rgba ? 4 : Layout == T_Layout::Rgb ? 3 : 1;
}

std::string Header(const QImage& Picture, T_Layout Layout)
{
    std::string fields;
    Append_Big_Endian(fields, static_cast<std::uint32_t>(Picture.width()));
    Append_Big_Endian(fields, static_cast<std::uint32_t>(Picture.height()));
    // 8 bits a sample (or a palette index); deflate, the five-filter
    // method, no interlace.
    fields += std::string{8, static_cast<char>(Colour_Type(Layout)), 0, 0, 0};
    return fields;
}

// The palette's colours, and their opacities up to the last one that is
// not opaque (the tRNS chunk; empty when all are).
std::string Palette(const QImage& Picture)
{
    std::string colours;
    for (const QRgb colour : Picture.colorTable()) {
        colours += static_cast<char>(qRed(colour));
        colours += static_cast<char>(qGreen(colour));
        colours += static_cast<char>(qBlue(colour));
    }
    return colours;
}

std::string Palette_Opacities(const QImage& Picture)
{
    const QList<QRgb> table = Picture.colorTable();
    std::string opacities;
    for (qsizetype last = table.size() - 1; last >= 0; --last)
        if (qAlpha(table[last]) != 255) {
            for (qsizetype i = 0; i <= last; ++i)
                opacities += static_cast<char>(qAlpha(table[i]));
            break;
        }
    return opacities;
}

// One row in the file's sample order (R, G, B[, A]) from Qt's 32-bit
// pixels, or the palette indices as they are.
void Row_Samples(const QImage& Picture, int Y, T_Layout Layout, unsigned char* Out)
{
    const int Width = Picture.width();
    if (Layout == T_Layout::Palette) {
        std::memcpy(Out, Picture.constScanLine(Y), std::size_t(Width));
        return;
    }
    const bool Alpha = Layout == T_Layout::Rgba;
    const auto* Pixels = reinterpret_cast<const QRgb*>(Picture.constScanLine(Y));
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
bool Image_Data(const QImage& Picture, T_Layout Layout, std::string& Out)
{
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK)
        return false;
    const std::size_t row_bytes = std::size_t(Picture.width()) * Pixel_Bytes(Layout);
    std::vector<unsigned char> above(row_bytes, 0), row(row_bytes), filtered(row_bytes + 1);
    filtered[0] = 2; // "up"
    std::array<unsigned char, 1 << 16> buffer;
    bool ok = true, ended = false;
    for (int y = 0; y < Picture.height() && ok; ++y) {
        Row_Samples(Picture, y, Layout, row.data());
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
    const bool palette = Picture.format() == QImage::Format_Indexed8;
    const bool alpha = !palette && Picture.hasAlphaChannel();
    const T_Layout layout = palette ? T_Layout::Palette : alpha ? T_Layout::Rgba : T_Layout::Rgb;
    const QImage pixels =
        palette ? Picture
                : Picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::string data;
    if (!Image_Data(pixels, layout, data))
        return {};
    std::string png("\x89PNG\r\n\x1a\n", 8);
    Append_Chunk(png, "IHDR", Header(pixels, layout));
    if (palette) {
        Append_Chunk(png, "PLTE", Palette(pixels));
        if (const std::string opacities = Palette_Opacities(pixels); !opacities.empty())
            Append_Chunk(png, "tRNS", opacities);
    }
    Append_Chunk(png, "IDAT", data);
    Append_Chunk(png, "IEND", {});
    return png;
}
