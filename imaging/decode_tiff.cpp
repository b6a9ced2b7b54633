// TIFF through libtiff, from memory: the first page, in every photometric
// interpretation and compression that libtiff's RGBA interface reads
// (uncompressed, PackBits, LZW, Deflate, JPEG, CCITT Group 3 and 4 faxes, ...).
// libtiff is used because fax compression and the many tag combinations of
// real files are a large, well-tested body of code not worth redoing.
#include "decode_support.h"

#include <tiffio.h>

#include <cstring>

namespace imaging {

namespace {

struct T_Memory_File {
    const u8* Data;
    std::size_t Size;
    std::size_t Pos = 0;
};

tmsize_t Read_Proc(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<T_Memory_File*>(h);
    if (n <= 0 || f->Pos >= f->Size)
        return 0;
    std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), f->Size - f->Pos);
    std::memcpy(buf, f->Data + f->Pos, count);
    f->Pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t Write_Proc(thandle_t, void*, tmsize_t) { return -1; }

toff_t Seek_Proc(thandle_t h, toff_t off, int whence)
{
    auto* f = static_cast<T_Memory_File*>(h);
    std::uint64_t base = whence == SEEK_CUR ? f->Pos : whence == SEEK_END ? f->Size : 0;
    std::uint64_t target = base + off;
    if (target < base) // wrapped: a negative move past the start
        return static_cast<toff_t>(-1);
    // libtiff may seek past the end and then read nothing; that is harmless.
    f->Pos = static_cast<std::size_t>(std::min<std::uint64_t>(target, f->Size));
    return target;
}

int Close_Proc(thandle_t) { return 0; }
toff_t Size_Proc(thandle_t h) { return static_cast<T_Memory_File*>(h)->Size; }

int On_Error(TIFF*, void* user, const char*, const char* format, va_list args)
{
    auto* text = static_cast<std::string*>(user);
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    if (text->empty())
        *text = buffer;
    return 1;
}

int On_Warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

} // namespace

bool Decode_Tiff(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    std::string libtiff_error;
    T_Memory_File file{data, size};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, On_Error, &libtiff_error);
    TIFFOpenOptionsSetWarningHandlerExtR(options, On_Warning, nullptr);
    // No single buffer of libtiff's needs more than the largest raster.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(std::min<std::uint64_t>(
                                                     limits.Max_Pixels * 8 + 65536, std::uint64_t(1) << 31)));
    // "m": no memory mapping; the buffer is read through the procedures.
    TIFF* tiff = TIFFClientOpenExt("picture", "rm", &file, Read_Proc, Write_Proc, Seek_Proc, Close_Proc, Size_Proc,
                                   nullptr, nullptr, options);
    TIFFOpenOptionsFree(options);
    if (!tiff)
        return Fail(error, "The TIFF file is invalid" + (libtiff_error.empty() ? "." : " (" + libtiff_error + ")."));
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff, message)) {
        TIFFClose(tiff);
        return Fail(error, std::string("This TIFF variant is not supported (") + message + ").");
    }
    // CCITT Group 4 can describe a blank row in a single bit.
    std::uint64_t pixels = static_cast<std::uint64_t>(w) * h;
    if (!Allocate_Raster(out, w, h, limits, error, Min_Bytes(pixels, 1u << 16), size)) {
        TIFFClose(tiff);
        return false;
    }
    // libtiff writes packed 32-bit ABGR values; the raster's buffer holds them
    // and they are unpacked in place to bytes below.
    auto* packed = reinterpret_cast<std::uint32_t*>(out.Pixels.data());
    int ok = TIFFReadRGBAImageOriented(tiff, w, h, packed, ORIENTATION_TOPLEFT, 1);
    TIFFClose(tiff);
    if (!ok) {
        out = T_Raster{};
        return Fail(error,
                    "The TIFF picture data is corrupt" + (libtiff_error.empty() ? "." : " (" + libtiff_error + ")."));
    }
    for (std::size_t i = 0; i < out.Pixels.size(); i += 4) {
        std::uint32_t v;
        std::memcpy(&v, &out.Pixels[i], 4);
        out.Pixels[i] = static_cast<u8>(TIFFGetR(v));
        out.Pixels[i + 1] = static_cast<u8>(TIFFGetG(v));
        out.Pixels[i + 2] = static_cast<u8>(TIFFGetB(v));
        out.Pixels[i + 3] = static_cast<u8>(TIFFGetA(v));
    }
    Update_Has_Alpha(out);
    return true;
}

} // namespace imaging
