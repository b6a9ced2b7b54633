// Picture sizes read from SVG, PNM and JPEG 2000 headers. The SVG sizes are
// the ones the converter's own renderer produced for the same files.
#include "engine/declared_size.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using test::Scratch_Dir;
using test::Write_File;

struct Size_Case {
    const char* Content;
    long long Width, Height;
};

class Declared_Size_Test : public ::testing::Test {
protected:
    bool Read(const std::string& content, const std::string& format)
    {
        std::string path = dir / ("input." + format);
        Write_File(path, content);
        error.clear();
        return Read_Declared_Size(path, format, width, height, error);
    }

    void Expect_Size(const std::string& content, const std::string& format, long long w,
                     long long h)
    {
        SCOPED_TRACE(content);
        ASSERT_TRUE(Read(content, format)) << error;
        EXPECT_EQ(width, w);
        EXPECT_EQ(height, h);
    }

    void Expect_Refused(const std::string& content, const std::string& format)
    {
        SCOPED_TRACE(content);
        EXPECT_FALSE(Read(content, format));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
    }

    Scratch_Dir dir;
    long long width = -1, height = -1;
    std::string error;
};

std::string Svg(const std::string& attributes)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" " + attributes + "><rect/></svg>";
}

TEST_F(Declared_Size_Test, SvgUnitsAsTheConverterRendersThem)
{
    const Size_Case cases[] = {
        {"width=\"100\" height=\"50\"", 100, 50},
        {"width=\"100px\" height=\"50px\"", 100, 50},
        {"width=\"100pt\" height=\"50pt\"", 100, 50}, // one pixel per pt
        {"width=\"10pc\" height=\"5pc\"", 160, 80},
        {"width=\"210mm\" height=\"297mm\"", 794, 1123},
        {"width=\"10cm\" height=\"1cm\"", 378, 38},
        {"width=\"2IN\" height=\"1in\"", 192, 96},
        {"width=\"12 mm\" height=\".5in\"", 45, 48},
        {"width=\"100.5\" height=\"50.49\"", 101, 50},
        {"width=\"1e2\" height=\"+5E1\"", 100, 50},
        {"width=\"&#49;00\" height='40'", 100, 40},
        {"font-size=\"20\" width=\"10em\" height=\"5ex\"", 200, 50},
        {"style=\"fill:red; font-size : 20\" width=\"10em\" height=\"5em\"", 200, 100},
        {"viewBox=\"0 0 300 120\"", 300, 120},
        {"viewBox=\"10,20,300,120\"", 300, 120},
        {"viewBox=\"0 0 100.5 40.5\"", 101, 41},
        {"width=\"200\" height=\"100\" viewBox=\"0 0 20 10\"", 200, 100},
        {"width=\"300\" viewBox=\"0 0 100 50\"", 300, 50},
        {"height=\"300\" viewBox=\"0 0 100 50\"", 100, 300},
        {"width=\"0\" height=\"50\" viewBox=\"0 0 30 40\"", 30, 50},
        {"width=\"abc\" height=\"50\" viewBox=\"0 0 30 40\"", 30, 50},
        // A percentage is of the viewBox read before it, else the viewBox.
        {"viewBox=\"0 0 200 100\" width=\"50%\" height=\"25%\"", 100, 25},
        {"width=\"50%\" height=\"25%\" viewBox=\"0 0 200 100\"", 200, 100},
        {"\n  width = \"120\"\n height=\"40\"", 120, 40},
    };
    for (const Size_Case& c : cases)
        Expect_Size(Svg(c.Content), "svg", c.Width, c.Height);
}

TEST_F(Declared_Size_Test, SvgPrologueAndRootForms)
{
    Expect_Size(
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- <svg width=\"5\" height=\"5\"> -->\n"
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"x.dtd\" [\n"
        "  <!ENTITY a \"<svg width='1' height='1'>\"> <!-- ] > -->\n]>\n"
        "<?pi <svg width=\"2\"?>\n<svg width=\"70\" height=\"30\"><svg width=\"500\"/></svg>",
        "svg", 70, 30);
    Expect_Size("<s:svg xmlns:s=\"http://www.w3.org/2000/svg\" width=\"70\" height=\"30\"/>", "svg",
                70, 30);
    // UTF-16 with a byte order mark, as the converter reads it too.
    std::string text = "\xFF\xFE";
    for (char c : Svg("width=\"77\" height=\"33\""))
        text += std::string{c, '\0'};
    Expect_Size(text, "svg", 77, 33);
}

TEST_F(Declared_Size_Test, SvgWithoutUsableSizeIsRefused)
{
    for (const char* attributes :
         {"", "width=\"-100\" height=\"50\"", "width=\"50%\" height=\"25%\"",
          "width=\"0.3\" height=\"0.3\"", "viewBox=\"0 0 -300 120\"",
          "width=\"100\" height=\"40\" width=\"200\""})
        Expect_Refused(Svg(attributes), "svg");
    Expect_Refused("<html><svg width=\"10\" height=\"10\"/></html>", "svg");
    Expect_Refused("<svg width=\"10\" height=\"10\"", "svg");
    Expect_Refused("<svg width=10 height=\"10\">", "svg");
    Expect_Refused("<!-- never closed <svg width=\"10\" height=\"10\">", "svg");
    Expect_Refused("garbage", "svg");
    Expect_Refused("", "svg");
    Expect_Refused(std::string("\x1F\x8B\x08\x00", 4), "svg");
}

TEST_F(Declared_Size_Test, HugeSvgSizeIsReadQuicklyAndSaturates)
{
    auto start = std::chrono::steady_clock::now();
    Expect_Size("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30000\" height=\"30000\">"
                "<rect width=\"30000\" height=\"30000\" fill=\"red\"/></svg>",
                "svg", 30000, 30000);
    Expect_Size(Svg("width=\"1e300\" height=\"99999999999999999999\""), "svg", Declared_Size_Limit,
                Declared_Size_Limit);

    // A big file: only its beginning is read.
    std::string path = dir / "big.svg";
    Write_File(path, Svg("width=\"640\" height=\"480\""));
    std::filesystem::resize_file(path, 100LL * 1024 * 1024);
    ASSERT_TRUE(Read_Declared_Size(path, "svg", width, height, error)) << error;
    EXPECT_EQ(width, 640);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(Declared_Size_Test, PnmHeaders)
{
    Expect_Size("P6\n# made by hand\n640 # width\n480\n255\n", "ppm", 640, 480);
    Expect_Size("P1 3\t2 010101", "ppm", 3, 2);
    Expect_Size("P5\r\n#c\r\n7 9 255 ", "ppm", 7, 9);
    Expect_Size("P7\nWIDTH 12\nHEIGHT 34\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", "ppm",
                12, 34);
    Expect_Size("P6 99999999999999999999999 5 255 ", "ppm", Declared_Size_Limit, 5);
    for (const char* bad :
         {"P6\n640", "P6\n# only a comment", "P6 -5 5 255", "P6 0 5 255", "P8 1 1", "Q6 1 1 1", "P",
          "P7\nWIDTH 3\nENDHDR\n", "P7\nWIDTH x\nHEIGHT 3\n"})
        Expect_Refused(bad, "ppm");
}

std::string Be32(unsigned value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string Box(const std::string& type, const std::string& content)
{
    return Be32(static_cast<unsigned>(content.size() + 8)) + type + content;
}

std::string Siz(unsigned xsiz, unsigned ysiz, unsigned xosiz, unsigned yosiz)
{
    return std::string("\xFF\x4F\xFF\x51\x00\x29\x00\x00", 8) + Be32(xsiz) + Be32(ysiz) +
           Be32(xosiz) + Be32(yosiz) + std::string(24, '\0');
}

const std::string Jp2_Signature("\x00\x00\x00\x0CjP  \r\n\x87\n", 12);
const std::string File_Type = Box("ftyp", "jp2 " + Be32(0) + "jp2 ");

std::string Ihdr(unsigned height, unsigned width)
{
    return Box("ihdr", Be32(height) + Be32(width) + std::string("\x00\x03\x07\x07\x00\x00", 6));
}

TEST_F(Declared_Size_Test, Jpeg2000Headers)
{
    Expect_Size(Siz(1000, 800, 0, 0), "j2k", 1000, 800);
    Expect_Size(Siz(1000, 800, 200, 100), "j2k", 800, 700);
    // ihdr holds the height first; boxes before the header are skipped.
    Expect_Size(Jp2_Signature + File_Type + Box("xml ", "<x/>") +
                    Box("jp2h", Box("colr", std::string(7, '\1')) + Ihdr(480, 640)) +
                    Box("jp2c", Siz(1, 1, 0, 0)),
                "j2k", 640, 480);
    // Without a header box, the codestream's own size.
    Expect_Size(Jp2_Signature + File_Type + Box("jp2c", Siz(30, 20, 0, 0)), "j2k", 30, 20);
}

TEST_F(Declared_Size_Test, DamagedJpeg2000IsRefused)
{
    const std::string broken[] = {
        Siz(100, 100, 200, 0),                                      // offset beyond the grid
        Siz(100, 100, 0, 0).substr(0, 20),                          // cut short
        std::string("\xFF\x4F\xFF\x52", 4) + std::string(40, '\0'), // no SIZ marker
        Jp2_Signature + File_Type,                                  // no header
        Jp2_Signature + Box("jp2h", Ihdr(0, 640)),                  // empty picture
        Jp2_Signature + Box("jp2h", Box("ihdr", Be32(5))),          // ihdr cut short
        Jp2_Signature + Be32(0xFFFFFF00) + "jp2h" + Ihdr(480, 640), // box longer than the file
        Jp2_Signature + Be32(4) + "jp2h" + Ihdr(480, 640),          // box shorter than its header
        Jp2_Signature + Be32(1) + "jp2h" + Be32(0) + Be32(3) + Ihdr(480, 640),
        Jp2_Signature + Box("jp2h", Be32(0xFFFF) + "ihdr" + Be32(480) + Be32(640)),
        "not a picture",
    };
    for (const std::string& data : broken)
        Expect_Refused(data, "j2k");
}

TEST_F(Declared_Size_Test, MissingFileOrUnknownFormat)
{
    EXPECT_FALSE(Read_Declared_Size(dir / "missing.svg", "svg", width, height, error));
    EXPECT_FALSE(error.empty());
    Expect_Refused("P6 1 1 255 ", "bmp");
}

} // namespace
