#include "headless/report_merge.h"

#include "headless/html_report_merge.h"
#include "headless/json_value.h"
#include "headless/junit_report.h"
#include "platform/os_platform.h"
#include "headless/report_parts.h"
#include "headless/report_text.h"
#include "vocabulary/utf8_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <ostream>
#include <sstream>

namespace {

// Options that say how a run was split or printed, not how it compared:
// the parts may differ in them.
const char* const Presentation_Options[] = {"shard", "jobs", "output", "only_changes"};

T_Verdict Verdict_Of_Word(const QString& Word, bool& Known)
{
    Known = true;
    if (Word == u"identical")
        return T_Verdict::Identical;
    if (Word == u"different")
        return T_Verdict::Different;
    if (Word == u"only_in_old")
        return T_Verdict::Only_Old;
    if (Word == u"only_in_new")
        return T_Verdict::Only_New;
    Known = Word == u"error";
    return T_Verdict::Error;
}

// A name as the report gave it: its exact bytes when they were not UTF-8.
std::string Name_Of(const QJsonObject& Object, const char* Key)
{
    const QString bytes =
        Object.value(QString::fromLatin1(Key) + QStringLiteral("_bytes")).toString();
    if (!bytes.isEmpty())
        return QByteArray::fromHex(bytes.toLatin1()).toStdString();
    return Object.value(QLatin1String(Key)).toString().toStdString();
}

std::string Text_Of(const QJsonObject& Object, const char16_t* Key)
{
    return Object.value(QStringView(Key)).toString().toStdString();
}

// The text of the pair's regions, or of its documents' changes, as its
// report gave them.
void Read_Pair_Text(const QJsonObject& Object, T_Report_Record& Record)
{
    Record.No_Text_Layer = Object.value(u"text").toString() == u"not available";
    for (const QJsonValue& value : Object.value(u"regions").toArray()) {
        const QJsonObject region = value.toObject();
        Record.Region_Texts.push_back({Text_Of(region, u"old_text"), Text_Of(region, u"new_text"),
                                       Text_Change_From_Word(Text_Of(region, u"text_change"))});
    }
    if (Object.value(u"compared_by").toString() != u"text" || !Object.contains(u"insertions"))
        return;
    T_Text_Changes changes;
    changes.Insertions = Object.value(u"insertions").toInt();
    changes.Deletions = Object.value(u"deletions").toInt();
    changes.Format_Changes = Object.value(u"format_changes").toInt();
    for (const QJsonValue& value : Object.value(u"changes").toArray())
        changes.Changes.push_back(
            {Text_Of(value.toObject(), u"kind"), Text_Of(value.toObject(), u"text")});
    Record.Text_Changes = changes;
}

T_Report_Record Record_From(const QJsonObject& Object, const std::string& Line, bool& Known)
{
    T_Report_Record record;
    record.Old_Name = Name_Of(Object, "old");
    record.New_Name = Name_Of(Object, "new");
    record.Old_Page = Name_Of(Object, "old_page");
    record.New_Page = Name_Of(Object, "new_page");
    record.Result = Verdict_Of_Word(Object.value(u"result").toString(), Known);
    // Reports without the verdict's acceptance passed only what was identical.
    record.Accepted = Object.value(u"accepted").toBool(record.Result == T_Verdict::Identical);
    record.Reason = Object.value(u"reason").toString().toStdString();
    record.Error = Object.value(u"error").toString().toStdString();
    if (Object.contains(u"changed_pixels")) {
        record.Compared_Pixels = true;
        record.Changed_Pixels = std::size_t(Object.value(u"changed_pixels").toDouble());
        record.Changed_Share = Object.value(u"changed_share").toDouble();
        record.Regions = std::size_t(Object.value(u"regions").toArray().size());
        // Reports written before changes were grouped count their regions.
        record.Changes = std::size_t(Object.value(u"change_count").toInt(int(record.Regions)));
        for (const QJsonValue& change : Object.value(u"changes").toArray())
            record.Moved_Changes +=
                change.toObject().value(u"kind").toString().startsWith(u"moved");
    }
    Read_Pair_Text(Object, record);
    record.Json = Line;
    return record;
}

// What makes reports parts of one run: the names compared and the options
// they were compared with.
QJsonObject Run_Of(const QJsonObject& Header)
{
    QJsonObject options = Header.value(u"options").toObject();
    for (const char* key : Presentation_Options)
        options.remove(QLatin1String(key));
    QJsonObject run;
    for (const char16_t* key : {u"old", u"old_bytes", u"new", u"new_bytes"})
        if (Header.contains(QStringView(key)))
            run.insert(QStringView(key), Header.value(QStringView(key)));
    run.insert(u"options", options);
    return run;
}

// A value read from a report, to be written again; an object's members
// come in the order of their keys, as they are read.
T_Json Json_Of(const QJsonValue& Value)
{
    switch (Value.type()) {
    case QJsonValue::Bool:
        return Value.toBool();
    case QJsonValue::Double: {
        const double number = Value.toDouble();
        const qint64 whole = Value.toInteger();
        return double(whole) == number ? T_Json(whole) : T_Json(number);
    }
    case QJsonValue::String:
        return Value.toString().toStdString();
    case QJsonValue::Array: {
        T_Json array = T_Json::Array();
        for (const QJsonValue& element : Value.toArray())
            array.Append(Json_Of(element));
        return array;
    }
    case QJsonValue::Object: {
        T_Json object = T_Json::Object();
        const QJsonObject members = Value.toObject();
        for (auto member = members.begin(); member != members.end(); ++member)
            object.Set(member.key().toStdString(), Json_Of(member.value()));
        return object;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return nullptr;
}

// The record of a part whose report was not given: an error, so that the
// merged run never passes for what it could not see.
T_Report_Record Missing_Part_Record(int Shard, int Count)
{
    T_Report_Record record;
    record.Old_Name = record.New_Name = Report_Part_Label(Shard, Count);
    record.Result = T_Verdict::Error;
    record.Accepted = false;
    record.Reason = "error";
    record.Error = Missing_Part_Error(Shard, Count);
    // The members in the order merged reports have always given them.
    record.Json = T_Json::Object()
                      .Set("accepted", false)
                      .Set("error", record.Error)
                      .Set("missing_part", std::to_string(Shard) + "/" + std::to_string(Count))
                      .Set("new", record.New_Name)
                      .Set("old", record.Old_Name)
                      .Set("reason", "error")
                      .Set("result", "error")
                      .Line();
    return record;
}

// One report's records added to Merged, its totals checked against them.
bool Merge_One(const std::string& Text, const std::string& Name, T_Merged_Report& Merged,
               QJsonObject& First_Run, T_Report_Part& Part, std::string& Error)
{
    std::istringstream lines(Text);
    T_Report_Totals counted;
    QJsonObject totals, totals_line;
    bool header = false;
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (line.empty())
            continue;
        QJsonParseError parse;
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(line), &parse);
        const QJsonObject object = document.object();
        const std::string where = Name + ", line " + std::to_string(number) + ": ";
        if (parse.error != QJsonParseError::NoError || !document.isObject()) {
            Error = where + "not a JSON object";
            return false;
        }
        if (object.contains(u"format")) {
            if (object.value(u"format").toString() != u"varnolt-compare" ||
                object.value(u"version").toInt() != 1) {
                Error = where + "not a report of varnolt --compare --json";
                return false;
            }
            const QJsonValue shard = object.value(u"options").toObject().value(u"shard");
            if (!shard.isUndefined() &&
                !Report_Part_From_Text(shard.toString().toStdString(), Part)) {
                Error = where + "the part it ran is not K/N";
                return false;
            }
            const QJsonObject run = Run_Of(object);
            if (Merged.Header.empty()) {
                QJsonObject first = object;
                QJsonObject all_options = first.value(u"options").toObject();
                all_options.remove(u"shard");
                first.insert(u"options", all_options);
                Merged.Header = Json_Of(first).Line();
                First_Run = run;
            } else if (run.value(u"options") != First_Run.value(u"options")) {
                Error = Name + " was compared with other options than the first report";
                return false;
            } else if (run != First_Run) {
                Error = Name + " compared other folders than the first report";
                return false;
            }
            header = true;
        } else if (object.contains(u"totals")) {
            totals = object.value(u"totals").toObject();
            totals_line = object;
        } else {
            bool known = true;
            T_Report_Record record = Record_From(object, line, known);
            if (!known) {
                Error = where + "a pair without a known result";
                return false;
            }
            counted.Count(record.Result, record.Accepted);
            Merged.Records.push_back(std::move(record));
        }
    }
    if (!header) {
        Error = Name + " is not a report of varnolt --compare --json (no first line)";
        return false;
    }
    if (totals.isEmpty()) {
        Error = Name + " has no totals: its run did not end";
        return false;
    }
    if (totals_line.value(u"interrupted").toBool()) {
        Error = Name + " is the report of an interrupted run: it lacks pairs of its part";
        return false;
    }
    // Identical pairs a run with --only-changes left out count all the same.
    const int left_out = totals.value(u"identical").toInt() - counted.Identical;
    if (left_out < 0 || totals.value(u"different").toInt() != counted.Different ||
        totals.value(u"only_in_old").toInt() != counted.Only_Old ||
        totals.value(u"only_in_new").toInt() != counted.Only_New ||
        totals.value(u"errors").toInt() != counted.Errors) {
        Error = Name + ": its pairs do not add up to its totals";
        return false;
    }
    for (int i = 0; i < left_out; ++i)
        counted.Count(T_Verdict::Identical, true);
    Merged.Totals += counted;
    return true;
}

} // namespace

bool Merge_Reports(const std::vector<std::string>& Texts, const std::vector<std::string>& Names,
                   bool Allow_Partial, T_Merged_Report& Merged, std::string& Error)
{
    QJsonObject first_run;
    std::vector<T_Report_Part> parts(Texts.size());
    for (std::size_t i = 0; i < Texts.size(); ++i)
        if (!Merge_One(Texts[i], Names[i], Merged, first_run, parts[i], Error))
            return false;
    std::vector<int> missing;
    if (!Check_Report_Parts(parts, Names, Allow_Partial, missing, Error))
        return false;
    // One run lists the files in the order of their names' bytes, each
    // file's pages in their order; a file's records all come from one part.
    std::stable_sort(
        Merged.Records.begin(), Merged.Records.end(),
        [](const T_Report_Record& A, const T_Report_Record& B) { return File_Of(A) < File_Of(B); });
    for (int shard : missing) {
        Merged.Records.push_back(Missing_Part_Record(shard, parts[0].Count));
        Merged.Totals.Count(T_Verdict::Error, false);
    }
    Merged.Missing_Parts = missing;
    if (!missing.empty()) {
        // The header says the merge is partial, and which parts it lacks.
        QJsonObject header =
            QJsonDocument::fromJson(QByteArray::fromStdString(Merged.Header)).object();
        QJsonArray lacking;
        for (int shard : missing)
            lacking.append(shard);
        header.insert(u"parts", parts[0].Count);
        header.insert(u"missing_parts", lacking);
        Merged.Header = Json_Of(header).Line();
    }
    return true;
}

void Print_Merged_Report(std::ostream& Out, const T_Merged_Report& Merged, bool Only_Changes,
                         bool Summary_First)
{
    Out << Merged.Header << "\n";
    if (Summary_First)
        Print_Totals(Out, Merged.Totals, true);
    for (const T_Report_Record& record : Merged.Records)
        if (!Only_Changes || record.Result != T_Verdict::Identical)
            Out << record.Json << "\n";
    if (!Summary_First)
        Print_Totals(Out, Merged.Totals, true);
}

int Run_Merge_Reports(const T_Command_Options& Options, std::ostream& Out, std::ostream& Err)
{
    const std::string& target = Options.Names[0];
    const std::vector<std::string> names(Options.Names.begin() + 1, Options.Names.end());
    if (Are_Report_Folders(names))
        return Run_Merge_Report_Folders(Options, Err);
    std::vector<std::string> texts(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!os::Read_File(names[i], texts[i])) {
            Err << "varnolt: cannot read the report " << Terminal_Safe(names[i]) << "\n";
            return 2;
        }
    }
    T_Merged_Report merged;
    std::string error;
    if (!Merge_Reports(texts, names, Options.Allow_Partial, merged, error)) {
        Err << "varnolt: " << Terminal_Safe(error) << "\n";
        return 2;
    }
    if (!merged.Missing_Parts.empty())
        Err << "varnolt: merged without " << merged.Missing_Parts.size()
            << (merged.Missing_Parts.size() == 1 ? " part" : " parts")
            << ", which count as errors\n";
    std::ostringstream text;
    Print_Merged_Report(text, merged, Options.Only_Changes, Options.Summary_First);
    if (target == "-")
        Out << text.str() << std::flush;
    else if (!os::Write_File_Whole(target, text.str(), error)) {
        Err << "varnolt: cannot write " << Terminal_Safe(target) << ": " << error << "\n";
        return 2;
    }
    if (!Options.Junit.empty() &&
        !os::Write_File_Whole(Options.Junit, Junit_Xml(merged.Records, 0), error)) {
        Err << "varnolt: cannot write " << Terminal_Safe(Options.Junit) << ": " << error << "\n";
        return 2;
    }
    return merged.Totals.Exit_Code();
}
