// Truevision Targa: colour-mapped, true-colour and greyscale pictures,
// uncompressed or run-length encoded, at 8, 15, 16, 24 and 32 bits, in any of
// the four origins. The Huffman-coded types 32 and 33 are not read.
#include "imaging/image_decoders.h"

#include <cstring>
#include <vector>

namespace imaging {

namespace {

// Reads one stored pixel of `bytes` bytes into RGBA.
void Tga_Color(const u8* s, unsigned bytes, bool gray, u8* p)
{
    if (gray) { // 8-bit grey, with 8-bit alpha when two bytes wide
        p[0] = p[1] = p[2] = s[0];
        p[3] = bytes == 2 ? s[1] : 255;
    } else if (bytes == 2) {
        const unsigned v = Get_U16_LE(s);
        p[0] = static_cast<u8>(((v >> 10) & 31) * 255 / 31);
        p[1] = static_cast<u8>(((v >> 5) & 31) * 255 / 31);
        p[2] = static_cast<u8>((v & 31) * 255 / 31);
        p[3] = v & 0x8000 ? 255 : 0;
    } else {
        p[0] = s[2], p[1] = s[1], p[2] = s[0], p[3] = bytes == 4 ? s[3] : 255;
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

bool Decode_Targa(const T_Source& source, QImage& out, std::string& error)
{
    T_Reader in(source.Data, source.Size);
    const unsigned id_length = in.U8(), map_type = in.U8(), type = in.U8();
    const unsigned map_first = in.U16_LE(), map_length = in.U16_LE(), map_bits = in.U8();
    in.Skip(4); // the origin on screen
    const unsigned w = in.U16_LE(), h = in.U16_LE(), depth = in.U8(), descriptor = in.U8();
    if (in.Failed())
        return Fail(error, "The Targa header is truncated.");
    const bool rle = type >= 9 && type <= 11;
    const unsigned base_type = rle ? type - 8 : type;
    if (base_type < 1 || base_type > 3 || map_type > 1)
        return Fail(error, "This is not a Targa file, or one of an unsupported type.");
    const bool mapped = base_type == 1, gray = base_type == 3;
    if ((mapped && (depth != 8 && depth != 16)) || (gray && depth != 8 && depth != 16) ||
        (base_type == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32))
        return Fail(error, "The Targa file has an unsupported pixel depth (" +
                               std::to_string(depth) + " bits).");
    if (mapped && map_type != 1)
        return Fail(error, "The colour-mapped Targa file has no colour map.");
    in.Skip(id_length);
    // The colour map, expanded to RGBA; indexes outside it give black.
    std::vector<u8> map;
    if (map_type == 1) {
        if (map_bits != 15 && map_bits != 16 && map_bits != 24 && map_bits != 32)
            return Fail(error, "The Targa colour map has an unsupported entry size.");
        const unsigned entry = (map_bits + 7) / 8;
        if (!in.Has(static_cast<std::size_t>(map_length) * entry))
            return Fail(error, "The Targa colour map is truncated.");
        map.resize(static_cast<std::size_t>(map_first + map_length) * 4, 0);
        for (unsigned i = map_first; i < map_first + map_length; in.Skip(entry), ++i) {
            Tga_Color(in.Here(), entry, false, &map[i * 4]);
            if (entry == 2)
                map[i * 4 + 3] = 255; // 15/16-bit map entries carry no real alpha
        }
    }
    const unsigned bytes = (depth + 7) / 8;
    const std::uint64_t pixels = std::uint64_t{w} * h;
    // A run packet covers 128 pixels with one header byte and one pixel.
    const std::uint64_t min_bytes = rle ? Min_Bytes(pixels, 128) * (1 + bytes) : pixels * bytes;
    if (!New_Image(out, w, h, QImage::Format_RGBA8888, source.Limits, error, min_bytes, in.Left()))
        return false;
    // Runs may cross from one line into the next: the data is unpacked whole.
    // Uncompressed data is used in place: the size check above covers it.
    std::vector<u8> unpacked(rle ? static_cast<std::size_t>(pixels) * bytes : 0);
    const u8* stored = rle ? unpacked.data() : in.Here();
    if (rle && Unpack_Runs(in, unpacked.data(), unpacked.size(), bytes, [](T_Reader& r) {
                   const u8 header = r.U8();
                   return T_Packet{(header & 0x7Fu) + 1, (header & 0x80) != 0};
               }) < unpacked.size())
        return Fail(error, "The Targa picture data is truncated.");
    const bool right_to_left = descriptor & 0x10, top_down = descriptor & 0x20;
    for (std::uint64_t i = 0; i < pixels; ++i) {
        const u8* s = &stored[i * bytes];
        u8* p = Pixel(out, right_to_left ? w - 1 - i % w : i % w, top_down ? i / w : h - 1 - i / w);
        const std::size_t index = bytes == 1 ? s[0] : Get_U16_LE(s);
        if (!mapped)
            Tga_Color(s, bytes, gray, p);
        else if (index * 4 < map.size())
            std::memcpy(p, &map[index * 4], 4);
    }
    // Alpha counts only when the descriptor declares alpha bits and the
    // channel is not empty: many writers leave it zero.
    if (!mapped && (descriptor & 15) == 0 && !(gray && bytes == 2))
        out.convertTo(QImage::Format_RGBX8888);
    else if (!mapped)
        Settle_Alpha(out, true);
    return true;
}

} // namespace imaging
