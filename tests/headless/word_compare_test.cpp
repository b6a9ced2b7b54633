// Word and Writer documents compared without a window: the built program
// runs LibreOffice Writer's document comparison through a headless office
// helper. The documents are made by LibreOffice itself from small HTML texts;
// the tests that need it are skipped where it is not installed.
#include "office/office_protocol.h"
#include "automation/office_text_compare.h"
#include "tests/headless/program_run.h"
#include "tests/test_support.h"

#include <QProcess>
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

// Word documents made by LibreOffice from HTML texts, in `folder`: for each
// name "x" the text x.html becomes x.docx. With another source extension
// the texts are whole files of that kind.
void Make_Word_Documents(const Scratch_Dir& folder,
                         const std::vector<std::pair<std::string, std::string>>& texts,
                         const std::string& source = "html")
{
    QStringList arguments{QStringLiteral("-env:UserInstallation=file://") +
                              QString::fromStdString(folder / "profile"),
                          QStringLiteral("--headless"),
                          QStringLiteral("--convert-to"),
                          QStringLiteral("docx:MS Word 2007 XML"),
                          QStringLiteral("--outdir"),
                          QString::fromStdString(folder.Str())};
    for (const auto& [name, body] : texts) {
        Write_File(folder / (name + "." + source),
                   source == "html" ? "<html><body>" + body + "</body></html>" : body);
        arguments << QString::fromStdString(folder / (name + "." + source));
    }
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"), arguments);
    ASSERT_TRUE(soffice.waitForFinished(180000));
    for (const auto& [name, body] : texts)
        ASSERT_TRUE(fs::exists(folder / (name + ".docx"))) << name;
    fs::remove_all(folder / "profile");
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
    ASSERT_TRUE(
        Parse_Text_Changes({"2", "1", "0", "insertion", "new text", "deletion", ""}, changes));
    EXPECT_EQ(changes.Insertions, 2);
    EXPECT_EQ(changes.Deletions, 1);
    EXPECT_EQ(changes.Format_Changes, 0);
    ASSERT_EQ(changes.Changes.size(), 2u);
    EXPECT_EQ(changes.Changes[0].Text, "new text");
    EXPECT_EQ(changes.Changes[1].Kind, "deletion");

    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {},
             {"1", "0"},
             {"1", "-1", "0"},
             {"x", "0", "0"},
             {"1", "0", "0", "insertion"},      // a kind without its text
             {"0", "0", "0", "insertion", "a"}, // more listed than counted
             {"1", "0", "0", "moved", "a"}}) {  // a kind the program does not know
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
    const std::string program = dir / "varnolt";
    fs::copy_file(VARNOLT_BUILD_DIR "/varnolt", program);
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
