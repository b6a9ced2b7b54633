// The converter command lines as text, the format prefix and the shave rules.
#include "engine/file_name_fit.h"
#include "vocabulary/file_names.h"
#include "engine/u_image_compare.h"

#include <gtest/gtest.h>

namespace {

const std::string Converter = "C:\\Program Files\\Varnolt\\imagemagick\\convert.exe";

TEST(Compare_Command, WindowsLinesMatchTheBatchPiecesByteForByte)
{
    const T_Batch_Dialect& cmd = Windows_Batch_Dialect();
    std::string out = "C:\\T\\Quorbit_tmp\\tempfile_#_7_9a.png.compared.png";
    // The converter reads private names with the first picture selected.
    T_Compare_Input a{"C:\\T\\Quorbit_tmp\\tempfile_#_1_2.input", "png"};
    T_Compare_Input b{"C:\\T\\Quorbit_tmp\\tempfile_#_3_4.input", "jpeg"};

    EXPECT_EQ(Compare_Command_Line(cmd, Converter, false, 15, a, b, out),
              "@\"" + Converter + "\"  -compare png:\"" + a.File + "[0]\" jpeg:\"" + b.File +
                  "[0]\" \"" + out + "\"");
    EXPECT_EQ(Compare_Command_Line(cmd, Converter, true, 15, a, b, out),
              "@\"" + Converter + "\"  -shave 15x15 -trim -compare png:\"" + a.File +
                  "[0]\" jpeg:\"" + b.File + "[0]\" \"" + out + "\"");
    T_Compare_Input unknown{"C:\\T\\x", ""};
    EXPECT_EQ(Compare_Command_Line(cmd, Converter, true, 0, unknown, unknown, out),
              "@\"" + Converter +
                  "\"  -shave 0x0 -trim -compare \"C:\\T\\x[0]\" \"C:\\T\\x[0]\" \"" + out + "\"");

    // "%" doubled in the output formed from the left name.
    EXPECT_EQ(Compare_Command_Line(cmd, Converter, false, 0, a, a,
                                   "C:\\T\\tempfile_#_1_2100%.bmp.compared.png"),
              "@\"" + Converter + "\"  -compare png:\"" + a.File + "[0]\" png:\"" + a.File +
                  "[0]\" \"C:\\T\\tempfile_#_1_2100%%.bmp.compared.png\"");

    EXPECT_EQ(Convert_Command_Line(cmd, Converter, "j2k", "C:\\T\\tempfile_#_5_6.input",
                                   "C:\\T\\tempfile_#_3_4v1.jp2.converted.png"),
              "@\"" + Converter + "\" j2k:\"C:\\T\\tempfile_#_5_6.input[0]\" " +
                  "\"C:\\T\\tempfile_#_3_4v1.jp2.converted.png\"");
}

TEST(Compare_Command, PosixLinesQuoteEveryNameAndNameThePolicyFolder)
{
    EXPECT_EQ(Compare_Command_Line(Posix_Sh_Dialect(), "/opt/v x/imagemagick/convert", true, 3,
                                   {"/t/a.input", "png"}, {"/t/b.input", "gif"}, "/t/o%d.png"),
              "MAGICK_CONFIGURE_PATH='/opt/v x/imagemagick/' '/opt/v x/imagemagick/convert'  "
              "-shave 3x3 -trim -compare png:'/t/a.input[0]' gif:'/t/b.input[0]' '/t/o%%d.png'");
}

TEST(Compare_Command, FormatWordsAndNamePartsThatFitTheFileSystem)
{
    // Only formats the converter reads as the panes show them get a word.
    EXPECT_EQ(Converter_Format_Word("jpeg"), "jpeg");
    EXPECT_EQ(Converter_Format_Word("bmp"), "bmp");
    for (const char* own : {"", "tiff", "tga", "ico", "psd", "psp", "emf", "pcx"})
        EXPECT_EQ(Converter_Format_Word(own), "") << own;
    EXPECT_EQ(File_Name_Part("/d/e/a.png"), "a.png");
    // The converter keeps a CMYK JPEG's inks: the pane's picture is compared.
    const std::string data = VARNOLT_TEST_DATA "/imaging/";
    EXPECT_EQ(Converter_Word_For_File(data + "rgb.jpg", "jpeg"), "jpeg");
    EXPECT_EQ(Converter_Word_For_File(data + "progressive.jpg", "jpeg"), "jpeg");
    EXPECT_EQ(Converter_Word_For_File(data + "cmyk.jpg", "jpeg"), "");

    EXPECT_EQ(Fit_File_Name("short.png", 255), "short.png");
    EXPECT_EQ(Fit_File_Name("abcdefgh.png", 8), "abcd.png");
    // Never cut inside a character: "ж" is two bytes.
    EXPECT_EQ(Fit_File_Name("жжжж.png", 9), "жж.png");
    EXPECT_EQ(Fit_File_Name("noextension", 5), "noext");
    EXPECT_EQ(Fit_File_Name("a.verylongextension", 6), "a.very");
}

TEST(Compare_Command, ShaveKeysAndLimits)
{
    EXPECT_EQ(Shave_Key(false, 15), 0);
    EXPECT_EQ(Shave_Key(true, 15), 15);
    EXPECT_EQ(Shave_Key(true, 0), -1);
    EXPECT_EQ(Trim_Part(false, 15), " ");
    EXPECT_EQ(Trim_Part(true, 15), " -shave 15x15 -trim ");

    EXPECT_EQ(Shave_Limit(10, 7), 2);
    EXPECT_EQ(Shave_Limit(3, 3), 1);
    EXPECT_EQ(Shave_Limit(100, 80), 39);
    EXPECT_EQ(Shave_Limit(0, 0), 1);
}

} // namespace
