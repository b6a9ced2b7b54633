// The drawing work of a PDF page, estimated before it is drawn: forms are
// counted as often as they are drawn, however deep they nest, loops end,
// and a page past the budget is an error of that page alone while the rest
// of its document is compared.
#include "pdf/content_operators.h"
#include "pdf/document_exporters.h"
#include "pdf/pdf_drawing_work.h"
#include "session/pair_pipeline.h"
#include "imaging/page_store.h"
#include "tests/pdf/test_pdf_writer.h"
#include "tests/test_support.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <limits>

namespace {

// A form XObject of the given content, drawing the forms it names.
std::string Form(const std::string& Content, const std::string& XObjects = "")
{
    return "<< /Type /XObject /Subtype /Form /BBox [0 0 595 842] /Resources << /XObject << " +
           XObjects + " >> >> /Length " + std::to_string(Content.size()) + " >>\nstream\n" +
           Content + "\nendstream";
}

std::string Repeated(const std::string& Ops, int Times)
{
    std::string all;
    for (int i = 0; i < Times; ++i)
        all += Ops;
    return all;
}

// Forms nested Depth deep, each drawing the next Fan times, the last
// filling a box (2 operators); the page of Page_Index among Pages draws the
// first once. Extra objects of a file of Pages pages.
std::vector<std::string> Nested_Forms(std::size_t Pages, int Depth, int Fan)
{
    std::vector<std::string> forms;
    for (int level = 0; level < Depth; ++level) {
        const int next = test::Extra_Object(Pages, std::size_t(level) + 1);
        forms.push_back(Form(Repeated("/N Do ", Fan), "/N " + std::to_string(next) + " 0 R"));
    }
    forms.push_back(Form("0 0 10 10 re f"));
    return forms;
}

// The steps that Nested_Forms gives its page: the Do, then each level's own
// Fan operators and Fan times the next.
std::uint64_t Nested_Steps(int Depth, int Fan)
{
    std::uint64_t steps = 2;
    for (int level = 0; level < Depth; ++level)
        steps = std::uint64_t(Fan) + std::uint64_t(Fan) * steps;
    return steps + 1;
}

test::Pdf_Page Drawing_Form(std::size_t Pages, std::size_t Form_Index, const std::string& More = "")
{
    test::Pdf_Page page;
    page.Content = "/F Do " + More;
    page.Resources =
        "<< /XObject << /F " + std::to_string(test::Extra_Object(Pages, Form_Index)) + " 0 R >> >>";
    return page;
}

test::Pdf_Page Sheet(int Content)
{
    test::Pdf_Page page;
    page.Content = test::Sheet_Frame() + test::Box(60 + Content * 90, 300, 80, 120);
    return page;
}

// A sheet of Segments short line segments, one operator each.
test::Pdf_Page Dense_Sheet(int Segments)
{
    std::string ops = "0.2 w ";
    for (int segment = 0; segment < Segments; ++segment) {
        const int x = 40 + segment % 500, y = 40 + (segment / 500) % 700;
        ops += std::to_string(x) + " " + std::to_string(y) + (segment % 100 ? " l\n" : " m\n");
        if (segment % 100 == 99)
            ops += "S\n";
    }
    return {595, 842, ops + "S\n"};
}

class Pdf_Drawing_Work : public ::testing::Test {
protected:
    std::string Write(const std::string& Name, const std::vector<test::Pdf_Page>& Pages,
                      const std::vector<std::string>& Extra = {})
    {
        const std::string path = (dir.Path / Name).string();
        std::ofstream(path, std::ios::binary) << test::Make_Pdf(Pages, {}, Extra);
        return path;
    }

    test::Scratch_Dir dir;
};

TEST_F(Pdf_Drawing_Work, CountsFormsAsOftenAsTheyAreDrawnWithoutReadingThemAsOften)
{
    const std::vector<std::string> forms = Nested_Forms(2, 10, 10);
    const std::string file = Write("nested.pdf", {Sheet(0), Drawing_Form(2, 0)}, forms);
    QElapsedTimer timer;
    timer.start();
    const std::vector<std::uint64_t> steps = Pdf_Page_Drawing_Steps(file);
    EXPECT_LT(timer.elapsed(), 2000);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0], 12u); // the frame's and the box's operators
    EXPECT_EQ(steps[1], Nested_Steps(10, 10));
    EXPECT_GT(steps[1], 10'000'000'000u);
    // Deeper still, the count stays at its largest instead of wrapping round.
    const std::string deeper = Write("deeper.pdf", {Drawing_Form(1, 0)}, Nested_Forms(1, 40, 10));
    EXPECT_EQ(Pdf_Page_Drawing_Steps(deeper),
              std::vector{std::numeric_limits<std::uint64_t>::max()});
}

TEST_F(Pdf_Drawing_Work, FormsThatDrawThemselvesEnd)
{
    // A form that draws itself, and two that draw each other.
    const std::string self_file =
        Write("self.pdf", {Drawing_Form(1, 0)}, {Form("/S Do 0 0 1 1 re f", "/S 5 0 R")});
    EXPECT_EQ(Pdf_Page_Drawing_Steps(self_file), std::vector<std::uint64_t>{4});
    const std::string each_other =
        Write("each_other.pdf", {Drawing_Form(1, 0)},
              {Form("/B Do /B Do", "/B 6 0 R"), Form("/A Do 0 0 1 1 re f", "/A 5 0 R")});
    // The page's Do, A's two, and B twice (its Do of A counted as nothing).
    EXPECT_EQ(Pdf_Page_Drawing_Steps(each_other), std::vector<std::uint64_t>{1 + 2 + 2 * 3});
}

TEST_F(Pdf_Drawing_Work, CountsAnnotationAppearancesAndFormsThatInheritResources)
{
    test::Pdf_Page page = Sheet(1);
    page.Annotations = "5 0 R";
    // The annotation's appearance draws a form named in the page's resources
    // (it has none of its own) twice.
    page.Resources = "<< /XObject << /G 7 0 R >> >>";
    const std::string appearance =
        "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Length 11 >>\nstream\n/G Do /G Do"
        "\nendstream";
    const std::string file =
        Write("annotated.pdf", {page},
              {"<< /Type /Annot /Subtype /Stamp /Rect [0 0 10 10] /AP << /N 6 0 R >> >>",
               appearance, Form(Repeated("0 0 m 5 5 l S ", 10))});
    EXPECT_EQ(Pdf_Page_Drawing_Steps(file), std::vector<std::uint64_t>{12 + 2 + 2 * 30});
    EXPECT_TRUE(Pdf_Page_Drawing_Steps((dir.Path / "missing.pdf").string()).empty());
}

TEST(Content_Operators, CountsOperatorsAndDrawnNamesButNothingInStringsCommentsOrImageData)
{
    const T_Content_Operators count = Count_Content_Operators(
        "q 1 0 0 1 0 0 cm /Im#201 Do Q % a comment: /X Do\n"
        "BT /F1 9 Tf (a string: /X Do \\) (nested) Do) Tj [<2F58> -5 (Do)] TJ ET\n"
        "BI /W 2 /H 1 /BPC 8 /CS /G ID \x01EI\xff Do EI\n"
        "<< /MCID 3 >> BDC /Form Do /Form Do EMC -1.5 .5 true null d0 /Im#201 Do");
    // q cm Do Q, BT Tf Tj TJ ET, BI ID EI, BDC Do Do EMC, d0, Do.
    EXPECT_EQ(count.Operators, 18u);
    EXPECT_EQ(count.Drawn, (std::map<std::string, std::uint64_t>{{"/Im 1", 2}, {"/Form", 2}}));
    // A name is drawn only when it comes just before Do.
    EXPECT_TRUE(Count_Content_Operators("/A 1 Do /B [] Do (unclosed").Drawn.empty());
    EXPECT_EQ(Count_Content_Operators("BI /W 1 ID abc").Operators, 2u);
}

TEST(Too_Complex_Message, NamesThePageTheFileAndTheOrderOfTheWork)
{
    EXPECT_EQ(Too_Complex_Message("plan.pdf", 2, 90'400'000),
              "Page 3 of plan.pdf is too complex to draw (about 90 million drawing steps).");
    EXPECT_EQ(Too_Complex_Message("plan.pdf", 0, 1'240'000'000),
              "Page 1 of plan.pdf is too complex to draw (about 1.2 billion drawing steps).");
    EXPECT_EQ(Too_Complex_Message("plan.pdf", 0, 7'000'000),
              "Page 1 of plan.pdf is too complex to draw (about 7 million drawing steps).");
}

class Pdf_Page_Budget : public Pdf_Drawing_Work {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Settings.Make_Exporter = Create_Document_Exporter;
        Settings.On_Pair = [this](const T_Compared_Pair& Pair) { Pairs.push_back(Pair); };
    }

    test::Private_Tmpdir tmp;
    test::Msg_Recorder messages;
    T_Pair_Settings Settings;
    std::vector<T_Compared_Pair> Pairs;
};

TEST_F(Pdf_Page_Budget, APageTooComplexToDrawIsAnErrorOfThatPageAndTheOthersCompare)
{
    const std::vector<std::string> forms = Nested_Forms(3, 10, 10);
    const std::string old_file = Write("old.pdf", {Sheet(0), Drawing_Form(3, 0), Sheet(2)}, forms);
    const std::string new_file =
        Write("new.pdf", {Sheet(0), Drawing_Form(3, 0, "0 0 5 5 re f"), Sheet(3)}, forms);
    ASSERT_FALSE(Pdf_Page_Too_Complex(old_file, 1).empty());
    EXPECT_TRUE(Pdf_Page_Too_Complex(old_file, 0).empty());
    QElapsedTimer timer;
    timer.start();
    const T_Pair_Outcome outcome = Compare_Pair(old_file, new_file, old_file, new_file, Settings);
    EXPECT_LT(timer.elapsed(), 20'000);
    EXPECT_EQ(outcome.Verdict, T_Verdict::Error);
    ASSERT_EQ(Pairs.size(), 3u);
    EXPECT_EQ(Pairs[0].Result, T_Verdict::Identical);
    EXPECT_EQ(Pairs[1].Result, T_Verdict::Error);
    EXPECT_EQ(Pairs[1].Old_Page_Number, 2);
    EXPECT_NE(Pairs[1].Error.find(Too_Complex_Message(old_file, 1, Nested_Steps(10, 10))),
              std::string::npos)
        << Pairs[1].Error;
    EXPECT_EQ(Pairs[2].Result, T_Verdict::Different);
    EXPECT_TRUE(Pairs[2].Difference);
}

TEST_F(Pdf_Page_Budget, TheWindowsSessionKeepsATooComplexPageFailedWithItsReason)
{
    const std::vector<std::string> forms = Nested_Forms(3, 10, 10);
    const std::string old_file = Write("old.pdf", {Sheet(0), Drawing_Form(3, 0), Sheet(2)}, forms);
    const std::string new_file = Write("new.pdf", {Sheet(0), Sheet(1), Sheet(2)}, forms);
    T_Diff_Session session(old_file, new_file, T_Converter_Kind::None, T_Paged_Kind::Pdf,
                           {Create_Document_Exporter, {}});
    ASSERT_TRUE(session.Open().Done());
    const T_Work_Result shown = session.Show_Page(T_Side::Left, 1);
    ASSERT_FALSE(shown.Done());
    // The message names the user's file, not the session's copy of it.
    EXPECT_NE(shown.Message.find(Too_Complex_Message(old_file, 1, Nested_Steps(10, 10))),
              std::string::npos)
        << shown.Message;
    const T_Page_Store* pages = session.Page_Store(T_Side::Left);
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages->Status(1).State, T_Page_State::Failed);
    EXPECT_NE(pages->Status(1).Failure.find("too complex to draw"), std::string::npos);
    // Asked again, it says the same; the other pages are drawn.
    EXPECT_EQ(session.Show_Page(T_Side::Left, 1).Message, shown.Message);
    EXPECT_TRUE(session.Show_Page(T_Side::Left, 0).Done());
}

TEST_F(Pdf_Page_Budget, ALargeButSanePageIsDrawn)
{
    const test::Pdf_Page dense = Dense_Sheet(200'000);
    test::Pdf_Page changed = dense;
    changed.Content += test::Box(300, 300, 50, 50);
    const std::string old_file = Write("dense_old.pdf", {dense});
    const std::string new_file = Write("dense_new.pdf", {changed});
    const T_Pair_Outcome outcome = Compare_Pair(old_file, new_file, old_file, new_file, Settings);
    EXPECT_EQ(outcome.Verdict, T_Verdict::Different) << outcome.Error;
    EXPECT_EQ(outcome.Compared_Pictures, 1);
}

} // namespace
