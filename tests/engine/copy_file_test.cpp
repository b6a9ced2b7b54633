// The silent copy behaves alike on every system.
#include "engine/U_ShellOp.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

TEST(CopyFileSilent, ReplacesWithoutAsking)
{
    test::Scratch_Dir dir;
    test::Write_File(dir / "a", "A");
    test::Write_File(dir / "b", "B");
    EXPECT_TRUE(Copy_File_Silent(dir / "a", dir / "b"));
    EXPECT_EQ(test::Read_File(dir / "b"), "A");
    EXPECT_FALSE(Shell_File_Operation(3, dir / "a", dir / "c", nullptr, true, false));
}
