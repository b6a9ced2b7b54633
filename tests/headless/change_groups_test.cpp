// Changes as a reviewer names them, through the comparison without a
// window: revisions drawn with one known edit each list exactly that edit,
// with its kind and move, however many regions its pixels fall into.
#include "tests/headless/drawn_revisions.h"
#include "tests/headless/headless_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

struct T_Listed {
    int Change_Count = -1;
    int Regions = -1;
    std::vector<std::string> Kinds;
    std::vector<QPoint> Moves;
    QJsonObject Pair;
};

class Change_Groups : public Headless {
protected:
    // Compares the two pictures with --json, and what the pair's line lists.
    T_Listed Listed(const QImage& old_picture, const QImage& new_picture,
                    std::vector<std::string> options = {})
    {
        const std::string old_file = dir / "old.png", new_file = dir / "new.png";
        EXPECT_TRUE(old_picture.save(QString::fromStdString(old_file)));
        EXPECT_TRUE(new_picture.save(QString::fromStdString(new_file)));
        options.insert(options.begin(), "--json");
        options.push_back(old_file);
        options.push_back(new_file);
        Compare(options);
        T_Listed listed;
        std::istringstream lines(Out);
        std::getline(lines, Header);
        std::string line;
        std::getline(lines, line);
        listed.Pair = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        listed.Change_Count = listed.Pair[u"change_count"].toInt(-1);
        listed.Regions = int(listed.Pair[u"regions"].toArray().size());
        for (const QJsonValue& value : listed.Pair[u"changes"].toArray()) {
            const QJsonObject change = value.toObject();
            listed.Kinds.push_back(change[u"kind"].toString().toStdString());
            listed.Moves.emplace_back(change[u"dx"].toInt(), change[u"dy"].toInt());
        }
        EXPECT_EQ(int(listed.Kinds.size()), listed.Change_Count) << line;
        return listed;
    }
    std::string Header;
};

using test::Draw_Sheet;
using test::T_Sheet_Content;

TEST_F(Change_Groups, OneEditedWordOrValueIsOneChange)
{
    if (!test::Fonts_Draw_Text())
        GTEST_SKIP() << "no font here draws text";
    const T_Sheet_Content base;
    T_Sheet_Content revised = base;
    revised.Revision = "REV C";
    T_Listed listed = Listed(Draw_Sheet(base), Draw_Sheet(revised));
    EXPECT_EQ(listed.Change_Count, 1) << Out;
    EXPECT_EQ(listed.Kinds, std::vector<std::string>{"changed"});

    revised = base;
    revised.Dimension = "130";
    listed = Listed(Draw_Sheet(base), Draw_Sheet(revised));
    EXPECT_EQ(listed.Change_Count, 1) << Out;
    // A digit redrawn as another is changed, not a stroke moved.
    EXPECT_EQ(listed.Kinds, std::vector<std::string>{"changed"}) << Out;
    // The regions stay as they were found, each still listed.
    EXPECT_GE(listed.Regions, listed.Change_Count);
    const QJsonArray change_regions = listed.Pair[u"changes"][0][u"regions"].toArray();
    EXPECT_EQ(change_regions.size(), listed.Regions);

    // Two notes edited on neighbouring lines are two edits.
    revised = base;
    revised.Note_1 = "PAINT RAL 9005";
    revised.Note_2 = "DEBURR SHARP EDGES";
    listed = Listed(Draw_Sheet(base), Draw_Sheet(revised));
    EXPECT_EQ(listed.Change_Count, 2) << Out;
    EXPECT_EQ(listed.Kinds, (std::vector<std::string>{"changed", "changed"})) << Out;
    for (const char* digit : {"126", "135", "725"}) {
        revised = base;
        revised.Dimension = digit;
        listed = Listed(Draw_Sheet(base), Draw_Sheet(revised));
        EXPECT_EQ(listed.Kinds, std::vector<std::string>{"changed"}) << digit << ": " << Out;
    }
}

TEST_F(Change_Groups, APartMovedAtAnyDistanceIsOneMove)
{
    const T_Sheet_Content base;
    for (const QPoint move : {QPoint(20, 0), QPoint(71, 0), QPoint(0, 71), QPoint(400, -150)}) {
        T_Sheet_Content revised = base;
        revised.Part += move;
        const T_Listed listed = Listed(Draw_Sheet(base), Draw_Sheet(revised));
        ASSERT_EQ(listed.Change_Count, 1) << move.x() << "," << move.y() << ": " << Out;
        EXPECT_EQ(listed.Kinds[0], "moved") << move.x() << "," << move.y();
        EXPECT_EQ(listed.Moves[0], move);
    }
    // A label that only moved is a move too, with its distance.
    T_Sheet_Content revised = base;
    revised.Label += QPoint(-300, 180);
    const T_Listed listed = Listed(Draw_Sheet(base), Draw_Sheet(revised));
    ASSERT_EQ(listed.Change_Count, 1) << Out;
    EXPECT_EQ(listed.Kinds[0], "moved");
    EXPECT_EQ(listed.Moves[0], QPoint(-300, 180));
}

TEST_F(Change_Groups, APartMovedAndChangedIsOneChangeOfItsOwnKind)
{
    const T_Sheet_Content base;
    T_Sheet_Content revised = base;
    revised.Part += QPoint(500, 100);
    revised.Extra_Hole = true;
    const T_Listed listed = Listed(Draw_Sheet(base), Draw_Sheet(revised));
    ASSERT_EQ(listed.Change_Count, 1) << Out;
    EXPECT_EQ(listed.Kinds[0], "moved and changed");
    EXPECT_EQ(listed.Moves[0], QPoint(500, 100));
}

TEST_F(Change_Groups, ARetouchedSpotOfAPhotoIsOneChange)
{
    const T_Listed listed = Listed(test::Draw_Photo(false), test::Draw_Photo(true));
    EXPECT_EQ(listed.Change_Count, 1) << Out;
}

TEST_F(Change_Groups, TheTextLineCountsChangesAndStillTheRegions)
{
    if (!test::Fonts_Draw_Text())
        GTEST_SKIP() << "no font here draws text";
    T_Sheet_Content revised;
    revised.Revision = "REV C";
    revised.Label += QPoint(0, 200);
    const std::string old_file = dir / "old.png", new_file = dir / "new.png";
    ASSERT_TRUE(Draw_Sheet({}).save(QString::fromStdString(old_file)));
    ASSERT_TRUE(Draw_Sheet(revised).save(QString::fromStdString(new_file)));
    EXPECT_EQ(Compare({old_file, new_file}), 1);
    EXPECT_NE(Out.find("2 changes (1 moved), "), std::string::npos) << Out;
    EXPECT_NE(Out.find(" change regions"), std::string::npos) << Out;

    // The HTML report and the JUnit failure count the same edits.
    const std::string report = dir / "report", junit = dir / "r.xml";
    EXPECT_EQ(Compare({"--report", report, "--junit", junit, old_file, new_file}), 1) << Err;
    const std::string page = test::Read_File(report + "/index.html");
    EXPECT_NE(page.find("2 changes (1 moved), "), std::string::npos);
    const std::string xml = test::Read_File(junit);
    EXPECT_NE(xml.find("2 changes (1 moved), "), std::string::npos) << xml;
}

} // namespace
