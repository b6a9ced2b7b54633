// The less common raster formats: Dr. Halo, Alias/Wavefront, Autodesk
// Animator, Kodak Photo-CD, and run-length Windows bitmaps.
#include "image_decoders.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace imaging {

// ---------------------------------------------------------------- Dr. Halo

namespace {

// A Dr. Halo palette: a 40-byte header ("AH", ..., the largest index and the
// largest red, green and blue values) and 16-bit RGB triples in 512-byte
// blocks; a triple never straddles two blocks.
bool Read_Halo_Palette(const std::string& file, std::array<u8, 768>& palette, unsigned& count)
{
    const u8* d = reinterpret_cast<const u8*>(file.data());
    if (file.size() < 40 || d[0] != 'A' || d[1] != 'H')
        return false;
    unsigned max_index = Get_U16_LE(d + 12);
    unsigned max_value[3] = {Get_U16_LE(d + 14), Get_U16_LE(d + 16), Get_U16_LE(d + 18)};
    count = std::min(max_index + 1, 256u);
    std::size_t pos = 40;
    for (unsigned i = 0; i < count; ++i) {
        if (pos % 512 > 512 - 6)
            pos += 512 - pos % 512;
        if (pos + 6 > file.size())
            return false;
        for (int c = 0; c < 3; ++c) {
            unsigned v = Get_U16_LE(d + pos + 2 * c), max = max_value[c] ? max_value[c] : 255;
            palette[i * 3 + c] = static_cast<u8>(std::min(v, max) * 255 / max);
        }
        pos += 6;
    }
    return true;
}

} // namespace

bool Decode_Cut(const u8* data, std::size_t size, const std::string& palette_file, T_Raster& out,
                std::string& error, const T_Decode_Limits& limits)
{
    if (size < 6)
        return Fail(error, "The Dr. Halo file is truncated.");
    unsigned w = Get_U16_LE(data), h = Get_U16_LE(data + 2);
    // Each line has at least its length word and an end mark.
    if (!Allocate_Raster(out, w, h, limits, error, static_cast<std::uint64_t>(h) * 3, size - 6))
        return false;
    std::array<u8, 768> palette{};
    unsigned count = 256;
    if (palette_file.empty() || !Read_Halo_Palette(palette_file, palette, count)) {
        for (unsigned i = 0; i < 256; ++i) // without its palette file: grey levels
            palette[i * 3] = palette[i * 3 + 1] = palette[i * 3 + 2] = static_cast<u8>(i);
        count = 256;
    }
    T_Reader in(data, size);
    in.Skip(6);
    for (unsigned y = 0; y < h; ++y) {
        unsigned length = in.U16_LE();
        if (in.Failed() || !in.Has(length))
            return Fail(error, "The Dr. Halo picture data is truncated.");
        T_Reader line(in.Here(), length);
        in.Skip(length);
        unsigned x = 0;
        for (;;) {
            u8 b = line.U8();
            if (line.Failed() || b == 0)
                break;
            unsigned n = b & 0x7F;
            if (b & 0x80) {
                u8 v = line.U8();
                for (unsigned i = 0; i < n && x < w; ++i)
                    Put_Indexed_Pixel(out, static_cast<int>(x++), static_cast<int>(y), v,
                                      palette.data(), count);
            } else {
                for (unsigned i = 0; i < n; ++i) {
                    u8 v = line.U8();
                    if (x < w)
                        Put_Indexed_Pixel(out, static_cast<int>(x++), static_cast<int>(y), v,
                                          palette.data(), count);
                }
            }
            if (line.Failed())
                return Fail(error, "A Dr. Halo line is corrupt.");
        }
    }
    return true;
}

// ------------------------------------------------------ Alias/Wavefront RLA

// The 740-byte header holds the full and the active window (left, right,
// bottom, top), the counts of colour, matte and auxiliary channels and the
// bits per channel; an offset table of the scan lines follows, bottom line
// first. Each line holds each channel as a length word and run-length data.
bool Decode_Rla(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                const T_Decode_Limits& limits)
{
    if (size < 740)
        return Fail(error, "The Alias/Wavefront file is truncated.");
    auto s16 = [data](std::size_t at) { return static_cast<std::int16_t>(Get_U16_BE(data + at)); };
    std::int64_t left = s16(8), right = s16(10), bottom = s16(12), top = s16(14);
    unsigned colour_channels = Get_U16_BE(data + 20), mattes = Get_U16_BE(data + 22);
    unsigned bits = Get_U16_BE(data + 658);
    if (bits != 0 && bits != 8)
        return Fail(error, "Alias/Wavefront pictures of " + std::to_string(bits) +
                               " bits per channel are not supported.");
    if (colour_channels == 0 || colour_channels > 64 || mattes > 64)
        return Fail(error, "The Alias/Wavefront header is invalid.");
    std::int64_t w = right - left + 1, h = top - bottom + 1;
    // Each line: an offset, and per channel a length word and one run.
    std::uint64_t per_line = 4 + 4ull * (colour_channels + mattes);
    if (!Allocate_Raster(out, w, h, limits, error,
                         per_line * static_cast<std::uint64_t>(h > 0 ? h : 0), size - 740))
        return false;
    std::vector<u8> line(static_cast<std::size_t>(w));
    for (std::int64_t r = 0; r < h; ++r) {
        std::uint32_t offset = Get_U32_BE(data + 740 + 4 * r);
        T_Reader in(data, size);
        if (!in.Seek(offset))
            return Fail(error, "An Alias/Wavefront line lies outside the file.");
        int y = static_cast<int>(h - 1 - r);
        // The colour channels, then the first matte channel as transparency;
        // further channels of the line are not needed.
        for (unsigned c = 0; c < colour_channels + (mattes ? 1 : 0); ++c) {
            unsigned length = in.U16_BE();
            if (in.Failed() || !in.Has(length))
                return Fail(error, "The Alias/Wavefront picture data is truncated.");
            T_Reader run(in.Here(), length);
            in.Skip(length);
            std::size_t filled = 0;
            while (filled < line.size()) {
                int count = static_cast<std::int8_t>(run.U8());
                if (count >= 0) {
                    u8 v = run.U8();
                    for (int i = 0; i <= count && filled < line.size(); ++i)
                        line[filled++] = v;
                } else {
                    for (int i = 0; i < -count && filled < line.size(); ++i)
                        line[filled++] = run.U8();
                }
                if (run.Failed())
                    return Fail(error,
                                "An Alias/Wavefront line is shorter than the picture is wide.");
            }
            if (c >= 3 && c < colour_channels)
                continue;
            for (std::int64_t x = 0; x < w; ++x) {
                u8* p = out.At(static_cast<int>(x), y);
                if (c == colour_channels)
                    p[3] = line[x];
                else if (colour_channels < 3)
                    p[0] = p[1] = p[2] = line[x];
                else
                    p[c] = line[x];
            }
        }
    }
    Update_Has_Alpha(out);
    return true;
}

// ------------------------------------------------------- Autodesk Animator

bool Looks_Like_Autodesk(const u8* data, std::size_t size)
{
    if (size >= 32 + 768 && Get_U16_LE(data) == 0x9119 && data[10] == 8)
        return true;
    return size >= 128 + 16 && (Get_U16_LE(data + 4) == 0xAF11 || Get_U16_LE(data + 4) == 0xAF12) &&
           Get_U16_LE(data + 12) == 8;
}

namespace {

// The first frame of an Animator flic (".fli", and the ".cel" of later
// versions): its colour chunks and its full-frame chunks. Delta chunks
// need a previous frame and do not occur in a first frame.
bool Decode_Flic(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                 const T_Decode_Limits& limits)
{
    unsigned magic = Get_U16_LE(data + 4), w = Get_U16_LE(data + 8), h = Get_U16_LE(data + 10);
    std::uint32_t first = magic == 0xAF12 ? Get_U32_LE(data + 80) : 0;
    if (first == 0)
        first = 128;
    // A black-frame chunk describes any frame in six bytes, so only the
    // size limits apply.
    std::uint64_t pixels = static_cast<std::uint64_t>(w) * h;
    if (!Allocate_Raster(out, w, h, limits, error))
        return false;
    std::array<u8, 768> palette{};
    std::vector<u8> index(static_cast<std::size_t>(pixels), 0);
    T_Reader in(data, size);
    // Prefix chunks (0xF100) may come before the first frame.
    std::uint64_t pos = first;
    for (int guard = 0; guard < 16; ++guard) {
        if (!in.Seek(pos))
            return Fail(error, "The Animator file has no frame.");
        std::uint32_t frame_size = in.U32_LE();
        unsigned type = in.U16_LE();
        if (in.Failed() || frame_size < 16)
            return Fail(error, "The Animator frame is corrupt.");
        if (type == 0xF1FA)
            break;
        pos += frame_size;
    }
    std::uint64_t frame_end = pos + Get_U32_LE(data + pos);
    unsigned chunks = in.U16_LE();
    in.Skip(10);
    std::uint64_t chunk = pos + 16;
    for (unsigned c = 0; c < chunks && chunk + 6 <= std::min<std::uint64_t>(frame_end, size); ++c) {
        in.Seek(chunk);
        std::uint32_t chunk_size = in.U32_LE();
        unsigned type = in.U16_LE();
        if (chunk_size < 6 || chunk + chunk_size > size)
            return Fail(error, "An Animator chunk lies outside the file.");
        T_Reader body(data + chunk + 6, chunk_size - 6);
        if (type == 4 || type == 11) { // 256-level or 64-level colours
            unsigned packets = body.U16_LE(), colour = 0;
            for (unsigned p = 0; p < packets && !body.Failed(); ++p) {
                colour += body.U8();
                unsigned count = body.U8();
                if (count == 0)
                    count = 256;
                for (unsigned i = 0; i < count && colour < 256; ++i, ++colour)
                    for (int k = 0; k < 3; ++k) {
                        unsigned v = body.U8();
                        palette[colour * 3 + k] =
                            static_cast<u8>(type == 11 ? std::min(v, 63u) * 255 / 63 : v);
                    }
            }
        } else if (type == 13) { // black frame
            std::fill(index.begin(), index.end(), 0);
        } else if (type == 15) { // byte run
            for (unsigned y = 0; y < h; ++y) {
                body.U8(); // packet count, unreliable for wide frames
                unsigned x = 0;
                while (x < w) {
                    int n = static_cast<std::int8_t>(body.U8());
                    if (body.Failed())
                        return Fail(error, "The Animator picture data is truncated.");
                    if (n >= 0) {
                        u8 v = body.U8();
                        for (int i = 0; i < n && x < w; ++i)
                            index[static_cast<std::size_t>(y) * w + x++] = v;
                    } else {
                        for (int i = 0; i < -n && x < w; ++i)
                            index[static_cast<std::size_t>(y) * w + x++] = body.U8();
                    }
                }
            }
        } else if (type == 16) { // uncompressed
            if (!body.Bytes(index.data(), index.size()))
                return Fail(error, "The Animator picture data is truncated.");
        }
        if (body.Failed())
            return Fail(error, "The Animator picture data is truncated.");
        chunk += chunk_size;
    }
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            Put_Indexed_Pixel(out, static_cast<int>(x), static_cast<int>(y),
                              index[static_cast<std::size_t>(y) * w + x], palette.data(), 256);
    return true;
}

} // namespace

bool Decode_Autodesk(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                     const T_Decode_Limits& limits)
{
    if (size >= 128 + 16 && (Get_U16_LE(data + 4) == 0xAF11 || Get_U16_LE(data + 4) == 0xAF12))
        return Decode_Flic(data, size, out, error, limits);
    // The original Animator's picture and cel: a 32-byte header, 256 colours
    // of 6-bit components and one byte per pixel.
    if (size < 32 || Get_U16_LE(data) != 0x9119)
        return Fail(error, "This is not an Autodesk Animator picture.");
    unsigned w = Get_U16_LE(data + 2), h = Get_U16_LE(data + 4);
    if (data[10] != 8 || data[11] != 0)
        return Fail(error, "This Autodesk Animator picture variant is not supported.");
    std::uint64_t pixels = static_cast<std::uint64_t>(w) * h;
    if (size < 32 + 768)
        return Fail(error, "The Autodesk Animator palette is truncated.");
    if (!Allocate_Raster(out, w, h, limits, error, pixels, size - 32 - 768))
        return false;
    u8 palette[768];
    for (int i = 0; i < 768; ++i)
        palette[i] = static_cast<u8>(std::min<unsigned>(data[32 + i], 63) * 255 / 63);
    const u8* pixel = data + 32 + 768;
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            Put_Indexed_Pixel(out, static_cast<int>(x), static_cast<int>(y), *pixel++, palette,
                              256);
    return true;
}

// ------------------------------------------------------- Kodak Photo-CD

namespace {
constexpr std::size_t Pcd_Base_Offset = 0x30000;
constexpr unsigned Pcd_W = 768, Pcd_H = 512;
constexpr std::size_t Pcd_Base_Size = Pcd_W * Pcd_H * 3 / 2;
} // namespace

bool Looks_Like_Pcd(const u8* data, std::size_t size)
{
    return size >= 0x800 + 7 && std::memcmp(data + 0x800, "PCD_IPI", 7) == 0;
}

// The base resolution (768 x 512) at a fixed offset: pairs of luma lines,
// each pair followed by one line of each chroma channel at half width.
// The orientation byte turns portrait pictures upright.
bool Decode_Pcd(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                const T_Decode_Limits& limits)
{
    if (!Looks_Like_Pcd(data, size))
        return Fail(error, "This is not a Kodak Photo-CD file.");
    if (size < Pcd_Base_Offset + Pcd_Base_Size)
        return Fail(error, "The Photo-CD file is truncated before its base picture.");
    const unsigned rotation = size > 0x0E02 ? data[0x0E02] & 3 : 0;
    const bool turned = rotation & 1;
    if (!Allocate_Raster(out, turned ? Pcd_H : Pcd_W, turned ? Pcd_W : Pcd_H, limits, error))
        return false;
    const u8* base = data + Pcd_Base_Offset;
    for (unsigned pair = 0; pair < Pcd_H / 2; ++pair) {
        const u8* block = base + static_cast<std::size_t>(pair) * Pcd_W * 3;
        const u8 *c1 = block + 2 * Pcd_W, *c2 = c1 + Pcd_W / 2;
        for (unsigned line = 0; line < 2; ++line) {
            unsigned sy = pair * 2 + line;
            for (unsigned sx = 0; sx < Pcd_W; ++sx) {
                // PhotoYCC to RGB.
                double l = 1.3584 * block[line * Pcd_W + sx];
                double a = 2.2179 * (c1[sx / 2] - 156.0), b = 1.8215 * (c2[sx / 2] - 137.0);
                double rgb[3] = {l + b, l - 0.194 * a - 0.509 * b, l + a};
                unsigned x = sx, y = sy;
                switch (rotation) {
                case 1:
                    x = sy, y = Pcd_W - 1 - sx;
                    break; // turned left: stored rotated right
                case 2:
                    x = Pcd_W - 1 - sx, y = Pcd_H - 1 - sy;
                    break;
                case 3:
                    x = Pcd_H - 1 - sy, y = sx;
                    break;
                default:
                    break;
                }
                u8* p = out.At(static_cast<int>(x), static_cast<int>(y));
                for (int c = 0; c < 3; ++c)
                    p[c] = static_cast<u8>(rgb[c] < 0     ? 0
                                           : rgb[c] > 255 ? 255
                                                          : std::lround(rgb[c]));
            }
        }
    }
    return true;
}

// ------------------------------------------------- run-length bitmaps

// Run-length Windows bitmaps (RLE8 and RLE4). Qt's bitmap reader reads them
// too, but leaves the pixels that a delta escape skips as they happened to
// be in memory, and shows a file cut short as if it were whole; this decoder
// gives skipped pixels colour 0 and refuses data that ends before its
// end-of-bitmap escape.

bool Looks_Like_Rle_Bitmap(const u8* data, std::size_t size)
{
    if (size < 54 || data[0] != 'B' || data[1] != 'M' || Get_U32_LE(data + 14) < 40)
        return false;
    const unsigned bits = Get_U16_LE(data + 28), compression = Get_U32_LE(data + 30);
    return (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
}

bool Decode_Rle_Bitmap(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                       const T_Decode_Limits& limits)
{
    if (!Looks_Like_Rle_Bitmap(data, size))
        return Fail(error, "This is not a run-length Windows bitmap.");
    const std::uint32_t pixels_at = Get_U32_LE(data + 10), info_size = Get_U32_LE(data + 14);
    const std::int64_t w = static_cast<std::int32_t>(Get_U32_LE(data + 18));
    const std::int64_t stored_h = static_cast<std::int32_t>(Get_U32_LE(data + 22));
    const bool four = Get_U16_LE(data + 28) == 4, top_down = stored_h < 0;
    const std::int64_t h = top_down ? -stored_h : stored_h;
    if (pixels_at > size || info_size > size - 14)
        return Fail(error, "The bitmap's data lies outside the file.");
    // The colour table: as many entries as the header says, at most as many
    // as the depth allows and the bytes before the pixels hold.
    std::array<u8, 256 * 3> palette{};
    const std::size_t table_at = 14 + info_size, most = four ? 16 : 256,
                      stated = Get_U32_LE(data + 46);
    const auto colors = static_cast<unsigned>(std::min(
        {stated ? stated : most, most, pixels_at > table_at ? (pixels_at - table_at) / 4 : 0}));
    for (unsigned i = 0; i < colors; ++i)
        for (int c = 0; c < 3; ++c)
            palette[i * 3 + c] = data[table_at + i * 4 + 2 - c];
    // Each run of two bytes covers at most 255 pixels.
    if (!Allocate_Raster(out, w, h, limits, error, 2, size - pixels_at))
        return false;
    for (int y = 0; y < out.Height; ++y)
        for (int x = 0; x < out.Width; ++x)
            Put_Indexed_Pixel(out, x, y, 0, palette.data(), colors);
    std::int64_t x = 0, y = 0; // y counts rows from the start of the data
    auto put = [&](unsigned index) {
        if (x < w && y < h)
            Put_Indexed_Pixel(out, static_cast<int>(x), static_cast<int>(top_down ? y : h - 1 - y),
                              index, palette.data(), colors);
        ++x;
    };
    T_Reader in(data + pixels_at, size - pixels_at);
    while (y < h) {
        if (!in.Has(2))
            return Fail(error, "The compressed bitmap data ends early.");
        const unsigned count = in.U8(), value = in.U8();
        if (count > 0) {
            for (unsigned i = 0; i < count && x < w; ++i)
                put(four ? (i & 1 ? value & 15 : value >> 4) : value);
        } else if (value == 0) { // end of line
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
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (!in.Has(bytes))
                return Fail(error, "The compressed bitmap data ends early.");
            const u8* literal = in.Here();
            for (unsigned i = 0; i < value && x < w; ++i)
                put(four ? (i & 1 ? literal[i / 2] & 15 : literal[i / 2] >> 4) : literal[i]);
            in.Skip(bytes + (bytes & 1));
        }
    }
    return true;
}

} // namespace imaging
