// Paint Shop Pro images: the first raster layer, placed on the canvas at its
// rectangle, with its transparency mask. Format versions 3 (Paint Shop Pro 5)
// and 4 and later (6 onwards) differ in their block headers and in the size
// words in front of each chunk. Channels may be raw, run-length encoded or
// deflated; 1-, 4- and 8-bit palette pictures, 8-bit grey and 24-bit colour
// are read. Vector, adjustment and group layers are skipped, and only the
// first raster layer is shown, not a composition of all layers.
#include "imaging/image_decoders.h"

#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr unsigned Image_Block = 0, Palette_Block = 2, Layer_Bank_Block = 3, Layer_Block = 4,
                   Channel_Block = 5;

struct T_Block {
    unsigned Id = 0;
    std::size_t Data = 0; // start of the block's contents
    std::size_t End = 0;
    std::size_t Initial = 0; // version 3: length of the initial chunk
};

// Reads the block header at `pos`; false at the end or on a broken header.
bool Read_Block(const u8* data, std::size_t size, std::size_t pos, unsigned major, T_Block& block)
{
    T_Reader in(data, size);
    in.Seek(pos);
    if (!in.Has(4) || std::memcmp(in.Here(), "~BK\0", 4) != 0 || !in.Skip(4))
        return false;
    block.Id = in.U16_LE();
    block.Initial = major <= 3 ? in.U32_LE() : 0;
    std::uint32_t total = in.U32_LE();
    if (in.Failed() || total > in.Left())
        return false;
    block.Data = in.Pos();
    block.End = in.Pos() + total;
    return true;
}

// What the blocks before the layers say about the picture.
struct T_Picture {
    unsigned Major = 0;
    std::size_t Chunk_Skip = 0; // the chunk size word of version 4 and later
    std::int64_t Width = 0, Height = 0;
    unsigned Compression = 0, Depth = 0;
    bool Have_Header = false, Grey = false;
    u8 Palette[768] = {}; // RGB; the entries a file leaves out are black
    T_Block Bank;         // the first layer bank; none while its End is 0
};

// Reads the image header, the palette and where the layer bank lies.
void Read_Picture_Blocks(const u8* data, std::size_t size, T_Picture& picture)
{
    T_Block block;
    for (std::size_t pos = 36; Read_Block(data, size, pos, picture.Major, block); pos = block.End) {
        T_Reader in(data, block.End);
        in.Seek(block.Data + picture.Chunk_Skip);
        if (block.Id == Image_Block) {
            picture.Width = in.S32_LE();
            picture.Height = in.S32_LE();
            in.Skip(9); // resolution and its unit
            picture.Compression = in.U16_LE();
            picture.Depth = in.U16_LE();
            in.Skip(6); // plane and colour counts
            picture.Grey = in.U8() != 0;
            picture.Have_Header = !in.Failed();
        } else if (block.Id == Palette_Block) {
            const std::uint32_t count = in.U32_LE();
            for (std::uint32_t i = 0; i < count && i < 256 && in.Has(4); ++i, in.Skip(4))
                for (int c = 0; c < 3; ++c)
                    picture.Palette[i * 3 + c] = in.Here()[2 - c]; // stored blue first
        } else if (block.Id == Layer_Bank_Block && picture.Bank.End == 0) {
            picture.Bank = block;
        }
    }
}

// Unpacks a channel into exactly `out_size` bytes.
bool Unpack_Channel(unsigned compression, const u8* data, std::size_t size, u8* out,
                    std::size_t out_size, std::string& error)
{
    if (compression == 2)
        return Inflate_Zlib(data, size, out, out_size, error);
    // Run-length: a count above 128 repeats the next byte count - 128 times,
    // any other count copies that many bytes.
    T_Reader in(data, size);
    const std::size_t filled =
        compression == 0 ? (in.Bytes(out, out_size) ? out_size : 0)
                         : Unpack_Runs(in, out, out_size, 1, [](T_Reader& packed) {
                               const unsigned count = packed.U8();
                               return T_Packet{count > 128 ? count - 128 : count, count > 128};
                           });
    return filled == out_size || Fail(error, "A Paint Shop Pro channel is truncated.");
}

// Puts an unpacked channel of a layer, `stride` bytes a row, onto the
// canvas: 8-bit samples into byte `target` of each pixel (0 red, 1 green,
// 2 blue, 3 alpha), or with no target the palette indexes or grey levels of
// the picture's depth.
void Place_Channel(QImage& out, const T_Picture& picture, const QRect& layer, const u8* plane,
                   std::uint64_t stride, int target = -1)
{
    const unsigned depth = target >= 0 ? 8 : picture.Depth, most = (1u << depth) - 1;
    const QRect visible = layer & out.rect();
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        const u8* row = plane + stride * static_cast<std::uint64_t>(y - layer.top());
        for (int x = visible.left(); x <= visible.right(); ++x) {
            const std::uint64_t bit = static_cast<std::uint64_t>(x - layer.left()) * depth;
            const unsigned v = (row[bit / 8] >> (8 - depth - bit % 8)) & most;
            u8* p = Pixel(out, x, y);
            if (target >= 0)
                p[target] = static_cast<u8>(v);
            else if (picture.Grey)
                p[0] = p[1] = p[2] = static_cast<u8>(v * 255 / most);
            else
                std::memcpy(p, picture.Palette + v * 3, 3);
        }
    }
}

// Reads the channels of a layer block onto the canvas; `found` tells whether
// the layer had any.
bool Read_Layer(const u8* data, const T_Block& block, const T_Picture& picture, QImage& out,
                bool& found, std::string& error)
{
    const unsigned major = picture.Major;
    T_Reader in(data, block.End);
    in.Seek(block.Data + picture.Chunk_Skip);
    in.Skip(major >= 4 ? in.U16_LE() : 256); // the name
    in.U8();                                 // the layer type
    const std::int64_t left = in.S32_LE(), top = in.S32_LE(), right = in.S32_LE(),
                       bottom = in.S32_LE();
    if (in.Failed())
        return Fail(error, "A Paint Shop Pro layer header is truncated.");
    // The channels follow the layer's information chunks.
    std::size_t sub = block.Data + block.Initial;
    unsigned channels = 0;
    if (major <= 3) {
        if (block.Initial < 4 || sub > block.End)
            return Fail(error, "A Paint Shop Pro layer header is corrupt.");
        channels = Get_U16_LE(data + sub - 2);
    } else {
        sub = block.Data + Get_U32_LE(data + block.Data);
        if (sub < block.Data + 4 || sub + 8 > block.End)
            return Fail(error, "A Paint Shop Pro layer header is corrupt.");
        const std::uint32_t bitmap_info = Get_U32_LE(data + sub);
        channels = Get_U16_LE(data + sub + 6);
        if (bitmap_info < 8 || bitmap_info > block.End - sub)
            return Fail(error, "A Paint Shop Pro layer header is corrupt.");
        sub += bitmap_info;
    }
    found = channels != 0;
    if (!found)
        return true;
    const std::int64_t lw = right - left, lh = bottom - top;
    if (lw <= 0 || lh <= 0 || lw > picture.Width * 2 + 65536 || lh > picture.Height * 2 + 65536)
        return Fail(error, "A Paint Shop Pro layer has an invalid rectangle.");
    // The layer covers its rectangle, as far as a mask channel lets it.
    const QRect layer(static_cast<int>(left), static_cast<int>(top), static_cast<int>(lw),
                      static_cast<int>(lh));
    const QRect visible = layer & out.rect();
    for (int y = visible.top(); y <= visible.bottom(); ++y)
        for (int x = visible.left(); x <= visible.right(); ++x)
            Pixel(out, x, y)[3] = 255;
    const std::uint64_t row_bytes =
        (static_cast<std::uint64_t>(lw) * (picture.Depth == 24 ? 8 : picture.Depth) + 7) / 8;
    std::vector<u8> plane;
    T_Block channel;
    for (std::size_t at = sub; at < block.End && Read_Block(data, block.End, at, major, channel);
         at = channel.End) {
        if (channel.Id != Channel_Block)
            continue;
        T_Reader ch(data, channel.End);
        ch.Seek(channel.Data + picture.Chunk_Skip);
        const std::uint32_t packed = ch.U32_LE(), unpacked = ch.U32_LE();
        const unsigned bitmap_type = ch.U16_LE(), channel_type = ch.U16_LE();
        if (ch.Failed())
            return Fail(error, "A Paint Shop Pro channel header is corrupt.");
        const std::size_t start =
            channel.Data + (major <= 3 ? channel.Initial : Get_U32_LE(data + channel.Data));
        // Rows are as long as the uncompressed size says, at least the
        // bytes of the layer's width. Deflate, the stronger of the two
        // compressions, expands at most 1032 times.
        const std::uint64_t stride = unpacked / static_cast<std::uint64_t>(lh);
        if (start > channel.End || packed > channel.End - start)
            return Fail(error, "A Paint Shop Pro channel header is corrupt.");
        if (stride < row_bytes || stride > row_bytes + 4)
            return Fail(error, "A Paint Shop Pro channel has the wrong size for its layer.");
        if (unpacked / 1032 > packed)
            return Fail(error, "A Paint Shop Pro channel is larger than its data can hold.");
        plane.assign(static_cast<std::size_t>(stride * lh), 0);
        if (!Unpack_Channel(picture.Compression, data + start, packed, plane.data(), plane.size(),
                            error))
            return false;
        // A transparency mask of 8 bits a pixel, or colours: the indexes or
        // grey levels, or one of the three channels of a 24-bit picture.
        if (bitmap_type == 1 && stride >= static_cast<std::uint64_t>(lw))
            Place_Channel(out, picture, layer, plane.data(), stride, 3);
        else if (bitmap_type == 0 && picture.Depth < 24)
            Place_Channel(out, picture, layer, plane.data(), stride);
        else if (bitmap_type == 0 && channel_type >= 1 && channel_type <= 3)
            Place_Channel(out, picture, layer, plane.data(), stride, int(channel_type) - 1);
    }
    return true;
}

} // namespace

bool Looks_Like_Psp(const u8* data, std::size_t size)
{
    return size >= 27 && std::memcmp(data, "Paint Shop Pro Image File\n\x1a", 27) == 0;
}

bool Decode_Psp(const T_Source& source, QImage& out, std::string& error)
{
    const u8* data = source.Data;
    if (source.Size < 36 || !Looks_Like_Psp(data, source.Size))
        return Fail(error, "This is not a Paint Shop Pro file.");
    T_Picture picture;
    picture.Major = Get_U16_LE(data + 32);
    if (picture.Major < 3)
        return Fail(error,
                    "Paint Shop Pro files before version 5 of the program are not supported.");
    picture.Chunk_Skip = picture.Major >= 4 ? 4 : 0;
    Read_Picture_Blocks(data, source.Size, picture);
    if (!picture.Have_Header)
        return Fail(error, "The Paint Shop Pro file has no image header.");
    if (picture.Compression > 2)
        return Fail(error, "This Paint Shop Pro compression is not supported.");
    const unsigned depth = picture.Depth;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return Fail(error, "Paint Shop Pro pictures of " + std::to_string(depth) +
                               " bits are not supported.");
    if (picture.Bank.End == 0)
        return Fail(error, "The Paint Shop Pro file has no layers.");
    const std::int64_t w = picture.Width, h = picture.Height;
    const std::uint64_t pixels = static_cast<std::uint64_t>(w > 0 ? w : 0) * (h > 0 ? h : 0);
    if (!New_Image(out, w, h, QImage::Format_RGBA8888, source.Limits, error,
                   picture.Compression ? Min_Bytes(pixels, 1032) : 0, source.Size))
        return false;
    out.fill(Qt::transparent); // only the layer's rectangle is covered

    // The first layer that has channels.
    T_Block block;
    for (std::size_t pos = picture.Bank.Data;
         pos < picture.Bank.End && Read_Block(data, picture.Bank.End, pos, picture.Major, block);
         pos = block.End) {
        bool found = false;
        if (block.Id == Layer_Block && !Read_Layer(data, block, picture, out, found, error))
            return false;
        if (found)
            return true;
    }
    return Fail(error, "The Paint Shop Pro file has no raster layer.");
}

} // namespace imaging
