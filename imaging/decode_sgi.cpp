// SGI image files: 1 to 4 channels (grey, grey and alpha, RGB, RGBA) of 8 or
// 16 bits, verbatim or run-length encoded. The obsolete dithered, screen and
// colour-map variants are refused.
#include "imaging/image_decoders.h"

#include <vector>

namespace imaging {

bool Looks_Like_Sgi(const u8* data, std::size_t size)
{
    return size >= 512 && Get_U16_BE(data) == 474 && data[2] <= 1 &&
           (data[3] == 1 || data[3] == 2) && Get_U16_BE(data + 4) >= 1 && Get_U16_BE(data + 4) <= 3;
}

bool Decode_Sgi(const T_Source& source, QImage& out, std::string& error)
{
    const u8* data = source.Data;
    const std::size_t size = source.Size;
    if (!Looks_Like_Sgi(data, size))
        return Fail(error, "This is not an SGI image file, or its header is invalid.");
    const unsigned storage = data[2], bpc = data[3], dimension = Get_U16_BE(data + 4);
    unsigned w = Get_U16_BE(data + 6), h = Get_U16_BE(data + 8), channels = Get_U16_BE(data + 10);
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
    if (!New_Image(out, w, h, QImage::Format_RGBA8888, source.Limits, error, min_bytes, size - 512))
        return false;
    std::vector<u8> unpacked(static_cast<std::size_t>(row_bytes));
    for (unsigned c = 0; c < used; ++c) {
        for (unsigned r = 0; r < h; ++r) {
            const std::uint64_t index = static_cast<std::uint64_t>(c) * h + r;
            // Verbatim rows lie one after the other, within the size checked above.
            const u8* row = storage ? unpacked.data() : data + 512 + index * row_bytes;
            if (storage) {
                // The row's offset and length come from the two tables after the header.
                std::uint64_t table = 512 + index * 4, lengths = 512 + rows * 4 + index * 4;
                if (lengths + 4 > size)
                    return Fail(error, "The SGI offset tables are truncated.");
                std::uint64_t start = Get_U32_BE(data + table), length = Get_U32_BE(data + lengths);
                if (start > size || length > size - start)
                    return Fail(error, "An SGI row lies outside the file.");
                T_Reader in(data + start, static_cast<std::size_t>(length));
                // A count of zero is the row's end mark; a row without one
                // ends with its data.
                auto packet = [bpc](T_Reader& packed) {
                    const unsigned header = bpc == 1 ? packed.U8() : packed.U16_BE();
                    return T_Packet{header & 0x7Fu, !(header & 0x80), (header & 0x7F) == 0};
                };
                if (Unpack_Runs(in, unpacked.data(), unpacked.size(), bpc, packet) < row_bytes)
                    return Fail(error, "An SGI row is shorter than the picture is wide.");
            }
            // Rows are stored bottom to top; 16-bit samples keep their high byte.
            for (unsigned x = 0; x < w; ++x) {
                const u8 v = row[static_cast<std::size_t>(x) * bpc];
                u8* p = Pixel(out, x, h - 1 - r);
                if (used > 2)
                    p[c] = v;
                else if (c == 0)
                    p[0] = p[1] = p[2] = v;
                else
                    p[3] = v;
            }
        }
    }
    return true;
}

} // namespace imaging
