// ZSoft Paintbrush: monochrome, CGA 4-colour, EGA 16-colour (one 4-bit plane
// or four 1-bit planes), 256-colour with the palette at the end, and 24- and
// 32-bit pictures as three or four 8-bit planes; run-length encoded or raw.
#include "imaging/image_decoders.h"

#include <vector>

namespace imaging {

namespace {

// Sets the colour table of a palette picture: 256 colours after a 0x0C
// marker at the end for 8-bit pictures, otherwise the 16 colours of the
// header. False when a 256-colour picture has lost its palette.
bool Set_Pcx_Palette(QImage& out, const u8* data, std::size_t size, unsigned bits, unsigned version)
{
    auto set = [&out](int count, const u8* rgb) {
        for (int i = 0; i < count; ++i)
            out.setColor(i, qRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]));
    };
    // Version 2.8 without palette information: the default EGA colours.
    static const u8 ega[48] = {0,   0,  0,  0,   0,  170, 0,   170, 0,  0,   170, 170,
                               170, 0,  0,  170, 0,  170, 170, 85,  0,  170, 170, 170,
                               85,  85, 85, 85,  85, 255, 85,  255, 85, 85,  255, 255,
                               255, 85, 85, 255, 85, 255, 255, 255, 85, 255, 255, 255};
    // CGA: a black background and a fixed set of foreground colours in place
    // of the CGA palette registers.
    static const u8 cga[12] = {0, 0, 0, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0xFF, 0xFF, 0xFF, 0xFF};
    if (bits == 8 && size >= 128 + 769 && data[size - 769] == 0x0C) {
        set(256, data + size - 768);
    } else if (bits == 8) {
        // A version 3.0 file must end in its palette; without it every
        // colour would be wrong. Older files without one show a grey ramp.
        for (int i = 0; i < 256 && version < 5; ++i)
            out.setColor(i, qRgb(i, i, i));
        return version < 5;
    } else if (bits == 1) {
        out.setColor(1, qRgb(255, 255, 255)); // black and white
    } else if (bits == 2) {
        set(4, cga);
    } else {
        set(16, version == 3 ? ega : data + 16);
    }
    return true;
}

} // namespace

bool Looks_Like_Pcx(const u8* data, std::size_t size)
{
    if (size < 128 || data[0] != 0x0A || data[1] > 5 || data[1] == 1 || data[2] > 1)
        return false;
    unsigned bits = data[3], planes = data[65];
    return (bits == 1 || bits == 2 || bits == 4 || bits == 8) && planes >= 1 && planes <= 4 &&
           Get_U16_LE(data + 8) >= Get_U16_LE(data + 4) &&
           Get_U16_LE(data + 10) >= Get_U16_LE(data + 6) && Get_U16_LE(data + 66) > 0;
}

bool Decode_Pcx(const T_Source& source, QImage& out, std::string& error)
{
    const u8* data = source.Data;
    const std::size_t size = source.Size;
    if (size < 128 || data[0] != 0x0A)
        return Fail(error, "This is not a PCX file.");
    const unsigned version = data[1], encoding = data[2], bits = data[3], planes = data[65];
    const unsigned bytes_per_line = Get_U16_LE(data + 66);
    const std::int64_t w = std::int64_t(Get_U16_LE(data + 8)) - Get_U16_LE(data + 4) + 1;
    const std::int64_t h = std::int64_t(Get_U16_LE(data + 10)) - Get_U16_LE(data + 6) + 1;
    if (encoding > 1)
        return Fail(error, "The PCX file uses an unknown encoding.");
    const bool true_color = bits == 8 && (planes == 3 || planes == 4);
    if (!true_color && !(planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) &&
        !(bits == 1 && (planes == 2 || planes == 3 || planes == 4)))
        return Fail(error, "The PCX file has an unsupported layout (" + std::to_string(planes) +
                               " planes of " + std::to_string(bits) + " bits).");
    if (w > 0 &&
        static_cast<std::uint64_t>(bytes_per_line) * 8 < static_cast<std::uint64_t>(w) * bits)
        return Fail(error, "The PCX file's line length is too short for its width.");
    const std::uint64_t line_bytes = static_cast<std::uint64_t>(bytes_per_line) * planes;
    const std::uint64_t total = line_bytes * (h > 0 ? h : 0);
    // One run of two bytes covers up to 63 bytes.
    const std::uint64_t min_bytes = encoding ? Min_Bytes(total, 63) * 2 : total;
    if (!New_Image(out, w, h, true_color ? QImage::Format_RGBA8888 : QImage::Format_Indexed8,
                   source.Limits, error, min_bytes, size - 128))
        return false;
    if (!true_color && !Set_Pcx_Palette(out, data, size, planes == 1 ? bits : 4, version))
        return Fail(error, "The 256-colour PCX file has lost its palette.");

    std::vector<u8> line(static_cast<std::size_t>(line_bytes));
    T_Reader in(data + 128, size - 128);
    unsigned run = 0;
    u8 value = 0;
    for (std::int64_t y = 0; y < h; ++y) {
        // Runs may continue from one line into the next.
        for (u8& byte : line) {
            if (!encoding) {
                byte = in.U8();
                continue;
            }
            while (run == 0 && !in.Failed()) {
                const u8 b = in.U8();
                run = b >= 0xC0 ? b & 0x3Fu : 1; // a run of zero length places nothing
                value = b >= 0xC0 ? in.U8() : b;
            }
            byte = value, --run;
        }
        if (in.Failed())
            return Fail(error, "The PCX picture data is truncated.");
        u8* indexes = out.scanLine(static_cast<int>(y));
        for (std::int64_t x = 0; x < w; ++x) {
            if (true_color) {
                for (unsigned c = 0; c < planes; ++c)
                    Pixel(out, x, y)[c] = line[c * bytes_per_line + x];
            } else if (planes == 1) {
                const std::uint64_t bit = static_cast<std::uint64_t>(x) * bits;
                indexes[x] = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            } else {
                indexes[x] = 0;
                for (unsigned p = 0; p < planes; ++p)
                    indexes[x] |= ((line[p * bytes_per_line + x / 8] >> (7 - x % 8)) & 1u) << p;
            }
        }
    }
    Settle_Alpha(out, true);
    return true;
}

} // namespace imaging
