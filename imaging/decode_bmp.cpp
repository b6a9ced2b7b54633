// Windows and OS/2 bitmaps: every header size from the 12-byte OS/2 core
// header to the 124-byte version 5 header; 1, 2, 4 and 8 bits through a
// colour table (of 3-byte entries in OS/2 core files, 4-byte ones otherwise);
// 16, 24 and 32 bits, with the default layouts or with bit fields; RLE8 and
// RLE4; and the JPEG or PNG that a bitmap may wrap. OS/2 Huffman and RLE24
// data and 64-bit pixels are refused.
//
// Qt's bitmap reader shifts bit fields to 8 bits instead of scaling them (a
// 10-bit channel loses its low bits, a 1-bit channel never reaches full
// brightness), reads OS/2 colour tables of 3-byte entries wrongly, and
// leaves the pixels of a file cut short or skipped by run-length escapes as
// they happened to be in memory. Here every channel is scaled to 0..255 by
// its mask's largest value, and every pixel gets a defined colour: the rows
// of an uncompressed bitmap that the file does not hold are transparent
// black, and pixels that run-length escapes skip have colour 0. Run-length
// data that ends before its end-of-bitmap escape is refused, as there is no
// telling where its pixels were meant to go.
#include "imaging/image_decoders.h"

#include <QBuffer>
#include <QImageReader>

#include <bit>
#include <vector>

namespace imaging {

namespace {

// OS/2 version 2 headers reuse these compression numbers for their own
// methods; Windows headers use them for bit fields, JPEG and PNG.
enum : std::uint32_t {
    Plain = 0,
    Rle8 = 1,
    Rle4 = 2,
    Bit_Fields = 3,
    Wrapped_Jpeg = 4,
    Wrapped_Png = 5,
    Alpha_Bit_Fields = 6
};

bool Is_Os2_V2_Header(std::uint32_t size) { return size == 16 || size == 64; }

bool Known_Header_Size(std::uint32_t size)
{
    return size == 12 || Is_Os2_V2_Header(size) || size == 40 || size == 52 || size == 56 ||
           size == 108 || size == 124;
}

// One channel's bit field: where it lies in a pixel and its largest value.
struct T_Channel {
    std::uint32_t Mask = 0;
    unsigned Shift = 0;
    std::uint64_t Max = 0;

    explicit T_Channel(std::uint32_t mask = 0) : Mask(mask)
    {
        Shift = mask ? static_cast<unsigned>(std::countr_zero(mask)) : 0;
        Max = mask >> Shift;
    }
    // The channel of a pixel scaled to 0..255, rounded to the nearest.
    u8 Value(std::uint32_t pixel) const
    {
        const std::uint64_t v = (pixel & Mask) >> Shift;
        return static_cast<u8>((v * 255 + Max / 2) / Max);
    }
};

// What the headers say about a bitmap.
struct T_Bitmap_Header {
    std::uint32_t Pixels_At = 0, Info_Size = 0, Compression = Plain, Colors_Used = 0;
    std::int64_t Width = 0, Height = 0;
    bool Top_Down = false, Core = false;
    unsigned Bits = 0;
    std::uint32_t Masks[4] = {}; // red, green, blue, alpha
};

bool Read_Header(const u8* data, std::size_t size, T_Bitmap_Header& h, std::string& error)
{
    T_Reader in(data, size);
    in.Skip(10);
    h.Pixels_At = in.U32_LE();
    h.Info_Size = in.U32_LE();
    h.Core = h.Info_Size == 12;
    std::int64_t stored_height = 0;
    if (h.Core) {
        h.Width = in.U16_LE(), stored_height = in.U16_LE();
    } else {
        h.Width = in.S32_LE(), stored_height = in.S32_LE();
    }
    in.Skip(2); // planes
    h.Bits = in.U16_LE();
    if (h.Info_Size >= 20)
        h.Compression = in.U32_LE();
    if (h.Info_Size >= 36)
        in.Seek(14 + 32), h.Colors_Used = in.U32_LE();
    if (in.Failed() || !Known_Header_Size(h.Info_Size))
        return Fail(error, "The bitmap's header is truncated or of an unknown size.");
    h.Top_Down = stored_height < 0;
    h.Height = h.Top_Down ? -stored_height : stored_height;
    if (Is_Os2_V2_Header(h.Info_Size) && (h.Compression == 3 || h.Compression == 4))
        return Fail(error, "The bitmap's OS/2 Huffman or RLE24 compression is not supported.");
    if (h.Bits == 16)
        h.Masks[0] = 0x7C00, h.Masks[1] = 0x03E0, h.Masks[2] = 0x001F;
    else if (h.Bits == 32)
        h.Masks[0] = 0xFF0000, h.Masks[1] = 0xFF00, h.Masks[2] = 0xFF;
    if (h.Compression == Bit_Fields || h.Compression == Alpha_Bit_Fields) {
        // Masks follow a 40-byte header, or are part of the longer ones.
        const unsigned count = h.Compression == Alpha_Bit_Fields || h.Info_Size >= 56 ? 4 : 3;
        in.Seek(14 + 40);
        for (unsigned i = 0; i < count; ++i)
            h.Masks[i] = in.U32_LE();
        if (in.Failed() || (h.Bits != 16 && h.Bits != 32))
            return Fail(error, "The bitmap's bit fields are missing or do not fit its depth.");
    }
    return true;
}

// The colour table: as many entries as the header says, at most as many as
// the depth allows and the bytes before the pixels hold; entries past it
// (indexes the file should not use) are opaque black.
std::vector<QRgb> Color_Table(const u8* data, std::size_t size, const T_Bitmap_Header& h)
{
    std::vector<QRgb> table(256, qRgb(0, 0, 0));
    if (h.Bits > 8)
        return table;
    const std::size_t entry = h.Core ? 3 : 4, most = std::size_t{1} << h.Bits;
    std::size_t at = 14 + std::size_t{h.Info_Size};
    if (h.Info_Size == 40 && (h.Compression == Bit_Fields || h.Compression == Alpha_Bit_Fields))
        at += h.Compression == Bit_Fields ? 12 : 16;
    const std::size_t end = std::min<std::size_t>(size, std::max<std::size_t>(h.Pixels_At, at));
    const std::size_t room = end > at ? (end - at) / entry : 0;
    const std::size_t count = std::min({h.Colors_Used ? h.Colors_Used : most, most, room});
    for (std::size_t i = 0; i < count; ++i) {
        const u8* bgr = data + at + i * entry;
        table[i] = qRgb(bgr[2], bgr[1], bgr[0]);
    }
    return table;
}

// The RGBA of pixel x of a stored row of the uncompressed layouts.
struct T_Row_Reader {
    const T_Bitmap_Header& H;
    const std::vector<QRgb>& Table;
    T_Channel Red, Green, Blue, Alpha;

    void Read(const u8* row, std::int64_t x, u8* p) const
    {
        if (H.Bits <= 8) {
            const std::size_t bit = static_cast<std::size_t>(x) * H.Bits;
            const unsigned index = (row[bit / 8] >> (8 - H.Bits - bit % 8)) & ((1u << H.Bits) - 1);
            const QRgb c = Table[index];
            p[0] = static_cast<u8>(qRed(c)), p[1] = static_cast<u8>(qGreen(c));
            p[2] = static_cast<u8>(qBlue(c)), p[3] = 255;
        } else if (H.Bits == 24) {
            const u8* s = row + 3 * x;
            p[0] = s[2], p[1] = s[1], p[2] = s[0], p[3] = 255;
        } else {
            const std::uint32_t v =
                H.Bits == 16 ? Get_U16_LE(row + 2 * x) : Get_U32_LE(row + 4 * x);
            p[0] = Red.Max ? Red.Value(v) : 0;
            p[1] = Green.Max ? Green.Value(v) : 0;
            p[2] = Blue.Max ? Blue.Value(v) : 0;
            p[3] = Alpha.Max ? Alpha.Value(v) : 255;
        }
    }
};

// Rows of stored pixels: those the file holds in full, bottom row first
// unless top-down; the rest stay transparent black.
bool Decode_Uncompressed(const u8* data, std::size_t size, const T_Bitmap_Header& h,
                         const T_Decode_Limits& limits, QImage& out, std::string& error)
{
    if (h.Bits != 1 && h.Bits != 2 && h.Bits != 4 && h.Bits != 8 && h.Bits != 16 && h.Bits != 24 &&
        h.Bits != 32)
        return Fail(error, "The bitmap has an unsupported depth (" + std::to_string(h.Bits) +
                               " bits a pixel).");
    if (h.Width <= 0)
        return Fail(error, "The bitmap has no pixels.");
    const std::uint64_t stride = (static_cast<std::uint64_t>(h.Width) * h.Bits + 31) / 32 * 4;
    const std::uint64_t used = (static_cast<std::uint64_t>(h.Width) * h.Bits + 7) / 8;
    const std::size_t available = h.Pixels_At < size ? size - h.Pixels_At : 0;
    // A file cut short shows the rows it holds, but needs at least one.
    if (!New_Image(out, h.Width, h.Height, QImage::Format_RGBA8888, limits, error, used, available))
        return false;
    out.fill(Qt::transparent);
    const std::vector<QRgb> table = Color_Table(data, size, h);
    // Without a mask for it, a channel is 0 (alpha: opaque).
    const T_Row_Reader reader{h,
                              table,
                              T_Channel(h.Masks[0]),
                              T_Channel(h.Masks[1]),
                              T_Channel(h.Masks[2]),
                              T_Channel(h.Masks[3])};
    for (std::int64_t y = 0; y < h.Height; ++y) {
        const std::uint64_t at = static_cast<std::uint64_t>(y) * stride;
        if (at + used > available)
            break;
        const u8* row = data + h.Pixels_At + at;
        for (std::int64_t x = 0; x < h.Width; ++x)
            reader.Read(row, x, Pixel(out, x, h.Top_Down ? y : h.Height - 1 - y));
    }
    return true;
}

// RLE8 and RLE4 into indexes (0 where escapes skip pixels), then colours.
bool Decode_Run_Length(const u8* data, std::size_t size, const T_Bitmap_Header& h,
                       const T_Decode_Limits& limits, QImage& out, std::string& error)
{
    const bool four = h.Compression == Rle4;
    if ((four && h.Bits != 4) || (!four && h.Bits != 8))
        return Fail(error, "The bitmap's run-length compression does not fit its depth.");
    if (h.Pixels_At > size)
        return Fail(error, "The bitmap's data lies outside the file.");
    // Each run of two bytes covers at most 255 pixels.
    if (!New_Image(out, h.Width, h.Height, QImage::Format_RGBA8888, limits, error, 2,
                   size - h.Pixels_At))
        return false;
    const std::int64_t w = h.Width, rows = h.Height;
    std::vector<u8> index(static_cast<std::size_t>(w * rows), 0);
    std::int64_t x = 0, y = 0; // y counts rows from the start of the data
    T_Reader in(data + h.Pixels_At, size - h.Pixels_At);
    while (y < rows) {
        if (!in.Has(2))
            return Fail(error, "The compressed bitmap data ends early.");
        const unsigned count = in.U8(), value = in.U8();
        if (count == 0 && value == 0) { // end of line
            x = 0, ++y;
        } else if (count == 0 && value == 1) { // end of bitmap
            break;
        } else if (count == 0 && value == 2) { // delta
            if (!in.Has(2))
                return Fail(error, "The compressed bitmap data ends early.");
            x += in.U8(), y += in.U8();
        } else { // a run of `count` pixels, or `value` pixels as they are, padded to 16 bits
            const std::size_t bytes = count ? 0 : four ? (value + 1) / 2 : value;
            if (!in.Has(bytes))
                return Fail(error, "The compressed bitmap data ends early.");
            for (unsigned i = 0; i < (count ? count : value) && x < w && y < rows; ++i) {
                const unsigned b = count ? value : in.Here()[four ? i / 2 : i];
                index[static_cast<std::size_t>(y * w + x++)] =
                    static_cast<u8>(four ? (i & 1 ? b & 15 : b >> 4) : b);
            }
            in.Skip(bytes + (bytes & 1));
        }
    }
    const std::vector<QRgb> table = Color_Table(data, size, h);
    for (std::int64_t row = 0; row < rows; ++row)
        for (std::int64_t col = 0; col < w; ++col) {
            const QRgb c = table[index[static_cast<std::size_t>(row * w + col)]];
            u8* p = Pixel(out, col, h.Top_Down ? row : rows - 1 - row);
            p[0] = static_cast<u8>(qRed(c)), p[1] = static_cast<u8>(qGreen(c));
            p[2] = static_cast<u8>(qBlue(c)), p[3] = 255;
        }
    return true;
}

// A JPEG or PNG stream that the bitmap wraps, read by its own reader.
bool Decode_Wrapped(const u8* data, std::size_t size, const T_Bitmap_Header& h,
                    const T_Decode_Limits& limits, QImage& out, std::string& error)
{
    if (h.Pixels_At >= size)
        return Fail(error, "The bitmap's data lies outside the file.");
    if (!Check_Raster_Size(h.Width, h.Height, limits, error))
        return false;
    QByteArray stream(reinterpret_cast<const char*>(data + h.Pixels_At),
                      static_cast<qsizetype>(size - h.Pixels_At));
    QBuffer buffer(&stream);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, h.Compression == Wrapped_Jpeg ? "jpeg" : "png");
    if (!reader.read(&out))
        return Fail(error, "The picture inside the bitmap cannot be read.");
    out.convertTo(QImage::Format_RGBA8888);
    return true;
}

} // namespace

bool Looks_Like_Bitmap(const u8* data, std::size_t size)
{
    return size >= 26 && data[0] == 'B' && data[1] == 'M' &&
           Known_Header_Size(Get_U32_LE(data + 14));
}

bool Decode_Bitmap(const T_Source& source, QImage& out, std::string& error)
{
    T_Bitmap_Header h;
    if (!Looks_Like_Bitmap(source.Data, source.Size))
        return Fail(error, "This is not a Windows bitmap.");
    if (!Read_Header(source.Data, source.Size, h, error))
        return false;
    switch (h.Compression) {
    case Plain:
    case Bit_Fields:
    case Alpha_Bit_Fields:
        return Decode_Uncompressed(source.Data, source.Size, h, source.Limits, out, error);
    case Rle8:
    case Rle4:
        return Decode_Run_Length(source.Data, source.Size, h, source.Limits, out, error);
    case Wrapped_Jpeg:
    case Wrapped_Png:
        return Decode_Wrapped(source.Data, source.Size, h, source.Limits, out, error);
    default:
        return Fail(error, "The bitmap's compression (" + std::to_string(h.Compression) +
                               ") is not supported.");
    }
}

} // namespace imaging
