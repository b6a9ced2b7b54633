#include "headless/html_report_data.h"

#include "headless/json_value.h"
#include "headless/report_text.h"
#include "vocabulary/utf8_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

std::string String_Of(const QJsonValue& Value) { return Value.toString().toStdString(); }

// A file's name under Key: a name that is not valid UTF-8 is shown with its
// other bytes as \xNN (two names apart only there must not read alike), and
// its exact bytes, in hexadecimal, go beside it as Key_bytes.
void Set_Name(T_Json& Object, const std::string& Key, const std::string& Name)
{
    Object.Set_Name(Key, Name, T_Json::T_Odd_Bytes::Shown);
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

T_Json Picture_Json(const T_Html_Picture& Picture)
{
    return T_Json::Object()
        .Set("file", Picture.File)
        .Set("x", Picture.X)
        .Set("y", Picture.Y)
        .Set("width", Picture.Width)
        .Set("height", Picture.Height);
}

T_Html_Picture Picture_From(const QJsonObject& Object)
{
    return {String_Of(Object.value(u"file")), Object.value(u"x").toInt(),
            Object.value(u"y").toInt(), Object.value(u"width").toInt(),
            Object.value(u"height").toInt()};
}

T_Json Region_Json(const T_Html_Region& Region)
{
    T_Json object = T_Json::Object()
                        .Set("kind", Region.Kind)
                        .Set("x", Region.X)
                        .Set("y", Region.Y)
                        .Set("width", Region.Width)
                        .Set("height", Region.Height)
                        .Set("pixels", Region.Pixels);
    if (!Region.Text.Old_Text.empty())
        object.Set("old_text", Region.Text.Old_Text);
    if (!Region.Text.New_Text.empty())
        object.Set("new_text", Region.Text.New_Text);
    if (Region.Text.Change != T_Text_Change::None)
        object.Set("text_change", Text_Change_Word(Region.Text.Change));
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

T_Json Box_Json(const T_Rectangle& Box)
{
    return T_Json::Array().Append(Box.Left).Append(Box.Top).Append(Box.Width).Append(Box.Height);
}

T_Rectangle Box_From(const QJsonValue& Value)
{
    const QJsonArray box = Value.toArray();
    return {box.at(0).toInt(), box.at(1).toInt(), box.at(2).toInt(), box.at(3).toInt()};
}

// As the lines of --compare --json give a change.
T_Json Change_Json(const T_Html_Change& Change)
{
    T_Json regions = T_Json::Array();
    for (std::size_t region : Change.Regions)
        regions.Append(region);
    T_Json object = T_Json::Object()
                        .Set("kind", Change.Kind)
                        .Set("old_rect", Box_Json(Change.Old_Box))
                        .Set("new_rect", Box_Json(Change.New_Box))
                        .Set("pixels", Change.Pixels)
                        .Set("regions", std::move(regions));
    if (!Change.Text.Old_Text.empty())
        object.Set("old_text", Change.Text.Old_Text);
    if (!Change.Text.New_Text.empty())
        object.Set("new_text", Change.Text.New_Text);
    return object;
}

T_Html_Change Change_From(const QJsonObject& Object)
{
    T_Html_Change change{
        String_Of(Object.value(u"kind")),
        Box_From(Object.value(u"old_rect")),
        Box_From(Object.value(u"new_rect")),
        std::size_t(Object.value(u"pixels").toDouble()),
        {},
        {String_Of(Object.value(u"old_text")), String_Of(Object.value(u"new_text"))}};
    for (const QJsonValue& region : Object.value(u"regions").toArray())
        change.Regions.push_back(std::size_t(region.toDouble()));
    return change;
}

T_Json Text_Changes_Json(const T_Text_Changes& Changes)
{
    T_Json listed = T_Json::Array();
    for (const T_Tracked_Change& change : Changes.Changes)
        listed.Append(T_Json::Object()
                          .Set("kind", change.Kind)
                          .Set("text", change.Text)
                          .Set("place", change.Place));
    return T_Json::Object()
        .Set("insertions", Changes.Insertions)
        .Set("deletions", Changes.Deletions)
        .Set("format_changes", Changes.Format_Changes)
        .Set("changes", std::move(listed));
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

T_Json Entry_Json(const T_Html_Entry& Entry)
{
    T_Json object = T_Json::Object()
                        .Set("result", Html_Verdict_Word(Entry.Result))
                        .Set("accepted", Entry.Accepted)
                        .Set("reason", Entry.Reason);
    Set_Name(object, "name", Entry.Name);
    Set_Name(object, "file", Entry.File);
    if (!Entry.Error.empty())
        object.Set("error", Entry.Error);
    if (Entry.Compared_Pixels) {
        T_Json regions = T_Json::Array();
        for (const T_Html_Region& region : Entry.Regions)
            regions.Append(Region_Json(region));
        object.Set("changed_pixels", Entry.Changed_Pixels)
            .Set("changed_share", Entry.Changed_Share)
            .Set("regions", std::move(regions))
            .Set("change_count", Entry.Changes)
            .Set("moved_change_count", Entry.Moved_Changes);
        T_Json changes = T_Json::Array();
        for (const T_Html_Change& change : Entry.Change_List)
            changes.Append(Change_Json(change));
        object.Set("changes", std::move(changes));
    }
    if (Entry.Has_Page_Text)
        object.Set("text_layer",
                   T_Json::Object().Set("old", Entry.Old_Has_Text).Set("new", Entry.New_Has_Text));
    if (Entry.Text_Changes)
        object.Set("text_changes", Text_Changes_Json(*Entry.Text_Changes));
    if (Entry.Has_Pictures())
        object.Set("pictures", T_Json::Object()
                                   .Set("left", Entry.Left)
                                   .Set("top", Entry.Top)
                                   .Set("base", Picture_Json(Entry.Base))
                                   .Set("modified", Picture_Json(Entry.Modified))
                                   .Set("differences", Picture_Json(Entry.Differences)));
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
    for (const QJsonValue& value : Object.value(u"changes").toArray())
        Entry.Change_List.push_back(Change_From(value.toObject()));
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
        for (const T_Change& change : difference->Changes) {
            entry.Moved_Changes += change.Is_Move();
            const T_Change_Boxes boxes = Change_Boxes_Of(Pair, change);
            entry.Change_List.push_back({Change_Kind_Word(change.Kind), boxes.Old, boxes.New,
                                         change.Pixels, change.Regions});
        }
    }
    if (const T_Page_Pair_Text* text = Pair.Text.get()) {
        entry.Has_Page_Text = true;
        entry.Old_Has_Text = text->Old_Has_Text;
        entry.New_Has_Text = text->New_Has_Text;
        for (std::size_t i = 0; i < text->Regions.size() && i < entry.Regions.size(); ++i)
            entry.Regions[i].Text = text->Regions[i];
        for (std::size_t i = 0; i < text->Changes.size() && i < entry.Change_List.size(); ++i)
            entry.Change_List[i].Text = text->Changes[i];
    }
    if (Pair.Text_Changes)
        entry.Text_Changes = *Pair.Text_Changes;
    return entry;
}

std::vector<T_Html_Change> Html_Changes_Of(const T_Html_Entry& Entry)
{
    if (!Entry.Change_List.empty())
        return Entry.Change_List;
    std::vector<T_Html_Change> changes;
    for (std::size_t i = 0; i < Entry.Regions.size(); ++i) {
        const T_Html_Region& region = Entry.Regions[i];
        const T_Rectangle box{region.X, region.Y, region.Width, region.Height};
        changes.push_back({region.Kind, box, box, region.Pixels, {i}, region.Text});
    }
    return changes;
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
    T_Json options = T_Json::Array(), entries = T_Json::Array();
    for (const auto& [label, value] : Report.Options)
        options.Append(T_Json::Array().Append(label).Append(value));
    for (const T_Html_Entry& entry : Report.Entries)
        entries.Append(Entry_Json(entry));
    const T_Report_Totals& totals = Report.Totals;
    T_Json object = T_Json::Object()
                        .Set("format", "varnolt-report")
                        .Set("version", 1)
                        .Set("program_version", Report.Program_Version)
                        .Set("options", std::move(options))
                        .Set("totals", T_Json::Object()
                                           .Set("identical", totals.Identical)
                                           .Set("different", totals.Different)
                                           .Set("only_old", totals.Only_Old)
                                           .Set("only_new", totals.Only_New)
                                           .Set("errors", totals.Errors)
                                           .Set("accepted", totals.Accepted))
                        .Set("pairs", std::move(entries))
                        .Set("interrupted", totals.Interrupted);
    Set_Name(object, "old", Report.Old_Name);
    Set_Name(object, "new", Report.New_Name);
    return object.Indented();
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
