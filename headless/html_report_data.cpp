#include "headless/html_report_data.h"

#include "headless/report_text.h"
#include "vocabulary/utf8_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QString Json_Text_Of(const std::string& Value) { return QString::fromStdString(Value); }

std::string String_Of(const QJsonValue& Value) { return Value.toString().toStdString(); }

// A file's name under Key: a name that is not valid UTF-8 is shown with its
// other bytes as \xNN (two names apart only there must not read alike), and
// its exact bytes, in hexadecimal, go beside it as Key_bytes.
void Insert_Name(QJsonObject& Object, const QString& Key, const std::string& Name)
{
    if (Is_Valid_Utf8(Name)) {
        Object.insert(Key, Json_Text_Of(Name));
        return;
    }
    Object.insert(Key, Json_Text_Of(Invalid_Bytes_Shown(Name)));
    Object.insert(Key + QStringLiteral("_bytes"), Json_Text_Of(Hex_Bytes(Name)));
}

std::string Name_From(const QJsonObject& Object, const QString& Key)
{
    const QJsonValue bytes = Object.value(Key + QStringLiteral("_bytes"));
    if (bytes.isString())
        if (std::string name = From_Hex_Bytes(String_Of(bytes)); !name.empty())
            return name;
    return String_Of(Object.value(Key));
}

T_Verdict Verdict_From_Word(const QString& Word, bool& Known)
{
    Known = true;
    for (T_Verdict verdict : {T_Verdict::Identical, T_Verdict::Different, T_Verdict::Only_Old,
                              T_Verdict::Only_New, T_Verdict::Error})
        if (Word == QLatin1String(Html_Verdict_Word(verdict)))
            return verdict;
    Known = false;
    return T_Verdict::Error;
}

QJsonObject Picture_Json(const T_Html_Picture& Picture)
{
    return {{QStringLiteral("file"), Json_Text_Of(Picture.File)},
            {QStringLiteral("x"), Picture.X},
            {QStringLiteral("y"), Picture.Y},
            {QStringLiteral("width"), Picture.Width},
            {QStringLiteral("height"), Picture.Height}};
}

T_Html_Picture Picture_From(const QJsonObject& Object)
{
    return {String_Of(Object.value(u"file")), Object.value(u"x").toInt(),
            Object.value(u"y").toInt(), Object.value(u"width").toInt(),
            Object.value(u"height").toInt()};
}

QJsonObject Region_Json(const T_Html_Region& Region)
{
    QJsonObject object{{QStringLiteral("kind"), Json_Text_Of(Region.Kind)},
                       {QStringLiteral("x"), Region.X},
                       {QStringLiteral("y"), Region.Y},
                       {QStringLiteral("width"), Region.Width},
                       {QStringLiteral("height"), Region.Height},
                       {QStringLiteral("pixels"), double(Region.Pixels)}};
    if (!Region.Text.Old_Text.empty())
        object.insert(u"old_text", Json_Text_Of(Region.Text.Old_Text));
    if (!Region.Text.New_Text.empty())
        object.insert(u"new_text", Json_Text_Of(Region.Text.New_Text));
    if (Region.Text.Change != T_Text_Change::None)
        object.insert(u"text_change", QLatin1String(Text_Change_Word(Region.Text.Change)));
    return object;
}

T_Html_Region Region_From(const QJsonObject& Object)
{
    return {String_Of(Object.value(u"kind")),
            Object.value(u"x").toInt(),
            Object.value(u"y").toInt(),
            Object.value(u"width").toInt(),
            Object.value(u"height").toInt(),
            std::size_t(Object.value(u"pixels").toDouble()),
            {String_Of(Object.value(u"old_text")), String_Of(Object.value(u"new_text")),
             Text_Change_From_Word(String_Of(Object.value(u"text_change")))}};
}

QJsonObject Text_Changes_Json(const T_Text_Changes& Changes)
{
    QJsonArray listed;
    for (const T_Tracked_Change& change : Changes.Changes)
        listed.append(QJsonObject{{QStringLiteral("kind"), Json_Text_Of(change.Kind)},
                                  {QStringLiteral("text"), Json_Text_Of(change.Text)},
                                  {QStringLiteral("place"), Json_Text_Of(change.Place)}});
    return {{QStringLiteral("insertions"), Changes.Insertions},
            {QStringLiteral("deletions"), Changes.Deletions},
            {QStringLiteral("format_changes"), Changes.Format_Changes},
            {QStringLiteral("changes"), listed}};
}

T_Text_Changes Text_Changes_From(const QJsonObject& Object)
{
    T_Text_Changes changes;
    changes.Insertions = Object.value(u"insertions").toInt();
    changes.Deletions = Object.value(u"deletions").toInt();
    changes.Format_Changes = Object.value(u"format_changes").toInt();
    for (const QJsonValue& value : Object.value(u"changes").toArray())
        changes.Changes.push_back({String_Of(value.toObject().value(u"kind")),
                                   String_Of(value.toObject().value(u"text")),
                                   String_Of(value.toObject().value(u"place"))});
    return changes;
}

QJsonObject Entry_Json(const T_Html_Entry& Entry)
{
    QJsonObject object{{QStringLiteral("result"), QLatin1String(Html_Verdict_Word(Entry.Result))},
                       {QStringLiteral("accepted"), Entry.Accepted},
                       {QStringLiteral("reason"), Json_Text_Of(Entry.Reason)}};
    Insert_Name(object, QStringLiteral("name"), Entry.Name);
    Insert_Name(object, QStringLiteral("file"), Entry.File);
    if (!Entry.Error.empty())
        object.insert(u"error", Json_Text_Of(Entry.Error));
    if (Entry.Compared_Pixels) {
        object.insert(u"changed_pixels", double(Entry.Changed_Pixels));
        object.insert(u"changed_share", Entry.Changed_Share);
        QJsonArray regions;
        for (const T_Html_Region& region : Entry.Regions)
            regions.append(Region_Json(region));
        object.insert(u"regions", regions);
        object.insert(u"change_count", double(Entry.Changes));
        object.insert(u"moved_change_count", double(Entry.Moved_Changes));
    }
    if (Entry.Has_Page_Text)
        object.insert(u"text_layer", QJsonObject{{QStringLiteral("old"), Entry.Old_Has_Text},
                                                 {QStringLiteral("new"), Entry.New_Has_Text}});
    if (Entry.Text_Changes)
        object.insert(u"text_changes", Text_Changes_Json(*Entry.Text_Changes));
    if (Entry.Has_Pictures())
        object.insert(
            u"pictures",
            QJsonObject{{QStringLiteral("left"), Entry.Left},
                        {QStringLiteral("top"), Entry.Top},
                        {QStringLiteral("base"), Picture_Json(Entry.Base)},
                        {QStringLiteral("modified"), Picture_Json(Entry.Modified)},
                        {QStringLiteral("differences"), Picture_Json(Entry.Differences)}});
    return object;
}

bool Entry_From(const QJsonObject& Object, T_Html_Entry& Entry)
{
    bool known = false;
    Entry.Name = Name_From(Object, QStringLiteral("name"));
    Entry.File = Name_From(Object, QStringLiteral("file"));
    Entry.Result = Verdict_From_Word(Object.value(u"result").toString(), known);
    Entry.Accepted = Object.value(u"accepted").toBool();
    Entry.Reason = String_Of(Object.value(u"reason"));
    Entry.Error = String_Of(Object.value(u"error"));
    Entry.Compared_Pixels = Object.contains(u"changed_pixels");
    Entry.Changed_Pixels = std::size_t(Object.value(u"changed_pixels").toDouble());
    Entry.Changed_Share = Object.value(u"changed_share").toDouble();
    for (const QJsonValue& value : Object.value(u"regions").toArray())
        Entry.Regions.push_back(Region_From(value.toObject()));
    // Reports written before changes were grouped count their regions.
    Entry.Changes = std::size_t(Object.value(u"change_count").toInt(int(Entry.Regions.size())));
    Entry.Moved_Changes = std::size_t(Object.value(u"moved_change_count").toInt());
    if (const QJsonValue layers = Object.value(u"text_layer"); layers.isObject()) {
        Entry.Has_Page_Text = true;
        Entry.Old_Has_Text = layers.toObject().value(u"old").toBool();
        Entry.New_Has_Text = layers.toObject().value(u"new").toBool();
    }
    if (const QJsonValue changes = Object.value(u"text_changes"); changes.isObject())
        Entry.Text_Changes = Text_Changes_From(changes.toObject());
    const QJsonObject pictures = Object.value(u"pictures").toObject();
    Entry.Left = pictures.value(u"left").toInt();
    Entry.Top = pictures.value(u"top").toInt();
    Entry.Base = Picture_From(pictures.value(u"base").toObject());
    Entry.Modified = Picture_From(pictures.value(u"modified").toObject());
    Entry.Differences = Picture_From(pictures.value(u"differences").toObject());
    return known && !Entry.Name.empty();
}

std::string Percent(double Share)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g %%", Share);
    return text;
}

std::string Ignore_Areas_Text(const T_Command_Options& Options)
{
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    for (const T_Ignore_Rectangle& box : Options.Ignore)
        add(std::to_string(box.Left) + "," + std::to_string(box.Top) + " " +
            std::to_string(box.Width) + " x " + std::to_string(box.Height));
    if (!Options.Ignore_File.empty())
        add("file " + Options.Ignore_File);
    if (!Options.Mask.empty())
        add("mask " + Options.Mask);
    return text.empty() ? "none" : text;
}

std::string Thresholds_Text(const T_Command_Options& Options)
{
    if (!Has_Acceptance_Limits(Options))
        return "none (only identical pairs pass)";
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (Options.Max_Changed_Pixels >= 0)
        add("at most " + Grouped(std::size_t(Options.Max_Changed_Pixels)) + " changed pixels");
    if (Options.Max_Changed_Share >= 0)
        add("at most " + Percent(Options.Max_Changed_Share) + " changed");
    add(Options.Fail_On_Missing ? "files on one side only fail" : "files on one side only pass");
    return text;
}

} // namespace

const char* Html_Verdict_Word(T_Verdict Verdict)
{
    switch (Verdict) {
    case T_Verdict::Identical:
        return "identical";
    case T_Verdict::Different:
        return "different";
    case T_Verdict::Only_Old:
        return "only_old";
    case T_Verdict::Only_New:
        return "only_new";
    case T_Verdict::Error:
        break;
    }
    return "error";
}

T_Html_Entry Html_Entry_Of(const T_Compared_Pair& Pair, const T_Acceptance& Acceptance)
{
    T_Html_Entry entry;
    entry.Name = Pair_Label(Pair);
    entry.File =
        Pair.Result == T_Verdict::Only_Old && Pair.Old_Page.empty() && Pair.New_Page.empty()
            ? Pair.Old_Name
            : Pair.New_Name;
    entry.Result = Pair.Result;
    entry.Accepted = Acceptance.Accepted;
    entry.Reason = Acceptance.Reason;
    entry.Error = Pair.Error;
    if (const T_Difference* difference = Pair.Difference.get()) {
        entry.Compared_Pixels = true;
        entry.Changed_Pixels = difference->Changed_Pixels;
        entry.Changed_Share = difference->Changed_Share();
        entry.Left = difference->Left;
        entry.Top = difference->Top;
        for (const T_Change_Region& region : difference->Regions)
            entry.Regions.push_back({Region_Kind_Word(region.Kind), region.Left + difference->Left,
                                     region.Top + difference->Top, region.Width, region.Height,
                                     region.Pixels});
        entry.Changes = difference->Changes.size();
        for (const T_Change& change : difference->Changes)
            entry.Moved_Changes += change.Is_Move();
    }
    if (const T_Page_Pair_Text* text = Pair.Text.get()) {
        entry.Has_Page_Text = true;
        entry.Old_Has_Text = text->Old_Has_Text;
        entry.New_Has_Text = text->New_Has_Text;
        for (std::size_t i = 0; i < text->Regions.size() && i < entry.Regions.size(); ++i)
            entry.Regions[i].Text = text->Regions[i];
    }
    if (Pair.Text_Changes)
        entry.Text_Changes = *Pair.Text_Changes;
    return entry;
}

std::vector<std::pair<std::string, std::string>> Html_Options_Of(const T_Command_Options& Options,
                                                                 int Default_Tolerance)
{
    std::vector<std::pair<std::string, std::string>> shown = {
        {"Tolerance",
         std::to_string(Options.Tolerance >= 0 ? Options.Tolerance : Default_Tolerance)},
        {"Anti-aliasing", Options.Ignore_Antialiasing ? "ignored" : "counted as a change"},
        {"Ignore areas", Ignore_Areas_Text(Options)},
        {"Thresholds", Thresholds_Text(Options)},
    };
    if (Options.Only_Changes)
        shown.emplace_back("Listed", "changed pairs only");
    if (Options.Shard_Count > 0)
        shown.emplace_back("Shard", std::to_string(Options.Shard) + " of " +
                                        std::to_string(Options.Shard_Count));
    return shown;
}

std::string Html_Report_Json(const T_Html_Report& Report)
{
    QJsonArray options, entries;
    for (const auto& [label, value] : Report.Options)
        options.append(QJsonArray{Json_Text_Of(label), Json_Text_Of(value)});
    for (const T_Html_Entry& entry : Report.Entries)
        entries.append(Entry_Json(entry));
    const T_Report_Totals& totals = Report.Totals;
    QJsonObject object{
        {QStringLiteral("format"), QStringLiteral("varnolt-report")},
        {QStringLiteral("version"), 1},
        {QStringLiteral("program_version"), Json_Text_Of(Report.Program_Version)},
        {QStringLiteral("options"), options},
        {QStringLiteral("totals"), QJsonObject{{QStringLiteral("identical"), totals.Identical},
                                               {QStringLiteral("different"), totals.Different},
                                               {QStringLiteral("only_old"), totals.Only_Old},
                                               {QStringLiteral("only_new"), totals.Only_New},
                                               {QStringLiteral("errors"), totals.Errors},
                                               {QStringLiteral("accepted"), totals.Accepted}}},
        {QStringLiteral("pairs"), entries},
        {QStringLiteral("interrupted"), totals.Interrupted}};
    Insert_Name(object, QStringLiteral("old"), Report.Old_Name);
    Insert_Name(object, QStringLiteral("new"), Report.New_Name);
    return QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

bool Html_Report_From_Json(const std::string& Text_, T_Html_Report& Report, std::string& Error)
{
    QJsonParseError parse;
    const QJsonObject object =
        QJsonDocument::fromJson(QByteArray::fromStdString(Text_), &parse).object();
    if (parse.error != QJsonParseError::NoError ||
        object.value(u"format").toString() != u"varnolt-report" ||
        object.value(u"version").toInt() != 1) {
        Error = "it is not a report of this program";
        return false;
    }
    Report.Program_Version = String_Of(object.value(u"program_version"));
    Report.Old_Name = Name_From(object, QStringLiteral("old"));
    Report.New_Name = Name_From(object, QStringLiteral("new"));
    for (const QJsonValue& option : object.value(u"options").toArray())
        Report.Options.emplace_back(String_Of(option.toArray().at(0)),
                                    String_Of(option.toArray().at(1)));
    const QJsonObject totals = object.value(u"totals").toObject();
    Report.Totals.Identical = totals.value(u"identical").toInt();
    Report.Totals.Different = totals.value(u"different").toInt();
    Report.Totals.Only_Old = totals.value(u"only_old").toInt();
    Report.Totals.Only_New = totals.value(u"only_new").toInt();
    Report.Totals.Errors = totals.value(u"errors").toInt();
    Report.Totals.Accepted = totals.value(u"accepted").toInt();
    Report.Totals.Interrupted = object.value(u"interrupted").toBool();
    for (const QJsonValue& value : object.value(u"pairs").toArray()) {
        T_Html_Entry entry;
        if (!Entry_From(value.toObject(), entry)) {
            Error = "a pair of it has no name or an unknown verdict";
            return false;
        }
        Report.Entries.push_back(std::move(entry));
    }
    return true;
}
