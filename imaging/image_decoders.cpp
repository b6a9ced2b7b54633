#include "image_decoders.h"

#include "decode_support.h"
#include "image_format_registry.h"

#include <cstring>
#include <fstream>

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

bool Fail(std::string& error, const std::string& text)
{
    error = text;
    return false;
}

bool Allocate_Raster(T_Raster& out, std::int64_t width, std::int64_t height, const T_Decode_Limits& limits,
                     std::string& error, std::uint64_t min_bytes, std::uint64_t available)
{
    out = T_Raster{};
    std::string size_text = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0)
        return Fail(error, "The picture has no pixels (" + size_text + ").");
    if (width > limits.Max_Side || height > limits.Max_Side ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > limits.Max_Pixels)
        return Fail(error, "The picture is too large to show (" + size_text + " pixels).");
    if (min_bytes > available)
        return Fail(error, "The file is too short for a picture of " + size_text + " pixels.");
    out.Width = static_cast<int>(width);
    out.Height = static_cast<int>(height);
    std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    out.Pixels.assign(count * 4, 0);
    for (std::size_t i = 3; i < out.Pixels.size(); i += 4)
        out.Pixels[i] = 255;
    return true;
}

void Update_Has_Alpha(T_Raster& raster)
{
    raster.Has_Alpha = false;
    for (std::size_t i = 3; i < raster.Pixels.size(); i += 4)
        if (raster.Pixels[i] != 255) {
            raster.Has_Alpha = true;
            return;
        }
}

void Put_Indexed_Pixel(T_Raster& raster, int x, int y, unsigned index, const u8* palette, unsigned palette_size)
{
    u8* p = raster.At(x, y);
    if (index < palette_size) {
        p[0] = palette[index * 3];
        p[1] = palette[index * 3 + 1];
        p[2] = palette[index * 3 + 2];
    } else {
        p[0] = p[1] = p[2] = 0;
    }
}

} // namespace imaging

using namespace imaging;

namespace {

bool Starts_With(const u8* data, std::size_t size, const char* text, std::size_t length)
{
    return size >= length && std::memcmp(data, text, length) == 0;
}

// Reads a whole file; refuses files above 2 GiB, which no supported picture
// within the raster limits needs.
bool Read_Whole_File(const std::string& path, std::vector<u8>& content, std::string& error)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return Fail(error, "Cannot open \"" + path + "\".");
    std::streamoff length = in.tellg();
    if (length < 0)
        return Fail(error, "Cannot read \"" + path + "\".");
    if (length == 0)
        return Fail(error, "The file \"" + path + "\" is empty.");
    if (length > (std::streamoff(1) << 31))
        return Fail(error, "The file \"" + path + "\" is too large to show.");
    content.resize(static_cast<std::size_t>(length));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(content.data()), length))
        return Fail(error, "Cannot read \"" + path + "\".");
    return true;
}

// The content of the Dr. Halo palette beside a picture ("x.pal" for "x.cut"),
// or empty when there is none.
std::string Side_Palette(const std::string& side_file)
{
    if (side_file.empty())
        return {};
    std::string ext = Extension_Of(side_file);
    std::string base = ext.empty() ? side_file : side_file.substr(0, side_file.size() - ext.size() - 1);
    for (const char* pal_ext : {".pal", ".PAL", ".Pal"}) {
        std::ifstream in(base + pal_ext, std::ios::binary);
        if (!in)
            continue;
        std::string text;
        char buffer[4096];
        // A palette is at most a few kilobytes; read no more than that.
        while (text.size() < 65536 && in.read(buffer, sizeof buffer), in.gcount() > 0)
            text.append(buffer, static_cast<std::size_t>(in.gcount()));
        return text;
    }
    return {};
}

// Content detection with an explicit fall-back: when a recognised decoder
// fails, the extension's decoder (if another) gets its turn, and the first
// error is kept when both fail.
bool Decode_Chosen(const u8* data, std::size_t size, const std::string& ext_source, const std::string& own_path,
                   T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    T_Image_Decoder by_content = Detect_Image_Decoder(data, size);
    std::vector<T_Image_Decoder> order;
    auto add = [&order](T_Image_Decoder d) {
        if (d == T_Image_Decoder::None)
            return;
        for (T_Image_Decoder seen : order)
            if (seen == d)
                return;
        order.push_back(d);
    };
    add(by_content);
    add(Decoder_For_Extension(Extension_Of(ext_source)));
    if (!own_path.empty())
        add(Decoder_For_Extension(Extension_Of(own_path)));
    if (order.empty())
        return Fail(error, "The picture's format is not recognised.");
    std::string first_error;
    for (T_Image_Decoder decoder : order) {
        std::string attempt_error;
        if (Decode_With(decoder, data, size, out, attempt_error, limits, own_path))
            return true;
        if (first_error.empty())
            first_error = attempt_error;
    }
    out = T_Raster{};
    error = first_error;
    return false;
}

} // namespace

T_Image_Decoder Detect_Image_Decoder(const u8* data, std::size_t size)
{
    if (!data || size < 4)
        return T_Image_Decoder::None;
    if (Starts_With(data, size, "\x89PNG\r\n\x1a\n", 8))
        return T_Image_Decoder::Png;
    if (Starts_With(data, size, "\xFF\xD8\xFF", 3))
        return T_Image_Decoder::Jpeg;
    if (Starts_With(data, size, "GIF87a", 6) || Starts_With(data, size, "GIF89a", 6))
        return T_Image_Decoder::Gif;
    if (Starts_With(data, size, "II*\0", 4) || Starts_With(data, size, "MM\0*", 4) ||
        Starts_With(data, size, "II+\0", 4) || Starts_With(data, size, "MM\0+", 4))
        return T_Image_Decoder::Tiff;
    if (Starts_With(data, size, "\xC5\xD0\xD3\xC6", 4) || Starts_With(data, size, "%!PS-Adobe", 10))
        return T_Image_Decoder::Eps;
    if (Starts_With(data, size, "8BPS", 4))
        return T_Image_Decoder::Psd;
    if (Starts_With(data, size, "Paint Shop Pro Image File\n\x1a", 27))
        return T_Image_Decoder::Psp;
    if (Looks_Like_Bmp(data, size))
        return T_Image_Decoder::Bmp;
    if (Looks_Like_Metafile(data, size))
        return T_Image_Decoder::Metafile;
    if (Looks_Like_Ico(data, size))
        return T_Image_Decoder::Ico;
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

T_Image_Decoder Decoder_For_Extension(const std::string& extension)
{
    std::string wanted = Normalized_Extension(extension);
    for (const auto& format : Image_Format_Registry())
        if (format.Extension == wanted)
            return format.Decoder;
    return T_Image_Decoder::None;
}

std::string Extension_Of(const std::string& path)
{
    std::size_t start = path.find_last_of("/\\:");
    start = start == std::string::npos ? 0 : start + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start)
        return {};
    return path.substr(dot + 1);
}

bool Decode_With(T_Image_Decoder decoder, const u8* data, std::size_t size, T_Raster& out, std::string& error,
                 const T_Decode_Limits& limits, const std::string& side_file)
{
    out = T_Raster{};
    if (!data || size == 0)
        return Fail(error, "The file is empty.");
    bool ok = false;
    switch (decoder) {
    case T_Image_Decoder::None: return Fail(error, "The picture's format is not recognised.");
    case T_Image_Decoder::Bmp: ok = Decode_Bmp(data, size, out, error, limits); break;
    case T_Image_Decoder::Ico: ok = Decode_Ico(data, size, out, error, limits); break;
    case T_Image_Decoder::Metafile: ok = Decode_Metafile(data, size, out, error, limits); break;
    case T_Image_Decoder::Jpeg: ok = Decode_Jpeg(data, size, out, error, limits); break;
    case T_Image_Decoder::Targa: ok = Decode_Targa(data, size, out, error, limits); break;
    case T_Image_Decoder::Tiff: ok = Decode_Tiff(data, size, out, error, limits); break;
    case T_Image_Decoder::Eps: ok = Decode_Eps(data, size, out, error, limits); break;
    case T_Image_Decoder::Pcx: ok = Decode_Pcx(data, size, out, error, limits); break;
    case T_Image_Decoder::Rla: ok = Decode_Rla(data, size, out, error, limits); break;
    case T_Image_Decoder::Sgi: ok = Decode_Sgi(data, size, out, error, limits); break;
    case T_Image_Decoder::Psd: ok = Decode_Psd(data, size, out, error, limits); break;
    case T_Image_Decoder::Autodesk: ok = Decode_Autodesk(data, size, out, error, limits); break;
    case T_Image_Decoder::Pcd: ok = Decode_Pcd(data, size, out, error, limits); break;
    case T_Image_Decoder::Gif: ok = Decode_Gif(data, size, out, error, limits); break;
    case T_Image_Decoder::Cut: ok = Decode_Cut(data, size, Side_Palette(side_file), out, error, limits); break;
    case T_Image_Decoder::Psp: ok = Decode_Psp(data, size, out, error, limits); break;
    case T_Image_Decoder::Png: ok = Decode_Png(data, size, out, error, limits); break;
    }
    if (!ok)
        out = T_Raster{};
    return ok;
}

bool Decode_Image_Buffer(const u8* data, std::size_t size, const std::string& hint, T_Raster& out,
                         std::string& error, const T_Decode_Limits& limits)
{
    out = T_Raster{};
    if (!data || size == 0)
        return Fail(error, "The file is empty.");
    std::string ext_source = hint;
    if (!hint.empty() && Extension_Of(hint).empty())
        ext_source = "." + hint; // a bare extension such as "tga"
    return Decode_Chosen(data, size, ext_source, {}, out, error, limits);
}

bool Decode_Image_File(const std::string& path, const std::string& hint_path, T_Raster& out, std::string& error,
                       const T_Decode_Limits& limits)
{
    out = T_Raster{};
    std::vector<u8> content;
    if (!Read_Whole_File(path, content, error))
        return false;
    std::string ext_source = hint_path.empty() ? path : hint_path;
    if (!hint_path.empty() && Extension_Of(hint_path).empty())
        ext_source = "." + hint_path;
    if (Decode_Chosen(content.data(), content.size(), ext_source, path, out, error, limits))
        return true;
    error = "Cannot show \"" + path + "\": " + error;
    return false;
}
