// TIFF through libtiff's RGBA interface, the library's own rendering of
// every photometric layout (grey, palette, RGB, CMYK, YCbCr, CIE L*a*b*,
// LogLuv) at every sample depth, in strips or tiles, chunky or planar. Qt's
// TIFF reader refuses 16-bit RGB as corrupted or shows it garbled, and
// leaves parts of 16-bit planar strips undefined. The first page is read,
// turned upright by its orientation tag (any of the eight). Alpha comes out
// premultiplied, as the interface gives it. A file whose pixels libtiff
// cannot read in full is refused with libtiff's reason.
#include "imaging/image_decoders.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

// The file in memory as libtiff's client sees it, and the first error.
struct T_Tiff_Input {
    const u8* Data;
    std::size_t Size;
    std::uint64_t Position = 0;
    char Error[240] = "";
};

tmsize_t Read_Bytes(thandle_t handle, void* target, tmsize_t count)
{
    auto* input = static_cast<T_Tiff_Input*>(handle);
    if (count < 0 || input->Position >= input->Size)
        return 0;
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), input->Size - input->Position);
    std::memcpy(target, input->Data + input->Position, n);
    input->Position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t Refuse_Write(thandle_t, void*, tmsize_t) { return 0; }

toff_t Seek_To(thandle_t handle, toff_t offset, int whence)
{
    auto* input = static_cast<T_Tiff_Input*>(handle);
    const std::uint64_t base = whence == SEEK_CUR   ? input->Position
                               : whence == SEEK_END ? input->Size
                                                    : 0;
    input->Position = base + offset;
    return input->Position;
}

int Close_Nothing(thandle_t) { return 0; }
toff_t Size_Of(thandle_t handle) { return static_cast<T_Tiff_Input*>(handle)->Size; }

int Keep_First_Error(TIFF*, void* user_data, const char*, const char* format, va_list arguments)
{
    auto* input = static_cast<T_Tiff_Input*>(user_data);
    if (!input->Error[0])
        std::vsnprintf(input->Error, sizeof input->Error, format, arguments);
    return 1; // handled: nothing goes to the standard error stream
}

int Ignore_Warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* Open_In_Memory(T_Tiff_Input& input)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, Keep_First_Error, &input);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Ignore_Warning, &input);
    // Memory mapping is declined: the data already is in memory.
    TIFF* tiff = TIFFClientOpenExt("picture", "rm", &input, Read_Bytes, Refuse_Write, Seek_To,
                                   Close_Nothing, Size_Of, nullptr, nullptr, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

std::string Reason(const T_Tiff_Input& input, const char* fallback)
{
    return std::string("The TIFF file cannot be read: ") +
           (input.Error[0] ? input.Error : fallback);
}

} // namespace

bool Looks_Like_Tiff(const u8* data, std::size_t size)
{
    // Classic and BigTIFF, in either byte order.
    return size >= 8 &&
           ((data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) &&
             data[3] == 0) ||
            (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43)));
}

namespace {

// libtiff's RGBA interface flips a picture upright but does not turn it: of
// orientations 5 to 8 (rows stored as columns) it gives only the flip. Those
// are read as stored and turned here, as viewers and EXIF readers turn them.
bool Turned(std::uint16_t Orientation)
{
    return Orientation >= ORIENTATION_LEFTTOP && Orientation <= ORIENTATION_LEFTBOT;
}

// Where the shown pixel (X, Y) of a turned picture lies in the stored one of
// Width x Height: row and column, from the stored top left.
std::size_t Stored_Index(std::uint16_t Orientation, std::uint32_t X, std::uint32_t Y,
                         std::uint32_t Width, std::uint32_t Height)
{
    std::uint32_t row = X, column = Y; // 5: the first row is the left column
    if (Orientation == ORIENTATION_RIGHTTOP)
        row = Height - 1 - X;
    else if (Orientation == ORIENTATION_RIGHTBOT)
        row = Height - 1 - X, column = Width - 1 - Y;
    else if (Orientation == ORIENTATION_LEFTBOT)
        column = Width - 1 - Y;
    return static_cast<std::size_t>(row) * Width + column;
}

} // namespace

bool Decode_Tiff(const T_Source& source, QImage& out, std::string& error)
{
    T_Tiff_Input input{source.Data, source.Size};
    TIFF* tiff = Open_In_Memory(input);
    if (!tiff)
        return Fail(error, Reason(input, "its header is damaged."));
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    const bool turned = Turned(orientation);
    const std::uint32_t shown_width = turned ? height : width;
    const std::uint32_t shown_height = turned ? width : height;
    char message[1024] = "";
    bool ok = TIFFRGBAImageOK(tiff, message) ||
              Fail(error, std::string("The TIFF file cannot be read: ") + message);
    ok = ok && New_Image(out, shown_width, shown_height, QImage::Format_RGBA8888_Premultiplied,
                         source.Limits, error);
    std::vector<std::uint32_t> raster;
    if (ok) {
        raster.assign(static_cast<std::size_t>(width) * height, 0);
        // Asked for in its own orientation, a picture comes as stored.
        const int wanted = turned ? orientation : ORIENTATION_TOPLEFT;
        ok = TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), wanted, 1) ||
             Fail(error, Reason(input, "its pixels are damaged."));
    }
    TIFFClose(tiff);
    if (!ok)
        return false;
    bool opaque = true;
    for (std::uint32_t y = 0; y < shown_height; ++y) {
        u8* row = out.scanLine(static_cast<int>(y));
        for (std::uint32_t x = 0; x < shown_width; ++x) {
            const std::uint32_t abgr =
                raster[turned ? Stored_Index(orientation, x, y, width, height)
                              : static_cast<std::size_t>(y) * width + x];
            u8* p = row + 4 * x;
            p[0] = static_cast<u8>(TIFFGetR(abgr)), p[1] = static_cast<u8>(TIFFGetG(abgr));
            p[2] = static_cast<u8>(TIFFGetB(abgr)), p[3] = static_cast<u8>(TIFFGetA(abgr));
            opaque = opaque && p[3] == 255;
        }
    }
    if (opaque)
        out.reinterpretAsFormat(QImage::Format_RGBX8888);
    return true;
}

} // namespace imaging
