// The text of a pair in every report: the changed region texts of two PDF
// pages on the line, in the JUnit file and in the HTML report, and the
// changes of two documents compared by their text.
#include "tests/headless/headless_fixture.h"
#include "headless/html_report_page.h"
#include "headless/junit_report.h"
#include "headless/report_merge.h"
#include "headless/report_text.h"
#include "tests/pdf/test_pdf_writer.h"

namespace {

T_Region_Text Changed(const std::string& Old, const std::string& New)
{
    return {Old, New, T_Text_Change::Changed};
}

// A drawing sheet with a dimension and a label; scan pages have no text.
test::Pdf_Page Text_Page(const std::string& Number, int Label_X)
{
    return test::Pdf_Page{595, 842,
                          test::Sheet_Frame() + test::Box(300, 300, 120, 80) +
                              "BT /F1 24 Tf 100 700 Td (" + Number + ") Tj ET BT /F1 18 Tf " +
                              std::to_string(Label_X) + " 450 Td (Title block) Tj ET",
                          test::Helvetica_Font};
}

} // namespace

TEST(Report_Text, ChangedRegionTextsAreShortOneLinePhrases)
{
    const T_Region_Text same{"Frame", "Frame", T_Text_Change::Same};
    const T_Region_Text moved{"Title block", "Title block", T_Text_Change::Moved};
    EXPECT_EQ(Changed_Region_Texts({same, Changed("5600", "5650"), moved}),
              "\"5600\" -> \"5650\", \"Title block\" moved");
    // Text added where there was none: the old side is empty.
    EXPECT_EQ(Region_Text_Phrase(Changed("", "NOTE")), "\"\" -> \"NOTE\"");
    EXPECT_EQ(Changed_Region_Texts({same, {"", "", T_Text_Change::None}}), "");

    std::vector<T_Region_Text> five;
    for (int i = 0; i < 5; ++i)
        five.push_back(Changed(std::to_string(i), std::to_string(i + 10)));
    EXPECT_EQ(Changed_Region_Texts(five),
              "\"0\" -> \"10\", \"1\" -> \"11\", \"2\" -> \"12\" and 2 more");

    // Long text is cut between characters, never inside one; lines join.
    const std::string long_text = "é" + std::string(60, 'x');
    const std::string phrase = Region_Text_Phrase(Changed(long_text, "a\nb"));
    EXPECT_EQ(phrase, "\"é" + std::string(39, 'x') + "…\" -> \"a b\"");
}

TEST(Report_Text, TheHtmlReportShowsRegionTextAndDocumentChangesEscaped)
{
    T_Html_Report report;
    T_Html_Entry pdf;
    pdf.Name = "plan.pdf (page 1 / 1)";
    pdf.Result = T_Verdict::Different;
    pdf.Compared_Pixels = true;
    pdf.Has_Page_Text = true;
    pdf.Old_Has_Text = true; // the new page is a scan
    pdf.Regions = {{"changed", 1, 2, 3, 4, 5, Changed("<script>alert(1)</script> & co", "")}};
    pdf.Base = pdf.Modified = pdf.Differences = {"pictures/1-1-base.png", 0, 0, 10, 10};
    T_Html_Entry word;
    word.Name = "letter.docx";
    word.Result = T_Verdict::Different;
    word.Text_Changes = T_Text_Changes{1, 1, 0, {{"insertion", "a <b>new</b> line & more"}}};
    report.Entries = {pdf, word};

    const std::string page = Html_Report_Page(report);
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; co"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"no-text\">No text layer</td>"), std::string::npos) << page;
    EXPECT_NE(page.find(">changed</span></td></tr>"), std::string::npos) << page;
    EXPECT_NE(page.find("1 insertion, 1 deletion, 0 format changes"), std::string::npos);
    EXPECT_NE(page.find("<span class=\"change-kind\">insertion</span> <span class=\"text\">"
                        "a &lt;b&gt;new&lt;/b&gt; line &amp; more</span>"),
              std::string::npos)
        << page;

    // The report's data keeps the text for a merge of reports.
    T_Html_Report back;
    std::string error;
    ASSERT_TRUE(Html_Report_From_Json(Html_Report_Json(report), back, error)) << error;
    ASSERT_EQ(back.Entries.size(), 2u);
    EXPECT_EQ(back.Entries[0].Regions[0].Text.Old_Text, "<script>alert(1)</script> & co");
    EXPECT_EQ(back.Entries[0].Regions[0].Text.Change, T_Text_Change::Changed);
    EXPECT_TRUE(back.Entries[0].Old_Has_Text);
    EXPECT_FALSE(back.Entries[0].New_Has_Text);
    ASSERT_TRUE(back.Entries[1].Text_Changes);
    EXPECT_EQ(back.Entries[1].Text_Changes->Changes[0].Text, "a <b>new</b> line & more");
    EXPECT_EQ(Html_Report_Page(back), page);
}

TEST(Report_Text, MergedReportsKeepTheTextForTheJunitFile)
{
    const std::string report =
        "{\"format\":\"varnolt-compare\",\"version\":1,\"old\":\"a\",\"new\":\"b\","
        "\"options\":{\"tolerance\":0}}\n"
        "{\"old\":\"a/l.docx\",\"new\":\"b/l.docx\",\"compared_by\":\"text\",\"result\":"
        "\"different\",\"insertions\":2,\"deletions\":0,\"format_changes\":1,\"changes\":[{"
        "\"kind\":"
        "\"insertion\",\"text\":\"x < y & z\"}],\"accepted\":false,\"reason\":\"different\"}\n"
        "{\"old\":\"a/p.pdf\",\"new\":\"b/p.pdf\",\"old_page\":\"1\",\"new_page\":\"1\","
        "\"compared_by\":\"pages\",\"result\":\"different\",\"changed_pixels\":9,"
        "\"changed_share\":0.01,\"regions\":[{\"kind\":\"changed\",\"x\":1,\"y\":1,\"width\":3,"
        "\"height\":3,\"pixels\":9,\"old_text\":\"5600\",\"new_text\":\"5650\",\"text_change\":"
        "\"changed\"}],\"accepted\":false,\"reason\":\"not identical\"}\n"
        "{\"totals\":{\"identical\":0,\"different\":2,\"only_in_old\":0,\"only_in_new\":0,"
        "\"errors\":0}}\n";
    T_Merged_Report merged;
    std::string error;
    ASSERT_TRUE(Merge_Reports({report}, {"r.json"}, false, merged, error)) << error;
    const std::string xml = Junit_Xml(merged.Records, 0);
    EXPECT_NE(xml.find("message=\"2 insertions, 0 deletions, 1 format change: different; "
                       "insertion &quot;x &lt; y &amp; z&quot;\""),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("insertion: x &lt; y &amp; z"), std::string::npos) << xml;
    EXPECT_NE(xml.find("1 change region: not identical; text: &quot;5600&quot; -&gt; "
                       "&quot;5650&quot;\""),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("Region 1, text changed: &quot;5600&quot; -&gt; &quot;5650&quot;"),
              std::string::npos)
        << xml;
}

TEST_F(Headless, PdfRegionTextReachesTheLineTheJunitFileAndTheReport)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    test::Write_File(dir / "old.pdf", test::Make_Pdf({Text_Page("5600 <script>", 100)}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({Text_Page("5650 & co", 250)}));
    EXPECT_EQ(Compare({"--junit", dir / "r.xml", "--report", dir / "report", dir / "old.pdf",
                       dir / "new.pdf"}),
              1)
        << Err;
    // The line starts as it always did; the texts come last.
    const std::string start = dir / "old.pdf" + " " + dir / "new.pdf" + " (page 1 / 1): ";
    ASSERT_EQ(Out.rfind(start, 0), 0u) << Out;
    EXPECT_NE(Out.find(" change regions; text: "), std::string::npos) << Out;
    // The changed text sits in two regions beside the moved label: three
    // phrases, then the rest counted.
    EXPECT_NE(Out.find("\"<script>\" -> \"& co\""), std::string::npos) << Out;
    EXPECT_NE(Out.find("\"5600\" -> \"5650\""), std::string::npos) << Out;
    EXPECT_NE(Out.find("\"Title block\" moved and 1 more\n"), std::string::npos) << Out;

    const std::string xml = test::Read_File(dir / "r.xml");
    EXPECT_NE(xml.find("&quot;&lt;script&gt;&quot; -&gt; &quot;&amp; co&quot;"), std::string::npos)
        << xml;

    const std::string page = test::Read_File(dir / "report/index.html");
    EXPECT_EQ(page.find("<script>&"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"text\">&lt;script&gt;</td><td class=\"text\">&amp; co</td>"),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("No text layer"), std::string::npos);

    // Scans: the report says there is no text, the line adds none.
    auto scan = [](double x) {
        return test::Pdf_Page{595, 842, test::Sheet_Frame() + test::Box(x, 600, 80, 30)};
    };
    test::Write_File(dir / "old.pdf", test::Make_Pdf({scan(100)}));
    test::Write_File(dir / "new.pdf", test::Make_Pdf({scan(110)}));
    EXPECT_EQ(Compare({"--report", dir / "scans", dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
    EXPECT_EQ(Out.find("text:"), std::string::npos) << Out;
    EXPECT_NE(test::Read_File(dir / "scans/index.html").find("No text layer on either page"),
              std::string::npos);
}
