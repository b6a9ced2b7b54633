// ZSoft Paintbrush: monochrome, CGA 4-colour, EGA 16-colour (one 4-bit plane
// or four 1-bit planes), 256-colour with the palette at the end, and 24- and
// 32-bit pictures as three or four 8-bit planes; run-length encoded or raw.
#include "image_decoders.h"

#include <array>

namespace imaging {

bool Looks_Like_Pcx(const u8* data, std::size_t size)
{
    if (size < 128 || data[0] != 0x0A || data[1] > 5 || data[1] == 1 || data[2] > 1)
        return false;
    unsigned bits = data[3], planes = data[65];
    return (bits == 1 || bits == 2 || bits == 4 || bits == 8) && planes >= 1 && planes <= 4 &&
           Get_U16_LE(data + 8) >= Get_U16_LE(data + 4) &&
           Get_U16_LE(data + 10) >= Get_U16_LE(data + 6) && Get_U16_LE(data + 66) > 0;
}

bool Decode_Pcx(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                const T_Decode_Limits& limits)
{
    if (size < 128 || data[0] != 0x0A)
        return Fail(error, "This is not a PCX file.");
    const unsigned version = data[1], encoding = data[2], bits = data[3], planes = data[65];
    const unsigned bytes_per_line = Get_U16_LE(data + 66);
    const std::int64_t w = std::int64_t(Get_U16_LE(data + 8)) - Get_U16_LE(data + 4) + 1;
    const std::int64_t h = std::int64_t(Get_U16_LE(data + 10)) - Get_U16_LE(data + 6) + 1;
    if (encoding > 1)
        return Fail(error, "The PCX file uses an unknown encoding.");
    bool supported = (planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) ||
                     (bits == 1 && (planes == 2 || planes == 3 || planes == 4)) ||
                     (bits == 8 && (planes == 3 || planes == 4));
    if (!supported)
        return Fail(error, "The PCX file has an unsupported layout (" + std::to_string(planes) +
                               " planes of " + std::to_string(bits) + " bits).");
    if (w > 0 &&
        static_cast<std::uint64_t>(bytes_per_line) * 8 < static_cast<std::uint64_t>(w) * bits)
        return Fail(error, "The PCX file's line length is too short for its width.");
    const std::uint64_t line_bytes = static_cast<std::uint64_t>(bytes_per_line) * planes;
    const std::uint64_t total = line_bytes * (h > 0 ? h : 0);
    // One run of two bytes covers up to 63 bytes.
    std::uint64_t min_bytes = encoding ? Min_Bytes(total, 63) * 2 : total;
    if (!Allocate_Raster(out, w, h, limits, error, min_bytes, size - 128))
        return false;

    // The palette: 256 colours after a 0x0C marker at the end for 8-bit
    // pictures, otherwise the 16 colours of the header.
    std::array<u8, 256 * 3> palette{};
    unsigned palette_size = 16;
    for (int i = 0; i < 48; ++i)
        palette[i] = data[16 + i];
    if (bits == 8 && planes == 1) {
        if (size >= 128 + 769 && data[size - 769] == 0x0C) {
            for (int i = 0; i < 768; ++i)
                palette[i] = data[size - 768 + i];
        } else if (version >= 5) {
            // A version 3.0 file must end in its palette; without it every
            // colour would be wrong.
            out = T_Raster{};
            return Fail(error, "The 256-colour PCX file has lost its palette.");
        } else {
            for (int i = 0; i < 256; ++i) // older files without palette: a grey ramp
                palette[i * 3] = palette[i * 3 + 1] = palette[i * 3 + 2] = static_cast<u8>(i);
        }
        palette_size = 256;
    } else if (bits == 1 && planes == 1) {
        palette = {};
        palette[3] = palette[4] = palette[5] = 255; // black and white
        palette_size = 2;
    } else if (bits == 2 && planes == 1) {
        // CGA: the header's first colour is the background; a fixed set of
        // foreground colours stands in for the CGA palette registers.
        const u8 cga[12] = {0, 0, 0, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0xFF, 0xFF, 0xFF, 0xFF};
        for (int i = 3; i < 12; ++i)
            palette[i] = cga[i];
        palette[0] = palette[1] = palette[2] = 0;
        palette_size = 4;
    } else if (version == 3) {
        // Version 2.8 without palette information: the default EGA colours.
        const u8 ega[48] = {0,   0,  0,  0,   0,  170, 0,   170, 0,  0,   170, 170,
                            170, 0,  0,  170, 0,  170, 170, 85,  0,  170, 170, 170,
                            85,  85, 85, 85,  85, 255, 85,  255, 85, 85,  255, 255,
                            255, 85, 85, 255, 85, 255, 255, 255, 85, 255, 255, 255};
        for (int i = 0; i < 48; ++i)
            palette[i] = ega[i];
    }

    std::vector<u8> line(static_cast<std::size_t>(line_bytes));
    T_Reader in(data + 128, size - 128);
    unsigned run = 0;
    u8 run_value = 0;
    bool any_alpha = false;
    for (std::int64_t y = 0; y < h; ++y) {
        // Runs may continue from one line into the next.
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (!encoding) {
                line[i] = in.U8();
            } else {
                if (run == 0) {
                    u8 b = in.U8();
                    if (b >= 0xC0) {
                        run = b & 0x3F;
                        run_value = in.U8();
                    } else {
                        run = 1;
                        run_value = b;
                    }
                }
                if (run == 0) { // a run of zero length: nothing to place
                    --i;
                    if (in.Failed())
                        break;
                    continue;
                }
                line[i] = run_value;
                --run;
            }
            if (in.Failed())
                break;
        }
        if (in.Failed())
            return Fail(error, "The PCX picture data is truncated.");
        for (std::int64_t x = 0; x < w; ++x) {
            int xi = static_cast<int>(x), yi = static_cast<int>(y);
            if (bits == 8 && planes >= 3) {
                u8* p = out.At(xi, yi);
                p[0] = line[x];
                p[1] = line[bytes_per_line + x];
                p[2] = line[2 * bytes_per_line + x];
                if (planes == 4) {
                    p[3] = line[3 * bytes_per_line + x];
                    any_alpha = any_alpha || p[3] != 0;
                }
                continue;
            }
            unsigned index = 0;
            if (planes == 1) {
                std::uint64_t bit = static_cast<std::uint64_t>(x) * bits;
                index = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            } else {
                for (unsigned p = 0; p < planes; ++p)
                    index |= ((line[p * bytes_per_line + x / 8] >> (7 - x % 8)) & 1u) << p;
            }
            Put_Indexed_Pixel(out, xi, yi, index, palette.data(), palette_size);
        }
    }
    if (planes == 4 && bits == 8 && !any_alpha)
        for (std::size_t i = 3; i < out.Pixels.size(); i += 4)
            out.Pixels[i] = 255;
    Update_Has_Alpha(out);
    return true;
}

} // namespace imaging
