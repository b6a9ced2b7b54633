// The HTML report: names kept as text, the folder it may be written into,
// pictures for changed pairs only, and the reports of parts merged.
#include "tests/headless/drawn_revisions.h"
#include "tests/headless/headless_fixture.h"
#include "headless/html_report_folder.h"
#include "headless/html_report_page.h"
#include "headless/report_merge.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <set>

namespace {

std::set<std::string> Files_In(const fs::path& Folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(Folder, error))
        names.insert(entry.path().filename().string());
    return names;
}

// A folder pair of five files: two identical, two changed (one of them in
// a sub-folder), one on the old side only.
class Html_Report : public Headless {
protected:
    void SetUp() override
    {
        Headless::SetUp();
        for (const char* side : {"a", "b"})
            fs::create_directories(dir.Path / side / "sub");
        for (const char* name : {"same1.png", "same2.png", "changed.png", "sub/changed.png"}) {
            Make_Png(dir / ("a/" + std::string(name)), 40, 30, {{5, 5, 4, 4}});
            Make_Png(dir / ("b/" + std::string(name)), 40, 30,
                     {{5, 5, 4, 4},
                      {20, 10, std::string(name).find("changed") != std::string::npos ? 3 : 0, 3}});
        }
        Make_Png(dir / "a/gone.png", 10, 10);
    }
    QJsonObject Report_Data(const std::string& Folder)
    {
        return QJsonDocument::fromJson(
                   QByteArray::fromStdString(test::Read_File(Folder + "/report.json")))
            .object();
    }
};

} // namespace

TEST(Html_Report_Page, NamesStayTextWhateverTheyHold)
{
    EXPECT_EQ(Html_Escape("a<b>&\"c\"'d'"), "a&lt;b&gt;&amp;&quot;c&quot;&#39;d&#39;");
    EXPECT_EQ(Html_Escape("caf\xC3\xA9"), "caf\xC3\xA9"); // UTF-8 kept
    EXPECT_EQ(Html_Escape("bad\xFF"), "bad\\xFF");        // not UTF-8: its value shown

    const std::string hostile = "<img src=x onerror=alert(1)>&\"'.png";
    T_Html_Report report;
    report.Old_Name = hostile;
    report.New_Name = "new</title><script>";
    report.Options = {{"Ignore areas", "mask <m>.png"}};
    T_Html_Entry entry;
    entry.Name = hostile;
    entry.Result = T_Verdict::Different;
    entry.Compared_Pixels = true;
    entry.Regions = {{"added", 1, 2, 3, 4, 5}};
    entry.Base = entry.Modified = entry.Differences = {"pictures/1-1-base.png", 0, 0, 10, 10};
    report.Entries = {entry};
    const std::string page = Html_Report_Page(report);
    EXPECT_EQ(page.find("<img src=x"), std::string::npos);
    EXPECT_EQ(page.find("</title><script>"), std::string::npos);
    EXPECT_EQ(page.find("<m>"), std::string::npos);
    EXPECT_NE(page.find("&lt;img src=x onerror=alert(1)&gt;&amp;&quot;&#39;.png"),
              std::string::npos);
    // Nothing is fetched from elsewhere: no address but the report's own files.
    EXPECT_EQ(page.find("http"), std::string::npos);

    // The data file gives back what was written, names included.
    T_Html_Report back;
    std::string error;
    ASSERT_TRUE(Html_Report_From_Json(Html_Report_Json(report), back, error)) << error;
    ASSERT_EQ(back.Entries.size(), 1u);
    EXPECT_EQ(back.Entries[0].Name, hostile);
    EXPECT_EQ(back.Entries[0].Regions.size(), 1u);
    EXPECT_EQ(back.Entries[0].Differences.File, "pictures/1-1-base.png");
    EXPECT_FALSE(Html_Report_From_Json("{\"format\":\"other\"}", back, error));
}

// Names are bytes: two that differ only in bytes that are not UTF-8 read
// apart on the page and in its data, and merge back to their exact bytes.
TEST(Html_Report_Page, NamesApartOnlyInBytesThatAreNotUtf8StayApart)
{
    T_Html_Report report;
    report.Old_Name = "old\xE9";
    report.New_Name = "new";
    for (const char* name : {"pl\xE9"
                             "an.png",
                             "pl\xE8"
                             "an.png"}) {
        T_Html_Entry entry;
        entry.Name = entry.File = name;
        entry.Result = T_Verdict::Identical;
        report.Entries.push_back(entry);
    }
    const std::string page = Html_Report_Page(report);
    EXPECT_NE(page.find("pl\\xE9an.png"), std::string::npos);
    EXPECT_NE(page.find("pl\\xE8an.png"), std::string::npos);
    const std::string data = Html_Report_Json(report);
    const QJsonArray pairs =
        QJsonDocument::fromJson(QByteArray::fromStdString(data)).object().value(u"pairs").toArray();
    ASSERT_EQ(pairs.size(), 2);
    EXPECT_NE(pairs[0].toObject().value(u"name"), pairs[1].toObject().value(u"name"));
    EXPECT_EQ(pairs[0].toObject().value(u"name_bytes").toString(), u"706ce9616e2e706e67");

    T_Html_Report back;
    std::string error;
    ASSERT_TRUE(Html_Report_From_Json(data, back, error)) << error;
    ASSERT_EQ(back.Entries.size(), 2u);
    EXPECT_EQ(back.Entries[0].Name, "pl\xE9"
                                    "an.png");
    EXPECT_EQ(back.Entries[1].File, "pl\xE8"
                                    "an.png");
    EXPECT_EQ(back.Old_Name, "old\xE9");
}

// report.json keeps the layout it has always had (members sorted by key,
// four spaces a level, numbers as short as they read back): Qt's own writer
// gives the same bytes for what it reads from it.
TEST(Html_Report_Page, ReportDataKeepsItsLayout)
{
    T_Html_Report report;
    report.Old_Name = "old\xE9";
    report.New_Name = "new \"q\" \\ \x01 caf\xC3\xA9";
    report.Program_Version = "1.2.3";
    report.Options = {{"Tolerance", "8"}, {"Ignore areas", "none"}};
    report.Totals.Different = 1;
    report.Totals.Interrupted = true;
    T_Html_Entry entry;
    entry.Name = entry.File = "pl\xE9n \xFF.png";
    entry.Result = T_Verdict::Different;
    entry.Accepted = false;
    entry.Reason = "bad \xC3 byte";
    entry.Compared_Pixels = true;
    entry.Changed_Pixels = 5000000000;
    for (double share : {1.0 / 3, 0.000025, 0.000123, 0.5, 1.0}) {
        entry.Changed_Share = share;
        entry.Regions = {{"added", 1, 2, 3, 4, 5, {"a", "b", T_Text_Change::Changed}}};
        entry.Changes = 1;
        entry.Change_List = {{"moved", {1, 2, 3, 4}, {7, 9, 3, 4}, 5, {0}, {"a", ""}}};
        entry.Has_Page_Text = entry.Old_Has_Text = true;
        entry.Text_Changes = T_Text_Changes{};
        entry.Base = entry.Modified = entry.Differences = {"pictures/1-1-base.png", 0, 0, 10, 10};
        report.Entries = {entry, T_Html_Entry{}};
        report.Entries[1].Name = "empty";
        const std::string data = Html_Report_Json(report);
        EXPECT_EQ(data, QJsonDocument::fromJson(QByteArray::fromStdString(data))
                            .toJson(QJsonDocument::Indented)
                            .toStdString());
    }
}

TEST(Html_Report_Page, PictureNamesAreOnlyTheGeneratedOnes)
{
    EXPECT_TRUE(Is_Report_Picture_Name("pictures/12-3-differences.png"));
    for (const char* name :
         {"pictures/../1-1-base.png", "../pictures/1-1-base.png", "pictures/1-1-base.png/x",
          "pictures/a-1-base.png", "pictures/1-1-other.png", "pictures/1--base.png", "index.html",
          "pictures/1-1-base.jpg"})
        EXPECT_FALSE(Is_Report_Picture_Name(name)) << name;
}

TEST_F(Html_Report, PicturesAreWrittenForChangedAndOneSidedPairsOnly)
{
    for (const char* jobs : {"1", "2"}) {
        const std::string report = dir / (std::string("report") + jobs);
        EXPECT_EQ(Compare({"--jobs", jobs, "--report", report, dir / "a", dir / "b"}), 1) << Err;
        EXPECT_EQ(Files_In(report),
                  (std::set<std::string>{"index.html", "report.json", "pictures"}));
        // The changed pairs are the 1st and 5th file in the names' order;
        // the 2nd is on the old side only: its one picture.
        EXPECT_EQ(Files_In(report + "/pictures"),
                  (std::set<std::string>{"1-1-base.png", "1-1-modified.png", "1-1-differences.png",
                                         "2-1-base.png", "5-1-base.png", "5-1-modified.png",
                                         "5-1-differences.png"}));
        const QJsonObject data = Report_Data(report);
        EXPECT_EQ(data[u"totals"][u"identical"].toInt(), 2);
        EXPECT_EQ(data[u"totals"][u"different"].toInt(), 2);
        EXPECT_EQ(data[u"totals"][u"only_old"].toInt(), 1);
        int with_pictures = 0;
        for (const QJsonValue& pair : data[u"pairs"].toArray()) {
            const bool shown = pair[u"result"].toString() == u"different" ||
                               pair[u"result"].toString() == u"only_old";
            EXPECT_EQ(pair.toObject().contains(u"pictures"), shown);
            with_pictures += shown;
        }
        EXPECT_EQ(with_pictures, 3);
        EXPECT_EQ(test::Read_File(report + "/pictures/2-1-base.png"),
                  test::Read_File(dir / "a/gone.png"));
        // Each picture at its size: the base of the changed pair.
        EXPECT_EQ(QImage(QString::fromStdString(report + "/pictures/1-1-base.png")).size(),
                  QSize(40, 30));
        // A PNG shown as it was compared is its file's bytes; the
        // differences are drawn anew.
        EXPECT_EQ(test::Read_File(report + "/pictures/1-1-modified.png"),
                  test::Read_File(dir / "b/changed.png"));
        EXPECT_EQ(QImage(QString::fromStdString(report + "/pictures/1-1-differences.png")).size(),
                  QSize(40, 30));
    }
}

// A drawn sheet with a few edits, each of several regions (the letters of
// a word): the report lists exactly those edits, as many as it counts.
TEST_F(Html_Report, TheReportListsTheEditsMade)
{
    if (!test::Fonts_Draw_Text())
        GTEST_SKIP() << "no font here draws text";
    for (const char* side : {"sheets_a", "sheets_b"})
        fs::create_directories(dir.Path / side);
    test::T_Sheet_Content revised;
    revised.Note_1 = "PAINT RAL 9005";
    revised.Note_2 = "DEBURR SHARP EDGES";
    ASSERT_TRUE(test::Draw_Sheet({}).save(QString::fromStdString(dir / "sheets_a/sheet.png")));
    ASSERT_TRUE(test::Draw_Sheet(revised).save(QString::fromStdString(dir / "sheets_b/sheet.png")));
    const std::string report = dir / "sheets_report";
    ASSERT_EQ(Compare({"--report", report, dir / "sheets_a", dir / "sheets_b"}), 1) << Err;

    const QJsonObject pair = Report_Data(report)[u"pairs"][0].toObject();
    EXPECT_EQ(pair[u"change_count"].toInt(), 2);
    const QJsonArray changes = pair[u"changes"].toArray();
    ASSERT_EQ(changes.size(), 2);
    std::set<int> regions;
    std::size_t listed_under = 0; // the regions of changes of several
    for (const QJsonValue& change : changes) {
        EXPECT_EQ(change[u"kind"].toString(), u"changed");
        const QJsonArray its = change[u"regions"].toArray();
        listed_under += its.size() > 1 ? std::size_t(its.size()) : 0;
        for (const QJsonValue& region : its)
            regions.insert(region.toInt());
    }
    // Every region belongs to one change, and an edited word is several.
    EXPECT_EQ(regions.size(), std::size_t(pair[u"regions"].toArray().size()));
    EXPECT_GT(listed_under, 0u);

    const std::string page = test::Read_File(report + "/index.html");
    const auto count = [&page](const std::string& what) {
        std::size_t found = 0;
        for (std::size_t at = page.find(what); at != std::string::npos;
             at = page.find(what, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count("<tr class=\"change\">"), 2u);
    EXPECT_EQ(count("<tr class=\"region\""), listed_under);
    // The pairs' table counts the same changes.
    EXPECT_NE(page.find("<td class=\"num\" data-key=\"2\">2</td></tr>"), std::string::npos);
}

// A picture on one side only is read by the name its pair was taken in
// by: under a name Qt cannot spell it still gets its picture.
TEST_F(Html_Report, APictureOnOneSideOnlyShowsWhateverItsName)
{
#ifndef _WIN32
    for (const char* side : {"odd_a", "odd_b"})
        fs::create_directories(dir.Path / side);
    Make_Png(dir / "odd_b/added \xE9.png", 12, 8, {{2, 2, 3, 3}});
    const std::string report = dir / "odd_report";
    ASSERT_EQ(Compare({"--report", report, dir / "odd_a", dir / "odd_b"}), 1) << Err;
    EXPECT_EQ(Files_In(report + "/pictures"), std::set<std::string>{"1-1-modified.png"});
    EXPECT_EQ(QImage(QString::fromStdString(report + "/pictures/1-1-modified.png")).size(),
              QSize(12, 8));
#endif
}

TEST_F(Html_Report, AFolderTakesAReportOnlyWhenItHoldsNothingElse)
{
    const std::string report = dir / "report";
    // A new folder, made; then the same folder again: the previous
    // report's pictures go, a stale one included.
    EXPECT_EQ(Compare({"--report", report, dir / "a", dir / "b"}), 1) << Err;
    Make_Png(report + "/pictures/9-1-base.png", 4, 4);
    EXPECT_EQ(Compare({"--report", report, dir / "a/same1.png", dir / "b/same1.png"}), 0) << Err;
    EXPECT_TRUE(Files_In(report + "/pictures").empty());
    EXPECT_EQ(Report_Data(report)[u"totals"][u"identical"].toInt(), 1);

    // An empty folder is taken.
    fs::create_directories(dir.Path / "empty");
    EXPECT_EQ(Compare({"--report", dir / "empty", dir / "a", dir / "b"}), 1) << Err;
    EXPECT_TRUE(fs::exists(dir.Path / "empty/index.html"));

    // A folder of the user's, or a report with a file of the user's in it:
    // refused, nothing in it touched.
    fs::create_directories(dir.Path / "mine");
    test::Write_File(dir / "mine/notes.txt", "keep");
    test::Write_File(report + "/pictures/holiday.png", "keep");
    for (const std::string& folder : {dir / "mine", report}) {
        EXPECT_EQ(Compare({"--report", folder, dir / "a", dir / "b"}), 2);
        EXPECT_NE(Err.find("no report of this program writes"), std::string::npos) << Err;
    }
    EXPECT_EQ(test::Read_File(dir / "mine/notes.txt"), "keep");
    EXPECT_EQ(test::Read_File(report + "/pictures/holiday.png"), "keep");
    EXPECT_FALSE(fs::exists(dir.Path / "mine/index.html"));

    // A file, a folder compared, one inside it or one holding it: refused.
    for (const std::string& folder :
         {dir / "a/same1.png", dir / "a", dir / "b/sub/report", dir.Str()}) {
        EXPECT_EQ(Compare({"--report", folder, dir / "a", dir / "b"}), 2) << folder;
        EXPECT_FALSE(fs::exists(folder + "/index.html")) << folder;
    }
    EXPECT_FALSE(fs::exists(dir.Path / "b/sub/report"));
}

TEST_F(Html_Report, ReportFoldersOfPartsMergeIntoTheWholeRun)
{
    ASSERT_EQ(Compare({"--report", dir / "whole", dir / "a", dir / "b"}), 1) << Err;
    std::vector<std::string> merge = {"varnolt", "--merge-reports", dir / "merged"};
    for (int part = 1; part <= 3; ++part) {
        const std::string folder = dir / ("part" + std::to_string(part));
        EXPECT_LE(Compare({"--shard", std::to_string(part) + "/3", "--report", folder, dir / "a",
                           dir / "b"}),
                  1)
            << Err;
        merge.push_back(folder);
    }
    std::ostringstream out, err;
    EXPECT_EQ(Run_Merge_Reports(Parse_Command_Options(merge), out, err), 1) << err.str();
    const QJsonObject whole = Report_Data(dir / "whole"), merged = Report_Data(dir / "merged");
    EXPECT_EQ(merged[u"totals"], whole[u"totals"]);
    EXPECT_EQ(merged[u"pairs"], whole[u"pairs"]); // same order, same picture names
    EXPECT_EQ(merged[u"options"], whole[u"options"]);
    EXPECT_EQ(Files_In(dir.Path / "merged/pictures"), Files_In(dir.Path / "whole/pictures"));

    // A report whose data names a file outside its pictures is refused.
    bool tampered = false;
    for (int part = 1; part <= 3 && !tampered; ++part) {
        const std::string file = dir / ("part" + std::to_string(part) + "/report.json");
        std::string data = test::Read_File(file);
        if (const std::size_t at = data.find("pictures/"); at != std::string::npos) {
            data.replace(at, 9, "../../");
            test::Write_File(file, data);
            tampered = true;
        }
    }
    ASSERT_TRUE(tampered);
    merge[2] = dir / "merged2";
    std::ostringstream out2, err2;
    EXPECT_EQ(Run_Merge_Reports(Parse_Command_Options(merge), out2, err2), 2);
    EXPECT_NE(err2.str().find("is not a picture of a report"), std::string::npos) << err2.str();
}

TEST_F(Html_Report, ReportFoldersMergeOnlyAsEveryPartOfOneRun)
{
    std::vector<std::string> folders;
    for (const char* shard : {"1/3", "3/3", "2/4"}) {
        folders.push_back(dir / ("part" + std::string(1, shard[0]) + "of" + (shard + 2)));
        EXPECT_LE(Compare({"--shard", shard, "--report", folders.back(), dir / "a", dir / "b"}), 1)
            << Err;
    }
    const auto merge = [&](std::vector<std::string> Parts, bool Allow_Partial, std::string& Why) {
        std::vector<std::string> line = {"varnolt", "--merge-reports"};
        if (Allow_Partial)
            line.push_back("--allow-partial");
        line.push_back(dir / "merged");
        line.insert(line.end(), Parts.begin(), Parts.end());
        std::ostringstream out, err;
        const int code = Run_Merge_Reports(Parse_Command_Options(line), out, err);
        Why = err.str();
        return code;
    };
    std::string why;
    EXPECT_EQ(merge({folders[0], folders[1]}, false, why), 2);
    EXPECT_NE(why.find("part 2 of 3 is missing"), std::string::npos) << why;
    EXPECT_FALSE(fs::exists(dir.Path / "merged"));
    EXPECT_EQ(merge({folders[0], folders[0], folders[1]}, false, why), 2);
    EXPECT_NE(why.find("part 1 of 3 is given twice"), std::string::npos) << why;
    EXPECT_EQ(merge({folders[0], folders[2], folders[1]}, false, why), 2);
    EXPECT_NE(why.find("is part 2 of 4"), std::string::npos) << why;

    // Partial: an error entry for the part missing, in the totals too.
    EXPECT_EQ(merge({folders[0], folders[1]}, true, why), 2) << why;
    const QJsonObject merged = Report_Data(dir / "merged");
    EXPECT_GE(merged[u"totals"].toObject()[u"errors"].toInt(), 1);
    const QJsonArray pairs = merged[u"pairs"].toArray();
    ASSERT_FALSE(pairs.isEmpty());
    EXPECT_EQ(pairs.last().toObject()[u"name"].toString(), u"part 2 of 3");
    EXPECT_NE(test::Read_File(dir / "merged/index.html").find("Missing parts"), std::string::npos);
}

// An aligned pair's pictures show the modified picture as it was compared:
// moved back by the shift found, or redrawn with its rows at their base
// rows, so that the changes laid over it lie on what they were found on.
TEST_F(Html_Report, TheDifferencesPictureOfAnAlignedPairShowsThePairAsCompared)
{
    const std::vector<QRect> boxes = {
        {20, 20, 100, 6}, {20, 60, 80, 30}, {130, 100, 50, 6}, {20, 140, 40, 40}, {90, 150, 6, 40}};
    Make_Png(dir / "old.png", 200, 200, boxes);
    // The whole drawing 9 px right and 5 down, and one box more.
    std::vector<QRect> moved;
    for (const QRect& box : boxes)
        moved.push_back(box.translated(9, 5));
    moved.push_back({150, 20, 20, 20});
    Make_Png(dir / "shifted.png", 200, 200, moved);
    // 40 rows with a wide box go in between the second and third boxes.
    Make_Png(dir / "banded.png", 200, 240,
             {{20, 20, 100, 6},
              {20, 60, 80, 30},
              {20, 95, 150, 6},
              {130, 140, 50, 6},
              {20, 180, 40, 40},
              {90, 190, 6, 40}});
    for (const char* mode : {"shift", "bands"}) {
        SCOPED_TRACE(mode);
        const std::string report = dir / (std::string("report-") + mode);
        const bool shift = std::string(mode) == "shift";
        ASSERT_EQ(Compare({"--align", mode, "--report", report, dir / "old.png",
                           dir / (shift ? "shifted.png" : "banded.png")}),
                  1)
            << Err;
        const QJsonObject pictures =
            Report_Data(report)[u"pairs"].toArray()[0][u"pictures"].toObject();
        // The area's top left in the base's pixels.
        const QPoint origin(pictures[u"left"].toInt(), pictures[u"top"].toInt());
        const QImage picture(QString::fromStdString(report + "/pictures/1-1-differences.png"));
        ASSERT_FALSE(picture.isNull());
        const auto at = [&](int x, int y) { return picture.pixel(QPoint(x, y) - origin); };
        // The changes' own picture is clear where the pair, as compared, is
        // unchanged: on the box at row 140 (x 20 to 60) of the base, which
        // the modified file has elsewhere, and beside it; the box added to
        // the shifted drawing is marked.
        for (const QPoint unchanged : {QPoint(30, 150), QPoint(30, 22), QPoint(62, 150)})
            EXPECT_EQ(qAlpha(at(unchanged.x(), unchanged.y())), 0)
                << unchanged.x() << ", " << unchanged.y();
        int marked = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                marked += qAlpha(picture.pixel(x, y)) != 0;
        if (shift)
            EXPECT_GE(marked, 100);
        // The overlay's modified picture stands where it was compared.
        const QJsonObject placed = pictures[u"modified"].toObject();
        const QImage modified(
            QString::fromStdString(report + "/" + placed[u"file"].toString().toStdString()));
        ASSERT_FALSE(modified.isNull());
        const QPoint box_in_modified =
            QPoint(30, 150) - origin - QPoint(placed[u"x"].toInt(), placed[u"y"].toInt());
        EXPECT_LT(qGray(modified.pixel(box_in_modified)), 100)
            << box_in_modified.x() << ", " << box_in_modified.y();
    }
}

TEST(Html_Report_Options, ReportGoesWithCompareOnly)
{
    const T_Command_Options window = Parse_Command_Options({"varnolt", "--report", "r", "a", "b"});
    EXPECT_EQ(window.Action, T_Command_Options::T_Action::Usage_Error);
    EXPECT_EQ(window.Error, "--report works only with --compare");
    const T_Command_Options compare =
        Parse_Command_Options({"varnolt", "--compare", "--report", "r", "a", "b"});
    EXPECT_EQ(compare.Action, T_Command_Options::T_Action::Compare);
    EXPECT_EQ(compare.Report, "r");
}
