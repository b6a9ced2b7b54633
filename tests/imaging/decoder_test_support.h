// Shared by the decoder tests: the sample pattern, file access and checks.
#pragma once

#include "image_decoders.h"

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
    static const std::uint8_t colors[8][3] = {{0, 0, 0},     {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
                                              {0, 0, 255},   {255, 255, 0},   {0, 255, 255}, {128, 128, 128}};
    return colors[(x + 2 * y) % 8];
}

// The bilevel samples: a checkerboard of 3-pixel squares, 10 x 6.
inline bool Bilevel_Black(int x, int y) { return ((x / 3) + (y / 3)) % 2 == 1; }

inline Bytes Sample(const std::string& name)
{
    std::ifstream in(std::string(VARNOLT_TEST_DATA) + "/imaging/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline ::testing::AssertionResult Matches_Reference(const T_Raster& r, int tolerance)
{
    if (r.Width != 7 || r.Height != 5)
        return ::testing::AssertionFailure() << "size " << r.Width << " x " << r.Height;
    if (r.Pixels.size() != 7u * 5u * 4u)
        return ::testing::AssertionFailure() << "pixel buffer of " << r.Pixels.size() << " bytes";
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            for (int c = 0; c < 3; ++c) {
                int got = r.At(x, y)[c], want = Reference_Color(x, y)[c];
                if (std::abs(got - want) > tolerance)
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << ") channel " << c << ": " << got << " instead of " << want;
            }
    return ::testing::AssertionSuccess();
}

// A decode either fails with a reason or yields a consistent raster.
inline ::testing::AssertionResult Clean_Outcome(bool ok, const T_Raster& r, const std::string& error)
{
    if (!ok && error.empty())
        return ::testing::AssertionFailure() << "failure without a reason";
    if (!ok && !r.Pixels.empty())
        return ::testing::AssertionFailure() << "failure left pixels behind";
    if (ok && r.Pixels.size() != static_cast<std::size_t>(r.Width) * r.Height * 4)
        return ::testing::AssertionFailure() << "inconsistent raster";
    return ::testing::AssertionSuccess();
}

inline void Put16(Bytes& b, unsigned v) { b.push_back(v & 255), b.push_back((v >> 8) & 255); }
inline void Put32(Bytes& b, std::uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
inline void Put16_BE(Bytes& b, unsigned v) { b.push_back((v >> 8) & 255), b.push_back(v & 255); }
inline void Put32_BE(Bytes& b, std::uint32_t v) { Put16_BE(b, v >> 16), Put16_BE(b, v & 0xFFFF); }

} // namespace test
