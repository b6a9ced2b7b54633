// Paint Shop Pro images: the first raster layer, placed on the canvas at its
// rectangle, with its transparency mask. Format versions 3 (Paint Shop Pro 5)
// and 4 and later (6 onwards) differ in their block headers and in the size
// words in front of each chunk. Channels may be raw, run-length encoded or
// deflated; 1-, 4- and 8-bit palette pictures, 8-bit grey and 24-bit colour
// are read. Vector, adjustment and group layers are skipped, and only the
// first raster layer is shown, not a composition of all layers.
#include "image_decoders.h"

#include <array>
#include <cstring>

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
    u8 magic[4] = {};
    in.Bytes(magic, 4);
    if (in.Failed() || std::memcmp(magic, "~BK\0", 4) != 0)
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

// Unpacks a channel into exactly `out_size` bytes.
bool Unpack_Channel(unsigned compression, const u8* data, std::size_t size, u8* out,
                    std::size_t out_size, std::string& error)
{
    if (compression == 0) {
        if (size < out_size)
            return Fail(error, "A Paint Shop Pro channel is truncated.");
        std::memcpy(out, data, out_size);
        return true;
    }
    if (compression == 2)
        return Inflate_Zlib(data, size, out, out_size, error);
    // Run-length: a count above 128 repeats the next byte count - 128 times,
    // any other count copies that many bytes.
    T_Reader in(data, size);
    std::size_t filled = 0;
    while (filled < out_size) {
        unsigned count = in.U8();
        if (in.Failed())
            return Fail(error, "A Paint Shop Pro channel is truncated.");
        if (count > 128) {
            u8 v = in.U8();
            std::size_t n = std::min<std::size_t>(count - 128, out_size - filled);
            std::memset(out + filled, v, n);
            filled += n;
        } else {
            std::size_t n = std::min<std::size_t>(count, out_size - filled);
            if (!in.Bytes(out + filled, n))
                return Fail(error, "A Paint Shop Pro channel is truncated.");
            filled += n;
            in.Skip(count - n);
        }
    }
    return true;
}

} // namespace

bool Decode_Psp(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                const T_Decode_Limits& limits)
{
    if (size < 36 || std::memcmp(data, "Paint Shop Pro Image File\n\x1a", 27) != 0)
        return Fail(error, "This is not a Paint Shop Pro file.");
    const unsigned major = Get_U16_LE(data + 32);
    if (major < 3)
        return Fail(error,
                    "Paint Shop Pro files before version 5 of the program are not supported.");
    const std::size_t chunk_skip = major >= 4 ? 4 : 0; // the chunk size word of version 4 and later

    std::int64_t width = 0, height = 0;
    unsigned compression = 0, depth = 0;
    bool have_header = false, grey = false;
    std::array<u8, 768> palette{};
    unsigned palette_size = 0;
    std::size_t pos = 36;
    T_Block block;
    T_Block bank{};
    bool have_bank = false;
    while (Read_Block(data, size, pos, major, block)) {
        T_Reader in(data, block.End);
        in.Seek(block.Data + chunk_skip);
        if (block.Id == Image_Block) {
            width = in.S32_LE();
            height = in.S32_LE();
            in.Skip(9); // resolution and its unit
            compression = in.U16_LE();
            depth = in.U16_LE();
            in.U16_LE();
            in.U32_LE();
            grey = in.U8() != 0;
            have_header = !in.Failed();
        } else if (block.Id == Palette_Block) {
            std::uint32_t count = in.U32_LE();
            for (std::uint32_t i = 0; i < count && i < 256; ++i) {
                u8 b = in.U8(), g = in.U8(), r = in.U8();
                in.U8();
                if (in.Failed())
                    break;
                palette[i * 3] = r, palette[i * 3 + 1] = g, palette[i * 3 + 2] = b;
                palette_size = i + 1;
            }
        } else if (block.Id == Layer_Bank_Block && !have_bank) {
            bank = block;
            have_bank = true;
        }
        pos = block.End;
    }
    if (!have_header)
        return Fail(error, "The Paint Shop Pro file has no image header.");
    if (compression > 2)
        return Fail(error, "This Paint Shop Pro compression is not supported.");
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return Fail(error, "Paint Shop Pro pictures of " + std::to_string(depth) +
                               " bits are not supported.");
    if (!have_bank)
        return Fail(error, "The Paint Shop Pro file has no layers.");
    // Deflate, the stronger of the two compressions, expands at most 1032 times.
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(width > 0 ? width : 0) * (height > 0 ? height : 0);
    if (!Allocate_Raster(out, width, height, limits, error,
                         compression ? Min_Bytes(pixels, 1032) : 0, size))
        return false;
    for (std::size_t i = 0; i < out.Pixels.size(); i += 4)
        out.Pixels[i + 3] = 0; // only the layer's rectangle is covered
    const bool indexed = depth < 24 && !grey;

    // The first layer that has channels.
    pos = bank.Data;
    while (pos < bank.End && Read_Block(data, bank.End, pos, major, block)) {
        pos = block.End;
        if (block.Id != Layer_Block)
            continue;
        T_Reader in(data, block.End);
        in.Seek(block.Data + chunk_skip);
        if (major >= 4)
            in.Skip(in.U16_LE()); // the name
        else
            in.Skip(256);
        in.U8(); // layer type
        std::int32_t left = in.S32_LE(), top = in.S32_LE(), right = in.S32_LE(),
                     bottom = in.S32_LE();
        if (in.Failed())
            return Fail(error, "A Paint Shop Pro layer header is truncated.");
        // The channels follow the layer's information chunks.
        std::size_t sub;
        unsigned channels = 0;
        if (major <= 3) {
            sub = block.Data + block.Initial;
            if (block.Initial < 4 || sub > block.End)
                return Fail(error, "A Paint Shop Pro layer header is corrupt.");
            channels = Get_U16_LE(data + sub - 2);
        } else {
            std::uint32_t info = Get_U32_LE(data + block.Data);
            sub = block.Data + info;
            if (info < 4 || sub + 8 > block.End)
                return Fail(error, "A Paint Shop Pro layer header is corrupt.");
            std::uint32_t bitmap_info = Get_U32_LE(data + sub);
            channels = Get_U16_LE(data + sub + 6);
            if (bitmap_info < 8 || bitmap_info > block.End - sub)
                return Fail(error, "A Paint Shop Pro layer header is corrupt.");
            sub += bitmap_info;
        }
        if (channels == 0)
            continue;
        const std::int64_t lw = std::int64_t(right) - left, lh = std::int64_t(bottom) - top;
        if (lw <= 0 || lh <= 0 || lw > width * 2 + 65536 || lh > height * 2 + 65536)
            return Fail(error, "A Paint Shop Pro layer has an invalid rectangle.");
        const std::uint64_t row_bits = static_cast<std::uint64_t>(lw) * (depth == 24 ? 8 : depth);
        std::vector<u8> plane, mask;
        T_Block channel;
        for (std::size_t at = sub;
             at < block.End && Read_Block(data, block.End, at, major, channel); at = channel.End) {
            if (channel.Id != Channel_Block)
                continue;
            T_Reader ch(data, channel.End);
            ch.Seek(channel.Data + chunk_skip);
            std::uint32_t packed = ch.U32_LE(), unpacked = ch.U32_LE();
            unsigned bitmap_type = ch.U16_LE(), channel_type = ch.U16_LE();
            std::size_t start = major <= 3 ? channel.Data + channel.Initial : ch.Pos();
            if (major >= 4)
                start = channel.Data + Get_U32_LE(data + channel.Data);
            if (ch.Failed() || start > channel.End || packed > channel.End - start)
                return Fail(error, "A Paint Shop Pro channel header is corrupt.");
            // Rows are as long as the uncompressed size says, at least the
            // bytes of the layer's width.
            std::uint64_t stride = unpacked / static_cast<std::uint64_t>(lh);
            if (stride < (row_bits + 7) / 8 || stride > (row_bits + 7) / 8 + 4)
                return Fail(error, "A Paint Shop Pro channel has the wrong size for its layer.");
            plane.assign(static_cast<std::size_t>(stride * lh), 0);
            if (!Unpack_Channel(compression, data + start, packed, plane.data(), plane.size(),
                                error))
                return false;
            if (bitmap_type == 1 &&
                stride >= static_cast<std::uint64_t>(lw)) { // transparency mask, 8 bits
                mask.assign(static_cast<std::size_t>(lw * lh), 255);
                for (std::int64_t y = 0; y < lh; ++y)
                    std::memcpy(mask.data() + lw * y, plane.data() + stride * y,
                                static_cast<std::size_t>(lw));
                continue;
            }
            if (bitmap_type != 0)
                continue;
            for (std::int64_t y = 0; y < lh; ++y) {
                std::int64_t cy = top + y;
                if (cy < 0 || cy >= height)
                    continue;
                const u8* row = plane.data() + stride * y;
                for (std::int64_t x = 0; x < lw; ++x) {
                    std::int64_t cx = left + x;
                    if (cx < 0 || cx >= width)
                        continue;
                    u8* p = out.At(static_cast<int>(cx), static_cast<int>(cy));
                    if (depth == 24) {
                        if (channel_type >= 1 && channel_type <= 3)
                            p[channel_type - 1] = row[x];
                    } else {
                        std::uint64_t bit = static_cast<std::uint64_t>(x) * depth;
                        unsigned v = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
                        if (indexed)
                            Put_Indexed_Pixel(out, static_cast<int>(cx), static_cast<int>(cy), v,
                                              palette.data(), palette_size);
                        else
                            p[0] = p[1] = p[2] = static_cast<u8>(v * 255 / ((1u << depth) - 1));
                    }
                }
            }
        }
        // The layer covers its rectangle, as far as its mask lets it.
        for (std::int64_t y = std::max<std::int64_t>(0, top);
             y < std::min<std::int64_t>(height, top + lh); ++y)
            for (std::int64_t x = std::max<std::int64_t>(0, left);
                 x < std::min<std::int64_t>(width, left + lw); ++x)
                out.At(static_cast<int>(x), static_cast<int>(y))[3] =
                    mask.empty() ? 255
                                 : mask[static_cast<std::size_t>((y - top) * lw + (x - left))];
        Update_Has_Alpha(out);
        return true;
    }
    return Fail(error, "The Paint Shop Pro file has no raster layer.");
}

} // namespace imaging
