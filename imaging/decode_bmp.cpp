// Windows bitmaps (with or without the file header, OS/2 and Windows info
// headers up to version 5, 1 to 32 bits per pixel, RLE4, RLE8, bit fields,
// embedded JPEG or PNG) and icons, which hold device-independent bitmaps or
// PNG pictures.
#include "decode_support.h"

#include <array>
#include <cstring>

namespace imaging {

namespace {

bool Valid_Info_Size(std::uint32_t size)
{
    return size == 12 || size == 16 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

// Position of the lowest set bit and the number of bits of a colour mask.
void Mask_Shift(std::uint32_t mask, int& shift, int& bits)
{
    shift = 0;
    bits = 0;
    if (!mask)
        return;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    while (mask & 1u) {
        mask >>= 1;
        ++bits;
    }
}

u8 Scale_Field(std::uint32_t value, std::uint32_t mask, int shift, int bits)
{
    if (!mask || bits == 0)
        return 0;
    std::uint32_t v = (value & mask) >> shift;
    if (bits >= 8)
        return static_cast<u8>(v >> (bits - 8));
    std::uint32_t max = (1u << bits) - 1;
    return static_cast<u8>((v * 255 + max / 2) / max);
}

struct T_Dib {
    std::int64_t Width = 0, Height = 0;
    bool Top_Down = false;
    int Bits = 0;
    std::uint32_t Compression = 0;
    std::uint32_t Masks[4] = {}; // red, green, blue, alpha
    std::array<u8, 256 * 3> Palette{};
    unsigned Palette_Size = 0;
};

// RLE4 and RLE8: runs and literal runs of palette indexes with end-of-line,
// end-of-bitmap and delta escapes. Pixels that the data skips keep colour 0.
bool Decode_Rle(const T_Dib& dib, const u8* data, std::size_t size, T_Raster& out, std::string& error)
{
    const bool four = dib.Bits == 4;
    const std::int64_t w = dib.Width, h = dib.Height;
    for (std::int64_t y = 0; y < h; ++y)
        for (std::int64_t x = 0; x < w; ++x)
            Put_Indexed_Pixel(out, static_cast<int>(x), static_cast<int>(y), 0, dib.Palette.data(), dib.Palette_Size);
    std::int64_t x = 0, y = 0; // y counts rows from the start of the data
    auto put = [&](unsigned index) {
        if (x < w && y < h) {
            int row = static_cast<int>(dib.Top_Down ? y : h - 1 - y);
            Put_Indexed_Pixel(out, static_cast<int>(x), row, index, dib.Palette.data(), dib.Palette_Size);
        }
        ++x;
    };
    T_Reader in(data, size);
    while (y < h) {
        if (!in.Has(2))
            return Fail(error, "The compressed bitmap data ends early.");
        unsigned count = in.U8(), value = in.U8();
        if (count > 0) {
            for (unsigned i = 0; i < count && x < w; ++i)
                put(four ? (i & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta
            if (!in.Has(2))
                return Fail(error, "The compressed bitmap data ends early.");
            x += in.U8();
            y += in.U8();
        } else { // literal run, padded to a 16-bit boundary
            std::size_t bytes = four ? (value + 1) / 2 : value;
            if (!in.Has(bytes))
                return Fail(error, "The compressed bitmap data ends early.");
            const u8* literal = in.Here();
            for (unsigned i = 0; i < value; ++i) {
                if (x >= w) // runs past the row: the rest is ignored
                    break;
                put(four ? (i & 1 ? literal[i / 2] & 15 : literal[i / 2] >> 4) : literal[i]);
            }
            in.Skip(bytes + (bytes & 1));
        }
    }
    return true;
}

bool Decode_Dib_Pixels(const T_Dib& dib, const u8* data, std::size_t size, T_Raster& out, std::string& error,
                       const T_Decode_Limits& limits)
{
    const std::int64_t w = dib.Width, h = dib.Height;
    if (dib.Compression == 1 || dib.Compression == 2) {
        if ((dib.Compression == 1 && dib.Bits != 8) || (dib.Compression == 2 && dib.Bits != 4))
            return Fail(error, "The bitmap's compression does not match its colour depth.");
        if (!Allocate_Raster(out, w, h, limits, error, 2, size))
            return false;
        return Decode_Rle(dib, data, size, out, error);
    }
    const std::uint64_t stride = ((static_cast<std::uint64_t>(w) * dib.Bits + 31) / 32) * 4;
    // The last row needs only its own bytes, not its padding.
    const std::uint64_t last_row = (static_cast<std::uint64_t>(w) * dib.Bits + 7) / 8;
    const std::uint64_t needed = stride * (static_cast<std::uint64_t>(h) - 1) + last_row;
    if (!Allocate_Raster(out, w, h, limits, error, needed, size))
        return false;
    int shift[4], bits[4];
    for (int i = 0; i < 4; ++i)
        Mask_Shift(dib.Masks[i], shift[i], bits[i]);
    bool any_alpha = false;
    for (std::int64_t y = 0; y < h; ++y) {
        const u8* row = data + stride * y;
        int target = static_cast<int>(dib.Top_Down ? y : h - 1 - y);
        for (std::int64_t x = 0; x < w; ++x) {
            u8* p = out.At(static_cast<int>(x), target);
            switch (dib.Bits) {
            case 1: case 2: case 4: case 8: {
                std::uint64_t bit = static_cast<std::uint64_t>(x) * dib.Bits;
                unsigned index = (row[bit / 8] >> (8 - dib.Bits - bit % 8)) & ((1u << dib.Bits) - 1);
                Put_Indexed_Pixel(out, static_cast<int>(x), target, index, dib.Palette.data(), dib.Palette_Size);
                break;
            }
            case 24:
                p[0] = row[x * 3 + 2], p[1] = row[x * 3 + 1], p[2] = row[x * 3];
                break;
            case 16: case 32: {
                std::uint32_t v = dib.Bits == 16 ? Get_U16_LE(row + x * 2) : Get_U32_LE(row + x * 4);
                p[0] = Scale_Field(v, dib.Masks[0], shift[0], bits[0]);
                p[1] = Scale_Field(v, dib.Masks[1], shift[1], bits[1]);
                p[2] = Scale_Field(v, dib.Masks[2], shift[2], bits[2]);
                if (dib.Masks[3]) {
                    p[3] = Scale_Field(v, dib.Masks[3], shift[3], bits[3]);
                    any_alpha = any_alpha || p[3] != 0;
                }
                break;
            }
            }
        }
    }
    // An alpha mask that is zero everywhere marks an unused channel, not an
    // invisible picture.
    if (dib.Masks[3] && !any_alpha)
        for (std::size_t i = 3; i < out.Pixels.size(); i += 4)
            out.Pixels[i] = 255;
    Update_Has_Alpha(out);
    return true;
}

// Parses an info header and its colour table at `dib` and decodes the pixels
// at `pixels` (relative to the buffer start; 0 means right after the table).
// For icons the stored height covers the colour and mask bitmaps; the mask
// follows the colour rows and is applied here.
bool Decode_Dib(const u8* data, std::size_t size, std::size_t dib_offset, std::size_t pixels_offset, bool icon,
                T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    T_Reader in(data, size);
    in.Seek(dib_offset);
    std::uint32_t info_size = in.U32_LE();
    if (in.Failed() || !Valid_Info_Size(info_size) || !in.Has(info_size - 4))
        return Fail(error, "The bitmap header is invalid or truncated.");
    T_Dib dib;
    if (info_size == 12) {
        dib.Width = in.U16_LE();
        dib.Height = in.S16_LE();
        in.U16_LE();
        dib.Bits = in.U16_LE();
    } else {
        dib.Width = in.S32_LE();
        dib.Height = in.S32_LE();
        in.U16_LE();
        dib.Bits = in.U16_LE();
        dib.Compression = in.U32_LE();
    }
    std::uint32_t colors_used = 0;
    if (info_size >= 40) {
        in.U32_LE(); // image size
        in.U32_LE();
        in.U32_LE(); // resolution
        colors_used = in.U32_LE();
        in.U32_LE();
    } else if (info_size > 12 && dib.Compression > 2) {
        // OS/2 2.x: its 3 and 4 mean Huffman 1D and RLE24, which are not read.
        return Fail(error, "This OS/2 bitmap compression is not supported.");
    }
    if (dib.Height < 0) {
        dib.Top_Down = true;
        dib.Height = -dib.Height;
    }
    if (icon)
        dib.Height /= 2;
    bool bitfields = dib.Compression == 3 || dib.Compression == 6;
    std::size_t after_header = dib_offset + info_size;
    in.Seek(dib_offset + std::min<std::uint32_t>(info_size, 40));
    if (bitfields || info_size >= 52) {
        // The masks follow a 40-byte header, or are part of a longer one.
        int count = dib.Compression == 6 || info_size >= 56 ? 4 : 3;
        if (info_size == 40)
            after_header += count * 4;
        for (int i = 0; i < count; ++i)
            dib.Masks[i] = in.U32_LE();
        if (in.Failed())
            return Fail(error, "The bitmap header is truncated.");
        if (!bitfields)
            dib.Masks[0] = dib.Masks[1] = dib.Masks[2] = dib.Masks[3] = 0;
    }
    switch (dib.Compression) {
    case 0: case 1: case 2: case 3: case 6: break;
    case 4: case 5: {
        // A JPEG or PNG picture stands in for the pixels.
        std::size_t start = pixels_offset ? pixels_offset : after_header;
        if (start >= size)
            return Fail(error, "The bitmap's embedded picture is missing.");
        return dib.Compression == 4 ? Decode_Jpeg(data + start, size - start, out, error, limits)
                                    : Decode_Png(data + start, size - start, out, error, limits);
    }
    default: return Fail(error, "The bitmap uses an unknown compression.");
    }
    if (!(dib.Bits == 1 || dib.Bits == 2 || dib.Bits == 4 || dib.Bits == 8 || dib.Bits == 16 || dib.Bits == 24 ||
          dib.Bits == 32))
        return Fail(error, "The bitmap has an unsupported colour depth (" + std::to_string(dib.Bits) + " bits).");
    if (bitfields && dib.Bits != 16 && dib.Bits != 32)
        return Fail(error, "The bitmap's colour masks do not match its colour depth.");
    if (!bitfields && dib.Bits == 16)
        dib.Masks[0] = 0x7C00, dib.Masks[1] = 0x03E0, dib.Masks[2] = 0x001F, dib.Masks[3] = 0;
    if (!bitfields && dib.Bits == 32)
        dib.Masks[0] = 0xFF0000, dib.Masks[1] = 0xFF00, dib.Masks[2] = 0xFF, dib.Masks[3] = icon ? 0xFF000000u : 0;
    if (dib.Bits <= 8) {
        unsigned max = 1u << dib.Bits;
        unsigned count = colors_used && colors_used < max ? colors_used : max;
        unsigned entry = info_size == 12 ? 3 : 4;
        T_Reader table(data, size);
        table.Seek(after_header);
        for (unsigned i = 0; i < count; ++i) {
            u8 b = table.U8(), g = table.U8(), r = table.U8();
            if (entry == 4)
                table.U8();
            if (table.Failed())
                return Fail(error, "The bitmap's colour table is truncated.");
            dib.Palette[i * 3] = r, dib.Palette[i * 3 + 1] = g, dib.Palette[i * 3 + 2] = b;
        }
        dib.Palette_Size = count;
        after_header += static_cast<std::size_t>(count) * entry;
    }
    std::size_t start = pixels_offset ? pixels_offset : after_header;
    if (start > size)
        return Fail(error, "The bitmap's pixel data lies outside the file.");
    if (!Decode_Dib_Pixels(dib, data + start, size - start, out, error, limits))
        return false;
    if (icon && dib.Compression == 0) {
        // The AND mask: one bit per pixel, rows padded to 32 bits, 1 = transparent.
        // Icons with their own alpha channel ignore it.
        std::uint64_t stride = ((static_cast<std::uint64_t>(dib.Width) * dib.Bits + 31) / 32) * 4;
        std::uint64_t mask_start = start + stride * dib.Height;
        std::uint64_t mask_stride = ((static_cast<std::uint64_t>(dib.Width) + 31) / 32) * 4;
        if (!out.Has_Alpha && mask_start + mask_stride * dib.Height <= size) {
            for (std::int64_t y = 0; y < dib.Height; ++y) {
                const u8* row = data + mask_start + mask_stride * y;
                int target = static_cast<int>(dib.Top_Down ? y : dib.Height - 1 - y);
                for (std::int64_t x = 0; x < dib.Width; ++x)
                    if (row[x / 8] & (0x80 >> (x % 8)))
                        out.At(static_cast<int>(x), target)[3] = 0;
            }
            Update_Has_Alpha(out);
        }
    }
    return true;
}

} // namespace

bool Looks_Like_Bmp(const u8* data, std::size_t size)
{
    return size >= 18 && data[0] == 'B' && data[1] == 'M' && Valid_Info_Size(Get_U32_LE(data + 14));
}

bool Looks_Like_Ico(const u8* data, std::size_t size)
{
    if (size < 22 || Get_U16_LE(data) != 0 || Get_U16_LE(data + 2) != 1)
        return false;
    unsigned count = Get_U16_LE(data + 4);
    if (count == 0 || 6 + 16ull * count > size)
        return false;
    // The first entry's data must lie inside the file.
    std::uint32_t length = Get_U32_LE(data + 6 + 8), offset = Get_U32_LE(data + 6 + 12);
    return data[6 + 3] == 0 && offset >= 6 + 16ull * count && offset < size && length > 0;
}

bool Decode_Bmp(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < 18)
            return Fail(error, "The bitmap file is truncated.");
        std::uint32_t pixels = Get_U32_LE(data + 10);
        if (pixels < 14 || pixels >= size)
            return Fail(error, "The bitmap's pixel data lies outside the file.");
        return Decode_Dib(data, size, 14, pixels, false, out, error, limits);
    }
    // A packed bitmap without file header, as clipboard ".dib" files are.
    if (size >= 16 && Valid_Info_Size(Get_U32_LE(data)))
        return Decode_Dib(data, size, 0, 0, false, out, error, limits);
    return Fail(error, "This is not a Windows bitmap.");
}

bool Decode_Ico(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    if (size < 6 || Get_U16_LE(data) != 0 || (Get_U16_LE(data + 2) != 1 && Get_U16_LE(data + 2) != 2))
        return Fail(error, "This is not a Windows icon.");
    unsigned count = Get_U16_LE(data + 4);
    if (count == 0 || 6 + 16ull * count > size)
        return Fail(error, "The icon's directory is empty or truncated.");
    // The largest picture, and of equal sizes the deepest colours.
    int best = -1;
    std::uint64_t best_score = 0;
    for (unsigned i = 0; i < count; ++i) {
        const u8* e = data + 6 + 16 * i;
        std::uint32_t length = Get_U32_LE(e + 8), offset = Get_U32_LE(e + 12);
        if (offset >= size || length == 0 || length > size - offset)
            continue;
        std::uint64_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        std::uint64_t score = (w * h) << 8 | std::min<unsigned>(Get_U16_LE(e + 6), 255);
        if (best < 0 || score > best_score)
            best = static_cast<int>(i), best_score = score;
    }
    if (best < 0)
        return Fail(error, "The icon has no picture inside the file.");
    const u8* e = data + 6 + 16 * best;
    std::uint32_t length = Get_U32_LE(e + 8), offset = Get_U32_LE(e + 12);
    const u8* image = data + offset;
    if (length >= 8 && std::memcmp(image, "\x89PNG\r\n\x1a\n", 8) == 0)
        return Decode_Png(image, length, out, error, limits);
    return Decode_Dib(image, length, 0, 0, true, out, error, limits);
}

} // namespace imaging
