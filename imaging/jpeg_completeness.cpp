#include "imaging/jpeg_completeness.h"

#include "imaging/picture_structure.h"

#ifdef VARNOLT_REFERENCE_DECODERS
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#endif

namespace {

#ifdef VARNOLT_REFERENCE_DECODERS

struct T_Reading {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    bool Data_Ran_Out = false; // a scan needed bits past its data
    bool File_Ran_Out = false; // the file ended before its last marker
    JDIMENSION Ran_Out_At = 0; // the output row being read when it did
};

void On_Error(j_common_ptr Jpeg) { std::longjmp(reinterpret_cast<T_Reading*>(Jpeg->err)->Jump, 1); }

void On_Message(j_common_ptr Jpeg, int Level)
{
    if (Level >= 0)
        return;
    auto* reading = reinterpret_cast<T_Reading*>(Jpeg->err);
    ++Jpeg->err->num_warnings;
    if (Jpeg->err->msg_code == JWRN_HIT_MARKER)
        reading->Data_Ran_Out = true;
    else if (Jpeg->err->msg_code == JWRN_JPEG_EOF && !reading->File_Ran_Out) {
        reading->File_Ran_Out = true;
        reading->Ran_Out_At = reinterpret_cast<j_decompress_ptr>(Jpeg)->output_scanline;
    }
}

struct T_Closer {
    void operator()(std::FILE* File) const { std::fclose(File); }
};

// Decodes the file at an eighth of its size (the entropy-coded data is read
// whole all the same) and notes whether the reader had to make data up: a
// scan's Huffman data ending inside it; for a picture of several scans, the
// file ending before them all; for one scan, the file ending before the
// last row of blocks (arithmetic-coded data gives no other sign; the
// Huffman decoder reads a little ahead, so a file that lacks only its end
// marker runs out there).
bool Data_Made_Up(const std::string& File_Name)
{
    std::unique_ptr<std::FILE, T_Closer> file(std::fopen(File_Name.c_str(), "rb"));
    if (!file)
        return false;
    T_Reading reading{};
    jpeg_decompress_struct jpeg{};
    jpeg.err = jpeg_std_error(&reading.Manager);
    reading.Manager.error_exit = On_Error;
    reading.Manager.emit_message = On_Message;
    if (setjmp(reading.Jump)) {
        jpeg_destroy_decompress(&jpeg);
        return false; // not a readable JPEG: the readers say why
    }
    jpeg_create_decompress(&jpeg);
    jpeg_stdio_src(&jpeg, file.get());
    jpeg_read_header(&jpeg, TRUE);
    const bool several_scans = jpeg_has_multiple_scans(&jpeg);
    jpeg.scale_num = 1;
    jpeg.scale_denom = 8;
    // Plain upsampling decodes no row of blocks ahead of the rows read.
    jpeg.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&jpeg);
    const JDIMENSION last_block_row =
        jpeg.output_height -
        std::min(jpeg.output_height, JDIMENSION(jpeg.max_v_samp_factor * jpeg.min_DCT_scaled_size));
    std::vector<JSAMPLE> row(std::size_t(jpeg.output_width) * std::size_t(jpeg.output_components));
    JSAMPROW rows[1] = {row.data()};
    while (jpeg.output_scanline < jpeg.output_height && !reading.Data_Ran_Out)
        if (jpeg_read_scanlines(&jpeg, rows, 1) == 0)
            break;
    const bool made_up =
        reading.Data_Ran_Out ||
        (reading.File_Ran_Out && (several_scans || reading.Ran_Out_At < last_block_row));
    jpeg_destroy_decompress(&jpeg);
    return made_up;
}

#else

// Without the reference library the reader's view is not known: a file cut
// before its last marker counts as cut short.
bool Data_Made_Up(const std::string&) { return true; }

#endif

} // namespace

bool Jpeg_Cut_Short(const std::string& File_Name)
{
    const T_Picture_Structure structure = Check_Picture_Structure(File_Name);
    return structure.Format == T_Picture_Structure::T_Format::Jpeg && structure.Cut_Short &&
           Data_Made_Up(File_Name);
}
