// The converter command lines as text, the format prefix and the shave rules.
#include "u_image_compare.h"

#include <gtest/gtest.h>

namespace {

const std::string Converter = "C:\\Program Files\\Varnolt\\imagemagick\\convert.exe";

TEST(Compare_Command, WindowsLinesMatchTheBatchPiecesByteForByte)
{
    const T_Batch_Dialect& cmd = Windows_Batch_Dialect();
    std::string out = "C:\\T\\Quorbit_tmp\\tempfile_#_7_9a.png.compared.png";

    EXPECT_EQ(Compare_Command_Line(cmd, Converter, false, 15, "png:", "C:\\d\\a.png",
                                   "C:\\d\\b.png", out),
              "@\"" + Converter + "\"  -compare png:\"C:\\d\\a.png\" png:\"C:\\d\\b.png\" \"" +
                  out + "\"");
    EXPECT_EQ(Compare_Command_Line(cmd, Converter, true, 15, "png:", "C:\\d\\a.png",
                                   "C:\\d\\b.png", out),
              "@\"" + Converter + "\"  -shave 15x15 -trim -compare png:\"C:\\d\\a.png\" " +
                  "png:\"C:\\d\\b.png\" \"" + out + "\"");
    EXPECT_EQ(Compare_Command_Line(cmd, Converter, true, 0, "", "C:\\d\\a", "C:\\d\\b", out),
              "@\"" + Converter + "\"  -shave 0x0 -trim -compare \"C:\\d\\a\" \"C:\\d\\b\" \"" +
                  out + "\"");

    // "%" doubled in the inputs and in the output formed from the left name.
    EXPECT_EQ(Compare_Command_Line(cmd, Converter, false, 0, "PNG:", "C:\\d\\100%.bmp",
                                   "C:\\d\\b%c%.PNG", "C:\\T\\tempfile_#_1_2100%.bmp.compared.png"),
              "@\"" + Converter + "\"  -compare PNG:\"C:\\d\\100%%.bmp\" PNG:\"C:\\d\\b%%c%%.PNG\" " +
                  "\"C:\\T\\tempfile_#_1_2100%%.bmp.compared.png\"");

    EXPECT_EQ(Convert_Command_Line(cmd, Converter, "j2k", "C:\\d\\v1.jp2",
                                   "C:\\T\\tempfile_#_3_4v1.jp2.converted.png"),
              "@\"" + Converter + "\" j2k:\"C:\\d\\v1.jp2\" " +
                  "\"C:\\T\\tempfile_#_3_4v1.jp2.converted.png\"");
}

TEST(Compare_Command, PosixLinesQuoteEveryNameAndNameThePolicyFolder)
{
    EXPECT_EQ(Compare_Command_Line(Posix_Sh_Dialect(), "/opt/v x/imagemagick/convert", true, 3,
                                   "png:", "/d/it's.png", "/d/$b.png", "/t/o%d.png"),
              "MAGICK_CONFIGURE_PATH='/opt/v x/imagemagick/' '/opt/v x/imagemagick/convert'  "
              "-shave 3x3 -trim -compare png:'/d/it'\\''s.png' png:'/d/$b.png' '/t/o%%d.png'");
}

TEST(Compare_Command, PrefixComesFromTheKindOrTheRightExtension)
{
    EXPECT_EQ(Compare_Prefix(0, "/d/b.PNG"), "PNG:");
    EXPECT_EQ(Compare_Prefix(0, "/d/b"), "");
    EXPECT_EQ(Compare_Prefix(0, "/d.v2/b"), "");
    EXPECT_EQ(Compare_Prefix(2, "/d/b.jp2"), "j2k:");
    EXPECT_EQ(Compare_Prefix(1, "/d/b.svg"), "svg:");
    EXPECT_EQ(Compare_Prefix(3, "/d/b.ppm"), "ppm:");
    EXPECT_EQ(File_Name_Part("/d/e/a.png"), "a.png");
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
