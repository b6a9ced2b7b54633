// What a CI run of the comparison asks for: pixels left out, limits a pair
// passes within, a JUnit report, parts of a folder pair merged, shorter
// output.
#include "tests/headless/headless_fixture.h"
#include "headless/report_merge.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <sstream>

namespace {

// The old and new picture: the new one has a 10 x 10 box added (100 of its
// 8,000 pixels).
class Ci_Report : public Headless {
protected:
    void SetUp() override
    {
        Headless::SetUp();
        Make_Png(dir / "old.png", 100, 80, {{10, 10, 20, 20}});
        Make_Png(dir / "new.png", 100, 80, {{10, 10, 20, 20}, {60, 50, 10, 10}});
    }
    std::vector<QJsonObject> Json_Records()
    {
        std::vector<QJsonObject> records;
        std::istringstream lines(Out);
        for (std::string line; std::getline(lines, line);) {
            const QJsonObject object =
                QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
            if (!object.contains(u"format") && !object.contains(u"totals"))
                records.push_back(object);
        }
        return records;
    }
    // A folder pair of 9 files: 4 identical, 3 changed (6, 6 and, in sub/p3.png,
    // 9 pixels), one on each side only; some in a sub-folder.
    void Make_Folders()
    {
        for (const char* side : {"a", "b"})
            fs::create_directories(dir.Path / side / "sub");
        for (int i = 0; i < 7; ++i) {
            const std::string name = (i % 3 ? "p" : "sub/p") + std::to_string(i) + ".png";
            Make_Png(dir / ("a/" + name), 40, 30, {{5, 5, 4, 4}});
            Make_Png(dir / ("b/" + name), 40, 30, {{5, 5, 4, 4}, {20, 10, i == 3 ? 3 : 2, 3}});
            if (i % 2 == 0)
                Make_Png(dir / ("b/" + name), 40, 30, {{5, 5, 4, 4}});
        }
        Make_Png(dir / "a/gone.png", 10, 10);
        Make_Png(dir / "b/sub/new.png", 10, 10);
    }
};

} // namespace

TEST_F(Ci_Report, IgnoredRectanglesFilesAndMasksPassAChangeInsideAndNotOutside)
{
    // Inside: the pair counts as identical, with nothing changed.
    EXPECT_EQ(Compare({"--json", "--ignore", "55,45,20,20", dir / "old.png", dir / "new.png"}), 0)
        << Err;
    std::vector<QJsonObject> records = Json_Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][u"result"].toString().toStdString(), "identical");
    EXPECT_EQ(records[0][u"changed_pixels"].toInt(), 0);
    // Half of the box left out, by a file: the other half still counts.
    test::Write_File(dir / "areas.txt", "# the box's left half\n60,50,5,10\n");
    EXPECT_EQ(
        Compare({"--json", "--ignore-file", dir / "areas.txt", dir / "old.png", dir / "new.png"}),
        1);
    records = Json_Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][u"changed_pixels"].toInt(), 50);

    // A mask: opaque where the box is, transparent elsewhere.
    QImage mask(100, 80, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    for (int y = 48; y < 62; ++y)
        for (int x = 58; x < 72; ++x)
            mask.setPixel(x, y, qRgba(0, 0, 0, 1));
    ASSERT_TRUE(mask.save(QString::fromStdString(dir / "mask.png")));
    EXPECT_EQ(Compare({"--mask", dir / "mask.png", "--output", dir / "d.png", dir / "old.png",
                       dir / "new.png"}),
              0)
        << Err;
    // Outside the mask the change counts.
    EXPECT_EQ(Compare({"--mask", dir / "mask.png", dir / "old.png", dir / "old.png"}), 0);
    // A folder given as the mask is named as what it is not, and ends the run.
    EXPECT_EQ(Compare({"--mask", dir.Path.string(), dir / "old.png", dir / "new.png"}), 2);
    EXPECT_NE(Err.find("is not a file that can be read"), std::string::npos) << Err;
    Make_Png(dir / "other.png", 100, 80, {{10, 10, 20, 20}, {80, 5, 10, 10}});
    EXPECT_EQ(Compare({"--mask", dir / "mask.png", "--output", dir / "d.png", dir / "old.png",
                       dir / "other.png"}),
              1);
    // The differences picture hatches what was left out, and shows the rest.
    const QImage picture(QString::fromStdString(dir / "d.png"));
    const QRgb stripe = qRgb(0x7F, 0x8F, 0xA8);
    int striped = 0;
    for (int y = 48; y < 62; ++y)
        for (int x = 58; x < 72; ++x)
            striped += picture.pixel(x, y) == stripe;
    EXPECT_GT(striped, 40);
    EXPECT_LT(striped, 14 * 14);
    EXPECT_NE(picture.pixel(85, 10), stripe);
    EXPECT_NE(picture.pixel(85, 10), picture.pixel(40, 40)); // the added box is marked

    // A mask of another size is an error naming it; so is a bad file.
    Make_Png(dir / "small.png", 10, 10);
    QImage small_mask(10, 10, QImage::Format_ARGB32);
    small_mask.fill(Qt::transparent);
    ASSERT_TRUE(small_mask.save(QString::fromStdString(dir / "small_mask.png")));
    EXPECT_EQ(Compare({"--mask", dir / "small_mask.png", dir / "old.png", dir / "new.png"}), 2);
    EXPECT_NE(Err.find("small_mask.png is 10 x 10 pixels"), std::string::npos) << Err;
    EXPECT_EQ(Compare({"--mask", dir / "small.png", dir / "old.png", dir / "new.png"}), 2);
    EXPECT_NE(Err.find("no transparent pixel"), std::string::npos) << Err;
    test::Write_File(dir / "bad.txt", "1,2,3,4\n1,2,-3,4\n");
    EXPECT_EQ(Compare({"--ignore-file", dir / "bad.txt", dir / "old.png", dir / "new.png"}), 2);
    EXPECT_NE(Err.find("bad.txt, line 2"), std::string::npos) << Err;
    EXPECT_EQ(Out, "");
}

TEST_F(Ci_Report, LimitsAcceptAChangeAtOrBelowThemAndSayWhyNot)
{
    const auto judged = [&](std::vector<std::string> limits) {
        limits.insert(limits.begin(), "--json");
        limits.insert(limits.end(), {dir / "old.png", dir / "new.png"});
        const int code = Compare(limits);
        const std::vector<QJsonObject> records = Json_Records();
        EXPECT_EQ(records.size(), 1u);
        return std::pair(code, records.empty() ? std::string()
                                               : records[0][u"reason"].toString().toStdString());
    };
    EXPECT_EQ(judged({"--max-changed-pixels", "100"}),
              std::pair(0, std::string("within thresholds")));
    EXPECT_EQ(judged({"--max-changed-pixels", "101"}).first, 0);
    EXPECT_EQ(judged({"--max-changed-pixels", "99"}),
              std::pair(1, std::string("changed pixels 100 > 99")));
    // 100 of 8,000 pixels are 1.25 %.
    EXPECT_EQ(judged({"--max-changed-share", "1.25"}).first, 0);
    EXPECT_EQ(judged({"--max-changed-share", "1.2"}),
              std::pair(1, std::string("changed share 1.25 % > 1.2 %")));
    EXPECT_EQ(judged({"--max-changed-share", "5", "--max-changed-pixels", "10"}).first, 1);
    EXPECT_EQ(judged({}), std::pair(1, std::string("different")));
    EXPECT_EQ(Compare({"--max-changed-pixels", "100", dir / "old.png", dir / "new.png"}), 0);
    EXPECT_NE(Out.find("; accepted (within thresholds)\n"), std::string::npos) << Out;

    // Files on one side only: as before without a limit, accepted with one
    // unless they are to fail.
    Make_Folders();
    EXPECT_EQ(Compare({dir / "a", dir / "b"}), 1);
    EXPECT_EQ(Compare({"--max-changed-pixels", "100", dir / "a", dir / "b"}), 0) << Out;
    EXPECT_NE(Out.find("gone.png: only in the old version (1 page); accepted (only in old)"),
              std::string::npos)
        << Out;
    EXPECT_NE(Out.find(", 9 accepted\n"), std::string::npos) << Out;
    EXPECT_EQ(Compare({"--max-changed-pixels", "100", "--fail-on-missing", dir / "a", dir / "b"}),
              1);
    EXPECT_EQ(Compare({"--max-changed-pixels", "1", dir / "a", dir / "b"}), 1);
}

#ifndef _WIN32
TEST_F(Ci_Report, JunitReportFollowsTheSchemaWithAFailureAndAnErrorPerPair)
{
    Make_Folders();
    test::Write_File(dir / "a/broken.png", "not a picture");
    test::Write_File(dir / "b/broken.png", "not a picture either");
    EXPECT_EQ(
        Compare({"--junit", dir / "r.xml", "--max-changed-pixels", "8", dir / "a", dir / "b"}), 2);
    const std::string xml = test::Read_File(dir / "r.xml");
    const std::string check = "xmllint --noout --schema '" VARNOLT_TEST_JUNIT_SCHEMA "' '" +
                              dir / "r.xml" + "' 2>'" + dir / "lint.txt" + "'";
    EXPECT_EQ(std::system(check.c_str()), 0) << test::Read_File(dir / "lint.txt") << xml;
    // 10 pairs: the two with a 2 x 3 box pass, the one with 3 x 3 not.
    EXPECT_NE(xml.find("tests=\"10\" failures=\"1\" errors=\"1\" skipped=\"2\""), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<testcase classname=\"sub\" name=\"p3.png\""), std::string::npos) << xml;
    EXPECT_NE(
        xml.find("message=\"9 changed pixels (0.75 %), 1 change, 1 change region: changed pixels "
                 "9 &gt; 8\""),
        std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<testcase classname=\"varnolt\" name=\"broken.png\""), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<skipped message=\"only in new\""), std::string::npos) << xml;
}
#endif

TEST_F(Ci_Report, PartsOfAFolderPairMergeIntoTheWholeRun)
{
    Make_Folders();
    EXPECT_EQ(Compare({"--json", "--jobs", "2", dir / "a", dir / "b"}), 1);
    const std::string whole = Out;
    std::vector<std::string> merge = {"varnolt", "--merge-reports", dir / "merged.json"};
    std::size_t records = 0;
    for (int part = 1; part <= 3; ++part) {
        const int code =
            Compare({"--json", "--shard", std::to_string(part) + "/3", dir / "a", dir / "b"});
        EXPECT_LE(code, 1);
        records += Json_Records().size();
        test::Write_File(dir / ("part" + std::to_string(part) + ".json"), Out);
        merge.push_back(dir / ("part" + std::to_string(part) + ".json"));
    }
    EXPECT_EQ(records, 9u); // every file in exactly one part
    std::ostringstream out, err;
    EXPECT_EQ(Run_Merge_Reports(Parse_Command_Options(merge), out, err), 1) << err.str();
    // Past the first line (which names the options), the same records in
    // the same order and the same totals.
    const std::string merged = test::Read_File(dir / "merged.json");
    EXPECT_EQ(merged.substr(merged.find('\n')), whole.substr(whole.find('\n')));
    EXPECT_EQ(merged.find("shard"), std::string::npos);

    // A part whose run did not end, or from other options, is refused.
    test::Write_File(dir / "cut.json", test::Read_File(dir / "part1.json").substr(0, 200));
    merge.push_back(dir / "cut.json");
    EXPECT_EQ(Run_Merge_Reports(Parse_Command_Options(merge), out, err), 2);
    Compare({"--json", "--tolerance", "50", "--shard", "1/3", dir / "a", dir / "b"});
    test::Write_File(dir / "cut.json", Out);
    EXPECT_EQ(Run_Merge_Reports(Parse_Command_Options(merge), out, err), 2);
    EXPECT_NE(err.str().find("other options"), std::string::npos) << err.str();
}

// A CI job that lost a part's artifact, or merged one twice, must not pass:
// only every part of one run, each once, merges; --allow-partial merges the
// others and counts each missing part as an error.
TEST_F(Ci_Report, AMissingDoubledOrForeignPartIsNamedAndNeverPasses)
{
    Make_Folders();
    const auto part = [&](const std::string& Shard, const std::string& Name,
                          std::vector<std::string> More = {}) {
        More.insert(More.end(), {"--json", "--shard", Shard, dir / "a", dir / "b"});
        EXPECT_LE(Compare(More), 1) << Err;
        test::Write_File(dir / Name, Out);
        return dir / Name;
    };
    const std::string one = part("1/3", "1.json"), two = part("2/3", "2.json"),
                      three = part("3/3", "3.json"), other = part("2/4", "2of4.json");
    const auto merge = [&](std::vector<std::string> Reports, std::string& Err_Text,
                           bool Allow_Partial = false) {
        std::vector<std::string> line = {"varnolt", "--merge-reports"};
        if (Allow_Partial)
            line.push_back("--allow-partial");
        line.push_back(dir / "merged.json");
        line.insert(line.end(), Reports.begin(), Reports.end());
        std::ostringstream out, err;
        const int code = Run_Merge_Reports(Parse_Command_Options(line), out, err);
        Err_Text = err.str();
        return code;
    };
    std::string err;
    EXPECT_EQ(merge({one, three}, err), 2);
    EXPECT_NE(err.find("part 2 of 3 is missing"), std::string::npos) << err;
    EXPECT_EQ(merge({one, one, two, three}, err), 2);
    EXPECT_NE(err.find("part 1 of 3 is given twice: " + one + " and " + one), std::string::npos)
        << err;
    EXPECT_EQ(merge({one, other, three}, err), 2);
    EXPECT_NE(err.find(other + " is part 2 of 4 but " + one + " is part 1 of 3"), std::string::npos)
        << err;
    // A part of a run over other folders is no part of this one.
    fs::copy(dir.Path / "a", dir.Path / "a2", fs::copy_options::recursive);
    const std::string elsewhere = dir / "elsewhere.json";
    EXPECT_LE(Compare({"--json", "--shard", "2/3", dir / "a2", dir / "b"}), 1);
    test::Write_File(elsewhere, Out);
    EXPECT_EQ(merge({one, elsewhere, three}, err), 2);
    EXPECT_NE(err.find("other folders"), std::string::npos) << err;
    // A whole run is part 1 of 1: given twice, it is doubled.
    const std::string whole = dir / "whole.json";
    EXPECT_EQ(Compare({"--json", dir / "a", dir / "b"}), 1);
    test::Write_File(whole, Out);
    EXPECT_EQ(merge({whole}, err), 1) << err;
    EXPECT_EQ(merge({whole, whole}, err), 2);
    EXPECT_NE(err.find("part 1 of 1 is given twice"), std::string::npos) << err;

    // Partial: the parts given merge, the missing one is an error record,
    // counted, named in the header and in the JUnit report.
    std::vector<std::string> line = {"varnolt",
                                     "--merge-reports",
                                     "--allow-partial",
                                     "--junit",
                                     dir / "partial.xml",
                                     dir / "partial.json",
                                     one,
                                     three};
    std::ostringstream out, partial_err;
    EXPECT_EQ(Run_Merge_Reports(Parse_Command_Options(line), out, partial_err), 2);
    EXPECT_NE(partial_err.str().find("merged without 1 part"), std::string::npos);
    std::istringstream lines(test::Read_File(dir / "partial.json"));
    std::vector<QJsonObject> objects;
    for (std::string text; std::getline(lines, text);)
        objects.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(text)).object());
    ASSERT_GE(objects.size(), 3u);
    EXPECT_EQ(objects.front()[u"missing_parts"].toArray(), QJsonArray{2});
    const QJsonObject& missing = objects[objects.size() - 2];
    EXPECT_EQ(missing[u"missing_part"].toString(), u"2/3");
    EXPECT_EQ(missing[u"result"].toString(), u"error");
    EXPECT_GE(objects.back()[u"totals"].toObject()[u"errors"].toInt(), 1);
    EXPECT_NE(test::Read_File(dir / "partial.xml").find("part 2 of 3"), std::string::npos);
    // Doubled parts are refused even then.
    EXPECT_EQ(merge({one, one}, err, true), 2);
    EXPECT_NE(err.find("given twice"), std::string::npos) << err;
}

// One changed pixel of 2000 x 2000 is a share that six decimals round to
// nothing: each report keeps the digits that show it.
TEST_F(Ci_Report, ASingleChangedPixelIsANonZeroShareInEveryReport)
{
    QImage picture(2000, 2000, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "big_old.png")));
    picture.setPixel(1000, 1000, 0);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "big_new.png")));
    EXPECT_EQ(Compare({"--json", dir / "big_old.png", dir / "big_new.png"}), 1);
    EXPECT_NE(Out.find("\"changed_share\":0.00000025,"), std::string::npos) << Out;
    EXPECT_EQ(Compare({dir / "big_old.png", dir / "big_new.png"}), 1);
    EXPECT_NE(Out.find("1 px changed (0.000025 %)"), std::string::npos) << Out;
}

TEST_F(Ci_Report, OnlyChangesAndSummaryFirstShortenTheOutputNotTheTotals)
{
    Make_Folders();
    EXPECT_EQ(Compare({"--only-changes", "--summary-first", dir / "a", dir / "b"}), 1);
    EXPECT_TRUE(Out.starts_with("Totals: 4 identical, 3 different, 1 only in old, 1 only in new, "
                                "0 errors\n"))
        << Out;
    EXPECT_EQ(Out.find(": identical"), std::string::npos) << Out;
    EXPECT_EQ(std::count(Out.begin(), Out.end(), '\n'), 6);
    EXPECT_EQ(Compare({"--json", "--only-changes", dir / "a", dir / "b"}), 1);
    EXPECT_EQ(Json_Records().size(), 5u);
    EXPECT_TRUE(Out.ends_with("{\"totals\":{\"identical\":4,\"different\":3,\"only_in_old\":1,"
                              "\"only_in_new\":1,\"errors\":0}}\n"))
        << Out;
}
