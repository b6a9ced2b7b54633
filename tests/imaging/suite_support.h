// Shared by the format suite tests: the suites' files (tests/data/suites,
// see SOURCES there) and pixel comparisons against a reference decoding.
#pragma once

#include "tests/imaging/decoder_test_support.h"

#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace test {

inline std::string Suite_Path(const std::string& suite, const std::string& name = {})
{
    return std::string(VARNOLT_TEST_DATA) + "/suites/" + suite + (name.empty() ? "" : "/" + name);
}

// The files of a suite folder with the given extension, by name.
inline std::vector<std::string> Suite_Files(const std::string& folder, const std::string& extension)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Suite_Path(folder)))
        if (entry.path().extension() == extension)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The number of pixels whose colour differs by more than `tolerance` in a
// channel; colours of pixels that are fully transparent in both do not
// count. Pictures of different sizes differ everywhere.
inline long Differing_Pixels(const QImage& actual, const QImage& expected, int tolerance = 0)
{
    if (actual.size() != expected.size())
        return std::max<long>(1, long{expected.width()} * expected.height());
    const QImage a = actual.convertToFormat(QImage::Format_RGBA8888);
    const QImage e = expected.convertToFormat(QImage::Format_RGBA8888);
    long differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const std::uint8_t *pa = a.constScanLine(y), *pe = e.constScanLine(y);
        for (int x = 0; x < a.width(); ++x, pa += 4, pe += 4) {
            if (pa[3] == 0 && pe[3] == 0)
                continue;
            bool same = true;
            for (int c = 0; c < 4; ++c)
                same = same && std::abs(pa[c] - pe[c]) <= tolerance;
            differing += !same;
        }
    }
    return differing;
}

} // namespace test
