// Helpers shared by the decoders: bounds-checked reading of a byte buffer,
// the one place where a raster is allocated, and the decoder entry points.
#pragma once

#include "image_decoders.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace imaging {

using u8 = std::uint8_t;

// Reads integers from a buffer. Reading past the end never touches memory
// outside the buffer: it yields zero and sets Failed, which stays set, so a
// parser may read a whole header and check once.
class T_Reader {
public:
    T_Reader(const u8* data, std::size_t size) : Data(data), Size(size) {}

    std::size_t Pos() const { return Position; }
    std::size_t Size_Total() const { return Size; }
    std::size_t Left() const { return Position < Size ? Size - Position : 0; }
    bool Failed() const { return Fail; }
    bool Has(std::size_t count) const { return Position <= Size && count <= Size - Position; }
    const u8* Here() const { return Data + (Position <= Size ? Position : Size); }

    // Moves to an absolute offset; an offset past the end fails.
    bool Seek(std::uint64_t offset)
    {
        if (offset > Size) {
            Fail = true;
            return false;
        }
        Position = static_cast<std::size_t>(offset);
        return true;
    }
    bool Skip(std::uint64_t count) { return Seek(static_cast<std::uint64_t>(Position) + count); }

    u8 U8()
    {
        if (!Has(1)) {
            Fail = true;
            Position = Size;
            return 0;
        }
        return Data[Position++];
    }
    std::uint16_t U16_LE() { return static_cast<std::uint16_t>(U8() | (U8() << 8)); }
    std::uint16_t U16_BE() { return static_cast<std::uint16_t>((U8() << 8) | U8()); }
    std::uint32_t U32_LE()
    {
        std::uint32_t lo = U16_LE();
        return lo | (static_cast<std::uint32_t>(U16_LE()) << 16);
    }
    std::uint32_t U32_BE()
    {
        std::uint32_t hi = U16_BE();
        return (hi << 16) | U16_BE();
    }
    std::int16_t S16_LE() { return static_cast<std::int16_t>(U16_LE()); }
    std::int32_t S32_LE() { return static_cast<std::int32_t>(U32_LE()); }

    // Copies `count` bytes; fails without copying when fewer are left.
    bool Bytes(u8* target, std::size_t count);

private:
    const u8* Data;
    std::size_t Size;
    std::size_t Position = 0;
    bool Fail = false;
};

// Integer reads at an absolute offset, for formats laid out as tables.
// The caller has checked that the bytes exist.
inline std::uint16_t Get_U16_LE(const u8* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint16_t Get_U16_BE(const u8* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
inline std::uint32_t Get_U32_LE(const u8* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t Get_U32_BE(const u8* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Sets the error text and returns false, so that a parser can write
// `return Fail(error, "...")`.
bool Fail(std::string& error, const std::string& text);

// Allocates `out` as a width x height raster, opaque black, after checking the
// size against the limits. `min_bytes` is the least number of input bytes that
// can describe a picture of this size in the format at hand (its best possible
// compression), and `available` the bytes the file has for it: a header that
// claims more than its data can hold is refused before anything is allocated.
bool Allocate_Raster(T_Raster& out, std::int64_t width, std::int64_t height, const T_Decode_Limits& limits,
                     std::string& error, std::uint64_t min_bytes = 0, std::uint64_t available = 0);

// The least input size for `pixels` pixels at a best compression ratio of
// `pixels_per_byte`, rounded up.
inline std::uint64_t Min_Bytes(std::uint64_t pixels, std::uint64_t pixels_per_byte)
{
    return (pixels + pixels_per_byte - 1) / pixels_per_byte;
}

// Sets Has_Alpha when any alpha byte is below 255.
void Update_Has_Alpha(T_Raster& raster);

// Fills the raster with the pixels of an indexed row: `palette` holds
// `palette_size` RGB triples, indexes outside it give black.
void Put_Indexed_Pixel(T_Raster& raster, int x, int y, unsigned index, const u8* palette, unsigned palette_size);

// The decoders, each on one complete file in memory.
bool Decode_Bmp(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Ico(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Metafile(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                     const T_Decode_Limits& limits);
bool Decode_Jpeg(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Targa(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Tiff(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Eps(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Pcx(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Rla(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Sgi(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Psd(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Autodesk(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                     const T_Decode_Limits& limits);
bool Decode_Pcd(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Gif(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
// `palette` is the content of the palette file beside the picture, or empty.
bool Decode_Cut(const u8* data, std::size_t size, const std::string& palette, T_Raster& out, std::string& error,
                const T_Decode_Limits& limits);
bool Decode_Psp(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);
bool Decode_Png(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits);

// Signature checks used by the content detection.
bool Looks_Like_Bmp(const u8* data, std::size_t size);
bool Looks_Like_Ico(const u8* data, std::size_t size);
bool Looks_Like_Metafile(const u8* data, std::size_t size);
bool Looks_Like_Targa(const u8* data, std::size_t size);
bool Looks_Like_Pcx(const u8* data, std::size_t size);
bool Looks_Like_Sgi(const u8* data, std::size_t size);
bool Looks_Like_Autodesk(const u8* data, std::size_t size);
bool Looks_Like_Pcd(const u8* data, std::size_t size);

// Inflates a zlib stream into `out`, which must have exactly the expected
// size; fails when the stream is corrupt or yields fewer bytes. More bytes
// than expected are ignored.
bool Inflate_Zlib(const u8* data, std::size_t size, u8* out, std::size_t out_size, std::string& error);

} // namespace imaging
