// Shared by the image format tests: the sample pattern, file access, loading
// through the panes' path, and checks on the result.
#pragma once

#include "imaging/image_decoders.h"
#include "tests/test_support.h"
#include "imaging/u_image_load.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace test {

using Bytes = std::vector<std::uint8_t>;

// The 7 x 5 pattern of every sample made by tests/data/imaging/make_samples.sh:
// colour number (x + 2y) mod 8 of this list.
inline const std::uint8_t* Reference_Color(int x, int y)
{
    static const std::uint8_t colors[8][3] = {{0, 0, 0},     {255, 255, 255}, {255, 0, 0},
                                              {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
                                              {0, 255, 255}, {128, 128, 128}};
    return colors[(x + 2 * y) % 8];
}

// The bilevel samples: a checkerboard of 3-pixel squares, 10 x 6.
inline bool Bilevel_Black(int x, int y) { return ((x / 3) + (y / 3)) % 2 == 1; }

inline std::string Sample_Path(const std::string& name)
{
    return std::string(VARNOLT_TEST_DATA) + "/imaging/" + name;
}

inline Bytes Sample(const std::string& name)
{
    std::ifstream in(Sample_Path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline std::string As_Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Loads a file as a pane does and expects it to load; the picture comes back
// as 8-bit RGBA for pixel checks.
inline QImage Load_Ok(const std::string& path, const std::string& hint = {},
                      std::string* format = nullptr)
{
    T_Loaded_Picture picture = Load_Picture(path, hint);
    EXPECT_EQ(picture.Result, T_Picture_Load_Result::Loaded) << path << ": " << picture.Reason;
    if (format)
        *format = picture.Qt_Format;
    return picture.Image.convertToFormat(QImage::Format_RGBA8888);
}

// Writes the bytes to a file of the given name in `dir` and loads it.
inline QImage Load_Bytes_Ok(const Scratch_Dir& dir, const Bytes& bytes, const std::string& name)
{
    Write_File(dir / name, As_Text(bytes));
    return Load_Ok(dir / name);
}

// Decodes bytes with one of the program's handlers, in memory.
inline bool Decode(const Bytes& data, T_Image_Decoder decoder, QImage& out, std::string& error,
                   const T_Decode_Limits& limits = {})
{
    return Decode_Picture(
        QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size())),
        decoder, {}, limits, out, error);
}

inline ::testing::AssertionResult Color_At(const QImage& image, int x, int y, int red, int green,
                                           int blue, int tolerance = 0)
{
    if (x >= image.width() || y >= image.height())
        return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is outside "
                                             << image.width() << " x " << image.height();
    const QColor c = image.pixelColor(x, y);
    if (std::abs(c.red() - red) <= tolerance && std::abs(c.green() - green) <= tolerance &&
        std::abs(c.blue() - blue) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << x << ", " << y << ") is " << c.red() << "," << c.green() << "," << c.blue()
           << " instead of " << red << "," << green << "," << blue;
}

inline ::testing::AssertionResult Matches_Reference(const QImage& image, int tolerance)
{
    if (image.width() != 7 || image.height() != 5)
        return ::testing::AssertionFailure() << "size " << image.width() << " x " << image.height();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const std::uint8_t* want = Reference_Color(x, y);
            auto result = Color_At(image, x, y, want[0], want[1], want[2], tolerance);
            if (!result)
                return result;
        }
    return ::testing::AssertionSuccess();
}

// A decode either fails with a reason and no picture, or yields a picture.
inline ::testing::AssertionResult Clean_Outcome(bool ok, const QImage& image,
                                                const std::string& error)
{
    if (!ok && error.empty())
        return ::testing::AssertionFailure() << "failure without a reason";
    if (!ok && !image.isNull())
        return ::testing::AssertionFailure() << "failure left a picture behind";
    if (ok && (image.isNull() || image.width() <= 0 || image.height() <= 0))
        return ::testing::AssertionFailure() << "success without a picture";
    return ::testing::AssertionSuccess();
}

inline void Put16(Bytes& b, unsigned v) { b.push_back(v & 255), b.push_back((v >> 8) & 255); }
inline void Put32(Bytes& b, std::uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
inline void Put16_BE(Bytes& b, unsigned v) { b.push_back((v >> 8) & 255), b.push_back(v & 255); }
inline void Put32_BE(Bytes& b, std::uint32_t v) { Put16_BE(b, v >> 16), Put16_BE(b, v & 0xFFFF); }

} // namespace test
