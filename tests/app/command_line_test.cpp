#include "command_line/command_line.h"

#include <gtest/gtest.h>

using Args = std::vector<std::string>;

TEST(SplitCommandLine, SplitsAtBlanksAndControlCharacters)
{
    EXPECT_EQ(Split_Command_Line("varnolt.exe a.png\tb.png\r\n"),
              (Args{"varnolt.exe", "a.png", "b.png"}));
    EXPECT_EQ(Split_Command_Line("   "), Args{});
}

TEST(SplitCommandLine, QuotedStretchesHoldBlanksAndLoseTheirQuotes)
{
    EXPECT_EQ(Split_Command_Line("\"C:\\Program Files\\varnolt.exe\" \"C:\\my plans\\a b.cdw\" x"),
              (Args{"C:\\Program Files\\varnolt.exe", "C:\\my plans\\a b.cdw", "x"}));
    // A quote inside an argument only toggles; an unclosed one runs to the end.
    EXPECT_EQ(Split_Command_Line("p a\"b c\"d \"e f"), (Args{"p", "ab cd", "e f"}));
}

TEST(SplitCommandLine, EmptyQuotesBetweenArgumentsAreSkipped)
{
    EXPECT_EQ(Split_Command_Line("p \"\" b.png"), (Args{"p", "b.png"}));
    EXPECT_EQ(Split_Command_Line("p \"\"  \"\" b.png \"\""), (Args{"p", "b.png"}));
}

TEST(SplitCommandLine, BytesAboveAsciiAreLettersNotSeparators)
{
    EXPECT_EQ(Split_Command_Line("p \xC4\x8D\xC3\xA9.png"), (Args{"p", "\xC4\x8D\xC3\xA9.png"}));
}

TEST(FilePair, TakesTheFirstTwoNonEmptyArguments)
{
    T_File_Pair pair = File_Pair_From_Arguments({"varnolt", "old.png", "new.png", "third"});
    EXPECT_EQ(pair.Left, "old.png");
    EXPECT_EQ(pair.Right, "new.png");

    pair = File_Pair_From_Arguments({"varnolt", "", "new.png"});
    EXPECT_EQ(pair.Left, "new.png");
    EXPECT_EQ(pair.Right, "");

    pair = File_Pair_From_Arguments({"varnolt"});
    EXPECT_EQ(pair.Left, "");
    EXPECT_EQ(pair.Right, "");
}
