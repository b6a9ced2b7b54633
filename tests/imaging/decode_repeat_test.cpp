// Every file of the format suites, good, questionable or broken, decoded
// twice: both decodings must be the same picture, and a picture compared
// with itself must show no changed pixel. A pixel that a decoder never
// wrote would make the two differ (and memcheck, which runs this test,
// report it).
#include "imaging/picture_compare.h"
#include "tests/imaging/suite_support.h"

using namespace test;

namespace {

std::vector<std::string> All_Suite_Files()
{
    std::vector<std::string> paths;
    auto add = [&](const std::string& folder, const std::string& extension) {
        for (const std::string& name : Suite_Files(folder, extension))
            paths.push_back(Suite_Path(folder, name));
    };
    for (const char* folder : {"bmpsuite/g", "bmpsuite/q", "bmpsuite/b", "bmpsuite/x"})
        add(folder, ".bmp");
    add("pngsuite", ".png");
    add("libtiff", ".tiff");
    add("libtiff", ".tif");
    paths.push_back(Sample_Path("rgb16-planar.tif"));
    return paths;
}

TEST(DecodeTwice, EverySuiteFileDecodesToTheSamePicture)
{
    const std::vector<std::string> paths = All_Suite_Files();
    ASSERT_GT(paths.size(), 250u);
    for (const std::string& path : paths) {
        const T_Loaded_Picture first = Load_Picture(path), second = Load_Picture(path);
        ASSERT_EQ(first.Result, second.Result) << path;
        if (first.Result != T_Picture_Load_Result::Loaded)
            continue;
        EXPECT_EQ(first.Image, second.Image) << path;
        const T_Difference difference =
            Compare_Decoded_Pictures(first.Image, second.Image, T_Difference_Options{});
        EXPECT_EQ(difference.Changed_Pixels, 0u) << path;
    }
}

} // namespace
