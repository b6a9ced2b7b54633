// Truevision Targa: colour-mapped, true-colour and greyscale pictures,
// uncompressed or run-length encoded, at 8, 15, 16, 24 and 32 bits, in any of
// the four origins. The Huffman-coded types 32 and 33 are not read.
#include "image_decoders.h"

#include <cstring>

namespace imaging {

namespace {

// Reads one stored pixel of `bytes` bytes into RGBA.
void Tga_Color(const u8* s, int bytes, bool gray, u8* p)
{
    switch (bytes) {
    case 1:
        p[0] = p[1] = p[2] = s[0];
        p[3] = 255;
        break;
    case 2:
        if (gray) { // 8-bit grey with 8-bit alpha
            p[0] = p[1] = p[2] = s[0];
            p[3] = s[1];
        } else {
            unsigned v = Get_U16_LE(s);
            p[0] = static_cast<u8>(((v >> 10) & 31) * 255 / 31);
            p[1] = static_cast<u8>(((v >> 5) & 31) * 255 / 31);
            p[2] = static_cast<u8>((v & 31) * 255 / 31);
            p[3] = v & 0x8000 ? 255 : 0;
        }
        break;
    case 3:
        p[0] = s[2], p[1] = s[1], p[2] = s[0], p[3] = 255;
        break;
    default:
        p[0] = s[2], p[1] = s[1], p[2] = s[0], p[3] = s[3];
        break;
    }
}

} // namespace

bool Looks_Like_Targa(const u8* data, std::size_t size)
{
    // Only version 2 files say what they are, in their footer.
    return size >= 44 && std::memcmp(data + size - 18, "TRUEVISION-XFILE.\0", 18) == 0 &&
           (data[2] == 1 || data[2] == 2 || data[2] == 3 || data[2] == 9 || data[2] == 10 ||
            data[2] == 11);
}

bool Decode_Targa(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                  const T_Decode_Limits& limits)
{
    T_Reader in(data, size);
    unsigned id_length = in.U8(), map_type = in.U8(), type = in.U8();
    unsigned map_first = in.U16_LE(), map_length = in.U16_LE(), map_bits = in.U8();
    in.U16_LE();
    in.U16_LE();
    unsigned w = in.U16_LE(), h = in.U16_LE(), depth = in.U8(), descriptor = in.U8();
    if (in.Failed())
        return Fail(error, "The Targa header is truncated.");
    bool rle = type >= 9 && type <= 11;
    unsigned base_type = rle ? type - 8 : type;
    if (base_type < 1 || base_type > 3 || map_type > 1)
        return Fail(error, "This is not a Targa file, or one of an unsupported type.");
    bool mapped = base_type == 1, gray = base_type == 3;
    if ((mapped && (depth != 8 && depth != 16)) || (gray && depth != 8 && depth != 16) ||
        (base_type == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32))
        return Fail(error, "The Targa file has an unsupported pixel depth (" +
                               std::to_string(depth) + " bits).");
    if (mapped && map_type != 1)
        return Fail(error, "The colour-mapped Targa file has no colour map.");
    in.Skip(id_length);
    // The colour map, expanded to RGBA.
    std::vector<u8> map;
    if (map_type == 1) {
        if (map_bits != 15 && map_bits != 16 && map_bits != 24 && map_bits != 32)
            return Fail(error, "The Targa colour map has an unsupported entry size.");
        int entry = (map_bits + 7) / 8;
        if (!in.Has(static_cast<std::size_t>(map_length) * entry))
            return Fail(error, "The Targa colour map is truncated.");
        map.resize(static_cast<std::size_t>(map_first + map_length) * 4, 0);
        for (unsigned i = 0; i < map_length; ++i) {
            Tga_Color(in.Here(), entry, false, &map[(map_first + i) * 4]);
            if (entry == 2)
                map[(map_first + i) * 4 + 3] = 255; // 15/16-bit map entries carry no real alpha
            in.Skip(entry);
        }
    }
    const int bytes = static_cast<int>((depth + 7) / 8);
    const std::uint64_t pixels = static_cast<std::uint64_t>(w) * h;
    // A run packet covers 128 pixels with one header byte and one pixel.
    std::uint64_t min_bytes = rle ? Min_Bytes(pixels, 128) * (1 + bytes) : pixels * bytes;
    if (!Allocate_Raster(out, w, h, limits, error, min_bytes, in.Left()))
        return false;
    const bool right_to_left = descriptor & 0x10, top_down = descriptor & 0x20;
    const unsigned alpha_bits = descriptor & 15;
    std::uint64_t done = 0;
    u8 rgba[4];
    auto store = [&](const u8* s) {
        if (mapped) {
            unsigned index = bytes == 1 ? s[0] : Get_U16_LE(s);
            if (static_cast<std::size_t>(index) * 4 + 3 < map.size())
                std::memcpy(rgba, &map[index * 4], 4);
            else
                rgba[0] = rgba[1] = rgba[2] = 0, rgba[3] = 255;
        } else {
            Tga_Color(s, bytes, gray, rgba);
        }
        std::uint64_t row = done / w, col = done % w;
        int x = static_cast<int>(right_to_left ? w - 1 - col : col);
        int y = static_cast<int>(top_down ? row : h - 1 - row);
        std::memcpy(out.At(x, y), rgba, 4);
        ++done;
    };
    while (done < pixels) {
        if (!rle) {
            if (!in.Has(bytes))
                return Fail(error, "The Targa picture data is truncated.");
            store(in.Here());
            in.Skip(bytes);
            continue;
        }
        u8 header = in.U8();
        unsigned count = (header & 0x7F) + 1;
        if (in.Failed())
            return Fail(error, "The Targa picture data is truncated.");
        if (header & 0x80) {
            if (!in.Has(bytes))
                return Fail(error, "The Targa picture data is truncated.");
            const u8* s = in.Here();
            for (unsigned i = 0; i < count && done < pixels; ++i)
                store(s);
            in.Skip(bytes);
        } else {
            for (unsigned i = 0; i < count && done < pixels; ++i) {
                if (!in.Has(bytes))
                    return Fail(error, "The Targa picture data is truncated.");
                store(in.Here());
                in.Skip(bytes);
            }
        }
    }
    // Alpha counts only when the descriptor declares alpha bits and the
    // channel is not empty: many writers leave it zero.
    bool use_alpha = (alpha_bits > 0 || (gray && bytes == 2)) && !mapped;
    bool any = false;
    for (std::size_t i = 3; use_alpha && i < out.Pixels.size(); i += 4)
        any = any || out.Pixels[i] != 0;
    if (!mapped && (!use_alpha || !any))
        for (std::size_t i = 3; i < out.Pixels.size(); i += 4)
            out.Pixels[i] = 255;
    Update_Has_Alpha(out);
    return true;
}

} // namespace imaging
