// The public format suites, decoded as the panes decode them and compared
// pixel by pixel with each suite's reference: bmpsuite's reference PNGs,
// PngSuite against Qt's PNG reader where Qt is right (else against a file of
// the suite that shows the same picture), libtiff's test pictures against
// libtiff's own RGBA interface.
#include "tests/imaging/suite_support.h"

#include <QImageReader>

#include <fstream>
#include <map>
#include <set>

#if VARNOLT_REFERENCE_DECODERS
#include <tiffio.h>
#endif

using namespace test;

namespace {

// ----------------------------------------------------------------- bmpsuite

// Each good or questionable file and its reference picture, as the suite's
// page pairs them (references.txt).
std::map<std::string, std::string> Bmp_References()
{
    std::ifstream list(Suite_Path("bmpsuite", "references.txt"));
    std::map<std::string, std::string> references;
    for (std::string file, reference; list >> file;)
        if (file[0] == '#')
            std::getline(list, reference);
        else if (list >> reference)
            references[file] = reference;
    return references;
}

// Files the program refuses: layouts it does not read (OS/2 Huffman and
// RLE24 data, 64-bit pixels).
const std::set<std::string> Bmp_Refused = {"q/pal1huffmsb.bmp", "q/rgb24rle24.bmp", "q/rgba64.bmp"};

// Files whose reference the program deliberately does not match: colour
// profiles are not applied (the stored samples are shown, as for every
// other format), and this one's profile swaps red and green back.
const std::set<std::string> Bmp_Profile_Applied = {"q/rgb24prof2.bmp"};

// Pixels that run-length escapes skip have colour 0: the suite's "-0" picture.
std::string Bmp_Reference_For(const std::string& file, const std::string& reference)
{
    if (file.find("rlecut") != std::string::npos || file.find("rletrns") != std::string::npos)
        return reference.substr(0, reference.size() - 4) + "-0.png";
    return reference;
}

TEST(BmpSuite, GoodAndQuestionableFilesMatchTheirReferences)
{
    const auto references = Bmp_References();
    ASSERT_GT(references.size(), 60u);
    int agreed = 0;
    for (const auto& [file, reference] : references) {
        const T_Loaded_Picture picture = Load_Picture(Suite_Path("bmpsuite", file));
        if (Bmp_Refused.count(file)) {
            EXPECT_EQ(picture.Result, T_Picture_Load_Result::Unreadable) << file;
            continue;
        }
        ASSERT_EQ(picture.Result, T_Picture_Load_Result::Loaded) << file << ": " << picture.Reason;
        EXPECT_EQ(picture.Qt_Format, "winbmp") << file;
        QImage expected(QString::fromStdString(
            Suite_Path("bmpsuite", "html/" + Bmp_Reference_For(file, reference))));
        ASSERT_FALSE(expected.isNull()) << reference;
        // A wrapped JPEG is lossy; the 11-bit file was quantised from its
        // 8-bit reference in linear light, so a sample may round to a
        // neighbour; everything else must be exact.
        const int tolerance = file == "q/rgb24jpeg.bmp" ? 8 : file == "q/rgb32-111110.bmp" ? 1 : 0;
        const long differing = Differing_Pixels(picture.Image, expected, tolerance);
        if (Bmp_Profile_Applied.count(file)) {
            EXPECT_GT(differing, 0) << file << " would need its colour profile applied";
            continue;
        }
        EXPECT_EQ(differing, 0) << file << " against " << reference;
        agreed += differing == 0;
    }
    RecordProperty("agreed", agreed);
}

TEST(BmpSuite, BadFilesAreRefusedOrShownWithoutCrashing)
{
    for (const std::string& name : Suite_Files("bmpsuite/b", ".bmp")) {
        const T_Loaded_Picture picture = Load_Picture(Suite_Path("bmpsuite/b", name));
        if (picture.Result == T_Picture_Load_Result::Loaded)
            EXPECT_FALSE(picture.Image.isNull()) << name;
        else if (picture.Result == T_Picture_Load_Result::Unreadable)
            EXPECT_FALSE(picture.Reason.empty()) << name;
    }
}

TEST(BmpSuite, CutShortFileShowsItsRowsAndTransparentRest)
{
    // b/shortfile.bmp stops in the middle of its pixels, which are stored
    // bottom row first: the rows it holds match g/pal8.bmp's.
    const QImage cut = Load_Ok(Suite_Path("bmpsuite/b", "shortfile.bmp"));
    const QImage whole = Load_Ok(Suite_Path("bmpsuite/g", "pal8.bmp"));
    ASSERT_EQ(cut.size(), whole.size());
    EXPECT_EQ(cut.pixelColor(0, cut.height() - 1), whole.pixelColor(0, whole.height() - 1));
    EXPECT_EQ(cut.pixelColor(0, 0).alpha(), 0);
}

// ----------------------------------------------------------------- PngSuite

// Pictures that Qt's PNG reader gets wrong, with a file of the suite that
// stores the same picture in a layout Qt reads right: 16-bit RGB with a
// transparent colour, where Qt leaves pixels undefined, and its 8-bit twin.
const std::map<std::string, std::string> Png_Same_Picture = {
    {"tbbn2c16.png", "tbrn2c08.png"},
    {"tbgn2c16.png", "tbrn2c08.png"},
};

TEST(PngSuite, EveryFileMatchesTheReferenceDecoding)
{
    const std::vector<std::string> files = Suite_Files("pngsuite", ".png");
    ASSERT_GT(files.size(), 150u);
    for (const std::string& name : files) {
        const T_Loaded_Picture picture = Load_Picture(Suite_Path("pngsuite", name));
        if (name[0] == 'x') { // the suite's corrupt files
            EXPECT_NE(picture.Result, T_Picture_Load_Result::Loaded) << name;
            continue;
        }
        ASSERT_EQ(picture.Result, T_Picture_Load_Result::Loaded) << name << ": " << picture.Reason;
        const auto same = Png_Same_Picture.find(name);
        if (same != Png_Same_Picture.end()) {
            if (!VARNOLT_REFERENCE_DECODERS)
                continue; // Qt's reader, which does not decode these (their pixels are defined, not
                          // right)
            QImageReader twin(QString::fromStdString(Suite_Path("pngsuite", same->second)), "png");
            EXPECT_EQ(Differing_Pixels(picture.Image, twin.read()), 0) << name;
            continue;
        }
        QImageReader qt(QString::fromStdString(Suite_Path("pngsuite", name)), "png");
        const QImage expected = qt.read();
        ASSERT_FALSE(expected.isNull()) << name;
        EXPECT_EQ(Differing_Pixels(picture.Image, expected), 0) << name;
    }
}

// ------------------------------------------------------------ libtiff pictures

#if VARNOLT_REFERENCE_DECODERS
// libtiff's RGBA rendering of a file's first page, top row first, or null
// when the interface cannot render it.
QImage Tiff_Reference(const std::string& path)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff)
        return {};
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGBA8888_Premultiplied);
    std::vector<std::uint32_t> raster(std::size_t{w} * h);
    const bool ok =
        TIFFReadRGBAImageOriented(tiff, w, h, raster.data(), ORIENTATION_TOPLEFT, 1) == 1;
    TIFFClose(tiff);
    if (!ok)
        return {};
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint32_t p = raster[y * w + x];
            image.setPixel(static_cast<int>(x), static_cast<int>(y),
                           qRgba(TIFFGetR(p), TIFFGetG(p), TIFFGetB(p), TIFFGetA(p)));
        }
    return image;
}
#endif

TEST(LibtiffPictures, EveryFileMatchesLibtiffsRgbaRendering)
{
#if !VARNOLT_REFERENCE_DECODERS
    GTEST_SKIP() << "Linux only: this build reads TIFF with Qt's reader (no libtiff here)";
#else
    std::vector<std::string> paths;
    for (const std::string& name : Suite_Files("libtiff", ".tiff"))
        paths.push_back(Suite_Path("libtiff", name));
    for (const std::string& name : Suite_Files("libtiff", ".tif"))
        paths.push_back(Suite_Path("libtiff", name));
    paths.push_back(Sample_Path("rgb16-planar.tif"));
    ASSERT_GT(paths.size(), 20u);
    for (const std::string& path : paths) {
        const QImage expected = Tiff_Reference(path);
        const T_Loaded_Picture picture = Load_Picture(path);
        if (expected.isNull()) {
            EXPECT_NE(picture.Result, T_Picture_Load_Result::Loaded) << path;
            continue;
        }
        ASSERT_EQ(picture.Result, T_Picture_Load_Result::Loaded) << path << ": " << picture.Reason;
        EXPECT_EQ(picture.Qt_Format, "libtiff") << path;
        EXPECT_EQ(Differing_Pixels(picture.Image, expected), 0) << path;
    }
#endif
}

TEST(LibtiffPictures, SixteenBitRgbShowsTheEightBitPicture)
{
#if !VARNOLT_REFERENCE_DECODERS
    GTEST_SKIP() << "Linux only: Qt's TIFF reader refuses or garbles 16-bit RGB";
#else
    // The suite stores one picture at 8 and at 16 bits; planar or chunky.
    const QImage eight = Load_Ok(Suite_Path("libtiff", "rgb-3c-8b.tiff"));
    EXPECT_LE(Differing_Pixels(Load_Ok(Suite_Path("libtiff", "rgb-3c-16b.tiff")), eight, 1), 0);
    EXPECT_LE(Differing_Pixels(Load_Ok(Sample_Path("rgb16-planar.tif")), eight, 1), 0);
#endif
}

} // namespace
