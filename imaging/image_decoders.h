// The program's own decoders: the formats that Qt's image readers do not
// know, or know only in part (Targa, bitmaps), and, where the reference
// libraries are built in (VARNOLT_REFERENCE_DECODERS), PNG through libpng
// and TIFF through libtiff, whose Qt readers leave some pixels undefined.
// The image plugin (image_plugin.cpp) puts them behind Qt's QImageReader.
//
// Every decoder works on a byte buffer that is fully in memory and checks
// each length, offset and dimension against that buffer before it reads or
// allocates, so a truncated, corrupt or hostile file ends in a returned error
// text, never in a crash or a runaway allocation.
#pragma once

#ifndef VARNOLT_REFERENCE_DECODERS
#define VARNOLT_REFERENCE_DECODERS 0 // set by the build where libpng and libtiff are used
#endif

#include <QImage>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

class QIODevice;

// Which decoder reads a format. Several extensions share one decoder.
enum class T_Image_Decoder {
    None,
    Metafile, // wmf, emf
    Targa,    // tga, win, vst, vda, icb
    Eps,      // eps: its TIFF or WMF preview
    Pcx,      // pcx, pcc, scr
    Rla,      // rla, rpf
    Sgi,      // sgi, rgb, rgba, bw
    Psd,      // psd, pdd
    Autodesk, // cel, pic
    Pcd,      // pcd
    Cut,      // cut
    Psp,      // psp
    Bitmap,   // bmp, rle, dib
    // Only where the reference libraries are built in; these stay last.
    Png,  // png, through libpng
    Tiff, // tif, tiff, fax, through libtiff's RGBA interface
};

// The size a picture's header declares, filled in by a decoder before it
// allocates (see T_Decode_Limits::Declared).
struct T_Declared_Size {
    std::int64_t Width = 0, Height = 0;
    bool Known = false;
};

// Limits that every decoder applies before it allocates the picture.
//
// The default admits pictures of up to 16384 x 16384 pixels (1 GiB of RGBA)
// and any side up to 65535 as long as the area stays within that bound; the
// fuzz targets pass a much smaller area so that the fuzzer's memory limit
// measures leaks, not legitimately large pictures.
struct T_Decode_Limits {
    std::uint64_t Max_Pixels = 16384ull * 16384ull;
    int Max_Side = 65535;
    // Edge and pixel steps a metafile may take to draw (a few seconds' work);
    // past it the drawing is refused as too complex.
    std::uint64_t Max_Draw_Work = 400'000'000;
    // When set, receives the size the header declares. With Max_Pixels 0 a
    // decode then stops right there: that is how a picture's size is read
    // without decoding it.
    T_Declared_Size* Declared = nullptr;
};

// The decoder that recognises the data by its signature, or None. Formats
// without a reliable signature (Targa without its footer, Dr. Halo, the
// Alias/Wavefront format) are never recognised here, only by name.
T_Image_Decoder Detect_Image_Decoder(const std::uint8_t* data, std::size_t size);

// The decoder of a format name: the reader names of the format registry
// ("targa", "pcx", "metafile", ...) and the registered extensions of these
// formats (except "tga", which Qt's own reader claims first); None for others.
T_Image_Decoder Decoder_For_Format(const std::string& name);

// The reader name of a decoder, as the format registry lists it ("targa",
// "pcx", ...); empty for None.
std::string Format_Of_Decoder(T_Image_Decoder decoder);

// The decoder whose signature the content at the device's position has, or
// None. The device's position does not move.
T_Image_Decoder Detect_Image_Decoder(QIODevice* device);

// Decodes the bytes of a whole file with a decoder. Content with the
// signature of another of the program's formats is decoded as that format.
// `palette` is the content of the Dr. Halo palette file beside the picture,
// or empty. On failure `out` is null and `error` says why.
bool Decode_Picture(const QByteArray& data, T_Image_Decoder decoder, const std::string& palette,
                    const T_Decode_Limits& limits, QImage& out, std::string& error);

// The name of the dynamic property that a failed read of the image plugin
// sets on its device: the decoder's reason, which QImageReader has no way to
// pass on.
constexpr const char* Image_Error_Property = "varnolt_image_error";

// Shared by the decoders: bounds-checked reading of a byte buffer, the one
// place where a picture's size is checked, and the decoder entry points.
namespace imaging {

using u8 = std::uint8_t;

// Reads integers from a buffer. Reading past the end never touches memory
// outside the buffer: it yields zero and sets Failed, which stays set, so a
// parser may read a whole header and check once.
class T_Reader {
public:
    T_Reader(const u8* data, std::size_t size) : Data(data), Size(size) {}

    std::size_t Pos() const { return Position; }
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
        const std::uint32_t lo = U16_LE();
        return lo | std::uint32_t{U16_LE()} << 16;
    }
    std::uint32_t U32_BE()
    {
        const std::uint32_t hi = U16_BE();
        return (hi << 16) | U16_BE();
    }
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
inline std::uint16_t Get_U16_LE(const u8* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint16_t Get_U16_BE(const u8* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t Get_U32_LE(const u8* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}
inline std::uint32_t Get_U32_BE(const u8* p)
{
    return (std::uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Sets the error text and returns false, so that a parser can write
// `return Fail(error, "...")`.
inline bool Fail(std::string& error, const std::string& text) { return error = text, false; }

// Checks a picture size against the limits and records it as the declared
// size (T_Decode_Limits::Declared). `min_bytes` is the least number of input
// bytes that can describe a picture of this size in the format at hand (its
// best possible compression), and `available` the bytes the file has for it:
// a header that claims more than its data can hold is refused before
// anything is allocated.
bool Check_Raster_Size(std::int64_t width, std::int64_t height, const T_Decode_Limits& limits,
                       std::string& error, std::uint64_t min_bytes = 0,
                       std::uint64_t available = 0);

// Creates `out` as a width x height picture after Check_Raster_Size: in
// Format_RGBA8888 opaque black, in Format_Indexed8 all index 0 with a colour
// table of 256 entries that are black until the decoder sets them, so that
// any index a file holds has a colour.
bool New_Image(QImage& out, std::int64_t width, std::int64_t height, QImage::Format format,
               const T_Decode_Limits& limits, std::string& error, std::uint64_t min_bytes = 0,
               std::uint64_t available = 0);

// The RGBA bytes of pixel (x, y) of a Format_RGBA8888 picture; no range check.
inline u8* Pixel(QImage& image, std::int64_t x, std::int64_t y)
{
    return image.scanLine(static_cast<int>(y)) + 4 * x;
}

// The least input size for `pixels` pixels at a best compression ratio of
// `per` pixels a byte, rounded up.
inline std::uint64_t Min_Bytes(std::uint64_t pixels, std::uint64_t per)
{
    return (pixels + per - 1) / per;
}

// Marks a Format_RGBA8888 picture opaque (Format_RGBX8888) when every alpha
// byte is 255, or, with `empty_is_opaque`, when every one is 0: many writers
// leave an alpha channel they do not use at zero.
void Settle_Alpha(QImage& image, bool empty_is_opaque);

// One packet of run-length data: `Count` units that repeat the one unit
// after the packet's header (a run) or follow it (a literal), or the end mark.
struct T_Packet {
    std::size_t Count = 0;
    bool Run = false;
    bool End = false;
};

// Unpacks run-length data of `unit`-byte units into `out_size` bytes, with
// `next` reading each packet's header. Units past `out_size` are passed
// over, as far as the input has them. Returns the bytes filled: fewer than
// `out_size` when the data ends at its end mark, or when the input runs out
// (then `in` has Failed).
template <class F>
std::size_t Unpack_Runs(T_Reader& in, u8* out, std::size_t out_size, std::size_t unit, F next)
{
    std::size_t filled = 0;
    while (filled < out_size) {
        const T_Packet packet = next(in);
        const std::size_t count = std::min(packet.Count * unit, out_size - filled);
        const u8* from = in.Here();
        if (in.Failed() || packet.End || !in.Skip(packet.Run ? unit : count))
            break;
        for (std::size_t i = 0; i < count; ++i)
            out[filled++] = from[packet.Run ? i % unit : i];
        if (!packet.Run)
            in.Skip(std::min(packet.Count * unit - count, in.Left()));
    }
    return filled;
}

// Inflates a zlib stream into `out`, which must have exactly the expected
// size; fails when the stream is corrupt or yields fewer bytes. More bytes
// than expected are ignored.
bool Inflate_Zlib(const u8* data, std::size_t size, u8* out, std::size_t out_size,
                  std::string& error);

// One complete file in memory, and what its decoder may use.
struct T_Source {
    const u8* Data;
    std::size_t Size;
    const T_Decode_Limits& Limits;
    const std::string& Palette; // the Dr. Halo palette file beside the picture, or empty
};

// The decoders, each on one complete file in memory: a picture in `out`,
// else the reason in `error`.
bool Decode_Targa(const T_Source& source, QImage& out, std::string& error);
bool Decode_Pcx(const T_Source& source, QImage& out, std::string& error);
bool Decode_Rla(const T_Source& source, QImage& out, std::string& error);
bool Decode_Sgi(const T_Source& source, QImage& out, std::string& error);
bool Decode_Psd(const T_Source& source, QImage& out, std::string& error);
bool Decode_Autodesk(const T_Source& source, QImage& out, std::string& error);
bool Decode_Pcd(const T_Source& source, QImage& out, std::string& error);
bool Decode_Cut(const T_Source& source, QImage& out, std::string& error);
bool Decode_Psp(const T_Source& source, QImage& out, std::string& error);
bool Decode_Bitmap(const T_Source& source, QImage& out, std::string& error);
#if VARNOLT_REFERENCE_DECODERS
bool Decode_Png(const T_Source& source, QImage& out, std::string& error);
bool Decode_Tiff(const T_Source& source, QImage& out, std::string& error);
#endif
bool Decode_Eps(const T_Source& source, QImage& out, std::string& error);
// Draws a Windows metafile or enhanced metafile onto a white picture.
bool Draw_Metafile(const T_Source& source, QImage& out, std::string& error);

// Signature checks used by the content detection.
bool Looks_Like_Metafile(const u8* data, std::size_t size);
bool Looks_Like_Targa(const u8* data, std::size_t size);
bool Looks_Like_Pcx(const u8* data, std::size_t size);
bool Looks_Like_Sgi(const u8* data, std::size_t size);
bool Looks_Like_Psd(const u8* data, std::size_t size);
bool Looks_Like_Psp(const u8* data, std::size_t size);
bool Looks_Like_Eps(const u8* data, std::size_t size);
bool Looks_Like_Autodesk(const u8* data, std::size_t size);
bool Looks_Like_Pcd(const u8* data, std::size_t size);
bool Looks_Like_Bitmap(const u8* data, std::size_t size);
#if VARNOLT_REFERENCE_DECODERS
bool Looks_Like_Png(const u8* data, std::size_t size);
bool Looks_Like_Tiff(const u8* data, std::size_t size);
#endif

} // namespace imaging
