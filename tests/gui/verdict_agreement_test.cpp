// One pair, one verdict: the window's model, the folder list and --compare
// --json judge the same pairs of files alike, with the same changed-pixel
// counts, whatever kind of file each pair holds.
#include "tests/headless/headless_fixture.h"
#include "tests/pdf/test_pdf_writer.h"
#include "session/comparison_model.h"
#include "pdf/document_exporters.h"
#include "app/gui/folder_list_form.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTreeWidget>

#include <map>

namespace {

struct T_Judged {
    T_Verdict Verdict = T_Verdict::Error;
    std::size_t Changed_Pixels = 0;
    bool operator==(const T_Judged&) const = default;
};

std::ostream& operator<<(std::ostream& out, const T_Judged& judged)
{
    return out << "verdict " << int(judged.Verdict) << ", " << judged.Changed_Pixels << " px";
}

T_Verdict Verdict_From_Word(const QString& word)
{
    if (word == QLatin1String("identical"))
        return T_Verdict::Identical;
    if (word == QLatin1String("different"))
        return T_Verdict::Different;
    if (word == QLatin1String("only_in_old"))
        return T_Verdict::Only_Old;
    if (word == QLatin1String("only_in_new"))
        return T_Verdict::Only_New;
    return T_Verdict::Error;
}

const char* Svg_Black =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60\" height=\"40\">"
    "<rect width=\"60\" height=\"40\" fill=\"white\"/><rect x=\"5\" y=\"5\" width=\"20\" "
    "height=\"10\" fill=\"black\"/></svg>";
const char* Svg_Black_Written_Otherwise =
    "<svg xmlns=\"http://www.w3.org/2000/svg\"   width=\"60\" height=\"40\">\n  "
    "<rect width=\"60\"  height=\"40\" fill=\"white\" />\n  <rect x=\"5\" y=\"5\" "
    "width=\"20\" height=\"10\" fill=\"#000000\" />\n</svg>\n";

class Verdict_Agreement : public Headless {
protected:
    void SetUp() override
    {
        Headless::SetUp();
        std::filesystem::create_directories(dir / "old");
        std::filesystem::create_directories(dir / "new");
        Make_Png(dir / "old/plan.png", 100, 80, {{10, 10, 20, 20}});
        Make_Png(dir / "new/plan.png", 100, 80, {{14, 10, 20, 20}, {70, 60, 5, 5}});
        Make_Png(dir / "old/same.png", 50, 50, {{5, 5, 5, 5}});
        Make_Png(dir / "new/same.png", 50, 50, {{5, 5, 5, 5}});
        Save(dir / "old/icon.tif", 32, 32, {2, 2, 8, 8});
        Save(dir / "new/icon.tif", 32, 32, {2, 2, 8, 9});
        Save(dir / "old/scan.bmp", 40, 30, {1, 1, 3, 3});
        Save(dir / "new/scan.bmp", 40, 30, {1, 1, 3, 3});
        test::Write_File(dir / "old/notes.txt", "one\n");
        test::Write_File(dir / "new/notes.txt", "two\n");
        Make_Png(dir / "old/removed.png", 10, 10);
        Make_Png(dir / "new/added.png", 10, 10);
        if (test::Converter_Is_ImageMagick) {
            test::Write_File(dir / "old/text_form.svg", Svg_Black);
            test::Write_File(dir / "new/text_form.svg", Svg_Black_Written_Otherwise);
        }
#ifndef VARNOLT_TEST_NO_PDF
        test::Write_File(dir / "old/sheet.pdf",
                         test::Make_Pdf({{200, 100, test::Box(20, 20, 40, 30)}}));
        test::Write_File(
            dir / "new/sheet.pdf",
            test::Make_Pdf({{200, 100, test::Box(20, 20, 40, 30) + test::Box(120, 50, 10, 10)}}));
#endif
    }
    static void Save(const std::string& path, int width, int height, QRect box)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                image.setPixel(x, y, qRgb(0, 0, 0));
        ASSERT_TRUE(image.save(QString::fromStdString(path)));
    }

    // --compare --json on both folders: each file's pairs (a document's
    // pages) summed up.
    std::map<std::string, T_Judged> By_Compare()
    {
        Compare({"--json", dir / "old", dir / "new"});
        std::map<std::string, T_Judged> judged;
        std::istringstream lines(Out);
        for (std::string line; std::getline(lines, line);) {
            const QJsonObject pair =
                QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
            if (pair.contains(QLatin1String("totals")) || pair.contains(QLatin1String("version")))
                continue;
            const QJsonValue old_name = pair.value(QLatin1String("old"));
            T_Judged& file =
                judged[(old_name.isNull() ? pair.value(QLatin1String("new")) : old_name)
                           .toString()
                           .toStdString()];
            T_Verdict verdict = Verdict_From_Word(pair.value(QLatin1String("result")).toString());
            // A page on one side only makes its pair of documents different.
            if (pair.value(QLatin1String("compared_by")).toString() == QLatin1String("pages") &&
                (verdict == T_Verdict::Only_Old || verdict == T_Verdict::Only_New))
                verdict = T_Verdict::Different;
            if (file.Verdict == T_Verdict::Error || verdict != T_Verdict::Identical)
                file.Verdict = verdict;
            file.Changed_Pixels +=
                std::size_t(pair.value(QLatin1String("changed_pixels")).toInteger());
        }
        return judged;
    }

    // Each row's outcome and the list's columns for it, by row name.
    std::map<std::string, std::string> By_Folder_List_Rows(unsigned Workers)
    {
        T_Folder_List_F list(dir / "old", dir / "new", T_Launch_Hooks{}, nullptr, Workers);
        EXPECT_TRUE(QTest::qWaitFor([&] { return list.Measured(); }, 60000));
        std::map<std::string, std::string> rows;
        for (std::size_t row = 0; row < list.Rows().size(); ++row) {
            const T_Pair_Outcome& outcome = *list.Outcomes()[row];
            const std::string& name = list.Rows()[row].Name;
            QTreeWidgetItem* item = list.Item_Of(name);
            std::string& text = rows[name];
            for (int column = 0; column < item->columnCount(); ++column)
                text += item->text(column).toStdString() + "|";
            text += std::to_string(int(outcome.Verdict)) + "|" +
                    std::to_string(outcome.Changed_Pixels) + "|" + std::to_string(outcome.Regions) +
                    "|" + std::to_string(outcome.Compared_Pictures) + "|" +
                    std::to_string(outcome.Changed_Share) + "|" + outcome.Error;
        }
        return rows;
    }

    std::map<std::string, T_Judged> By_Folder_List(unsigned Workers = 1)
    {
        T_Folder_List_F list(dir / "old", dir / "new", T_Launch_Hooks{}, nullptr, Workers);
        EXPECT_TRUE(QTest::qWaitFor([&] { return list.Measured(); }, 60000));
        std::map<std::string, T_Judged> judged;
        for (std::size_t row = 0; row < list.Rows().size(); ++row) {
            const T_Pair_Outcome& outcome = *list.Outcomes()[row];
            judged[list.Rows()[row].Name] = {outcome.Verdict, outcome.Changed_Pixels};
        }
        return judged;
    }

    // The window's model of one pair, with the window's settings.
    T_Judged By_Window_Model(const std::string& name)
    {
        QObject context;
        bool ready = false;
        T_Converter_Kind converter;
        T_Paged_Kind paged;
        Classify_File(dir / ("new/" + name), converter, paged);
        T_Comparison_Model model(dir / ("old/" + name), dir / ("new/" + name), converter, paged,
                                 {Create_Document_Exporter, {}}, &context, [&] { ready = true; });
        if (!model.Open().Done())
            return {};
        model.Request_Differences(T_Difference_Options());
        EXPECT_TRUE(QTest::qWaitFor([&] { return ready; }, 30000)) << name;
        return {model.Verdict(), model.Differences()->Changed_Pixels};
    }
};

TEST_F(Verdict_Agreement, WindowFolderListAndCommandLineGiveOneVerdict)
{
    const std::map<std::string, T_Judged> command_line = By_Compare();
    const std::map<std::string, T_Judged> folder_list = By_Folder_List(1);
    EXPECT_EQ(folder_list, command_line);
    EXPECT_EQ(By_Folder_List(4), command_line);
    const std::vector<std::string> pictures =
        test::Converter_Is_ImageMagick
            ? std::vector<std::string>{"plan.png", "same.png", "icon.tif", "scan.bmp",
                                       "text_form.svg"}
            : std::vector<std::string>{"plan.png", "same.png", "icon.tif", "scan.bmp"};
    for (const std::string& name : pictures)
        EXPECT_EQ(By_Window_Model(name), command_line.at(name)) << name;
#ifndef VARNOLT_TEST_NO_PDF
    EXPECT_EQ(By_Window_Model("sheet.pdf"), command_line.at("sheet.pdf"));
    EXPECT_EQ(command_line.at("sheet.pdf").Changed_Pixels, 21u * 21u);
#endif
    // What each pair came to, by any of the three.
    EXPECT_EQ(command_line.at("plan.png").Verdict, T_Verdict::Different);
    EXPECT_EQ(command_line.at("same.png"), (T_Judged{T_Verdict::Identical, 0}));
    EXPECT_EQ(command_line.at("icon.tif"), (T_Judged{T_Verdict::Different, 8}));
    EXPECT_EQ(command_line.at("scan.bmp"), (T_Judged{T_Verdict::Identical, 0}));
    EXPECT_EQ(command_line.at("notes.txt"), (T_Judged{T_Verdict::Different, 0}));
    EXPECT_EQ(command_line.at("added.png").Verdict, T_Verdict::Only_New);
    EXPECT_EQ(command_line.at("removed.png").Verdict, T_Verdict::Only_Old);
    if (test::Converter_Is_ImageMagick)
        EXPECT_EQ(command_line.at("text_form.svg"), (T_Judged{T_Verdict::Identical, 0}));
}

// The list's workers measure several rows at once; every row comes out as
// with one worker, whatever order the rows end in.
TEST_F(Verdict_Agreement, FolderListFillsEveryRowAlikeWithOneOrSeveralWorkers)
{
    for (int copy = 0; copy < 6; ++copy)
        for (const char* side : {"old", "new"})
            std::filesystem::copy_file(dir / side + "/plan.png",
                                       dir / side + "/plan_" + std::to_string(copy) + ".png");
    const std::map<std::string, std::string> one = By_Folder_List_Rows(1);
    EXPECT_GE(one.size(), 13u);
    for (const auto& [name, row] : one)
        EXPECT_FALSE(row.starts_with(name + "|...|")) << row;
    EXPECT_TRUE(one.at("plan_5.png").starts_with("plan_5.png|changed|")) << one.at("plan_5.png");
    EXPECT_EQ(By_Folder_List_Rows(4), one);
    EXPECT_EQ(By_Folder_List_Rows(16), one);
}

#ifndef VARNOLT_TEST_NO_PDF
// A sheet redrawn on larger paper (about A3 to A2), its drawing kept at the
// top left: the drawing compares as unchanged and the paper size is said.
// Sizes in whole pixels at the resolution pages are drawn at, so that the
// drawing falls on the same pixels of both.
TEST_F(Verdict_Agreement, APageOnLargerPaperChangesItsPaperSizeNotItsDrawing)
{
    const double width = 842.4, height = 1190.4, grown_width = 1190.4, grown_height = 1684.8;
    const std::string drawing = test::Sheet_Frame(width, height) + test::Box(100, 900, 200, 120) +
                                "BT /F1 24 Tf 120 1100 Td (Bracket, sheet 1) Tj ET ";
    test::Write_File(dir / "old/grown.pdf",
                     test::Make_Pdf({{width, height, drawing, test::Helvetica_Font}}));
    std::ostringstream raised;
    raised << "q 1 0 0 1 0 " << grown_height - height << " cm " << drawing << "Q";
    test::Write_File(dir / "new/grown.pdf", test::Make_Pdf({{grown_width, grown_height,
                                                             raised.str(), test::Helvetica_Font}}));

    EXPECT_EQ(By_Window_Model("grown.pdf"), (T_Judged{T_Verdict::Different, 0}));
    EXPECT_EQ(Compare({dir / "old/grown.pdf", dir / "new/grown.pdf"}), 1) << Err;
    EXPECT_NE(Out.find(": 0 px changed (0.00 %), no changes, 0 change regions, paper size differs "
                       "(1755 x 2480 / 2480 x 3510)"),
              std::string::npos)
        << Out;
    Compare({"--json", dir / "old/grown.pdf", dir / "new/grown.pdf"});
    EXPECT_NE(Out.find("\"size_differs\":true,\"paper_size_differs\":true,\"changed_pixels\":0"),
              std::string::npos)
        << Out;
    // The same drawing moved on the larger sheet is a change of the drawing.
    test::Write_File(dir / "new/grown.pdf",
                     test::Make_Pdf({{grown_width, grown_height, drawing, test::Helvetica_Font}}));
    EXPECT_GT(By_Window_Model("grown.pdf").Changed_Pixels, 0u);
}

// Text set in fonts that neither the file nor the system has, which Qt PDF
// replaces with fonts of its own. The first drawing in this process is the
// window's: a font resolved otherwise on its first use would show there.
TEST_F(Verdict_Agreement, APdfInFontsNoOneHasIsIdenticalToItsRewritesInTheWindowToo)
{
    std::string lines;
    for (int line = 0; line < 30; ++line)
        lines += "BT /F" + std::to_string(1 + line % 2) + " 13 Tf 40 " +
                 std::to_string(800 - 22 * line) + " Td (Row " + std::to_string(line) +
                 " of the parts list, 0123456789) Tj ET\n";
    const std::string fonts =
        "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Bookman-Demi >> "
        "/F2 << /Type /Font /Subtype /Type1 /BaseFont /NewCenturySchlbk-Italic >> >> >>";
    const std::string original =
        test::Make_Pdf({{595, 842, lines, fonts}, {595, 842, lines, fonts}});
    const std::vector<std::pair<std::string, std::string>> rewrites{
        {"linear.pdf", "--linearize"}, {"streams.pdf", "--object-streams=generate"}};
    for (const auto& [name, option] : rewrites) {
        test::Write_File(dir / ("old/" + name), original);
        const std::string command = "qpdf " + option + " '" + (dir / ("old/" + name)) + "' '" +
                                    (dir / ("new/" + name)) + "'";
        if (std::system(command.c_str()) != 0)
            GTEST_SKIP() << "qpdf is needed";
    }
    for (const auto& [name, option] : rewrites)
        EXPECT_EQ(By_Window_Model(name), (T_Judged{T_Verdict::Identical, 0})) << option;
    const std::string self = dir / "old/linear.pdf";
    EXPECT_EQ(Compare({self, self}), 0) << Out << Err;
    for (const auto& [name, option] : rewrites)
        EXPECT_EQ(Compare({dir / ("old/" + name), dir / ("new/" + name)}), 0)
            << option << Out << Err;
}
#endif

} // namespace
