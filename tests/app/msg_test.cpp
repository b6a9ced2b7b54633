#include "vocabulary/U_Msg.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

TEST(GetMsg, TurnsEveryLineBreakMarkIntoCrLf)
{
    EXPECT_EQ(Get_Msg(cap_Cant_Open_File), "Can't open file!\r\nFile may be corrupted or locked.");
    EXPECT_EQ(Get_Msg(cap_File_Not_Found), "File not found!");
    EXPECT_EQ(Get_Msg(cap_Image_Convert_Fail), "Image convert fail!\r\nFile may be corrupted.");
    // Several marks in one row: every one goes.
    std::string several = Get_Msg(cap_No_Display);
    EXPECT_EQ(several.find("\\n"), std::string::npos);
    EXPECT_EQ(std::count(several.begin(), several.end(), '\r'), 2);
}

TEST(GetMsg, HoldsTheShownRowsAtTheirPositions)
{
    EXPECT_STREQ(Msg_Catalogue[24].Key, "cap_Image_Compare_Fail");
    EXPECT_EQ(Get_Msg(24), "Image compare fail!");
    EXPECT_EQ(Get_Msg(25), "Compare images");
    EXPECT_EQ(Get_Msg(26), "Compare images with different sizes");
    EXPECT_EQ(Get_Msg(29).rfind("MS Word is not found!", 0), 0u);
    EXPECT_EQ(Get_Msg(30).rfind("MS Visio is not found!", 0), 0u);
    EXPECT_EQ(Get_Msg(31), "MS Visio export fail.");
    EXPECT_EQ(Get_Msg(32).rfind("Kompas is not found!", 0), 0u);
    EXPECT_EQ(Get_Msg(35), "Error!");
    for (int i = 0; i < Msg_Catalogue_Size; ++i)
        EXPECT_EQ(std::string(Msg_Catalogue[i].Key).rfind("cap_", 0), 0u) << i;
}

TEST(ShowMsg, PlainBoxCarriesTheTitleAndErrorBoxTheErrorCaption)
{
    test::Msg_Recorder recorder;
    Show_Msg("hello");
    Show_Error("broken");
    ASSERT_EQ(recorder.Messages.size(), 2u);
    EXPECT_EQ(recorder.Messages[0].Kind, T_Msg_Kind::Plain);
    EXPECT_EQ(recorder.Messages[0].Caption, "varnolt");
    EXPECT_EQ(recorder.Messages[1].Kind, T_Msg_Kind::Warning);
    EXPECT_EQ(recorder.Messages[1].Caption, "Error!");
}

TEST(ApplicationTitle, IsTheFileNameUpToItsFirstDotInLowerCase)
{
    EXPECT_EQ(Title_From_Executable("VARNOLT.EXE"), "Varnolt");
    EXPECT_EQ(Title_From_Executable("varnolt"), "varnolt");
    EXPECT_EQ(Title_From_Executable("var.nolt.exe"), "var");
}
