// Decoding of the registered raster formats into one plain RGBA raster.
//
// This layer has no toolkit dependency: the viewer turns a T_Raster into its
// own picture type. Every decoder works on a byte buffer that is fully in
// memory and checks each length, offset and dimension against that buffer
// before it reads or allocates, so a truncated, corrupt or hostile file ends
// in a returned error text, never in a crash or a runaway allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A decoded picture: 8-bit RGBA, not premultiplied, rows top to bottom, each
// row Width * 4 bytes with no padding.
struct T_Raster {
    int Width = 0;
    int Height = 0;
    bool Has_Alpha = false;      // false: every alpha byte is 255
    std::vector<std::uint8_t> Pixels;

    // The RGBA bytes of pixel (x, y); no range check.
    std::uint8_t* At(int x, int y) { return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 4; }
    const std::uint8_t* At(int x, int y) const
    {
        return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 4;
    }
};

// Which decoder reads a format. Several extensions share one decoder.
enum class T_Image_Decoder {
    None,
    Bmp,      // bmp, dib, rle
    Ico,      // ico
    Metafile, // wmf, emf
    Jpeg,     // jpg, jpeg, jpe, jfif
    Targa,    // tga, win, vst, vda, icb
    Tiff,     // tif, tiff, fax
    Eps,      // eps: its TIFF or WMF preview
    Pcx,      // pcx, pcc, scr
    Rla,      // rla, rpf
    Sgi,      // sgi, rgb, rgba, bw
    Psd,      // psd, pdd
    Autodesk, // cel, pic
    Pcd,      // pcd
    Gif,      // gif
    Cut,      // cut
    Psp,      // psp
    Png,      // png
};

// Limits that every decoder applies before it allocates the raster.
//
// The default admits pictures of up to 16384 x 16384 pixels (1 GiB of RGBA)
// and any side up to 65535 as long as the area stays within that bound; the
// fuzz targets pass a much smaller area so that the fuzzer's memory limit
// measures leaks, not legitimately large pictures.
struct T_Decode_Limits {
    std::uint64_t Max_Pixels = 16384ull * 16384ull;
    int Max_Side = 65535;
    // Edge and pixel steps a metafile may take to draw (a few seconds' work);
    // past it the drawing is refused as too complex.
    std::uint64_t Max_Draw_Work = 400'000'000;
};

// The decoder that recognises the data by its signature, or None. Formats
// without a reliable signature (Targa without its footer, Dr. Halo, the
// Alias/Wavefront format) are never recognised here, only by extension.
T_Image_Decoder Detect_Image_Decoder(const std::uint8_t* data, std::size_t size);

// The decoder registered for an extension (with or without its dot, any case),
// or None.
T_Image_Decoder Decoder_For_Extension(const std::string& extension);

// The extension of a path or name: the text after the last dot of the last
// path component, without the dot; empty when there is none.
std::string Extension_Of(const std::string& path);

// Decodes with one given decoder. `side_file` is the path of the picture on
// disk, or empty for a buffer; only the Dr. Halo decoder uses it, to find the
// palette file beside the picture.
bool Decode_With(T_Image_Decoder decoder, const std::uint8_t* data, std::size_t size, T_Raster& out,
                 std::string& error, const T_Decode_Limits& limits = {}, const std::string& side_file = {});

// Decodes a picture held in memory. The decoder is chosen by content first;
// when the content is not recognised, or its decoder fails, by the extension
// of `hint` (a path, a name or a bare extension). On failure `out` is empty
// and `error` says why.
bool Decode_Image_Buffer(const std::uint8_t* data, std::size_t size, const std::string& hint, T_Raster& out,
                         std::string& error, const T_Decode_Limits& limits = {});

// Decodes the picture file at `path`, as the image panes do. The decoder is
// chosen by content first, then by the extension of `hint_path` (a format
// hint: another file's path or a bare extension) when one is given, and
// finally by the file's own extension. A file that cannot be read, is empty
// or is larger than 2 GiB fails with a message naming it.
bool Decode_Image_File(const std::string& path, const std::string& hint_path, T_Raster& out, std::string& error,
                       const T_Decode_Limits& limits = {});
