// SGI image files: 1 to 4 channels (grey, grey and alpha, RGB, RGBA) of 8 or
// 16 bits, verbatim or run-length encoded. The obsolete dithered, screen and
// colour-map variants are refused.
#include "image_decoders.h"

namespace imaging {

bool Looks_Like_Sgi(const u8* data, std::size_t size)
{
    return size >= 512 && Get_U16_BE(data) == 474 && data[2] <= 1 &&
           (data[3] == 1 || data[3] == 2) && Get_U16_BE(data + 4) >= 1 && Get_U16_BE(data + 4) <= 3;
}

bool Decode_Sgi(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                const T_Decode_Limits& limits)
{
    if (size < 512 || Get_U16_BE(data) != 474)
        return Fail(error, "This is not an SGI image file.");
    const unsigned storage = data[2], bpc = data[3], dimension = Get_U16_BE(data + 4);
    unsigned w = Get_U16_BE(data + 6), h = Get_U16_BE(data + 8), channels = Get_U16_BE(data + 10);
    if (storage > 1 || (bpc != 1 && bpc != 2) || dimension < 1 || dimension > 3)
        return Fail(error, "The SGI header is invalid.");
    if (Get_U32_BE(data + 104) != 0)
        return Fail(error, "This obsolete SGI colour-map variant is not supported.");
    if (dimension == 1)
        h = 1;
    if (dimension < 3)
        channels = 1;
    if (channels == 0)
        return Fail(error, "The SGI file has no channels.");
    const unsigned used = std::min(channels, 4u);
    const std::uint64_t row_bytes = static_cast<std::uint64_t>(w) * bpc;
    const std::uint64_t rows = static_cast<std::uint64_t>(h) * channels;
    // An RLE row is at least one run and an end mark, plus 8 table bytes.
    std::uint64_t min_bytes = storage ? rows * (8 + 2 * bpc) : rows * row_bytes;
    if (!Allocate_Raster(out, w, h, limits, error, min_bytes, size - 512))
        return false;
    std::vector<u8> row(static_cast<std::size_t>(row_bytes));
    for (unsigned c = 0; c < used; ++c) {
        for (unsigned r = 0; r < h; ++r) {
            const std::uint64_t index = static_cast<std::uint64_t>(c) * h + r;
            if (!storage) {
                std::uint64_t start = 512 + index * row_bytes;
                if (start + row_bytes > size)
                    return Fail(error, "The SGI picture data is truncated.");
                std::copy(data + start, data + start + row_bytes, row.begin());
            } else {
                // The row's offset and length come from the two tables after the header.
                std::uint64_t table = 512 + index * 4, lengths = 512 + rows * 4 + index * 4;
                if (lengths + 4 > size)
                    return Fail(error, "The SGI offset tables are truncated.");
                std::uint64_t start = Get_U32_BE(data + table), length = Get_U32_BE(data + lengths);
                if (start > size || length > size - start)
                    return Fail(error, "An SGI row lies outside the file.");
                T_Reader in(data + start, static_cast<std::size_t>(length));
                std::size_t filled = 0;
                for (;;) {
                    unsigned packet = bpc == 1 ? in.U8() : in.U16_BE();
                    if (in.Failed())
                        break; // a row without end mark ends with its data
                    unsigned count = packet & 0x7F;
                    if (count == 0)
                        break;
                    if (filled + static_cast<std::size_t>(count) * bpc > row.size())
                        return Fail(error,
                                    "An SGI row holds more pixels than the picture is wide.");
                    if (packet & 0x80) {
                        if (!in.Bytes(row.data() + filled, static_cast<std::size_t>(count) * bpc))
                            return Fail(error, "The SGI picture data is truncated.");
                        filled += static_cast<std::size_t>(count) * bpc;
                    } else {
                        u8 hi = in.U8(), lo = bpc == 2 ? in.U8() : 0;
                        if (in.Failed())
                            return Fail(error, "The SGI picture data is truncated.");
                        for (unsigned i = 0; i < count; ++i) {
                            row[filled++] = hi;
                            if (bpc == 2)
                                row[filled++] = lo;
                        }
                    }
                }
                if (filled < row.size())
                    return Fail(error, "An SGI row is shorter than the picture is wide.");
            }
            // Rows are stored bottom to top; 16-bit samples keep their high byte.
            int y = static_cast<int>(h - 1 - r);
            for (unsigned x = 0; x < w; ++x) {
                u8 v = row[static_cast<std::size_t>(x) * bpc];
                u8* p = out.At(static_cast<int>(x), y);
                if (used <= 2) {
                    if (c == 0)
                        p[0] = p[1] = p[2] = v;
                    else
                        p[3] = v;
                } else {
                    p[c] = v;
                }
            }
        }
    }
    Update_Has_Alpha(out);
    return true;
}

} // namespace imaging
