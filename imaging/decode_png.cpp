// PNG through libpng, the format's reference library. Qt's PNG reader leaves
// the pixels of 16-bit RGB pictures with a transparent colour (tRNS)
// undefined; here libpng expands every layout to RGBA itself: palettes and
// low-depth grey to 8 bits, the transparent colour or palette alpha to an
// alpha channel, grey to RGB. 16-bit samples stay 16-bit (Format_RGBA64),
// as Qt keeps them. No gamma or colour correction is applied: the samples
// are shown as stored, as Qt shows them. A file that ends or breaks before
// its last row is refused.
#include "imaging/image_decoders.h"
#include "imaging/png_checks.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

// The input, and the first error libpng reported.
struct T_Png_Input {
    const u8* Data;
    std::size_t Size;
    std::size_t Position = 0;
    char Error[200] = "The PNG file is damaged.";
};

void Read_From_Memory(png_structp png, png_bytep target, png_size_t count)
{
    auto* input = static_cast<T_Png_Input*>(png_get_io_ptr(png));
    if (count > input->Size - input->Position)
        png_error(png, "The PNG file ends early.");
    std::memcpy(target, input->Data + input->Position, count);
    input->Position += count;
}

void On_Error(png_structp png, png_const_charp message)
{
    auto* input = static_cast<T_Png_Input*>(png_get_error_ptr(png));
    std::snprintf(input->Error, sizeof input->Error, "%s", message);
    png_longjmp(png, 1);
}

void On_Warning(png_structp, png_const_charp) {}

// The picture's layout after the expansions below.
struct T_Png_Layout {
    png_uint_32 Width = 0, Height = 0;
    bool Deep = false; // 16 bits a sample
};

// Reads the header and sets up the expansion to RGBA. Only plain data lives
// in the functions that libpng may leave by a long jump.
bool Read_Png_Header(png_structp png, png_infop info, T_Png_Layout& layout)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    const int type = png_get_color_type(png, info);
    layout.Width = png_get_image_width(png, info);
    layout.Height = png_get_image_height(png, info);
    layout.Deep = png_get_bit_depth(png, info) == 16;
    png_set_expand(png); // palette, grey below 8 bits, tRNS to alpha
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(type & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_add_alpha(png, layout.Deep ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
    if (layout.Deep && Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
        png_set_swap(png); // QImage keeps 16-bit samples in the machine's order
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool Read_Png_Rows(png_structp png, png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

} // namespace

bool Looks_Like_Png(const u8* data, std::size_t size)
{
    return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

bool Decode_Png(const T_Source& source, QImage& out, std::string& error)
{
    T_Png_Input input{source.Data, source.Size};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, On_Error, On_Warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Fail(error, "There is not enough memory to read the PNG file.");
    }
    png_set_read_fn(png, &input, Read_From_Memory);
    // The picture's size is checked against the limits, not libpng's own.
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    Skip_Stream_Checksum(png);
    T_Png_Layout layout;
    bool ok = Read_Png_Header(png, info, layout);
    if (ok)
        ok = New_Image(out, layout.Width, layout.Height,
                       layout.Deep ? QImage::Format_RGBA64 : QImage::Format_RGBA8888, source.Limits,
                       error);
    else
        error = input.Error;
    if (ok) {
        std::vector<png_bytep> rows(layout.Height);
        for (png_uint_32 y = 0; y < layout.Height; ++y)
            rows[y] = out.scanLine(static_cast<int>(y));
        ok = Read_Png_Rows(png, rows.data()) || Fail(error, input.Error);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (ok && layout.Deep) {
        // Opaque 16-bit pictures are marked so, as Qt marks them.
        // The sizes are read once: QImage's getters are calls, not inlined.
        bool opaque = true;
        const int width = out.width(), height = out.height();
        for (int y = 0; y < height && opaque; ++y) {
            const auto* row = reinterpret_cast<const std::uint16_t*>(out.constScanLine(y));
            for (int x = 0; x < width && opaque; ++x)
                opaque = row[4 * x + 3] == 0xFFFF;
        }
        // Every alpha sample is already 0xFFFF, as RGBX64 stores it: the
        // layout is renamed, not converted (a conversion would go through
        // Qt's shared thread pool, which the window's painting waits on).
        if (opaque)
            out.reinterpretAsFormat(QImage::Format_RGBX64);
    }
    return ok;
}

} // namespace imaging
