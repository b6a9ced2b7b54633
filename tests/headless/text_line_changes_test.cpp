// Edits of a PDF page's text as a reviewer names them, through the
// comparison without a window: what changed on one line of text, or in one
// word, is one change with that text before and after; edits on other lines
// or in another cell of a table row are changes of their own.
#include "tests/headless/headless_fixture.h"
#include "tests/pdf/test_pdf_writer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <utility>

namespace {

struct T_Sheet_Text {
    std::string Date = "2024-01-10", Revision = "B", Dimension = "12500";
    std::string Paint = "PAINT RAL 7035", Deburr = "DEBURR ALL EDGES";
    std::string Material = "Steel", Length = "5600";
};

std::string Text_At(double x, double y, int size, const std::string& text)
{
    return "BT /F1 " + std::to_string(size) + " Tf " + std::to_string(x) + " " + std::to_string(y) +
           " Td (" + text + ") Tj ET ";
}

// A sheet with a title block (date, revision), a dimension, two notes
// one under the other, and a table row of two cells far apart.
test::Pdf_Page Sheet(const T_Sheet_Text& text)
{
    return {595, 842,
            test::Sheet_Frame() + Text_At(385, 28, 12, "DATE " + text.Date) +
                Text_At(385, 58, 12, "REV " + text.Revision) +
                Text_At(100, 700, 24, text.Dimension) + Text_At(100, 500, 14, text.Paint) +
                Text_At(100, 480, 14, text.Deburr) + Text_At(100, 300, 12, text.Material) +
                Text_At(400, 300, 12, text.Length),
            test::Helvetica_Font};
}

class Text_Line_Changes : public Headless {
protected:
    // The changes --json lists for the two sheets, by their old and new text.
    std::multimap<std::string, std::string> Listed(const T_Sheet_Text& Old, const T_Sheet_Text& New)
    {
        test::Write_File(dir / "old.pdf", test::Make_Pdf({Sheet(Old)}));
        test::Write_File(dir / "new.pdf", test::Make_Pdf({Sheet(New)}));
        EXPECT_EQ(Compare({"--json", dir / "old.pdf", dir / "new.pdf"}), 1) << Err;
        std::multimap<std::string, std::string> changes;
        std::istringstream lines(Out);
        std::string line;
        while (std::getline(lines, line)) {
            const QJsonObject pair =
                QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
            if (!pair.contains(u"changes"))
                continue;
            const QJsonArray listed = pair[u"changes"].toArray();
            EXPECT_EQ(pair[u"change_count"].toInt(), listed.size());
            for (const QJsonValue& value : listed)
                changes.emplace(value[u"old_text"].toString().toStdString(),
                                value[u"new_text"].toString().toStdString());
        }
        return changes;
    }
};

using T_Texts = std::multimap<std::string, std::string>;

TEST_F(Text_Line_Changes, AnEditedWordOrValueIsOneChangeWithItsText)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    const T_Sheet_Text base;
    // Digits changed near both ends, those kept between them wider than
    // separate marks lie apart.
    T_Sheet_Text revised = base;
    revised.Date = "2025-01-17";
    EXPECT_EQ(Listed(base, revised), (T_Texts{{"2024-01-10", "2025-01-17"}})) << Out;
    revised = base;
    revised.Dimension = "72509";
    EXPECT_EQ(Listed(base, revised), (T_Texts{{"12500", "72509"}})) << Out;
    revised = base;
    revised.Revision = "C";
    EXPECT_EQ(Listed(base, revised), (T_Texts{{"B", "C"}})) << Out;
}

TEST_F(Text_Line_Changes, EditsOnOtherLinesOrInOtherCellsStayApart)
{
#ifdef VARNOLT_TEST_NO_PDF
    GTEST_SKIP() << "built without PDF support";
#endif
    const T_Sheet_Text base;
    // Two notes one under the other, each edited.
    T_Sheet_Text revised = base;
    revised.Paint = "PAINT RAL 9005";
    revised.Deburr = "DEBURR ALL CORNERS";
    EXPECT_EQ(Listed(base, revised), (T_Texts{{"7035", "9005"}, {"EDGES", "CORNERS"}})) << Out;
    // Both cells of a table row: the row is not one line.
    revised = base;
    revised.Material = "Brass";
    revised.Length = "5650";
    EXPECT_EQ(Listed(base, revised), (T_Texts{{"Steel", "Brass"}, {"5600", "5650"}})) << Out;
    // Every edit of the sheet at once: one change each.
    revised.Date = "2025-01-17";
    revised.Revision = "C";
    revised.Dimension = "72509";
    revised.Paint = "PAINT RAL 9005";
    revised.Deburr = "DEBURR ALL CORNERS";
    EXPECT_EQ(Listed(base, revised), (T_Texts{{"2024-01-10", "2025-01-17"},
                                              {"B", "C"},
                                              {"12500", "72509"},
                                              {"7035", "9005"},
                                              {"EDGES", "CORNERS"},
                                              {"Steel", "Brass"},
                                              {"5600", "5650"}}))
        << Out;
}

} // namespace
