// The less common raster formats: Dr. Halo, Alias/Wavefront, Autodesk
// Animator and Kodak Photo-CD.
#include "imaging/image_decoders.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imaging {

// ---------------------------------------------------------------- Dr. Halo

namespace {

// A Dr. Halo palette: a 40-byte header ("AH", ..., the largest index and the
// largest red, green and blue values) and 16-bit RGB triples in 512-byte
// blocks; a triple never straddles two blocks. Sets the picture's colours.
bool Read_Halo_Palette(const std::string& file, QImage& out)
{
    const u8* d = reinterpret_cast<const u8*>(file.data());
    if (file.size() < 40 || d[0] != 'A' || d[1] != 'H')
        return false;
    const unsigned count = std::min(Get_U16_LE(d + 12) + 1, 256);
    const unsigned max_value[3] = {Get_U16_LE(d + 14), Get_U16_LE(d + 16), Get_U16_LE(d + 18)};
    std::size_t pos = 40;
    for (unsigned i = 0; i < count; ++i, pos += 6) {
        if (pos % 512 > 512 - 6)
            pos += 512 - pos % 512;
        if (pos + 6 > file.size())
            return false;
        int rgb[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = Get_U16_LE(d + pos + 2 * c), max = max_value[c] ? max_value[c] : 255;
            rgb[c] = static_cast<int>(std::min(v, max) * 255 / max);
        }
        out.setColor(static_cast<int>(i), qRgb(rgb[0], rgb[1], rgb[2]));
    }
    return true;
}

} // namespace

bool Decode_Cut(const T_Source& source, QImage& out, std::string& error)
{
    if (source.Size < 6)
        return Fail(error, "The Dr. Halo file is truncated.");
    const unsigned w = Get_U16_LE(source.Data), h = Get_U16_LE(source.Data + 2);
    // Each line has at least its length word and an end mark.
    if (!New_Image(out, w, h, QImage::Format_Indexed8, source.Limits, error,
                   static_cast<std::uint64_t>(h) * 3, source.Size - 6))
        return false;
    // Without its palette file (or with a broken one): the indexes as grey levels.
    if (source.Palette.empty() || !Read_Halo_Palette(source.Palette, out))
        for (int i = 0; i < 256; ++i)
            out.setColor(i, qRgb(i, i, i));
    T_Reader in(source.Data, source.Size);
    in.Skip(6);
    for (unsigned y = 0; y < h; ++y) {
        const unsigned length = in.U16_LE();
        if (in.Failed() || !in.Has(length))
            return Fail(error, "The Dr. Halo picture data is truncated.");
        // A zero byte ends the line; the high bit marks a run.
        T_Reader line(in.Here(), length);
        in.Skip(length);
        const std::size_t filled = Unpack_Runs(line, out.scanLine(y), w, 1, [](T_Reader& packed) {
            const u8 b = packed.U8();
            return T_Packet{b & 0x7Fu, (b & 0x80) != 0, b == 0};
        });
        if (filled < w && line.Failed())
            return Fail(error, "A Dr. Halo line is corrupt.");
    }
    return true;
}

// ------------------------------------------------------ Alias/Wavefront RLA

// The 740-byte header holds the full and the active window (left, right,
// bottom, top), the counts of colour, matte and auxiliary channels and the
// bits per channel; an offset table of the scan lines follows, bottom line
// first. Each line holds each channel as a length word and run-length data.
bool Decode_Rla(const T_Source& source, QImage& out, std::string& error)
{
    const u8* data = source.Data;
    const std::size_t size = source.Size;
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
    if (!New_Image(out, w, h, QImage::Format_RGBA8888, source.Limits, error,
                   per_line * static_cast<std::uint64_t>(h > 0 ? h : 0), size - 740))
        return false;
    std::vector<u8> line(static_cast<std::size_t>(w));
    for (std::int64_t r = 0; r < h; ++r) {
        std::uint32_t offset = Get_U32_BE(data + 740 + 4 * r);
        T_Reader in(data, size);
        if (!in.Seek(offset))
            return Fail(error, "An Alias/Wavefront line lies outside the file.");
        // The colour channels, then the first matte channel as transparency;
        // further channels of the line are not needed.
        for (unsigned c = 0; c < colour_channels + (mattes ? 1 : 0); ++c) {
            unsigned length = in.U16_BE();
            if (in.Failed() || !in.Has(length))
                return Fail(error, "The Alias/Wavefront picture data is truncated.");
            // A count n from 0 to 127 repeats the next byte n + 1 times, one
            // from -128 to -1 copies -n bytes.
            T_Reader runs(in.Here(), length);
            in.Skip(length);
            if (Unpack_Runs(runs, line.data(), line.size(), 1, [](T_Reader& packed) {
                    const int n = static_cast<std::int8_t>(packed.U8());
                    return n >= 0 ? T_Packet{std::size_t(n) + 1, true} : T_Packet{std::size_t(-n)};
                }) < line.size())
                return Fail(error, "An Alias/Wavefront line is shorter than the picture is wide.");
            if (c >= 3 && c < colour_channels)
                continue;
            for (std::int64_t x = 0; x < w; ++x) {
                u8* p = Pixel(out, x, h - 1 - r);
                if (c == colour_channels)
                    p[3] = line[x];
                else if (colour_channels < 3)
                    p[0] = p[1] = p[2] = line[x];
                else
                    p[c] = line[x];
            }
        }
    }
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

// A colour component of 6 bits (the original Animator's, and those of the
// flics' 64-level colour chunks) scaled to 8.
int Six_Bit(unsigned v) { return static_cast<int>(std::min(v, 63u) * 255 / 63); }

// A flic's byte runs: a count n from 0 to 127 repeats the next byte n times,
// one from -128 to -1 copies -n bytes.
T_Packet Flic_Packet(T_Reader& in)
{
    const int n = static_cast<std::int8_t>(in.U8());
    return n >= 0 ? T_Packet{std::size_t(n), true} : T_Packet{std::size_t(-n)};
}

// The first frame of an Animator flic (".fli", and the ".cel" of later
// versions): its colour chunks and its full-frame chunks. Delta chunks
// need a previous frame and do not occur in a first frame.
bool Decode_Flic(const T_Source& source, QImage& out, std::string& error)
{
    const u8* data = source.Data;
    const std::size_t size = source.Size;
    const unsigned w = Get_U16_LE(data + 8), h = Get_U16_LE(data + 10);
    const std::uint32_t first = Get_U16_LE(data + 4) == 0xAF12 ? Get_U32_LE(data + 80) : 0;
    // A black-frame chunk describes any frame in six bytes, so only the
    // size limits apply.
    if (!New_Image(out, w, h, QImage::Format_Indexed8, source.Limits, error))
        return false;
    T_Reader in(data, size);
    // Prefix chunks (0xF100) may come before the first frame.
    std::uint64_t pos = first ? first : 128;
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
                const unsigned count = body.U8();
                for (unsigned i = 0; i < (count ? count : 256) && colour < 256; ++i, ++colour) {
                    int rgb[3];
                    for (int& v : rgb)
                        v = type == 11 ? Six_Bit(body.U8()) : body.U8();
                    out.setColor(static_cast<int>(colour), qRgb(rgb[0], rgb[1], rgb[2]));
                }
            }
        } else if (type == 13) { // black frame
            out.fill(0);
        } else if (type == 15 || type == 16) { // byte runs, or uncompressed
            for (unsigned y = 0; y < h; ++y) {
                u8* line = out.scanLine(static_cast<int>(y));
                if (type == 15)
                    body.U8(); // the line's packet count, unreliable for wide frames
                const std::size_t filled = type == 16 ? (body.Bytes(line, w) ? w : 0)
                                                      : Unpack_Runs(body, line, w, 1, Flic_Packet);
                if (filled < w)
                    return Fail(error, "The Animator picture data is truncated.");
            }
        }
        if (body.Failed())
            return Fail(error, "The Animator picture data is truncated.");
        chunk += chunk_size;
    }
    return true;
}

} // namespace

bool Decode_Autodesk(const T_Source& source, QImage& out, std::string& error)
{
    const u8* data = source.Data;
    const std::size_t size = source.Size;
    if (size >= 128 + 16 && (Get_U16_LE(data + 4) == 0xAF11 || Get_U16_LE(data + 4) == 0xAF12))
        return Decode_Flic(source, out, error);
    // The original Animator's picture and cel: a 32-byte header, 256 colours
    // of 6-bit components and one byte per pixel.
    if (size < 32 || Get_U16_LE(data) != 0x9119)
        return Fail(error, "This is not an Autodesk Animator picture.");
    const unsigned w = Get_U16_LE(data + 2), h = Get_U16_LE(data + 4);
    if (data[10] != 8 || data[11] != 0)
        return Fail(error, "This Autodesk Animator picture variant is not supported.");
    if (size < 32 + 768)
        return Fail(error, "The Autodesk Animator palette is truncated.");
    if (!New_Image(out, w, h, QImage::Format_Indexed8, source.Limits, error,
                   static_cast<std::uint64_t>(w) * h, size - 32 - 768))
        return false;
    for (int i = 0; i < 256; ++i)
        out.setColor(i, qRgb(Six_Bit(data[32 + 3 * i]), Six_Bit(data[33 + 3 * i]),
                             Six_Bit(data[34 + 3 * i])));
    for (unsigned y = 0; y < h; ++y)
        std::memcpy(out.scanLine(static_cast<int>(y)), data + 32 + 768 + std::size_t{y} * w, w);
    return true;
}

// ------------------------------------------------------- Kodak Photo-CD

constexpr std::size_t Pcd_Base_Offset = 0x30000;
constexpr unsigned Pcd_W = 768, Pcd_H = 512;
constexpr std::size_t Pcd_Base_Size = Pcd_W * Pcd_H * 3 / 2;

bool Looks_Like_Pcd(const u8* data, std::size_t size)
{
    return size >= 0x800 + 7 && std::memcmp(data + 0x800, "PCD_IPI", 7) == 0;
}

// The base resolution (768 x 512) at a fixed offset: pairs of luma lines,
// each pair followed by one line of each chroma channel at half width.
// The orientation byte turns portrait pictures upright.
bool Decode_Pcd(const T_Source& source, QImage& out, std::string& error)
{
    const u8* data = source.Data;
    const std::size_t size = source.Size;
    if (!Looks_Like_Pcd(data, size))
        return Fail(error, "This is not a Kodak Photo-CD file.");
    if (size < Pcd_Base_Offset + Pcd_Base_Size)
        return Fail(error, "The Photo-CD file is truncated before its base picture.");
    const unsigned rotation = size > 0x0E02 ? data[0x0E02] & 3 : 0;
    if (!Check_Raster_Size(rotation & 1 ? Pcd_H : Pcd_W, rotation & 1 ? Pcd_W : Pcd_H,
                           source.Limits, error))
        return false;
    QImage stored(Pcd_W, Pcd_H, QImage::Format_RGB32);
    const u8* base = data + Pcd_Base_Offset;
    for (unsigned pair = 0; pair < Pcd_H / 2; ++pair) {
        const u8* block = base + static_cast<std::size_t>(pair) * Pcd_W * 3;
        const u8 *c1 = block + 2 * Pcd_W, *c2 = c1 + Pcd_W / 2;
        for (unsigned line = 0; line < 2; ++line) {
            auto* row = reinterpret_cast<QRgb*>(stored.scanLine(static_cast<int>(pair * 2 + line)));
            for (unsigned x = 0; x < Pcd_W; ++x) {
                // PhotoYCC to RGB.
                const double l = 1.3584 * block[line * Pcd_W + x];
                const double a = 2.2179 * (c1[x / 2] - 156.0), b = 1.8215 * (c2[x / 2] - 137.0);
                row[x] = qRgb(qBound(0, qRound(l + b), 255),
                              qBound(0, qRound(l - 0.194 * a - 0.509 * b), 255),
                              qBound(0, qRound(l + a), 255));
            }
        }
    }
    // The picture is shown turned a quarter to the left (1), upside down (2)
    // or a quarter to the right (3).
    out = stored.transformed(QTransform().rotate((4 - rotation) % 4 * 90.0));
    return true;
}

} // namespace imaging
