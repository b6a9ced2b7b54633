// What the application shows of Word's comparison: a failure in a plain
// message, an error of Word without a result code as an unexpected error.
#include "tests/automation/fake_office_servers.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "app/gui/word_comparison.h"

#include <gtest/gtest.h>

namespace {

TEST(Word_Window, FailuresAndUnexpectedErrorsAreShownOnce)
{
    Prepare_Temp_Folder();
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    test::Write_File(dir / "old.docx", "base");
    test::Write_File(dir / "new.docx", "modified");
    test::Fake_Word server;
    test::Server_Registration registration("Word.Application", [&] { return server.Make_App(); });

    EXPECT_TRUE(Show_Word_Diff(dir / "old.docx", dir / "new.docx"));
    EXPECT_TRUE(messages.Messages.empty());

    server = test::Fake_Word();
    server.Compare_Fails = true;
    EXPECT_FALSE(Show_Word_Diff(dir / "old.docx", dir / "new.docx"));
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Kind, T_Msg_Kind::Plain);
    EXPECT_EQ(messages.Messages[0].Text, "MS Word can't compare file!\r\nCompare refused");

    messages.Messages.clear();
    server = test::Fake_Word();
    server.Refused = {Temp_Dir() + "new.docx"};
    server.Quit_Fails = true;
    EXPECT_FALSE(Show_Word_Diff(dir / "old.docx", dir / "new.docx"));
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Kind, T_Msg_Kind::Stop);
    EXPECT_NE(messages.Messages[0].Text.find("Quit refused"), std::string::npos);
}

} // namespace
