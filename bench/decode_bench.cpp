// The PNG and JPEG decoders at hand on the benchmark pictures, each as a
// ratio to today's whole-picture path (Load_Picture, then 32 bits), with
// whether its pixels equal that path's:
//   Load_Picture (libpng through the image plugin, Qt's JPEG reader)
//   libpng rows (Open_Picture_Rows, the streamed comparison's decoder)
//   libspng rows (RGBA8, swizzled to 0xAARRGGBB)
//   libjpeg-turbo rows (Open_Picture_Rows), and tjDecompress2 whole, with
//   the accurate and the fast DCT and upsampling
// Usage: varnolt_decode_bench FILE...   (run by bench/run.sh)
#include "bench/bench_timing.h"
#include "imaging/picture_compare.h"
#include "imaging/picture_rows.h"
#include "imaging/u_image_load.h"

#include <QImage>

#include <spng.h>
#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct T_Decoded {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
    bool operator==(const T_Decoded&) const = default;
};

T_Decoded Through_Load_Picture(const std::string& File)
{
    QImage image = Load_Picture(File).Image;
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                          : QImage::Format_RGB32);
    T_Decoded decoded{image.width(), image.height(), {}};
    decoded.Pixels.resize(std::size_t(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(decoded.Pixels.data() + std::size_t(y) * image.width(), image.constScanLine(y),
                    std::size_t(image.width()) * 4);
    return decoded;
}

T_Decoded Through_Rows(const std::string& File)
{
    T_Decoded decoded;
    std::unique_ptr<T_Row_Source> rows = Open_Picture_Rows(File);
    if (!rows)
        return decoded;
    decoded.Width = rows->Width();
    decoded.Height = rows->Height();
    decoded.Pixels.resize(std::size_t(decoded.Width) * decoded.Height);
    rows->Read_Rows(reinterpret_cast<std::uint8_t*>(decoded.Pixels.data()),
                    std::ptrdiff_t{decoded.Width} * 4, decoded.Height);
    return decoded;
}

std::vector<unsigned char> Bytes_Of(const std::string& File)
{
    std::ifstream in(File, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

T_Decoded Through_Spng(const std::string& File)
{
    T_Decoded decoded;
    const std::vector<unsigned char> bytes = Bytes_Of(File);
    spng_ctx* context = spng_ctx_new(0);
    spng_set_png_buffer(context, bytes.data(), bytes.size());
    spng_ihdr header{};
    if (spng_get_ihdr(context, &header) == 0 &&
        spng_decode_image(context, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_PROGRESSIVE) == 0) {
        decoded.Width = int(header.width);
        decoded.Height = int(header.height);
        decoded.Pixels.resize(std::size_t(decoded.Width) * decoded.Height);
        for (int y = 0; y < decoded.Height; ++y) {
            auto* row = decoded.Pixels.data() + std::size_t(y) * decoded.Width;
            if (spng_decode_row(context, row, std::size_t(decoded.Width) * 4) != 0 &&
                y + 1 < decoded.Height)
                break;
            for (int x = 0; x < decoded.Width; ++x) {
                const std::uint32_t p = row[x]; // R G B A bytes
                row[x] = (p & 0xFF00FF00u) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
            }
        }
    }
    spng_ctx_free(context);
    return decoded;
}

T_Decoded Through_Turbojpeg(const std::string& File, int Flags)
{
    T_Decoded decoded;
    std::vector<unsigned char> bytes = Bytes_Of(File);
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colours = 0;
    if (tjDecompressHeader3(handle, bytes.data(), bytes.size(), &width, &height, &subsampling,
                            &colours) == 0) {
        decoded.Width = width;
        decoded.Height = height;
        decoded.Pixels.resize(std::size_t(width) * height);
        tjDecompress2(handle, bytes.data(), bytes.size(),
                      reinterpret_cast<unsigned char*>(decoded.Pixels.data()), width, width * 4,
                      height, TJPF_BGRX, Flags);
    }
    tjDestroy(handle);
    return decoded;
}

bool Is_Jpeg(const std::string& File)
{
    const std::vector<unsigned char> start = Bytes_Of(File);
    return start.size() > 2 && start[0] == 0xFF && start[1] == 0xD8;
}

void Measure(const std::string& File)
{
    constexpr int runs = 5;
    const T_Decoded reference = Through_Load_Picture(File);
    const double base = bench::Median_Ms(runs, [&] { Through_Load_Picture(File); });
    std::printf("%s (%d x %d)\n", File.c_str(), reference.Width, reference.Height);
    const auto report = [&](const char* what, const std::function<T_Decoded()>& decode) {
        const bool exact = decode() == reference;
        const double ms = bench::Median_Ms(runs, [&] { decode(); });
        std::printf("  %-34s %8.1f ms / Load_Picture %8.1f ms = %5.2f  %s\n", what, ms, base,
                    ms / base, exact ? "exact" : "NOT exact");
    };
    if (Is_Jpeg(File)) {
        report("libjpeg-turbo rows (accurate)", [&] { return Through_Rows(File); });
        report("tjDecompress2 (accurate)", [&] { return Through_Turbojpeg(File, 0); });
        report("tjDecompress2 FASTDCT+FASTUPSAMPLE",
               [&] { return Through_Turbojpeg(File, TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE); });
    } else {
        report("libpng rows", [&] { return Through_Rows(File); });
        report("libspng rows (RGBA8)", [&] { return Through_Spng(File); });
    }
}

} // namespace

int main(int argc, char** argv)
{
    Configure_Image_Limits();
    for (int index = 1; index < argc; ++index)
        Measure(argv[index]);
    return 0;
}
