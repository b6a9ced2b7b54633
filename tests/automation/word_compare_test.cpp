// Word's document comparison against a recording fake of Word: the call table
// in order, every result code with its calls, and what Word_Diff returns.
#include "tests/automation/fake_office_servers.h"
#include "tests/test_support.h"
#include "automation/u_ms_word_compare.h"
#include "engine/u_temp_files.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

Calls Open_Calls(const std::string& file, bool visible = false)
{
    return {"word.Documents get()", "docs.OpenNoRepairDialog call(str& '" + file +
                                        "', bool false; ReadOnly=bool true, Visible=bool " +
                                        (visible ? "true" : "false") + ")"};
}

Calls Join(std::initializer_list<Calls> parts)
{
    Calls all;
    for (const Calls& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Without a Word server: on Windows Word itself is missing; elsewhere the
// package with LibreOffice's helper is, and the message names it.
std::string Word_Missing_Message()
{
#ifdef _WIN32
    return Get_Msg(cap_MSWord_Not_Found);
#else
    return Get_Msg(cap_Office_Not_Installed);
#endif
}

class Word : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        test::Write_File(base, "base");
        test::Write_File(modified, "modified");
        copy = Temp_Dir() + "new.docx";
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    test::Fake_Word server;
    std::unique_ptr<test::Server_Registration> registration =
        std::make_unique<test::Server_Registration>("Word.Application",
                                                    [this] { return server.Make_App(); });
    std::string base = dir / "old.docx";
    std::string modified = dir / "new.docx";
    std::string copy; // the read-only copy Word_Diff compares instead of the base
};

TEST_F(Word, ComparesTheBaseCopyWithTheModifiedFileAndShowsNothing)
{
    EXPECT_TRUE(Word_Diff(base, modified).Done());
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(test::Read_File(copy), "base");
    EXPECT_EQ(
        *server.Trace,
        Join({Open_Calls(copy),
              Open_Calls(modified),
              {"word.Visible put(bool true)", "word.CompareDocuments call(obj doc0, obj doc1)",
               "doc0.Close call()", "doc1.Close call()", "word.Activate call()"}}));

    std::string error = "stale";
    EXPECT_EQ(MS_Word_Compare(base, modified, error), Word_Compared);
    EXPECT_EQ(error, "");
}

TEST_F(Word, EveryFailureHasItsCodeCallsAndMessage)
{
    struct Case {
        const char* What;
        std::function<void()> Arrange;
        unsigned char Code;
        std::function<std::string()> Message;
        std::function<Calls()> Calls_Made;
    };
    std::string cant_open = Get_Msg(cap_Cant_Open_File) + "\r\n";
    std::vector<Case> cases = {
        {"base vanished", [&] { std::filesystem::remove(base); }, Word_No_Base_File,
         [&] { return "Left " + base + " file not found"; }, [] { return Calls{}; }},
        {"modified vanished", [&] { std::filesystem::remove(modified); }, Word_No_Modified_File,
         [&] { return "Right " + modified + " file not found"; }, [] { return Calls{}; }},
        {"base refused",
         [&] {
             server.Refused = {base, copy};
         },
         Word_Cant_Open_Base, [&] { return cant_open + "Word cannot open " + copy; },
         [&] {
             return Join({Open_Calls(copy), {"word.Quit call()"}});
         }},
        {"modified refused", [&] { server.Refused = {modified}; }, Word_Cant_Open_Modified,
         [&] { return cant_open + "Word cannot open " + modified; },
         [&] {
             return Join({Open_Calls(copy),
                          Open_Calls(modified),
                          {"doc0.Close call()", "word.Quit call()"}});
         }},
        {"no Word", [&] { registration.reset(); }, Word_Not_Found, Word_Missing_Message,
         [] { return Calls{}; }},
        {"compare refused", [&] { server.Compare_Fails = true; }, Word_Compare_Failed,
         [] { return std::string("MS Word can't compare file!\r\nCompare refused"); },
         [&] {
             return Join({Open_Calls(copy),
                          Open_Calls(modified),
                          {"word.Visible put(bool true)",
                           "word.CompareDocuments call(obj doc0, obj doc1)", "word.Quit call()"}});
         }},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.What);
        SetUp();
        server = test::Fake_Word();
        registration.reset(); // before registering again under the same ProgID
        registration.reset(); // its end unregisters the ProgID
        registration = std::make_unique<test::Server_Registration>(
            "Word.Application", [this] { return server.Make_App(); });
        messages.Messages.clear();
        c.Arrange();

        // The failure comes back with its message; nothing is shown here.
        T_Work_Result result = Word_Diff(base, modified);
        EXPECT_EQ(result.Outcome, T_Work_Result::T_Outcome::Failed);
        EXPECT_EQ(result.Message, c.Message());
        EXPECT_TRUE(messages.Messages.empty());
        EXPECT_EQ(*server.Trace, c.Calls_Made());

        // The code itself, on the files Word_Diff used.
        std::string error;
        std::string used_base = std::filesystem::exists(copy) ? copy : base;
        EXPECT_EQ(MS_Word_Compare(used_base, modified, error), c.Code);
    }
}

TEST_F(Word, ADocumentWithoutItsOtherVersionIsShownAloneFromAReadOnlyCopy)
{
    // Added: the modified document, copied under its own name.
    EXPECT_TRUE(Word_Diff("/dev/null", modified).Done());
    EXPECT_EQ(*server.Trace, Join({Open_Calls(copy, true),
                                   {"word.Visible put(bool true)", "word.Activate call()"}}));
    EXPECT_EQ(test::Read_File(copy), "modified");
#ifdef _WIN32
    // Windows knows read-only, not owners: every reading right shows.
    EXPECT_EQ(std::filesystem::status(copy).permissions(), std::filesystem::perms(0444));
#else
    EXPECT_EQ(std::filesystem::status(copy).permissions(), std::filesystem::perms(0400));
#endif
    EXPECT_EQ(test::Read_File(modified), "modified");

    // Deleted: the base, copied under its own name.
    server.Trace->clear();
    EXPECT_TRUE(Word_Diff(base, "/dev/null").Done());
    EXPECT_EQ(*server.Trace, Join({Open_Calls(Temp_Dir() + "old.docx", true),
                                   {"word.Visible put(bool true)", "word.Activate call()"}}));
    EXPECT_TRUE(messages.Messages.empty());

    // A document Word refuses: Word quits, and the message names the
    // user's file, not the copy.
    server.Trace->clear();
    server.Refused = {copy};
    T_Work_Result refused = Word_Diff("/dev/null", modified);
    EXPECT_EQ(refused.Outcome, T_Work_Result::T_Outcome::Failed);
    EXPECT_EQ(refused.Message,
              Get_Msg(cap_Cant_Open_File) + "\r\n" + "Word cannot open " + modified);
    EXPECT_EQ(*server.Trace, Join({Open_Calls(copy, true), {"word.Quit call()"}}));

    // Without Word, and without the file.
    registration.reset();
    EXPECT_EQ(Word_Diff("/dev/null", modified).Message, Word_Missing_Message());
    std::string error;
    EXPECT_EQ(MS_Word_Show(dir / "gone.docx", error), Word_No_Base_File);
}

TEST_F(Word, ANonDocumentAnswerIsAFailedOpen)
{
    server.No_Document = true;
    std::string error;
    EXPECT_EQ(MS_Word_Compare(base, modified, error), Word_Cant_Open_Base);
    EXPECT_NE(error.find("no document"), std::string::npos) << error;
    EXPECT_EQ(server.Trace->back(), "word.Quit call()");
}

TEST_F(Word, AnErrorWithoutResultCodeLeavesAsTheAutomationError)
{
    // Word fails to open the base file and then also to quit: the
    // application reports what escapes (see Show_Word_Diff).
    server.Refused = {copy};
    server.Quit_Fails = true;
    try {
        Word_Diff(base, modified);
        ADD_FAILURE() << "no error";
    } catch (const T_Automation_Error& error) {
        EXPECT_NE(std::string(error.what()).find("Quit refused"), std::string::npos);
    }
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Word, AServerThatFailsToStartIsReportedAsWordNotFoundNotAsAMissingPackage)
{
    // The office helper is there but could not start its office: the reason
    // is on the error output, and installing the package would not help.
    registration.reset(); // its end unregisters the ProgID
    registration = std::make_unique<test::Server_Registration>(
        "Word.Application", [] { return std::shared_ptr<T_Dispatch>(); });
    EXPECT_EQ(Word_Diff(base, modified).Message, Get_Msg(cap_MSWord_Not_Found));
    EXPECT_EQ(Word_Diff("/dev/null", modified).Message, Get_Msg(cap_MSWord_Not_Found));
}

} // namespace
