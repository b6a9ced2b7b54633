// JPEG through libjpeg: baseline and progressive, greyscale, YCbCr, RGB, CMYK
// and YCCK. A stream that ends before its last scan is refused rather than
// shown with a grey lower part.
#include "decode_support.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

namespace imaging {

namespace {

struct T_Jpeg_Error {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    char Text[JMSG_LENGTH_MAX] = {};
    bool Premature_End = false;
    long Warnings = 0;
};

[[noreturn]] void On_Error(j_common_ptr info)
{
    auto* self = reinterpret_cast<T_Jpeg_Error*>(info->err);
    (*info->err->format_message)(info, self->Text);
    std::longjmp(self->Jump, 1);
}

void On_Message(j_common_ptr info, int level)
{
    auto* self = reinterpret_cast<T_Jpeg_Error*>(info->err);
    if (level >= 0)
        return; // trace messages
    ++self->Warnings;
    if (info->err->msg_code == JWRN_JPEG_EOF)
        self->Premature_End = true;
}

// Stops streams that would take unreasonably long: thousands of progressive
// scans over a large picture cost time without adding detail.
void On_Progress(j_common_ptr info)
{
    if (info->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(info);
        if (d->input_scan_number > 500) {
            auto* self = reinterpret_cast<T_Jpeg_Error*>(info->err);
            std::snprintf(self->Text, sizeof self->Text, "too many scans");
            std::longjmp(self->Jump, 1);
        }
    }
}

} // namespace

bool Decode_Jpeg(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return Fail(error, "This is not a JPEG file.");
    jpeg_decompress_struct info{};
    T_Jpeg_Error err;
    jpeg_progress_mgr progress{};
    info.err = jpeg_std_error(&err.Manager);
    err.Manager.error_exit = On_Error;
    err.Manager.emit_message = On_Message;
    progress.progress_monitor = On_Progress;
    std::vector<JSAMPLE> row;
    // Nothing with a destructor may be created between setjmp and longjmp.
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&info);
        out = T_Raster{};
        return Fail(error, std::string("The JPEG data is corrupt (") + err.Text + ").");
    }
    jpeg_create_decompress(&info);
    info.progress = &progress;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    // One byte of entropy-coded data cannot cover more than about 512 pixels.
    std::uint64_t pixels = static_cast<std::uint64_t>(info.image_width) * info.image_height;
    if (!Allocate_Raster(out, info.image_width, info.image_height, limits, error, Min_Bytes(pixels, 512), size)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    if (info.output_width != static_cast<JDIMENSION>(out.Width) ||
        info.output_height != static_cast<JDIMENSION>(out.Height) ||
        info.output_components != (cmyk ? 4 : 3)) {
        jpeg_destroy_decompress(&info);
        out = T_Raster{};
        return Fail(error, "The JPEG file has an unexpected layout.");
    }
    row.resize(static_cast<std::size_t>(info.output_width) * info.output_components);
    while (info.output_scanline < info.output_height) {
        int y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            break;
        u8* p = out.At(0, y);
        for (JDIMENSION x = 0; x < info.output_width; ++x, p += 4) {
            if (cmyk) {
                // Adobe writes CMYK inverted: each value is already 255 - ink.
                const JSAMPLE* s = row.data() + x * 4;
                unsigned k = s[3];
                p[0] = static_cast<u8>(s[0] * k / 255);
                p[1] = static_cast<u8>(s[1] * k / 255);
                p[2] = static_cast<u8>(s[2] * k / 255);
            } else {
                const JSAMPLE* s = row.data() + x * 3;
                p[0] = s[0], p[1] = s[1], p[2] = s[2];
            }
        }
    }
    bool complete = info.output_scanline == info.output_height && !err.Premature_End;
    // A stream whose pixels are complete but whose end marker is missing
    // still shows: only missing picture data counts as truncation.
    if (complete)
        jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (!complete) {
        out = T_Raster{};
        return Fail(error, "The JPEG file is truncated.");
    }
    return true;
}

} // namespace imaging
