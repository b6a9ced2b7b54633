// Row decoders with the libraries behind Load_Picture, set up as there:
// libpng with the expansions of decode_png.cpp (palettes, low-depth grey and
// the transparent colour expanded by libpng; 16-bit samples scaled to 8 bits
// here with Qt's rounding, as Qt converts 16-bit pictures to 32 bits), and libjpeg-turbo
// with the settings of Qt's JPEG reader (accurate DCT, smooth upsampling),
// written straight into 0xAARRGGBB words. A file that breaks, or a JPEG
// that the library can only read with warnings, fails the source, and the
// whole pictures are then decoded as usual.
#include "imaging/picture_rows.h"

#if VARNOLT_REFERENCE_DECODERS

#include "vocabulary/file_names.h"
#include "imaging/image_format_registry.h"
#include "vocabulary/picture_limit.h"
#include "imaging/png_checks.h"

#include <jpeglib.h>
#include <png.h>

#include <array>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

static_assert(std::endian::native == std::endian::little,
              "rows are written as little-endian 0xAARRGGBB words");

struct T_File_Closer {
    void operator()(std::FILE* File) const { std::fclose(File); }
};
using T_File = std::unique_ptr<std::FILE, T_File_Closer>;

// The kind of a file by its first bytes.
enum class T_Row_Kind { None, Png, Jpeg };

T_Row_Kind Kind_Of(std::FILE* File)
{
    unsigned char Start[8] = {};
    const std::size_t Got = std::fread(Start, 1, sizeof Start, File);
    std::rewind(File);
    if (Got == 8 && png_sig_cmp(Start, 0, 8) == 0)
        return T_Row_Kind::Png;
    if (Got >= 3 && Start[0] == 0xFF && Start[1] == 0xD8 && Start[2] == 0xFF)
        return T_Row_Kind::Jpeg;
    return T_Row_Kind::None;
}

void On_Png_Error(png_structp Png, png_const_charp) { png_longjmp(Png, 1); }
void On_Png_Warning(png_structp, png_const_charp) {}

class T_Png_Rows final : public T_Row_Source {
public:
    explicit T_Png_Rows(T_File Opened) : File(std::move(Opened)) {}
    ~T_Png_Rows() override { png_destroy_read_struct(&Png, &Info, nullptr); }

    // Reads the header and sets up the expansion to BGRA bytes. False for a
    // file that cannot be read this way.
    bool Open()
    {
        Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, On_Png_Error, On_Png_Warning);
        Info = Png ? png_create_info_struct(Png) : nullptr;
        if (Info == nullptr)
            return false;
        png_init_io(Png, File.get());
        png_set_user_limits(Png, 0x7FFFFFFF, 0x7FFFFFFF);
        Skip_Stream_Checksum(Png);
        return Set_Up() && Picture_Fits(Width_, Height_);
    }
    int Width() const override { return Width_; }
    int Height() const override { return Height_; }
    bool Read_Rows(std::uint8_t* Rows, std::ptrdiff_t Stride, int Count) override
    {
        if (setjmp(png_jmpbuf(Png)))
            return false;
        for (int Row = 0; Row < Count; ++Row) {
            png_read_row(Png, Samples.data(), nullptr);
            To_Words(Rows + Stride * Row);
        }
        return true;
    }

private:
    bool Set_Up()
    {
        if (setjmp(png_jmpbuf(Png)))
            return false;
        png_read_info(Png, Info);
        if (png_get_interlace_type(Png, Info) != PNG_INTERLACE_NONE)
            return false; // its last pass finishes the first row
        Width_ = int(png_get_image_width(Png, Info));
        Height_ = int(png_get_image_height(Png, Info));
        png_set_expand(Png);
        png_read_update_info(Png, Info);
        Channels = png_get_channels(Png, Info);
        Deep = png_get_bit_depth(Png, Info) == 16;
        const std::size_t Row_Bytes = std::size_t(Width_) * Channels * (Deep ? 2 : 1);
        if (Width_ <= 0 || Height_ <= 0 || Channels < 1 || Channels > 4 ||
            png_get_rowbytes(Png, Info) != Row_Bytes)
            return false;
        Samples.resize(Row_Bytes);
        return true;
    }

    // One row of grey, grey and alpha, RGB or RGBA samples, 8 or 16 bits
    // each, as words 0xAARRGGBB in one pass: libpng's own channel shuffles
    // and 16-bit scaling, one pass each, cost as much as inflating the data.
    void To_Words(std::uint8_t* Row) const
    {
        switch (Channels * (Deep ? -1 : 1)) {
        case 1:
            return To_Words<1, false>(Row);
        case 2:
            return To_Words<2, false>(Row);
        case 3:
            return To_Words<3, false>(Row);
        case 4:
            return To_Words<4, false>(Row);
        case -1:
            return To_Words<1, true>(Row);
        case -2:
            return To_Words<2, true>(Row);
        case -3:
            return To_Words<3, true>(Row);
        default:
            return To_Words<4, true>(Row);
        }
    }
    // A sample, 16 bits scaled to 8 as Qt converts its 16-bit pictures to
    // 32 bits (and as libpng's png_set_scale_16 does), looked up: the
    // arithmetic costs more than inflating the row.
    template <bool Sixteen> static std::uint8_t Sample(const std::uint8_t* In, int Index)
    {
        if constexpr (!Sixteen)
            return In[Index];
        static const std::array<std::uint8_t, 65536> Scaled = [] {
            std::array<std::uint8_t, 65536> Table{};
            for (unsigned Value = 0; Value < Table.size(); ++Value)
                Table[Value] = std::uint8_t((Value * 255 + 32895) >> 16);
            return Table;
        }();
        return Scaled[unsigned(In[2 * Index]) << 8 | In[2 * Index + 1]];
    }
    template <int Count, bool Sixteen> void To_Words(std::uint8_t* Row) const
    {
        constexpr bool Colour = Count >= 3, Alpha = Count % 2 == 0;
        const std::uint8_t* In = Samples.data();
        for (int X = 0; X < Width_; ++X, In += Count * (Sixteen ? 2 : 1), Row += 4) {
            const std::uint32_t Red = Sample<Sixteen>(In, 0);
            const std::uint32_t Green = Colour ? Sample<Sixteen>(In, 1) : Red;
            const std::uint32_t Blue = Colour ? Sample<Sixteen>(In, 2) : Red;
            const std::uint32_t Opacity = Alpha ? Sample<Sixteen>(In, Count - 1) : 0xFF;
            const std::uint32_t Word = Opacity << 24 | Red << 16 | Green << 8 | Blue;
            std::memcpy(Row, &Word, 4);
        }
    }

    T_File File;
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    int Width_ = 0, Height_ = 0;
    int Channels = 0;
    bool Deep = false;                 // 16 bits a sample
    std::vector<std::uint8_t> Samples; // one row as libpng gives it
};

struct T_Jpeg_Errors {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void On_Jpeg_Error(j_common_ptr Jpeg)
{
    std::longjmp(reinterpret_cast<T_Jpeg_Errors*>(Jpeg->err)->Jump, 1);
}
// Warnings (level below 0) are counted, as the library's own handler counts
// them, and not printed.
void On_Jpeg_Message(j_common_ptr Jpeg, int Level)
{
    if (Level < 0)
        ++Jpeg->err->num_warnings;
}

// The EXIF orientation in an APP1 marker, 1 (as stored) when it has none;
// 0 when the marker cannot be read.
int Exif_Orientation(const jpeg_saved_marker_ptr Marker)
{
    const unsigned char* Data = Marker->data;
    const std::size_t Size = Marker->data_length;
    if (Size < 14 || std::memcmp(Data, "Exif\0\0", 6) != 0)
        return 1;
    const unsigned char* Tiff = Data + 6;
    const std::size_t Length = Size - 6;
    const bool Little = Tiff[0] == 'I';
    const auto Read = [&](std::size_t At, int Bytes) -> std::uint32_t {
        std::uint32_t Value = 0;
        for (int Index = 0; Index < Bytes; ++Index)
            Value |= std::uint32_t(Tiff[At + (Little ? Index : Bytes - 1 - Index)]) << (8 * Index);
        return Value;
    };
    const std::size_t Directory = Read(4, 4);
    if (Directory + 2 > Length)
        return 0;
    const std::uint32_t Entries = Read(Directory, 2);
    for (std::uint32_t Entry = 0; Entry < Entries; ++Entry) {
        const std::size_t At = Directory + 2 + std::size_t(Entry) * 12;
        if (At + 12 > Length)
            return 0;
        if (Read(At, 2) == 0x0112)
            return int(Read(At + 8, 2));
    }
    return 1;
}

class T_Jpeg_Rows final : public T_Row_Source {
public:
    explicit T_Jpeg_Rows(T_File Opened) : File(std::move(Opened))
    {
        Jpeg.err = jpeg_std_error(&Errors.Manager);
        Errors.Manager.error_exit = On_Jpeg_Error;
        Errors.Manager.emit_message = On_Jpeg_Message;
    }
    ~T_Jpeg_Rows() override
    {
        if (Created)
            jpeg_destroy_decompress(&Jpeg);
    }

    bool Open()
    {
        if (setjmp(Errors.Jump))
            return false;
        jpeg_create_decompress(&Jpeg);
        Created = true;
        jpeg_stdio_src(&Jpeg, File.get());
        jpeg_save_markers(&Jpeg, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&Jpeg, TRUE);
        for (jpeg_saved_marker_ptr Marker = Jpeg.marker_list; Marker; Marker = Marker->next)
            if (Exif_Orientation(Marker) != 1)
                return false;
        if (Jpeg.jpeg_color_space != JCS_GRAYSCALE && Jpeg.jpeg_color_space != JCS_YCbCr &&
            Jpeg.jpeg_color_space != JCS_RGB)
            return false;
        if (!Picture_Fits(Jpeg.image_width, Jpeg.image_height))
            return false;
        Jpeg.out_color_space = JCS_EXT_BGRX;
        jpeg_start_decompress(&Jpeg);
        return Jpeg.output_components == 4 && Jpeg.err->num_warnings == 0;
    }
    int Width() const override { return int(Jpeg.output_width); }
    int Height() const override { return int(Jpeg.output_height); }
    bool Read_Rows(std::uint8_t* Rows, std::ptrdiff_t Stride, int Count) override
    {
        if (setjmp(Errors.Jump))
            return false;
        for (int Row = 0; Row < Count;) {
            JSAMPROW Target = Rows + Stride * Row;
            const JDIMENSION Read = jpeg_read_scanlines(&Jpeg, &Target, 1);
            if (Read == 0)
                return false;
            Row += int(Read);
        }
        // A damaged file reads on with made-up rows: the whole picture is
        // decoded the usual way instead.
        return Jpeg.err->num_warnings == 0;
    }

private:
    T_File File;
    T_Jpeg_Errors Errors;
    jpeg_decompress_struct Jpeg{};
    bool Created = false;
};

// Load_Picture tries the readers of a file's extension first: a JPEG goes
// to the JPEG reader at once only where its name says JPEG.
bool Named_As_Jpeg(const std::string& File_Name)
{
    const std::vector<std::string> Readers = Readers_For_Extension(File_Extension(File_Name));
    return !Readers.empty() && Readers.front() == "jpeg";
}

} // namespace

std::unique_ptr<T_Row_Source> Open_Picture_Rows(const std::string& File_Name)
{
    T_File File(std::fopen(File_Name.c_str(), "rb"));
    if (!File)
        return nullptr;
    switch (Kind_Of(File.get())) {
    case T_Row_Kind::Png: {
        auto Rows = std::make_unique<T_Png_Rows>(std::move(File));
        return Rows->Open() ? std::move(Rows) : nullptr;
    }
    case T_Row_Kind::Jpeg: {
        if (!Named_As_Jpeg(File_Name))
            return nullptr;
        auto Rows = std::make_unique<T_Jpeg_Rows>(std::move(File));
        return Rows->Open() ? std::move(Rows) : nullptr;
    }
    case T_Row_Kind::None:
        break;
    }
    return nullptr;
}

#else

std::unique_ptr<T_Row_Source> Open_Picture_Rows(const std::string&) { return nullptr; }

#endif
