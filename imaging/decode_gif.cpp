// CompuServe GIF: the first frame, drawn on the logical screen, with its
// transparent colour. Animation and later frames are not shown.
#include "decode_support.h"

#include <array>
#include <cstring>

namespace imaging {

namespace {

// Decodes LZW data into `count` indexes; returns how many were produced.
// Codes that refer past the table are corrupt data.
bool Lzw_Decode(const std::vector<u8>& data, int min_code_size, std::vector<u8>& indexes, std::size_t count,
                std::size_t& produced, std::string& error)
{
    const int clear = 1 << min_code_size, end = clear + 1;
    std::array<std::uint16_t, 4096> prefix{};
    std::array<u8, 4096> suffix{}, first{};
    std::array<u8, 4097> stack{};
    for (int i = 0; i < clear; ++i)
        suffix[i] = first[i] = static_cast<u8>(i);
    int code_size = min_code_size + 1, next = end + 1, previous = -1;
    std::uint32_t bits = 0;
    int bit_count = 0;
    std::size_t pos = 0;
    produced = 0;
    while (produced < count) {
        while (bit_count < code_size && pos < data.size()) {
            bits |= static_cast<std::uint32_t>(data[pos++]) << bit_count;
            bit_count += 8;
        }
        if (bit_count < code_size)
            return true; // the data ends; the caller judges the shortfall
        int code = static_cast<int>(bits & ((1u << code_size) - 1));
        bits >>= code_size;
        bit_count -= code_size;
        if (code == clear) {
            code_size = min_code_size + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end)
            return true;
        int top = 0, walk;
        if (previous < 0) {
            if (code >= clear)
                return Fail(error, "The GIF picture data is corrupt.");
            indexes[produced++] = static_cast<u8>(code);
            previous = code;
            continue;
        }
        if (code < next) {
            walk = code;
        } else if (code == next && next < 4096) {
            stack[top++] = first[previous];
            walk = previous;
        } else {
            return Fail(error, "The GIF picture data is corrupt.");
        }
        while (walk >= clear) {
            stack[top++] = suffix[walk];
            walk = prefix[walk];
        }
        stack[top++] = static_cast<u8>(walk);
        u8 head = static_cast<u8>(walk);
        if (next < 4096) {
            prefix[next] = static_cast<std::uint16_t>(previous);
            suffix[next] = head;
            first[next] = first[previous];
            ++next;
            if (next == (1 << code_size) && code_size < 12)
                ++code_size;
        }
        while (top > 0 && produced < count)
            indexes[produced++] = stack[--top];
        previous = code;
    }
    return true;
}

} // namespace

bool Decode_Gif(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0))
        return Fail(error, "This is not a GIF file.");
    T_Reader in(data, size);
    in.Skip(6);
    unsigned screen_w = in.U16_LE(), screen_h = in.U16_LE();
    u8 flags = in.U8();
    in.U8(); // background colour: shown as transparent, like the area outside the frame
    in.U8();
    std::array<u8, 256 * 3> global{}, local{};
    unsigned global_size = 0;
    if (flags & 0x80) {
        global_size = 2u << (flags & 7);
        if (!in.Bytes(global.data(), global_size * 3))
            return Fail(error, "The GIF colour table is truncated.");
    }
    int transparent = -1;
    for (;;) {
        u8 block = in.U8();
        if (in.Failed())
            return Fail(error, "The GIF file ends before its first picture.");
        if (block == 0x3B)
            return Fail(error, "The GIF file holds no picture.");
        if (block == 0x21) {
            u8 label = in.U8();
            for (;;) {
                u8 length = in.U8();
                if (in.Failed())
                    return Fail(error, "The GIF file is truncated.");
                if (length == 0)
                    break;
                if (label == 0xF9 && length >= 4) {
                    u8 gce_flags = in.U8();
                    in.U16_LE();
                    u8 index = in.U8();
                    if (gce_flags & 1)
                        transparent = index;
                    in.Skip(length - 4);
                } else {
                    in.Skip(length);
                }
            }
            continue;
        }
        if (block != 0x2C)
            return Fail(error, "The GIF file has an unknown block.");
        break;
    }
    unsigned left = in.U16_LE(), top = in.U16_LE(), w = in.U16_LE(), h = in.U16_LE();
    u8 image_flags = in.U8();
    const u8* palette = global.data();
    unsigned palette_size = global_size;
    if (image_flags & 0x80) {
        palette_size = 2u << (image_flags & 7);
        if (!in.Bytes(local.data(), palette_size * 3))
            return Fail(error, "The GIF colour table is truncated.");
        palette = local.data();
    }
    int min_code_size = in.U8();
    if (in.Failed())
        return Fail(error, "The GIF picture header is truncated.");
    if (min_code_size < 1 || min_code_size > 11)
        return Fail(error, "The GIF picture data is corrupt.");
    std::vector<u8> lzw;
    for (;;) {
        u8 length = in.U8();
        if (in.Failed())
            return Fail(error, "The GIF picture data is truncated.");
        if (length == 0)
            break;
        std::size_t at = lzw.size();
        lzw.resize(at + length);
        if (!in.Bytes(lzw.data() + at, length))
            return Fail(error, "The GIF picture data is truncated.");
    }
    std::uint64_t canvas_w = std::max<std::uint64_t>(screen_w, left + static_cast<std::uint64_t>(w));
    std::uint64_t canvas_h = std::max<std::uint64_t>(screen_h, top + static_cast<std::uint64_t>(h));
    std::uint64_t frame_pixels = static_cast<std::uint64_t>(w) * h;
    if (w == 0 || h == 0)
        return Fail(error, "The GIF picture has no pixels.");
    // An LZW code yields at most 4096 pixels and takes at least a byte and a half.
    if (!Allocate_Raster(out, canvas_w, canvas_h, limits, error, Min_Bytes(frame_pixels, 2730), lzw.size()))
        return false;
    std::vector<u8> indexes(static_cast<std::size_t>(frame_pixels));
    std::size_t produced = 0;
    if (!Lzw_Decode(lzw, min_code_size, indexes, indexes.size(), produced, error))
        return false;
    if (produced == 0)
        return Fail(error, "The GIF picture data is empty.");
    for (std::uint8_t& b : out.Pixels)
        b = 0; // transparent outside the frame and where the data stops
    // Interlaced frames store rows 0, 8, 16, ..., then 4, 12, ..., then 2, 6, ..., then the odd rows.
    std::vector<unsigned> row_of(h);
    if (image_flags & 0x40) {
        unsigned n = 0;
        const unsigned starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (unsigned r = starts[pass]; r < h; r += steps[pass])
                row_of[n++] = r;
    } else {
        for (unsigned r = 0; r < h; ++r)
            row_of[r] = r;
    }
    for (std::size_t i = 0; i < produced; ++i) {
        unsigned x = left + static_cast<unsigned>(i % w), y = top + row_of[i / w];
        unsigned index = indexes[i];
        u8* p = out.At(static_cast<int>(x), static_cast<int>(y));
        if (static_cast<int>(index) == transparent)
            continue;
        Put_Indexed_Pixel(out, static_cast<int>(x), static_cast<int>(y), index, palette, palette_size);
        p[3] = 255;
    }
    Update_Has_Alpha(out);
    return true;
}

} // namespace imaging
