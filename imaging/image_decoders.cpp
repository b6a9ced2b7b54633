#include "image_decoders.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <zlib.h>

namespace imaging {

bool T_Reader::Bytes(u8* target, std::size_t count)
{
    if (!Has(count)) {
        Fail = true;
        Position = Size;
        return false;
    }
    if (count)
        std::memcpy(target, Data + Position, count);
    Position += count;
    return true;
}

bool Check_Raster_Size(std::int64_t width, std::int64_t height, const T_Decode_Limits& limits,
                       std::string& error, std::uint64_t min_bytes, std::uint64_t available)
{
    std::string size_text = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0)
        return Fail(error, "The picture has no pixels (" + size_text + ").");
    if (limits.Declared)
        *limits.Declared = {width, height, true};
    if (width > limits.Max_Side || height > limits.Max_Side ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > limits.Max_Pixels)
        return Fail(error, "The picture is too large to show (" + size_text + " pixels).");
    if (min_bytes > available)
        return Fail(error, "The file is too short for a picture of " + size_text + " pixels.");
    return true;
}

bool Allocate_Raster(T_Raster& out, std::int64_t width, std::int64_t height,
                     const T_Decode_Limits& limits, std::string& error, std::uint64_t min_bytes,
                     std::uint64_t available)
{
    out = T_Raster{};
    if (!Check_Raster_Size(width, height, limits, error, min_bytes, available))
        return false;
    out.Width = static_cast<int>(width);
    out.Height = static_cast<int>(height);
    out.Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    for (std::size_t i = 3; i < out.Pixels.size(); i += 4)
        out.Pixels[i] = 255;
    return true;
}

void Update_Has_Alpha(T_Raster& raster)
{
    raster.Has_Alpha = false;
    for (std::size_t i = 3; i < raster.Pixels.size() && !raster.Has_Alpha; i += 4)
        raster.Has_Alpha = raster.Pixels[i] != 255;
}

void Put_Indexed_Pixel(T_Raster& raster, int x, int y, unsigned index, const u8* palette,
                       unsigned palette_size)
{
    u8* p = raster.At(x, y);
    for (unsigned c = 0; c < 3; ++c)
        p[c] = index < palette_size ? palette[index * 3 + c] : 0;
}

bool Inflate_Zlib(const u8* data, std::size_t size, u8* out, std::size_t out_size,
                  std::string& error)
{
    // zlib counts in 32 bits: files are read up to 2 GiB, channels are smaller.
    if (size > 0xFFFFFFFFu || out_size > 0xFFFFFFFFu)
        return Fail(error, "The compressed picture data is too large.");
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return Fail(error, "The decompressor could not start.");
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(out_size);
    const int status = inflate(&stream, Z_FINISH);
    const std::size_t done = out_size - stream.avail_out;
    inflateEnd(&stream);
    if (status != Z_STREAM_END && status != Z_BUF_ERROR && status != Z_OK)
        return Fail(error, "The compressed picture data is corrupt.");
    if (done < out_size)
        return Fail(error, "The compressed picture data ends early.");
    return true;
}

} // namespace imaging

using namespace imaging;

T_Image_Decoder Detect_Image_Decoder(const u8* data, std::size_t size)
{
    if (!data || size < 4)
        return T_Image_Decoder::None;
    auto Starts_With = [](const u8* d, std::size_t n, const char* text, std::size_t length) {
        return n >= length && std::memcmp(d, text, length) == 0;
    };
    if (Starts_With(data, size, "\xC5\xD0\xD3\xC6", 4) || Starts_With(data, size, "%!PS-Adobe", 10))
        return T_Image_Decoder::Eps;
    if (Starts_With(data, size, "8BPS", 4))
        return T_Image_Decoder::Psd;
    if (Starts_With(data, size, "Paint Shop Pro Image File\n\x1a", 27))
        return T_Image_Decoder::Psp;
    if (Looks_Like_Rle_Bitmap(data, size))
        return T_Image_Decoder::Rle_Bitmap;
    if (Looks_Like_Metafile(data, size))
        return T_Image_Decoder::Metafile;
    if (Looks_Like_Sgi(data, size))
        return T_Image_Decoder::Sgi;
    if (Looks_Like_Pcd(data, size))
        return T_Image_Decoder::Pcd;
    if (Looks_Like_Autodesk(data, size))
        return T_Image_Decoder::Autodesk;
    if (Looks_Like_Targa(data, size))
        return T_Image_Decoder::Targa;
    if (Looks_Like_Pcx(data, size))
        return T_Image_Decoder::Pcx;
    return T_Image_Decoder::None;
}

namespace {

// Reader names first (Format_Of_Decoder takes the first name of a decoder),
// then the registered extensions of the same formats.
const std::pair<const char*, T_Image_Decoder> Decoder_Names[] = {
    {"metafile", T_Image_Decoder::Metafile}, {"targa", T_Image_Decoder::Targa},
    {"eps", T_Image_Decoder::Eps},           {"pcx", T_Image_Decoder::Pcx},
    {"rla", T_Image_Decoder::Rla},           {"sgi", T_Image_Decoder::Sgi},
    {"psd", T_Image_Decoder::Psd},           {"autodesk", T_Image_Decoder::Autodesk},
    {"pcd", T_Image_Decoder::Pcd},           {"cut", T_Image_Decoder::Cut},
    {"psp", T_Image_Decoder::Psp},           {"rlebmp", T_Image_Decoder::Rle_Bitmap},
    {"wmf", T_Image_Decoder::Metafile},      {"emf", T_Image_Decoder::Metafile},
    {"win", T_Image_Decoder::Targa},         {"vst", T_Image_Decoder::Targa},
    {"vda", T_Image_Decoder::Targa},         {"icb", T_Image_Decoder::Targa},
    {"pcc", T_Image_Decoder::Pcx},           {"scr", T_Image_Decoder::Pcx},
    {"rpf", T_Image_Decoder::Rla},           {"rgb", T_Image_Decoder::Sgi},
    {"rgba", T_Image_Decoder::Sgi},          {"bw", T_Image_Decoder::Sgi},
    {"pdd", T_Image_Decoder::Psd},           {"cel", T_Image_Decoder::Autodesk},
    {"pic", T_Image_Decoder::Autodesk},
};

} // namespace

T_Image_Decoder Decoder_For_Format(const std::string& name)
{
    for (const auto& [known, decoder] : Decoder_Names)
        if (name == known)
            return decoder;
    return T_Image_Decoder::None;
}

std::string Format_Of_Decoder(T_Image_Decoder decoder)
{
    for (const auto& [known, each] : Decoder_Names)
        if (each == decoder)
            return known;
    return {};
}
