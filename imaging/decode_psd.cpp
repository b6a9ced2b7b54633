// Photoshop documents (and the large-document variant): the composite image
// that follows the layers, raw or PackBits, in bitmap, greyscale, duotone,
// indexed, RGB, CMYK, multichannel and Lab modes at 1, 8, 16 or 32 bits.
// Layers themselves are not composed: the stored composite is what Photoshop
// itself shows as the flattened picture.
#include "imaging/image_decoders.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

u8 Clamp_Byte(double v) { return static_cast<u8>(v <= 0 ? 0 : v >= 255 ? 255 : std::lround(v)); }

// CIE L*a*b* (D50 white) to sRGB.
void Lab_To_Rgb(u8 l8, u8 a8, u8 b8, u8* p)
{
    double L = l8 * 100.0 / 255.0, a = a8 - 128.0, b = b8 - 128.0;
    double fy = (L + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
    auto finv = [](double t) {
        return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29);
    };
    double X = 0.9642 * finv(fx), Y = finv(fy), Z = 0.8249 * finv(fz);
    double r = 3.1339 * X - 1.6169 * Y - 0.4906 * Z;
    double g = -0.9785 * X + 1.9160 * Y + 0.0333 * Z;
    double bl = 0.0720 * X - 0.2290 * Y + 1.4057 * Z;
    auto gamma = [](double c) {
        c = c < 0 ? 0 : c > 1 ? 1 : c;
        return 255 * (c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055);
    };
    p[0] = Clamp_Byte(gamma(r)), p[1] = Clamp_Byte(gamma(g)), p[2] = Clamp_Byte(gamma(bl));
}

// PackBits: a count n from 0 to 127 copies n + 1 bytes, one from -127 to -1
// repeats the next byte 1 - n times, and -128 does nothing.
T_Packet Pack_Bits(T_Reader& in)
{
    const int n = static_cast<std::int8_t>(in.U8());
    return n >= 0 ? T_Packet{std::size_t(n) + 1, false}
                  : T_Packet{n == -128 ? 0u : std::size_t(1 - n), n != -128};
}

} // namespace

bool Looks_Like_Psd(const u8* data, std::size_t size)
{
    return size >= 4 && std::memcmp(data, "8BPS", 4) == 0;
}

bool Decode_Psd(const T_Source& source, QImage& out, std::string& error)
{
    T_Reader in(source.Data, source.Size);
    if (source.Size < 26 || !Looks_Like_Psd(source.Data, source.Size))
        return Fail(error, "This is not a Photoshop file.");
    in.Skip(4);
    unsigned version = in.U16_BE();
    if (version != 1 && version != 2)
        return Fail(error, "The Photoshop file has an unknown version.");
    const bool large = version == 2;
    in.Skip(6);
    unsigned channels = in.U16_BE();
    std::uint32_t h = in.U32_BE(), w = in.U32_BE();
    unsigned depth = in.U16_BE(), mode = in.U16_BE();
    if (channels < 1 || channels > 56)
        return Fail(error, "The Photoshop file has an invalid number of channels.");
    if (depth != 1 && depth != 8 && depth != 16 && depth != 32)
        return Fail(error, "The Photoshop file has an unsupported depth (" + std::to_string(depth) +
                               " bits).");
    if (depth == 1 && mode != 0)
        return Fail(error, "The Photoshop file's depth does not match its colour mode.");
    // Colour mode data: the palette of indexed pictures.
    std::uint32_t mode_length = in.U32_BE();
    const u8* mode_data = in.Here();
    if (!in.Skip(mode_length))
        return Fail(error, "The Photoshop file is truncated.");
    u8 palette[768] = {};
    if (mode == 2) {
        if (mode_length < 768)
            return Fail(error, "The indexed Photoshop file has no palette.");
        for (int i = 0; i < 256; ++i)
            palette[i * 3] = mode_data[i], palette[i * 3 + 1] = mode_data[256 + i],
                        palette[i * 3 + 2] = mode_data[512 + i];
    }
    // Image resources, then layer and mask information: skipped.
    in.Skip(in.U32_BE());
    std::uint64_t layers_length =
        large ? (static_cast<std::uint64_t>(in.U32_BE()) << 32 | in.U32_BE()) : in.U32_BE();
    in.Skip(layers_length);
    unsigned compression = in.U16_BE();
    if (in.Failed())
        return Fail(error, "The Photoshop file is truncated before its composite image.");
    if (compression > 1)
        return Fail(error, "The Photoshop composite image uses an unsupported compression.");
    const unsigned bytes = depth == 1 ? 1 : depth / 8;
    const std::uint64_t row_bytes = depth == 1 ? (static_cast<std::uint64_t>(w) + 7) / 8
                                               : static_cast<std::uint64_t>(w) * bytes;
    const std::uint64_t rows = static_cast<std::uint64_t>(h) * channels;
    const unsigned count_size = large ? 4 : 2;
    // PackBits turns two bytes into at most 128.
    std::uint64_t min_bytes =
        compression ? rows * count_size + Min_Bytes(rows * row_bytes, 64) : rows * row_bytes;
    if (!New_Image(out, w, h, QImage::Format_RGBA8888, source.Limits, error, min_bytes, in.Left()))
        return false;

    // The channels each hold a full plane, one after the other.
    unsigned needed = mode == 3 || mode == 9 ? 3 : mode == 4 ? 4 : 1;
    if (channels < needed)
        return Fail(error, "The Photoshop file has too few channels for its colour mode.");
    unsigned used = std::min(channels, needed + 1); // the first extra channel is the transparency
    // Each channel is reduced to one byte per pixel as it is read, so a deep
    // picture needs no more memory than an 8-bit one.
    const std::size_t plane_size = static_cast<std::size_t>(w) * h;
    std::vector<std::vector<u8>> planes(used, std::vector<u8>(plane_size));
    // PackBits rows: a table of their lengths comes first.
    const u8* lengths = in.Here();
    if (compression && !in.Skip(rows * count_size))
        return Fail(error, "The Photoshop row table is truncated.");
    std::vector<u8> row(static_cast<std::size_t>(row_bytes));
    for (unsigned c = 0; c < used; ++c) {
        for (std::uint32_t r = 0; r < h; ++r) {
            // The next row starts where the table says, whatever this one used.
            const std::size_t i = static_cast<std::size_t>(c) * h + r;
            const std::uint64_t length = !compression ? row.size()
                                         : large      ? Get_U32_BE(lengths + 4 * i)
                                                      : Get_U16_BE(lengths + 2 * i);
            T_Reader stored(in.Here(),
                            static_cast<std::size_t>(std::min<std::uint64_t>(length, in.Left())));
            const std::size_t filled =
                !compression ? (stored.Bytes(row.data(), row.size()) ? row.size() : 0)
                             : Unpack_Runs(stored, row.data(), row.size(), 1, Pack_Bits);
            if (!in.Skip(length) || filled < row.size())
                return Fail(error, "The Photoshop composite image is truncated or corrupt.");
            u8* target = planes[c].data() + static_cast<std::size_t>(w) * r;
            for (std::uint32_t x = 0; x < w; ++x) {
                if (depth == 1) { // bitmap mode: 1 is black
                    target[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
                } else if (depth == 32) {
                    std::uint32_t bits = Get_U32_BE(row.data() + x * 4);
                    float f;
                    std::memcpy(&f, &bits, 4);
                    target[x] = Clamp_Byte(std::isnan(f) ? 0 : f * 255.0);
                } else {
                    target[x] = row[static_cast<std::size_t>(x) * bytes]; // 16-bit: the high byte
                }
            }
        }
    }
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(w) * y + x;
            auto sample = [&](unsigned c) { return planes[c][i]; };
            u8* p = Pixel(out, x, y);
            if (mode == 2)
                std::memcpy(p, palette + sample(0) * 3, 3);
            else if (mode == 9)
                Lab_To_Rgb(sample(0), sample(1), sample(2), p);
            else // RGB, CMYK (stored as 255 - ink: the key darkens), or one grey channel
                for (unsigned c = 0; c < 3; ++c)
                    p[c] = static_cast<u8>(needed == 1   ? sample(0)
                                           : needed == 4 ? sample(c) * sample(3) / 255
                                                         : sample(c));
            if (used > needed && mode != 0 && mode != 2)
                p[3] = sample(needed);
        }
    }
    return true;
}

} // namespace imaging
