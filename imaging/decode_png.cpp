// PNG: every colour type and bit depth, Adam7 interlacing, palette and tRNS
// transparency. Sixteen-bit samples keep their high byte; gamma and colour
// profile chunks are ignored, as they would only shift the shown colours.
#include "decode_support.h"

#include <zlib.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace imaging {

bool Inflate_Zlib(const u8* data, std::size_t size, u8* out, std::size_t out_size, std::string& error)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return Fail(error, "The decompressor could not start.");
    std::size_t in_done = 0, out_done = 0;
    int status = Z_OK;
    // zlib counts in 32-bit units; feed it in slices.
    const std::size_t slice = 1u << 30;
    while (out_done < out_size) {
        if (stream.avail_in == 0) {
            if (in_done >= size)
                break;
            std::size_t n = std::min(slice, size - in_done);
            stream.next_in = const_cast<Bytef*>(data + in_done);
            stream.avail_in = static_cast<uInt>(n);
            in_done += n;
        }
        std::size_t want = std::min(slice, out_size - out_done);
        stream.next_out = out + out_done;
        stream.avail_out = static_cast<uInt>(want);
        status = inflate(&stream, Z_NO_FLUSH);
        out_done += want - stream.avail_out;
        if (status == Z_STREAM_END)
            break;
        if (status != Z_OK && status != Z_BUF_ERROR) {
            inflateEnd(&stream);
            return Fail(error, "The compressed picture data is corrupt.");
        }
        if (status == Z_BUF_ERROR && stream.avail_in == 0 && in_done >= size)
            break;
    }
    inflateEnd(&stream);
    if (out_done < out_size)
        return Fail(error, "The compressed picture data ends early.");
    return true;
}

namespace {

u8 Paeth(int a, int b, int c)
{
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return static_cast<u8>(a);
    return static_cast<u8>(pb <= pc ? b : c);
}

// Undoes the row filters of one pass in place; `row_bytes` excludes the
// filter byte, `bpp` is the filter's byte distance (at least 1).
bool Unfilter(u8* data, std::size_t rows, std::size_t row_bytes, std::size_t bpp, std::string& error)
{
    u8* previous = nullptr;
    for (std::size_t y = 0; y < rows; ++y) {
        u8* line = data + y * (row_bytes + 1);
        u8 filter = line[0];
        u8* cur = line + 1;
        switch (filter) {
        case 0: break;
        case 1:
            for (std::size_t i = bpp; i < row_bytes; ++i)
                cur[i] = static_cast<u8>(cur[i] + cur[i - bpp]);
            break;
        case 2:
            if (previous)
                for (std::size_t i = 0; i < row_bytes; ++i)
                    cur[i] = static_cast<u8>(cur[i] + previous[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < row_bytes; ++i) {
                int left = i >= bpp ? cur[i - bpp] : 0;
                int up = previous ? previous[i] : 0;
                cur[i] = static_cast<u8>(cur[i] + ((left + up) >> 1));
            }
            break;
        case 4:
            for (std::size_t i = 0; i < row_bytes; ++i) {
                int left = i >= bpp ? cur[i - bpp] : 0;
                int up = previous ? previous[i] : 0;
                int up_left = previous && i >= bpp ? previous[i - bpp] : 0;
                cur[i] = static_cast<u8>(cur[i] + Paeth(left, up, up_left));
            }
            break;
        default: return Fail(error, "The PNG file has an unknown row filter.");
        }
        previous = cur;
    }
    return true;
}

struct T_Png_Info {
    std::uint32_t Width = 0, Height = 0;
    int Depth = 0, Color = 0, Interlace = 0;
    int Channels = 0;
    std::array<u8, 256 * 3> Palette{};
    std::array<u8, 256> Palette_Alpha{};
    unsigned Palette_Size = 0;
    bool Has_Trns = false;
    std::uint16_t Trns_Gray = 0, Trns_R = 0, Trns_G = 0, Trns_B = 0;
};

std::uint32_t Sample(const u8* row, std::size_t index, int depth)
{
    switch (depth) {
    case 16: return Get_U16_BE(row + index * 2);
    case 8: return row[index];
    default: {
        std::size_t bit = index * depth;
        return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
    }
    }
}

// Converts one unfiltered row of `count` pixels into RGBA at (x0 + i*dx, y).
void Emit_Row(const T_Png_Info& info, const u8* row, std::size_t count, T_Raster& out, int x0, int dx, int y)
{
    int depth = info.Depth;
    auto to8 = [depth](std::uint32_t v) -> u8 {
        switch (depth) {
        case 16: return static_cast<u8>(v >> 8);
        case 8: return static_cast<u8>(v);
        case 4: return static_cast<u8>(v * 17);
        case 2: return static_cast<u8>(v * 85);
        default: return static_cast<u8>(v ? 255 : 0);
        }
    };
    for (std::size_t i = 0; i < count; ++i) {
        u8* p = out.At(x0 + static_cast<int>(i) * dx, y);
        std::size_t s = i * info.Channels;
        switch (info.Color) {
        case 0: {
            std::uint32_t g = Sample(row, s, depth);
            p[0] = p[1] = p[2] = to8(g);
            p[3] = info.Has_Trns && g == info.Trns_Gray ? 0 : 255;
            break;
        }
        case 2: {
            std::uint32_t r = Sample(row, s, depth), g = Sample(row, s + 1, depth), b = Sample(row, s + 2, depth);
            p[0] = to8(r), p[1] = to8(g), p[2] = to8(b);
            p[3] = info.Has_Trns && r == info.Trns_R && g == info.Trns_G && b == info.Trns_B ? 0 : 255;
            break;
        }
        case 3: {
            std::uint32_t index = Sample(row, s, depth);
            if (index < info.Palette_Size) {
                std::memcpy(p, &info.Palette[index * 3], 3);
                p[3] = info.Palette_Alpha[index];
            } else {
                p[0] = p[1] = p[2] = 0;
                p[3] = 255;
            }
            break;
        }
        case 4:
            p[0] = p[1] = p[2] = to8(Sample(row, s, depth));
            p[3] = to8(Sample(row, s + 1, depth));
            break;
        case 6:
            p[0] = to8(Sample(row, s, depth));
            p[1] = to8(Sample(row, s + 1, depth));
            p[2] = to8(Sample(row, s + 2, depth));
            p[3] = to8(Sample(row, s + 3, depth));
            break;
        }
    }
}

struct T_Pass {
    int X0, Y0, Dx, Dy;
};
constexpr T_Pass Adam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

} // namespace

bool Decode_Png(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    if (size < 8 || std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) != 0)
        return Fail(error, "This is not a PNG file.");
    T_Png_Info info;
    info.Palette_Alpha.fill(255);
    std::vector<u8> compressed;
    bool have_header = false, have_end = false;
    std::size_t pos = 8;
    while (pos + 12 <= size) {
        std::uint32_t length = Get_U32_BE(data + pos);
        const u8* type = data + pos + 4;
        if (length > size - pos - 12)
            break; // a chunk that runs past the end: treat as truncation below
        const u8* body = data + pos + 8;
        bool critical = !(type[0] & 0x20);
        if (critical) {
            std::uint32_t stored = Get_U32_BE(body + length);
            if (static_cast<std::uint32_t>(crc32(0, type, 4 + length)) != stored)
                return Fail(error, "The PNG file is corrupt (a checksum does not match).");
        }
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (length < 13 || have_header)
                return Fail(error, "The PNG header is invalid.");
            info.Width = Get_U32_BE(body);
            info.Height = Get_U32_BE(body + 4);
            info.Depth = body[8];
            info.Color = body[9];
            info.Interlace = body[12];
            if (body[10] != 0 || body[11] != 0 || info.Interlace > 1)
                return Fail(error, "The PNG file uses an unknown compression, filter or interlace method.");
            bool valid = false;
            switch (info.Color) {
            case 0: valid = info.Depth == 1 || info.Depth == 2 || info.Depth == 4 || info.Depth == 8 || info.Depth == 16;
                info.Channels = 1; break;
            case 2: valid = info.Depth == 8 || info.Depth == 16; info.Channels = 3; break;
            case 3: valid = info.Depth == 1 || info.Depth == 2 || info.Depth == 4 || info.Depth == 8;
                info.Channels = 1; break;
            case 4: valid = info.Depth == 8 || info.Depth == 16; info.Channels = 2; break;
            case 6: valid = info.Depth == 8 || info.Depth == 16; info.Channels = 4; break;
            default: break;
            }
            if (!valid)
                return Fail(error, "The PNG file has an invalid colour type and bit depth.");
            have_header = true;
        } else if (!have_header) {
            return Fail(error, "The PNG file does not start with its header.");
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            if (length % 3 != 0 || length > 256 * 3)
                return Fail(error, "The PNG palette is invalid.");
            info.Palette_Size = length / 3;
            std::memcpy(info.Palette.data(), body, length);
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (info.Color == 3) {
                std::memcpy(info.Palette_Alpha.data(), body, std::min<std::size_t>(length, 256));
            } else if (info.Color == 0 && length >= 2) {
                info.Has_Trns = true;
                info.Trns_Gray = Get_U16_BE(body);
            } else if (info.Color == 2 && length >= 6) {
                info.Has_Trns = true;
                info.Trns_R = Get_U16_BE(body);
                info.Trns_G = Get_U16_BE(body + 2);
                info.Trns_B = Get_U16_BE(body + 4);
            }
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            have_end = true;
            break;
        }
        pos += 12 + static_cast<std::size_t>(length);
    }
    if (!have_header)
        return Fail(error, "The PNG file is truncated before its header.");
    if (compressed.empty())
        return Fail(error, "The PNG file has no picture data.");
    if (info.Color == 3 && info.Palette_Size == 0)
        return Fail(error, "The PNG file has no palette.");
    (void)have_end; // a missing end chunk is tolerated when the data is complete

    // The unfiltered size of every pass, each row with its filter byte.
    const std::uint64_t bits = static_cast<std::uint64_t>(info.Depth) * info.Channels;
    const std::size_t bpp = std::max<std::size_t>(1, static_cast<std::size_t>(bits / 8));
    auto row_bytes = [bits](std::uint64_t width) { return (width * bits + 7) / 8; };
    std::uint64_t total = 0;
    std::uint64_t pass_w[7] = {}, pass_h[7] = {};
    int pass_count = info.Interlace ? 7 : 1;
    for (int p = 0; p < pass_count; ++p) {
        const T_Pass pass = info.Interlace ? Adam7[p] : T_Pass{0, 0, 1, 1};
        pass_w[p] = info.Width > static_cast<std::uint32_t>(pass.X0) ? (info.Width - pass.X0 + pass.Dx - 1) / pass.Dx : 0;
        pass_h[p] = info.Height > static_cast<std::uint32_t>(pass.Y0) ? (info.Height - pass.Y0 + pass.Dy - 1) / pass.Dy : 0;
        if (pass_w[p] && pass_h[p])
            total += pass_h[p] * (1 + row_bytes(pass_w[p]));
    }
    // Deflate cannot expand by more than 1032 to 1.
    if (!Allocate_Raster(out, info.Width, info.Height, limits, error, Min_Bytes(total, 1032), compressed.size()))
        return false;
    std::vector<u8> raw(static_cast<std::size_t>(total));
    if (!Inflate_Zlib(compressed.data(), compressed.size(), raw.data(), raw.size(), error))
        return false;
    std::size_t offset = 0;
    for (int p = 0; p < pass_count; ++p) {
        if (!pass_w[p] || !pass_h[p])
            continue;
        const T_Pass pass = info.Interlace ? Adam7[p] : T_Pass{0, 0, 1, 1};
        std::size_t rb = static_cast<std::size_t>(row_bytes(pass_w[p]));
        if (!Unfilter(raw.data() + offset, static_cast<std::size_t>(pass_h[p]), rb, bpp, error))
            return false;
        for (std::uint64_t r = 0; r < pass_h[p]; ++r)
            Emit_Row(info, raw.data() + offset + r * (rb + 1) + 1, static_cast<std::size_t>(pass_w[p]), out, pass.X0,
                     pass.Dx, pass.Y0 + static_cast<int>(r) * pass.Dy);
        offset += static_cast<std::size_t>(pass_h[p]) * (rb + 1);
    }
    Update_Has_Alpha(out);
    return true;
}

} // namespace imaging
