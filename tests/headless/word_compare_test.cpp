// Word and Writer documents compared without a window: the built program
// runs LibreOffice Writer's document comparison through a headless office
// helper. The documents are made by LibreOffice itself from small HTML texts;
// the tests that need it are skipped where it is not installed.
#include "office/office_protocol.h"
#include "automation/office_text_compare.h"
#include "tests/automation/word_documents.h"
#include "tests/headless/program_run.h"
#include "tests/test_support.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

#include <filesystem>

using namespace test;

namespace {

// Writer's comparison starts an office: it may take minutes on a busy
// machine.
Run_Result Run_Varnolt(const std::vector<std::string>& arguments,
                       const std::string& program_file = VARNOLT_BUILD_DIR "/varnolt")
{
    return Run_Program(arguments, program_file, 300000);
}

bool Soffice_Installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

const char* Base_Text = "<p>The quick brown fox jumps over the lazy dog.</p>"
                        "<p>Second paragraph stays here.</p>";
// One paragraph inserted, one word deleted.
const char* Revised_Text = "<p>The quick brown fox jumps over the dog.</p>"
                           "<p>A new paragraph was inserted.</p>"
                           "<p>Second paragraph stays here.</p>";

} // namespace

TEST(HeadlessWordCompare, ReadsTheHelpersAnswerAndRefusesAMalformedOne)
{
    T_Text_Changes changes;
    ASSERT_TRUE(Parse_Text_Changes(
        {"2", "1", "0", "insertion", "", "new text", "deletion", "footnote 2", "old note"},
        changes));
    EXPECT_EQ(changes.Insertions, 2);
    EXPECT_EQ(changes.Deletions, 1);
    EXPECT_EQ(changes.Format_Changes, 0);
    ASSERT_EQ(changes.Changes.size(), 2u);
    EXPECT_EQ(changes.Changes[0].Text, "new text");
    EXPECT_EQ(changes.Changes[0].Place, "");
    EXPECT_EQ(changes.Changes[1].Kind, "deletion");
    // A change outside the body says where it is, also in its text.
    EXPECT_EQ(changes.Changes[1].Place, "footnote 2");
    EXPECT_EQ(changes.Changes[1].Text, "footnote 2: old note");

    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {},
             {"1", "0"},
             {"1", "-1", "0"},
             {"x", "0", "0"},
             {"1", "0", "0", "insertion", ""},      // a kind without its text
             {"0", "0", "0", "insertion", "", "a"}, // more listed than counted
             {"1", "0", "0", "moved", "", "a"}}) {  // a kind the program does not know
        T_Text_Changes untouched;
        untouched.Insertions = 7;
        EXPECT_FALSE(Parse_Text_Changes(wrong, untouched)) << wrong.size();
        EXPECT_EQ(untouched.Insertions, 7);
    }

    EXPECT_STREQ(office_protocol::Change_Kind_Word("Insert"), "insertion");
    EXPECT_STREQ(office_protocol::Change_Kind_Word("TableRowDelete"), "deletion");
    EXPECT_STREQ(office_protocol::Change_Kind_Word("Attributes"), "format");
    EXPECT_STREQ(office_protocol::Change_Kind_Word("ParagraphFormat"), "format");
}

TEST(HeadlessWordCompare, WithoutTheOfficeHelperIdenticalFilesPassAndOthersNameThePackage)
{
    // The program alone in a folder: no helper beside it.
    Scratch_Dir dir;
    const std::string program = test::Copy_Program_Alone(dir / "alone");
    Write_File(dir / "a.docx", "PK same bytes");
    Write_File(dir / "b.docx", "PK same bytes");
    Write_File(dir / "c.docx", "PK other bytes");

    // The same bytes are the same document: LibreOffice is not needed.
    Run_Result same = Run_Varnolt({"--compare", dir / "a.docx", dir / "b.docx"}, program);
    EXPECT_EQ(same.Code, 0) << same.Err;
    EXPECT_NE(same.Out.find(": identical"), std::string::npos) << same.Out;

    Run_Result other =
        Run_Varnolt({"--compare", "--json", dir / "a.docx", dir / "c.docx"}, program);
    EXPECT_EQ(other.Code, 2);
    EXPECT_NE(other.Err.find("sudo apt install varnolt-office"), std::string::npos) << other.Err;
    EXPECT_NE(other.Out.find("\"compared_by\":\"text\",\"result\":\"error\""), std::string::npos)
        << other.Out;
}

TEST(HeadlessWordCompare, CountsInsertionsAndDeletionsLeavingTheFilesAlone)
{
    if (!Soffice_Installed())
        GTEST_SKIP() << "LibreOffice is not installed";
    Scratch_Dir dir;
    Make_Word_Documents(dir, {{"old", Base_Text}, {"new", Revised_Text}});
    const std::string old_bytes = Read_File(dir / "old.docx");
    const std::string new_bytes = Read_File(dir / "new.docx");

    Run_Result json = Run_Varnolt({"--compare", "--json", dir / "old.docx", dir / "new.docx"});
    EXPECT_EQ(json.Code, 1) << json.Err;
    EXPECT_NE(json.Out.find("\"compared_by\":\"text\",\"result\":\"different\""), std::string::npos)
        << json.Out;
    EXPECT_NE(json.Out.find("\"insertions\":1,\"deletions\":1,\"format_changes\":0"),
              std::string::npos)
        << json.Out;
    EXPECT_NE(json.Out.find("{\"kind\":\"insertion\",\"text\":\"A new paragraph was inserted.\"}"),
              std::string::npos)
        << json.Out;
    EXPECT_NE(json.Out.find("{\"kind\":\"deletion\",\"text\":\"lazy"), std::string::npos)
        << json.Out;

    Run_Result line = Run_Varnolt({"--compare", "--junit", dir / "r.xml", "--report",
                                   dir / "report", dir / "old.docx", dir / "new.docx"});
    EXPECT_EQ(line.Code, 1);
    EXPECT_NE(line.Out.find("new.docx: different (1 insertion, 1 deletion, 0 format changes)\n"),
              std::string::npos)
        << line.Out;
    // The JUnit file and the HTML report tell the counts and the changes.
    const std::string xml = Read_File(dir / "r.xml");
    EXPECT_NE(xml.find("message=\"1 insertion, 1 deletion, 0 format changes: "), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("insertion: A new paragraph was inserted."), std::string::npos) << xml;
    const std::string page = Read_File(dir / "report/index.html");
    EXPECT_NE(page.find("<span class=\"change-kind\">insertion</span> <span class=\"text\">"
                        "A new paragraph was inserted.</span>"),
              std::string::npos)
        << page;

    // The office had copies only: the user's files are as they were.
    EXPECT_EQ(Read_File(dir / "old.docx"), old_bytes);
    EXPECT_EQ(Read_File(dir / "new.docx"), new_bytes);
    EXPECT_FALSE(fs::exists(dir / ".~lock.old.docx#"));
    EXPECT_FALSE(fs::exists(dir / ".~lock.new.docx#"));
}

TEST(HeadlessWordCompare, SameTextInOtherBytesIsIdenticalAndADamagedFileIsAnError)
{
    if (!Soffice_Installed())
        GTEST_SKIP() << "LibreOffice is not installed";
    Scratch_Dir dir;
    Make_Word_Documents(dir, {{"first", Base_Text}});
    fs::create_directories(dir / "old");
    fs::create_directories(dir / "new");
    fs::copy_file(dir / "first.docx", dir / "old/a.docx");
    // The same text saved once more: other bytes, no change.
    Make_Word_Documents(dir, {{"first", Base_Text}});
    fs::copy_file(dir / "first.docx", dir / "new/a.docx");
    // A document cut short is no document.
    const std::string whole = Read_File(dir / "first.docx");
    fs::copy_file(dir / "first.docx", dir / "old/b.docx");
    Write_File(dir / "new/b.docx", whole.substr(0, whole.size() / 2));

    Run_Result same = Run_Varnolt({"--compare", dir / "old/a.docx", dir / "new/a.docx"});
    EXPECT_EQ(same.Code, 0) << same.Out << same.Err;
    EXPECT_NE(same.Out.find(": identical"), std::string::npos) << same.Out;

    Run_Result damaged = Run_Varnolt({"--compare", dir / "old/b.docx", dir / "new/b.docx"});
    EXPECT_EQ(damaged.Code, 2);
    EXPECT_NE(damaged.Err.find("LibreOffice cannot open " + (dir / "new/b.docx")),
              std::string::npos)
        << damaged.Err;

    // Word files inside folders are compared the same way.
    Run_Result folders = Run_Varnolt({"--compare", "--json", dir / "old", dir / "new"});
    EXPECT_EQ(folders.Code, 2);
    EXPECT_NE(folders.Out.find("\"compared_by\":\"text\",\"result\":\"identical\""),
              std::string::npos)
        << folders.Out;
    EXPECT_NE(folders.Out.find("\"totals\":{\"identical\":1,\"different\":0,\"only_in_old\":0,"
                               "\"only_in_new\":0,\"errors\":1}"),
              std::string::npos)
        << folders.Out;
}

TEST(HeadlessWordCompare, ChangesOutsideTheBodyAreFoundAndNamedByTheirPlace)
{
    if (!Soffice_Installed())
        GTEST_SKIP() << "LibreOffice is not installed";
    Scratch_Dir dir;
    const Parts_Texts base;
    Parts_Texts header = base, footer = base, footnote = base, comment = base, text_box = base;
    header.Second_Header = "Appendix header";
    footer.Footer = "Revised footer";
    footnote.Footnote = "Footnote about another source";
    comment.Comment = "Comment answered";
    text_box.Text_Box = "Other words in the box";
    Make_Word_Documents(dir,
                        {{"base", Flat_Document(base)},
                         {"header", Flat_Document(header)},
                         {"footer", Flat_Document(footer)},
                         {"footnote", Flat_Document(footnote)},
                         {"comment", Flat_Document(comment)},
                         {"text_box", Flat_Document(text_box)}},
                        "fodt");
    struct Expected {
        const char* Name;
        std::string Place, Old_Text, New_Text;
    };
    // A text box's words are compared by the office's own comparison, which
    // marks the words it found changed: only its place is checked.
    for (const Expected& each :
         {Expected{"header", "header of section 2", base.Second_Header, header.Second_Header},
          Expected{"footer", "footer of section 1", base.Footer, footer.Footer},
          Expected{"footnote", "footnote 1", base.Footnote, footnote.Footnote},
          Expected{"comment", "comment 1", base.Comment, comment.Comment},
          Expected{"text_box", "text box 1", "", ""}}) {
        const std::string changed = dir / (std::string(each.Name) + ".docx");
        Run_Result json = Run_Varnolt({"--compare", "--json", dir / "base.docx", changed});
        EXPECT_EQ(json.Code, 1) << each.Name << json.Err;
        EXPECT_NE(json.Out.find("\"insertions\":1,\"deletions\":1,\"format_changes\":0"),
                  std::string::npos)
            << json.Out;
        for (const auto& [kind, text] :
             {std::pair{"deletion", each.Old_Text}, std::pair{"insertion", each.New_Text}})
            EXPECT_NE(json.Out.find(std::string("{\"kind\":\"") + kind + "\",\"place\":\"" +
                                    each.Place + "\",\"text\":\"" + each.Place + ": " + text +
                                    (text.empty() ? "" : "\"}")),
                      std::string::npos)
                << json.Out;
    }
    // The line of the text report says where.
    Run_Result line = Run_Varnolt({"--compare", dir / "base.docx", dir / "header.docx"});
    EXPECT_NE(line.Out.find("different (1 insertion, 1 deletion, 0 format changes) in header of "
                            "section 2\n"),
              std::string::npos)
        << line.Out;
}
