#include "headless/pair_report.h"

#include "headless/report_text.h"
#include "headless/share_text.h"
#include "vocabulary/utf8_text.h"

#include <cstdio>
#include <ostream>

namespace {

// A JSON string: control characters escaped, and each byte that is not part
// of valid UTF-8 replaced by U+FFFD, so that the output is always valid JSON.
std::string Json_Text(const std::string& text)
{
    std::string quoted = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8_Sequence_Length(text, at);
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (length == 0) {
            quoted += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted.append(text, at, length);
        }
        at += length;
    }
    return quoted + "\"";
}

// "key":"name", or null for a version that does not exist; a name that is
// not valid UTF-8 also gets its exact bytes, in hexadecimal, as key_bytes.
void Print_Name(std::ostream& Out, const char* Key, const std::string& Name, bool Present)
{
    Out << "\"" << Key << "\":";
    if (!Present) {
        Out << "null";
        return;
    }
    Out << Json_Text(Name);
    if (!Is_Valid_Utf8(Name))
        Out << ",\"" << Key << "_bytes\":\"" << Hex_Bytes(Name) << "\"";
}

// The word of a verdict: for a line of text, and (with underscores) for JSON.
std::string Result_Word(T_Pair_Report::T_Result Result, bool Json)
{
    switch (Result) {
    case T_Pair_Report::T_Result::Identical:
        return "identical";
    case T_Pair_Report::T_Result::Different:
        return "different";
    case T_Pair_Report::T_Result::Only_Old:
        return Json ? "only_in_old" : "only in old";
    case T_Pair_Report::T_Result::Only_New:
        return Json ? "only_in_new" : "only in new";
    case T_Pair_Report::T_Result::Error:
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
bool One_Sided_File(const T_Pair_Report& Report)
{
    return (Report.Result == T_Pair_Report::T_Result::Only_Old ||
            Report.Result == T_Pair_Report::T_Result::Only_New) &&
           Report.Old_Page.empty() && Report.New_Page.empty();
}

} // namespace

std::string Pair_Label(const T_Pair_Report& Report)
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

std::string Rect_Json(const T_Rectangle& Box)
{
    return "[" + std::to_string(Box.Left) + "," + std::to_string(Box.Top) + "," +
           std::to_string(Box.Width) + "," + std::to_string(Box.Height) + "]";
}

std::string Json_Number(double Value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", Value);
    return text;
}

// How the modified picture was laid on the base.
void Print_Json_Alignment(std::ostream& Out, const T_Alignment& Alignment)
{
    Out << ",\"alignment\":{\"mode\":\"" << Align_Mode_Word(Alignment.Mode)
        << "\",\"status\":" << Json_Text(Alignment.Status());
    if (Alignment.Aligned && Alignment.Mode == T_Align_Mode::Shift)
        Out << ",\"shift\":[" << Json_Number(Alignment.Dx) << "," << Json_Number(Alignment.Dy)
            << "],\"scale\":" << Json_Number(Alignment.Scale)
            << ",\"rotation_degrees\":" << Json_Number(Alignment.Rotation_Degrees);
    if (Alignment.Aligned && Alignment.Mode == T_Align_Mode::Bands) {
        if (Alignment.Dx != 0)
            Out << ",\"shift\":[" << Json_Number(Alignment.Dx) << ",0]";
        Out << ",\"bands\":[";
        for (std::size_t i = 0; i < Alignment.Bands.size(); ++i) {
            const T_Row_Band& band = Alignment.Bands[i];
            Out << (i ? "," : "") << "{\"kind\":\""
                << (band.Kind == T_Row_Band::T_Kind::Added ? "added" : "removed") << "\",\"rows\":["
                << band.From << "," << band.To << "],\"orientation\":\"rows\"}";
        }
        // Columns inserted or removed inside a stretch of rows: the rows
        // they run through and the columns, of the same side.
        for (const T_Column_Band& band : Alignment.Column_Bands)
            Out << (Alignment.Bands.empty() && &band == Alignment.Column_Bands.data() ? "" : ",")
                << "{\"kind\":\"" << (band.Kind == T_Row_Band::T_Kind::Added ? "added" : "removed")
                << "\",\"rows\":[" << band.Top << "," << band.Bottom
                << "],\"orientation\":\"columns\",\"columns\":[" << band.From << "," << band.To
                << "]}";
        Out << "]";
    }
    Out << ",\"summary\":" << Json_Text(Alignment.Summary()) << "}";
}

// The text a region covers on each side (PDF pages), and what became of it.
void Print_Json_Region_Text(std::ostream& Out, const T_Pair_Report& Report, std::size_t Region)
{
    if (!Report.Text || !Report.Text->Available() || Region >= Report.Text->Regions.size())
        return;
    const T_Region_Text& text = Report.Text->Regions[Region];
    if (!text.Old_Text.empty())
        Out << ",\"old_text\":" << Json_Text(text.Old_Text);
    if (!text.New_Text.empty())
        Out << ",\"new_text\":" << Json_Text(text.New_Text);
    Out << ",\"text_change\":\"" << Text_Change_Word(text.Change) << "\"";
    if (!text.Annotations.empty())
        Out << ",\"annotations\":" << Json_Text(text.Annotations);
}

// The regions grouped into edits: each with its kind, its place on each
// side, its move, the regions it holds and, on pages with text, its text.
void Print_Json_Changes(std::ostream& Out, const T_Pair_Report& Report)
{
    const T_Difference& difference = *Report.Difference;
    const T_Page_Pair_Text* text =
        Report.Text && Report.Text->Available() ? Report.Text.get() : nullptr;
    Out << ",\"change_count\":" << difference.Changes.size() << ",\"changes\":[";
    for (std::size_t i = 0; i < difference.Changes.size(); ++i) {
        const T_Change& change = difference.Changes[i];
        const T_Rectangle old_box{change.Old_Box.Left + difference.Left,
                                  change.Old_Box.Top + difference.Top, change.Old_Box.Width,
                                  change.Old_Box.Height};
        T_Rectangle new_box{change.New_Box.Left + difference.Left,
                            change.New_Box.Top + difference.Top, change.New_Box.Width,
                            change.New_Box.Height};
        if (Report.Alignment)
            new_box = Report.Alignment->To_Modified(new_box);
        Out << (i ? "," : "") << "{\"kind\":\"" << Change_Kind_Word(change.Kind)
            << "\",\"old_rect\":" << Rect_Json(old_box) << ",\"new_rect\":" << Rect_Json(new_box)
            << ",\"pixels\":" << change.Pixels;
        if (change.Is_Move())
            Out << ",\"dx\":" << change.Dx << ",\"dy\":" << change.Dy;
        Out << ",\"regions\":[";
        for (std::size_t r = 0; r < change.Regions.size(); ++r)
            Out << (r ? "," : "") << change.Regions[r];
        Out << "]";
        if (text && i < text->Changes.size()) {
            if (!text->Changes[i].Old_Text.empty())
                Out << ",\"old_text\":" << Json_Text(text->Changes[i].Old_Text);
            if (!text->Changes[i].New_Text.empty())
                Out << ",\"new_text\":" << Json_Text(text->Changes[i].New_Text);
        }
        Out << "}";
    }
    Out << "]";
}

void Print_Json_Difference(std::ostream& Out, const T_Pair_Report& Report)
{
    const T_Difference& difference = *Report.Difference;
    // Pages without a text layer (scans) have no text to tell per region.
    if (Report.Text && !Report.Text->Available())
        Out << ",\"text\":\"not available\"";
    if (Report.Alignment)
        Print_Json_Alignment(Out, *Report.Alignment);
    const std::string share = Share_Json_Number(difference.Changed_Share());
    Out << ",\"old_size\":[" << Report.Old_Width << "," << Report.Old_Height << "]"
        << ",\"new_size\":[" << Report.New_Width << "," << Report.New_Height << "]"
        << ",\"size_differs\":" << (difference.Size_Differs() ? "true" : "false")
        << (difference.Paper_Size_Differs() ? ",\"paper_size_differs\":true" : "")
        << ",\"changed_pixels\":" << difference.Changed_Pixels << ",\"changed_share\":" << share
        << ",\"regions\":[";
    for (std::size_t i = 0; i < difference.Regions.size(); ++i) {
        const T_Change_Region& region = difference.Regions[i];
        Out << (i ? "," : "") << "{\"kind\":\"" << Region_Kind_Word(region.Kind)
            << "\",\"x\":" << region.Left + difference.Left
            << ",\"y\":" << region.Top + difference.Top << ",\"width\":" << region.Width
            << ",\"height\":" << region.Height << ",\"pixels\":" << region.Pixels;
        if (region.Kind == T_Change_Region::T_Kind::Moved)
            Out << ",\"dx\":" << region.Dx << ",\"dy\":" << region.Dy;
        if (Report.Alignment) {
            const T_Rectangle in_base{region.Left + difference.Left, region.Top + difference.Top,
                                      region.Width, region.Height};
            Out << ",\"old_rect\":" << Rect_Json(in_base)
                << ",\"new_rect\":" << Rect_Json(Report.Alignment->To_Modified(in_base));
        }
        Print_Json_Region_Text(Out, Report, i);
        Out << "}";
    }
    Out << "]";
    Print_Json_Changes(Out, Report);
}

// The changes of two documents compared by their text: counted by kind,
// and the first few one by one.
void Print_Json_Text_Changes(std::ostream& Out, const T_Text_Changes& Changes)
{
    Out << ",\"insertions\":" << Changes.Insertions << ",\"deletions\":" << Changes.Deletions
        << ",\"format_changes\":" << Changes.Format_Changes << ",\"changes\":[";
    for (std::size_t i = 0; i < Changes.Changes.size(); ++i)
        Out << (i ? "," : "") << "{\"kind\":" << Json_Text(Changes.Changes[i].Kind)
            << (Changes.Changes[i].Place.empty()
                    ? ""
                    : ",\"place\":" + Json_Text(Changes.Changes[i].Place))
            << ",\"text\":" << Json_Text(Changes.Changes[i].Text) << "}";
    Out << "]";
}

// A page put elsewhere in its document: where it was and where it is now.
void Print_Move(std::ostream& Out, const T_Pair_Report& Report, bool Json)
{
    if (!Report.Moved)
        return;
    if (Json)
        Out << ",\"moved\":{\"from\":" << Report.Old_Page_Number
            << ",\"to\":" << Report.New_Page_Number << "}";
    else
        Out << "moved from page " << Report.Old_Page_Number << " to page "
            << Report.New_Page_Number;
}

void Print_Json(std::ostream& Out, const T_Pair_Report& Report, const T_Acceptance& Acceptance)
{
    using T_Result = T_Pair_Report::T_Result;
    // Pages judged by their document's bytes keep their pages' names.
    const bool paged = Report.Compared_By == T_Compared_By::Pages ||
                       (Report.Compared_By == T_Compared_By::Bytes &&
                        (!Report.Old_Page.empty() || !Report.New_Page.empty()));
    // Of a page or file on one side only, the other side's name is null.
    const bool old_present = Report.Result != T_Result::Only_New;
    const bool new_present = Report.Result != T_Result::Only_Old;
    Out << "{";
    Print_Name(Out, "old", Report.Old_Name, !paged ? old_present : true);
    Out << ",";
    Print_Name(Out, "new", Report.New_Name, !paged ? new_present : true);
    if (paged) {
        Out << ",";
        Print_Name(Out, "old_page", Report.Old_Page, old_present && !Report.Old_Page.empty());
        Out << ",";
        Print_Name(Out, "new_page", Report.New_Page, new_present && !Report.New_Page.empty());
    }
    Out << ",\"compared_by\":\"" << Compared_By_Word(Report.Compared_By) << "\"";
    if (Report.Checked != T_Bytes_Check::None)
        Out << ",\"checked\":\""
            << (Report.Checked == T_Bytes_Check::Structure ? "structure" : "decoded") << "\"";
    Out << ",\"result\":" << Json_Text(Result_Word(Report.Result, true));
    if (!Report.Error.empty())
        Out << ",\"error\":" << Json_Text(Report.Error);
    if (Report.Repaired)
        Out << ",\"repaired\":true";
    if (One_Sided_File(Report) && Report.Pages > 0)
        Out << ",\"pages\":" << Report.Pages;
    if (Report.Difference)
        Print_Json_Difference(Out, Report);
    if (Report.Text_Changes)
        Print_Json_Text_Changes(Out, *Report.Text_Changes);
    if (!Report.Output.empty()) {
        Out << ",";
        Print_Name(Out, "output", Report.Output, true);
    }
    Print_Move(Out, Report, true);
    Out << ",\"accepted\":" << (Acceptance.Accepted ? "true" : "false")
        << ",\"reason\":" << Json_Text(Acceptance.Reason) << "}\n";
}

// The options that leave pixels out, decide what passes or pick the pairs,
// when given.
void Print_Json_Limits(std::ostream& Out, const T_Command_Options& Options)
{
    if (!Options.Ignore.empty()) {
        Out << ",\"ignore\":[";
        for (std::size_t i = 0; i < Options.Ignore.size(); ++i) {
            const T_Ignore_Rectangle& box = Options.Ignore[i];
            Out << (i ? "," : "") << "[" << box.Left << "," << box.Top << "," << box.Width << ","
                << box.Height << "]";
        }
        Out << "]";
    }
    if (!Options.Ignore_File.empty()) {
        Out << ",";
        Print_Name(Out, "ignore_file", Options.Ignore_File, true);
    }
    if (!Options.Mask.empty()) {
        Out << ",";
        Print_Name(Out, "mask", Options.Mask, true);
    }
    if (Options.Max_Changed_Pixels >= 0)
        Out << ",\"max_changed_pixels\":" << Options.Max_Changed_Pixels;
    if (Options.Max_Changed_Share >= 0) {
        char share[32];
        std::snprintf(share, sizeof share, "%.6g", Options.Max_Changed_Share);
        Out << ",\"max_changed_share\":" << share;
    }
    if (Options.Fail_On_Missing)
        Out << ",\"fail_on_missing\":true";
    if (Options.Shard_Count > 0)
        Out << ",\"shard\":\"" << Options.Shard << "/" << Options.Shard_Count << "\"";
    if (Options.Only_Changes)
        Out << ",\"only_changes\":true";
    if (Options.Align != T_Align_Mode::Off)
        Out << ",\"align\":\"" << Align_Mode_Word(Options.Align) << "\"";
}

} // namespace

void T_Report_Totals::Count(T_Pair_Report::T_Result Result, bool Is_Accepted)
{
    Accepted += Is_Accepted;
    switch (Result) {
    case T_Pair_Report::T_Result::Identical:
        ++Identical;
        break;
    case T_Pair_Report::T_Result::Different:
        ++Different;
        break;
    case T_Pair_Report::T_Result::Only_Old:
        ++Only_Old;
        break;
    case T_Pair_Report::T_Result::Only_New:
        ++Only_New;
        break;
    case T_Pair_Report::T_Result::Error:
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

void Print_Report(std::ostream& Out, const T_Pair_Report& Report, bool Json,
                  const T_Acceptance& Acceptance, bool Show_Acceptance)
{
    if (Json) {
        Print_Json(Out, Report, Acceptance);
        return;
    }
    // Names may hold line feeds or escape sequences: one line, no effect.
    Out << Terminal_Safe(Pair_Label(Report)) << ": ";
    const T_Difference* difference = Report.Difference.get();
    if (Report.Moved && Report.Result != T_Pair_Report::T_Result::Error &&
        (!difference || difference->Changed_Pixels == 0)) {
        Print_Move(Out, Report, false);
    } else if (Report.Result == T_Pair_Report::T_Result::Different && difference) {
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
            Print_Move(Out << ", ", Report, false);
    } else if (Report.Result == T_Pair_Report::T_Result::Different && Report.Text_Changes) {
        const T_Text_Changes& changes = *Report.Text_Changes;
        Out << "different (" << Text_Change_Counts(changes) << ")";
        // Changes outside the body are easily missed: where they are.
        if (const std::string places = Text_Change_Places(changes); !places.empty())
            Out << " in " << Terminal_Safe(places);
    } else if (Report.Result == T_Pair_Report::T_Result::Error) {
        Out << "error: " << Terminal_Safe(Report.Error);
    } else if (One_Sided_File(Report)) {
        Out << (Report.Result == T_Pair_Report::T_Result::Only_Old ? "only in the old version"
                                                                   : "only in the new version");
        if (Report.Pages > 0)
            Out << " (" << Report.Pages << (Report.Pages == 1 ? " page)" : " pages)");
    } else {
        Out << Result_Word(Report.Result, false);
    }
    if (Report.Alignment && Report.Result != T_Pair_Report::T_Result::Error)
        Out << "; " << Report.Alignment->Summary();
    if (Report.Repaired)
        Out << "; repaired";
    if (Show_Acceptance && Report.Result != T_Pair_Report::T_Result::Identical &&
        Report.Result != T_Pair_Report::T_Result::Error)
        Out << (Acceptance.Accepted ? "; accepted (" : "; not accepted (") << Acceptance.Reason
            << ")";
    // Last, so that what scripts read at the line's start stays in place.
    if (Report.Text && Report.Result == T_Pair_Report::T_Result::Different)
        if (const std::string texts = Changed_Region_Texts(Report.Text->Regions); !texts.empty())
            Out << "; text: " << Terminal_Safe(texts);
    Out << "\n";
}

void Print_Totals(std::ostream& Out, const T_Report_Totals& Totals, bool Json, bool Show_Accepted)
{
    if (Json) {
        Out << "{\"totals\":{\"identical\":" << Totals.Identical
            << ",\"different\":" << Totals.Different << ",\"only_in_old\":" << Totals.Only_Old
            << ",\"only_in_new\":" << Totals.Only_New << ",\"errors\":" << Totals.Errors << "}"
            << (Totals.Interrupted ? ",\"interrupted\":true" : "") << "}\n";
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
    Out << "{\"format\":\"varnolt-compare\",\"version\":1,";
    Print_Name(Out, "old", Options.Names.size() > 0 ? Options.Names[0] : "", true);
    Out << ",";
    Print_Name(Out, "new", Options.Names.size() > 1 ? Options.Names[1] : "", true);
    Out << ",\"options\":{\"tolerance\":"
        << (Options.Tolerance >= 0 ? Options.Tolerance : Defaults.Tolerance)
        << ",\"ignore_antialiasing\":" << (Options.Ignore_Antialiasing ? "true" : "false")
        << ",\"jobs\":" << Options.Jobs << ",";
    Print_Name(Out, "output", Options.Output, !Options.Output.empty());
    Print_Json_Limits(Out, Options);
    Out << "}}\n";
}
