#include "headless/pair_report.h"

#include "headless/json_value.h"
#include "headless/report_text.h"
#include "headless/share_text.h"
#include "vocabulary/utf8_text.h"

#include <cstdio>
#include <ostream>

namespace {

// "key":"name", or null for a version that does not exist; a name that is
// not valid UTF-8 also gets its exact bytes, in hexadecimal, as key_bytes.
void Set_Name(T_Json& Object, const std::string& Key, const std::string& Name, bool Present)
{
    if (Present)
        Object.Set_Name(Key, Name, T_Json::T_Odd_Bytes::Replaced);
    else
        Object.Set(Key, nullptr);
}

// The word of a verdict: for a line of text, and (with underscores) for JSON.
std::string Result_Word(T_Pair_Findings::T_Result Result, bool Json)
{
    switch (Result) {
    case T_Pair_Findings::T_Result::Identical:
        return "identical";
    case T_Pair_Findings::T_Result::Different:
        return "different";
    case T_Pair_Findings::T_Result::Only_Old:
        return Json ? "only_in_old" : "only in old";
    case T_Pair_Findings::T_Result::Only_New:
        return Json ? "only_in_new" : "only in new";
    case T_Pair_Findings::T_Result::Error:
        break;
    }
    return "error";
}

const char* Compared_By_Word(T_Compared_By By)
{
    switch (By) {
    case T_Compared_By::Pixels:
        return "pixels";
    case T_Compared_By::Pages:
        return "pages";
    case T_Compared_By::Bytes:
        return "bytes";
    case T_Compared_By::Text:
        return "text";
    case T_Compared_By::Nothing:
        break;
    }
    return "none";
}

} // namespace

const char* Region_Kind_Word(T_Change_Region::T_Kind Kind)
{
    switch (Kind) {
    case T_Change_Region::T_Kind::Added:
        return "added";
    case T_Change_Region::T_Kind::Removed:
        return "removed";
    case T_Change_Region::T_Kind::Moved:
        return "moved";
    case T_Change_Region::T_Kind::Changed:
        break;
    }
    return "changed";
}

namespace {

// A whole file on one side only, not a page of a document on one side only.
bool One_Sided_File(const T_Pair_Findings& Report)
{
    return (Report.Result == T_Pair_Findings::T_Result::Only_Old ||
            Report.Result == T_Pair_Findings::T_Result::Only_New) &&
           Report.Old_Page.empty() && Report.New_Page.empty();
}

} // namespace

T_Change_Boxes Change_Boxes_Of(const T_Pair_Findings& Report, const T_Change& Change)
{
    const T_Difference& difference = *Report.Difference;
    const auto in_picture = [&difference](const T_Rectangle& Box) {
        return T_Rectangle{Box.Left + difference.Left, Box.Top + difference.Top, Box.Width,
                           Box.Height};
    };
    T_Change_Boxes boxes{in_picture(Change.Old_Box), in_picture(Change.New_Box)};
    if (Report.Alignment)
        boxes.New = Report.Alignment->To_Modified(boxes.New);
    return boxes;
}

std::string Pair_Label(const T_Pair_Findings& Report)
{
    std::string label = Report.Old_Name;
    if (Report.New_Name != Report.Old_Name)
        label += " " + Report.New_Name;
    if (!Report.Old_Page.empty() || !Report.New_Page.empty())
        label += " (page " + (Report.Old_Page.empty() ? "-" : Report.Old_Page) + " / " +
                 (Report.New_Page.empty() ? "-" : Report.New_Page) + ")";
    return label;
}

namespace {

T_Json Rect_Json(const T_Rectangle& Box)
{
    return T_Json::Array().Append(Box.Left).Append(Box.Top).Append(Box.Width).Append(Box.Height);
}

T_Json Json_Number(double Value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", Value);
    return T_Json::Number(text);
}

const char* Band_Kind_Word(T_Row_Band::T_Kind Kind)
{
    return Kind == T_Row_Band::T_Kind::Added ? "added" : "removed";
}

// The rows or columns inserted or removed, each band of the same side.
T_Json Bands_Json(const T_Alignment& Alignment)
{
    T_Json bands = T_Json::Array();
    for (const T_Row_Band& band : Alignment.Bands)
        bands.Append(T_Json::Object()
                         .Set("kind", Band_Kind_Word(band.Kind))
                         .Set("rows", T_Json::Array().Append(band.From).Append(band.To))
                         .Set("orientation", "rows"));
    // Columns inserted or removed inside a stretch of rows: the rows
    // they run through and the columns.
    for (const T_Column_Band& band : Alignment.Column_Bands)
        bands.Append(T_Json::Object()
                         .Set("kind", Band_Kind_Word(band.Kind))
                         .Set("rows", T_Json::Array().Append(band.Top).Append(band.Bottom))
                         .Set("orientation", "columns")
                         .Set("columns", T_Json::Array().Append(band.From).Append(band.To)));
    return bands;
}

// How the modified picture was laid on the base.
T_Json Alignment_Json(const T_Alignment& Alignment)
{
    T_Json object = T_Json::Object()
                        .Set("mode", Align_Mode_Word(Alignment.Mode))
                        .Set("status", Alignment.Status());
    if (Alignment.Aligned && Alignment.Mode == T_Align_Mode::Shift)
        object
            .Set(
                "shift",
                T_Json::Array().Append(Json_Number(Alignment.Dx)).Append(Json_Number(Alignment.Dy)))
            .Set("scale", Json_Number(Alignment.Scale))
            .Set("rotation_degrees", Json_Number(Alignment.Rotation_Degrees));
    if (Alignment.Aligned && Alignment.Mode == T_Align_Mode::Bands) {
        if (Alignment.Dx != 0)
            object.Set("shift", T_Json::Array().Append(Json_Number(Alignment.Dx)).Append(0));
        object.Set("bands", Bands_Json(Alignment));
    }
    return object.Set("summary", Alignment.Summary());
}

// The text a region covers on each side (PDF pages), and what became of it.
void Set_Region_Text(T_Json& Object, const T_Pair_Findings& Report, std::size_t Region)
{
    if (!Report.Text || !Report.Text->Available() || Region >= Report.Text->Regions.size())
        return;
    const T_Region_Text& text = Report.Text->Regions[Region];
    if (!text.Old_Text.empty())
        Object.Set("old_text", text.Old_Text);
    if (!text.New_Text.empty())
        Object.Set("new_text", text.New_Text);
    Object.Set("text_change", Text_Change_Word(text.Change));
    if (!text.Annotations.empty())
        Object.Set("annotations", text.Annotations);
}

// A box of the differences' area, in the whole picture's pixels.
T_Rectangle In_Picture(const T_Rectangle& Box, const T_Difference& Difference)
{
    return {Box.Left + Difference.Left, Box.Top + Difference.Top, Box.Width, Box.Height};
}

T_Json Change_Json(const T_Pair_Findings& Report, std::size_t Index)
{
    const T_Change& change = Report.Difference->Changes[Index];
    const T_Change_Boxes boxes = Change_Boxes_Of(Report, change);
    T_Json object = T_Json::Object()
                        .Set("kind", Change_Kind_Word(change.Kind))
                        .Set("old_rect", Rect_Json(boxes.Old))
                        .Set("new_rect", Rect_Json(boxes.New))
                        .Set("pixels", change.Pixels);
    if (change.Is_Move())
        object.Set("dx", change.Dx).Set("dy", change.Dy);
    T_Json regions = T_Json::Array();
    for (std::size_t region : change.Regions)
        regions.Append(region);
    object.Set("regions", std::move(regions));
    if (Report.Text && Report.Text->Available() && Index < Report.Text->Changes.size()) {
        const T_Region_Text& text = Report.Text->Changes[Index];
        if (!text.Old_Text.empty())
            object.Set("old_text", text.Old_Text);
        if (!text.New_Text.empty())
            object.Set("new_text", text.New_Text);
    }
    return object;
}

// The regions grouped into edits: each with its kind, its place on each
// side, its move, the regions it holds and, on pages with text, its text.
void Set_Changes(T_Json& Object, const T_Pair_Findings& Report)
{
    T_Json changes = T_Json::Array();
    for (std::size_t i = 0; i < Report.Difference->Changes.size(); ++i)
        changes.Append(Change_Json(Report, i));
    Object.Set("change_count", Report.Difference->Changes.size())
        .Set("changes", std::move(changes));
}

T_Json Region_Json(const T_Pair_Findings& Report, std::size_t Index)
{
    const T_Difference& difference = *Report.Difference;
    const T_Change_Region& region = difference.Regions[Index];
    T_Json object = T_Json::Object()
                        .Set("kind", Region_Kind_Word(region.Kind))
                        .Set("x", region.Left + difference.Left)
                        .Set("y", region.Top + difference.Top)
                        .Set("width", region.Width)
                        .Set("height", region.Height)
                        .Set("pixels", region.Pixels);
    if (region.Kind == T_Change_Region::T_Kind::Moved)
        object.Set("dx", region.Dx).Set("dy", region.Dy);
    if (Report.Alignment) {
        const T_Rectangle in_base =
            In_Picture({region.Left, region.Top, region.Width, region.Height}, difference);
        object.Set("old_rect", Rect_Json(in_base))
            .Set("new_rect", Rect_Json(Report.Alignment->To_Modified(in_base)));
    }
    Set_Region_Text(object, Report, Index);
    return object;
}

void Set_Difference(T_Json& Object, const T_Pair_Findings& Report)
{
    const T_Difference& difference = *Report.Difference;
    // Pages without a text layer (scans) have no text to tell per region.
    if (Report.Text && !Report.Text->Available())
        Object.Set("text", "not available");
    if (Report.Alignment)
        Object.Set("alignment", Alignment_Json(*Report.Alignment));
    T_Json regions = T_Json::Array();
    for (std::size_t i = 0; i < difference.Regions.size(); ++i)
        regions.Append(Region_Json(Report, i));
    Object.Set("old_size", T_Json::Array().Append(Report.Old_Width).Append(Report.Old_Height))
        .Set("new_size", T_Json::Array().Append(Report.New_Width).Append(Report.New_Height))
        .Set("size_differs", difference.Size_Differs());
    if (difference.Paper_Size_Differs())
        Object.Set("paper_size_differs", true);
    Object.Set("changed_pixels", difference.Changed_Pixels)
        .Set("changed_share", T_Json::Number(Share_Json_Number(difference.Changed_Share())))
        .Set("regions", std::move(regions));
    Set_Changes(Object, Report);
}

// The changes of two documents compared by their text: counted by kind,
// and the first few one by one.
void Set_Text_Changes(T_Json& Object, const T_Text_Changes& Changes)
{
    T_Json listed = T_Json::Array();
    for (const T_Tracked_Change& change : Changes.Changes) {
        T_Json listed_change = T_Json::Object().Set("kind", change.Kind);
        if (!change.Place.empty())
            listed_change.Set("place", change.Place);
        listed.Append(std::move(listed_change.Set("text", change.Text)));
    }
    Object.Set("insertions", Changes.Insertions)
        .Set("deletions", Changes.Deletions)
        .Set("format_changes", Changes.Format_Changes)
        .Set("changes", std::move(listed));
}

// A page put elsewhere in its document: where it was and where it is now.
void Print_Move(std::ostream& Out, const T_Pair_Findings& Report)
{
    if (Report.Moved)
        Out << "moved from page " << Report.Old_Page_Number << " to page "
            << Report.New_Page_Number;
}

void Set_Move(T_Json& Object, const T_Pair_Findings& Report)
{
    if (Report.Moved)
        Object.Set(
            "moved",
            T_Json::Object().Set("from", Report.Old_Page_Number).Set("to", Report.New_Page_Number));
}

void Print_Json(std::ostream& Out, const T_Pair_Findings& Report, const T_Acceptance& Acceptance)
{
    using T_Result = T_Pair_Findings::T_Result;
    // Pages judged by their document's bytes keep their pages' names.
    const bool paged = Report.Compared_By == T_Compared_By::Pages ||
                       (Report.Compared_By == T_Compared_By::Bytes &&
                        (!Report.Old_Page.empty() || !Report.New_Page.empty()));
    // Of a page or file on one side only, the other side's name is null.
    const bool old_present = Report.Result != T_Result::Only_New;
    const bool new_present = Report.Result != T_Result::Only_Old;
    T_Json line = T_Json::Object();
    Set_Name(line, "old", Report.Old_Name, !paged ? old_present : true);
    Set_Name(line, "new", Report.New_Name, !paged ? new_present : true);
    if (paged) {
        Set_Name(line, "old_page", Report.Old_Page, old_present && !Report.Old_Page.empty());
        Set_Name(line, "new_page", Report.New_Page, new_present && !Report.New_Page.empty());
    }
    line.Set("compared_by", Compared_By_Word(Report.Compared_By));
    if (Report.Checked != T_Bytes_Check::None)
        line.Set("checked", Report.Checked == T_Bytes_Check::Structure ? "structure" : "decoded");
    line.Set("result", Result_Word(Report.Result, true));
    if (!Report.Error.empty())
        line.Set("error", Report.Error);
    if (Report.Repaired)
        line.Set("repaired", true);
    if (One_Sided_File(Report) && Report.Pages > 0)
        line.Set("pages", Report.Pages);
    if (Report.Difference)
        Set_Difference(line, Report);
    if (Report.Text_Changes)
        Set_Text_Changes(line, *Report.Text_Changes);
    if (!Report.Output.empty())
        Set_Name(line, "output", Report.Output, true);
    Set_Move(line, Report);
    line.Set("accepted", Acceptance.Accepted).Set("reason", Acceptance.Reason);
    Out << line.Line() << "\n";
}

// The options that leave pixels out, decide what passes or pick the pairs,
// when given.
void Set_Limits(T_Json& Object, const T_Command_Options& Options)
{
    if (!Options.Ignore.empty()) {
        T_Json boxes = T_Json::Array();
        for (const T_Ignore_Rectangle& box : Options.Ignore)
            boxes.Append(T_Json::Array().Append(box.Left).Append(box.Top).Append(box.Width).Append(
                box.Height));
        Object.Set("ignore", std::move(boxes));
    }
    if (!Options.Ignore_File.empty())
        Set_Name(Object, "ignore_file", Options.Ignore_File, true);
    if (!Options.Mask.empty())
        Set_Name(Object, "mask", Options.Mask, true);
    if (Options.Max_Changed_Pixels >= 0)
        Object.Set("max_changed_pixels", Options.Max_Changed_Pixels);
    if (Options.Max_Changed_Share >= 0) {
        char share[32];
        std::snprintf(share, sizeof share, "%.6g", Options.Max_Changed_Share);
        Object.Set("max_changed_share", T_Json::Number(share));
    }
    if (Options.Fail_On_Missing)
        Object.Set("fail_on_missing", true);
    if (Options.Shard_Count > 0)
        Object.Set("shard",
                   std::to_string(Options.Shard) + "/" + std::to_string(Options.Shard_Count));
    if (Options.Only_Changes)
        Object.Set("only_changes", true);
    if (Options.Align != T_Align_Mode::Off)
        Object.Set("align", Align_Mode_Word(Options.Align));
}

} // namespace

void T_Report_Totals::Count(T_Pair_Findings::T_Result Result, bool Is_Accepted)
{
    Accepted += Is_Accepted;
    switch (Result) {
    case T_Pair_Findings::T_Result::Identical:
        ++Identical;
        break;
    case T_Pair_Findings::T_Result::Different:
        ++Different;
        break;
    case T_Pair_Findings::T_Result::Only_Old:
        ++Only_Old;
        break;
    case T_Pair_Findings::T_Result::Only_New:
        ++Only_New;
        break;
    case T_Pair_Findings::T_Result::Error:
        ++Errors;
        break;
    }
}

T_Report_Totals& T_Report_Totals::operator+=(const T_Report_Totals& Part)
{
    Identical += Part.Identical;
    Different += Part.Different;
    Only_Old += Part.Only_Old;
    Only_New += Part.Only_New;
    Errors += Part.Errors;
    Accepted += Part.Accepted;
    return *this;
}

int T_Report_Totals::Exit_Code() const
{
    if (Errors > 0)
        return 2;
    return Accepted < Identical + Different + Only_Old + Only_New ? 1 : 0;
}

void Print_Report(std::ostream& Out, const T_Pair_Findings& Report, bool Json,
                  const T_Acceptance& Acceptance, bool Show_Acceptance)
{
    if (Json) {
        Print_Json(Out, Report, Acceptance);
        return;
    }
    // Names may hold line feeds or escape sequences: one line, no effect.
    Out << Terminal_Safe(Pair_Label(Report)) << ": ";
    const T_Difference* difference = Report.Difference.get();
    if (Report.Moved && Report.Result != T_Pair_Findings::T_Result::Error &&
        (!difference || difference->Changed_Pixels == 0)) {
        Print_Move(Out, Report);
    } else if (Report.Result == T_Pair_Findings::T_Result::Different && difference) {
        const std::string share = Share_Percent(difference->Changed_Share());
        Out << Grouped(difference->Changed_Pixels) << " px changed (" << share << " %), "
            << Changes_Summary(difference->Changes) << ", " << difference->Regions.size()
            << (difference->Regions.size() == 1 ? " change region" : " change regions");
        if (difference->Size_Differs())
            Out << (difference->Paper_Size_Differs() ? ", paper size differs ("
                                                     : ", sizes differ (")
                << Report.Old_Width << " x " << Report.Old_Height << " / " << Report.New_Width
                << " x " << Report.New_Height << ")";
        if (Report.Moved)
            Print_Move(Out << ", ", Report);
    } else if (Report.Result == T_Pair_Findings::T_Result::Different && Report.Text_Changes) {
        const T_Text_Changes& changes = *Report.Text_Changes;
        Out << "different (" << Text_Change_Counts(changes) << ")";
        // Changes outside the body are easily missed: where they are.
        if (const std::string places = Text_Change_Places(changes); !places.empty())
            Out << " in " << Terminal_Safe(places);
    } else if (Report.Result == T_Pair_Findings::T_Result::Error) {
        Out << "error: " << Terminal_Safe(Report.Error);
    } else if (One_Sided_File(Report)) {
        Out << (Report.Result == T_Pair_Findings::T_Result::Only_Old ? "only in the old version"
                                                                     : "only in the new version");
        if (Report.Pages > 0)
            Out << " (" << Report.Pages << (Report.Pages == 1 ? " page)" : " pages)");
    } else {
        Out << Result_Word(Report.Result, false);
    }
    if (Report.Alignment && Report.Result != T_Pair_Findings::T_Result::Error)
        Out << "; " << Report.Alignment->Summary();
    if (Report.Repaired)
        Out << "; repaired";
    if (Show_Acceptance && Report.Result != T_Pair_Findings::T_Result::Identical &&
        Report.Result != T_Pair_Findings::T_Result::Error)
        Out << (Acceptance.Accepted ? "; accepted (" : "; not accepted (") << Acceptance.Reason
            << ")";
    // Last, so that what scripts read at the line's start stays in place.
    if (Report.Text && Report.Result == T_Pair_Findings::T_Result::Different)
        if (const std::string texts = Changed_Region_Texts(Report.Text->Regions); !texts.empty())
            Out << "; text: " << Terminal_Safe(texts);
    Out << "\n";
}

void Print_Totals(std::ostream& Out, const T_Report_Totals& Totals, bool Json, bool Show_Accepted)
{
    if (Json) {
        T_Json line = T_Json::Object().Set("totals", T_Json::Object()
                                                         .Set("identical", Totals.Identical)
                                                         .Set("different", Totals.Different)
                                                         .Set("only_in_old", Totals.Only_Old)
                                                         .Set("only_in_new", Totals.Only_New)
                                                         .Set("errors", Totals.Errors));
        if (Totals.Interrupted)
            line.Set("interrupted", true);
        Out << line.Line() << "\n";
        return;
    }
    Out << "Totals: " << Totals.Identical << " identical, " << Totals.Different << " different, "
        << Totals.Only_Old << " only in old, " << Totals.Only_New << " only in new, "
        << Totals.Errors << " errors";
    if (Show_Accepted)
        Out << ", " << Totals.Accepted << " accepted";
    if (Totals.Interrupted)
        Out << " (interrupted: the pairs so far)";
    Out << "\n";
}

void Print_Json_Header(std::ostream& Out, const T_Command_Options& Options,
                       const T_Difference_Options& Defaults)
{
    T_Json header = T_Json::Object().Set("format", "varnolt-compare").Set("version", 1);
    Set_Name(header, "old", Options.Names.size() > 0 ? Options.Names[0] : "", true);
    Set_Name(header, "new", Options.Names.size() > 1 ? Options.Names[1] : "", true);
    T_Json options =
        T_Json::Object()
            .Set("tolerance", Options.Tolerance >= 0 ? Options.Tolerance : Defaults.Tolerance)
            .Set("ignore_antialiasing", Options.Ignore_Antialiasing)
            .Set("jobs", Options.Jobs);
    Set_Name(options, "output", Options.Output, !Options.Output.empty());
    Set_Limits(options, Options);
    Out << header.Set("options", std::move(options)).Line() << "\n";
}
