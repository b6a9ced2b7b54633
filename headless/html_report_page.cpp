#include "headless/html_report_page.h"

#include "differences/picture_difference.h"
#include "headless/report_text.h"
#include "headless/share_text.h"
#include "vocabulary/utf8_text.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace {

const char* Verdict_Title(T_Verdict Verdict)
{
    switch (Verdict) {
    case T_Verdict::Identical:
        return "Identical";
    case T_Verdict::Different:
        return "Different";
    case T_Verdict::Only_Old:
        return "Only in old";
    case T_Verdict::Only_New:
        return "Only in new";
    case T_Verdict::Error:
        break;
    }
    return "Error";
}

constexpr T_Verdict All_Verdicts[] = {T_Verdict::Identical, T_Verdict::Different,
                                      T_Verdict::Only_Old, T_Verdict::Only_New, T_Verdict::Error};

int Count_Of(const T_Report_Totals& Totals, T_Verdict Verdict)
{
    switch (Verdict) {
    case T_Verdict::Identical:
        return Totals.Identical;
    case T_Verdict::Different:
        return Totals.Different;
    case T_Verdict::Only_Old:
        return Totals.Only_Old;
    case T_Verdict::Only_New:
        return Totals.Only_New;
    case T_Verdict::Error:
        break;
    }
    return Totals.Errors;
}

// A length as a share of the area, for boxes and pictures that scale with it.
std::string Percent_Of(int Part, int Whole)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f%%", Whole > 0 ? 100.0 * Part / Whole : 0.0);
    return text;
}

std::string Share_Text(double Share) { return Share_Percent(Share) + " %"; }

// A pair's anchor, from its name rather than its place in the list, so that
// a link to it still holds in the next run's report or a merged one: the
// name's bytes percent-encoded, which an id and a link's fragment carry as
// they are.
std::string Anchor_Of(const std::string& Name)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string anchor = "pair=";
    for (unsigned char c : Name) {
        if (std::isalnum(c) || c == '.' || c == '_' || c == '-' || c == '~') {
            anchor += char(c);
        } else {
            anchor += '%';
            anchor += Hex[c >> 4];
            anchor += Hex[c & 15];
        }
    }
    return anchor;
}

std::string Placed(const T_Html_Picture& Picture, int Width, int Height)
{
    return "left:" + Percent_Of(Picture.X, Width) + ";top:" + Percent_Of(Picture.Y, Height) +
           ";width:" + Percent_Of(Picture.Width, Width) +
           ";height:" + Percent_Of(Picture.Height, Height);
}

void Print_Summary(std::ostream& Out, const T_Html_Report& Report)
{
    const int total = Report.Totals.Identical + Report.Totals.Different + Report.Totals.Only_Old +
                      Report.Totals.Only_New + Report.Totals.Errors;
    Out << "<section class=\"summary\"><div class=\"counts\">";
    for (T_Verdict verdict : All_Verdicts)
        Out << "<div class=\"count v-" << Html_Verdict_Word(verdict) << "\" data-count=\""
            << Html_Verdict_Word(verdict) << "\"><b>" << Count_Of(Report.Totals, verdict)
            << "</b><span>" << Verdict_Title(verdict) << "</span></div>";
    Out << "<div class=\"count v-accepted\" data-count=\"accepted\"><b>" << Report.Totals.Accepted
        << "</b><span>Accepted</span></div><div class=\"count v-total\" data-count=\"total\"><b>"
        << total << "</b><span>Pairs</span></div></div>";
    Out << "<table class=\"options\"><tbody>";
    Out << "<tr><th>Old</th><td>" << Html_Escape(Report.Old_Name) << "</td></tr>";
    Out << "<tr><th>New</th><td>" << Html_Escape(Report.New_Name) << "</td></tr>";
    for (const auto& [label, value] : Report.Options)
        Out << "<tr><th>" << Html_Escape(label) << "</th><td>" << Html_Escape(value)
            << "</td></tr>";
    Out << "<tr><th>Program</th><td>Varnolt " << Html_Escape(Report.Program_Version)
        << "</td></tr></tbody></table></section>\n";
}

void Print_Filters(std::ostream& Out)
{
    Out << "<div class=\"filters\"><span class=\"label\">Show</span>";
    for (T_Verdict verdict : All_Verdicts)
        Out << "<label class=\"chip v-" << Html_Verdict_Word(verdict)
            << "\"><input type=\"checkbox\" name=\"verdict\" value=\"" << Html_Verdict_Word(verdict)
            << "\" checked> " << Verdict_Title(verdict) << "</label>";
    Out << "<label class=\"share\">Changed at least <input type=\"number\" id=\"min-share\" "
           "min=\"0\" max=\"100\" step=\"0.01\" value=\"0\"> %</label>"
           "<label class=\"search\">Name <input type=\"search\" id=\"search\" "
           "placeholder=\"part of a name\" autocomplete=\"off\"></label>"
           "<span id=\"shown\" class=\"shown\"></span></div>\n";
}

// The changes of two documents compared by their text: counted, and the
// first ones by kind and text.
void Print_Text_Changes(std::ostream& Out, const T_Text_Changes& Changes)
{
    Out << "<div class=\"text-changes\"><span class=\"counts\">"
        << Html_Escape(Text_Change_Counts(Changes)) << "</span>";
    if (!Changes.Changes.empty()) {
        Out << "<ul>";
        for (const T_Tracked_Change& change : Changes.Changes)
            Out << "<li><span class=\"change-kind\">" << Html_Escape(change.Kind)
                << "</span> <span class=\"text\">" << Html_Escape(change.Text) << "</span></li>";
        Out << "</ul>";
    }
    Out << "</div>";
}

void Print_Row(std::ostream& Out, const T_Html_Entry& Entry)
{
    const std::string name = Html_Escape(Entry.Name);
    const std::string anchor = Anchor_Of(Entry.Name);
    Out << "<tr id=\"row-" << anchor << "\" data-verdict=\"" << Html_Verdict_Word(Entry.Result)
        << "\" data-share=\"" << Entry.Changed_Share << "\" data-name=\"" << name
        << "\"><td class=\"name\" data-key=\"" << name << "\">";
    Out << "<a href=\"#" << (Entry.Has_Pictures() ? anchor : "row-" + anchor) << "\">" << name
        << "</a>";
    if (!Entry.Error.empty())
        Out << "<div class=\"error\">" << Html_Escape(Entry.Error) << "</div>";
    if (Entry.Text_Changes && Entry.Text_Changes->Total() > 0)
        Print_Text_Changes(Out, *Entry.Text_Changes);
    Out << "</td><td data-key=\"" << Html_Verdict_Word(Entry.Result) << "\"><span class=\"badge v-"
        << Html_Verdict_Word(Entry.Result) << "\">" << Verdict_Title(Entry.Result)
        << "</span></td><td data-key=\"" << Entry.Accepted << "\" title=\""
        << Html_Escape(Entry.Reason) << "\">" << (Entry.Accepted ? "yes" : "no") << "</td>";
    if (Entry.Compared_Pixels)
        Out << "<td class=\"num\" data-key=\"" << Entry.Changed_Pixels << "\">"
            << Grouped(Entry.Changed_Pixels) << "</td><td class=\"num\" data-key=\""
            << Entry.Changed_Share << "\">" << Share_Text(Entry.Changed_Share)
            << "</td><td class=\"num\" data-key=\"" << Entry.Changes << "\">" << Entry.Changes
            << "</td>";
    else
        Out << "<td class=\"num\" data-key=\"-1\">–</td><td class=\"num\" data-key=\"-1\">–</td>"
               "<td class=\"num\" data-key=\"-1\">–</td>";
    Out << "</tr>\n";
}

void Print_Table(std::ostream& Out, const T_Html_Report& Report)
{
    Out << "<section class=\"pairs\"><h2>Pairs</h2>";
    Print_Filters(Out);
    Out << "<table id=\"pairs\"><thead><tr><th data-type=\"text\">Name</th>"
           "<th data-type=\"text\">Verdict</th><th data-type=\"text\">Accepted</th>"
           "<th data-type=\"num\">Changed pixels</th><th data-type=\"num\">Share</th>"
           "<th data-type=\"num\">Changes</th></tr></thead><tbody>\n";
    for (std::size_t i = 0; i < Report.Entries.size(); ++i)
        Print_Row(Out, Report.Entries[i]);
    Out << "</tbody></table></section>\n";
}

// The change regions as boxes over a picture of the area.
void Print_Boxes(std::ostream& Out, const T_Html_Entry& Entry)
{
    const int width = Entry.Differences.Width, height = Entry.Differences.Height;
    for (const T_Html_Region& region : Entry.Regions)
        Out << "<div class=\"box k-" << Html_Escape(region.Kind)
            << "\" style=\"left:" << Percent_Of(region.X - Entry.Left, width)
            << ";top:" << Percent_Of(region.Y - Entry.Top, height)
            << ";width:" << Percent_Of(region.Width, width)
            << ";height:" << Percent_Of(region.Height, height) << "\"></div>";
}

// One picture (or several, stacked) on the area, scaled with it. A slider
// cuts the top one: it lies on a layer the size of the whole area, so that
// the cut is where the divider is whatever the picture's own size.
void Print_Stage(std::ostream& Out, const T_Html_Entry& Entry, const std::string& Class,
                 const std::vector<std::pair<const T_Html_Picture*, const char*>>& Layers,
                 bool Cut_Top = false)
{
    const int width = Entry.Differences.Width, height = Entry.Differences.Height;
    Out << "<div class=\"stage " << Class << "\" style=\"aspect-ratio:" << width << "/" << height
        << ";--w:" << width << "px\">";
    for (std::size_t i = 0; i < Layers.size(); ++i) {
        const auto& [picture, role] = Layers[i];
        const bool cut = Cut_Top && i + 1 == Layers.size();
        Out << (cut ? "<div class=\"cut\">" : "") << "<img class=\"" << role << "\" src=\""
            << Html_Escape(picture->File) << "\" alt=\"" << role << "\" loading=\"lazy\" style=\""
            << Placed(*picture, width, height) << "\">" << (cut ? "</div>" : "");
    }
    Print_Boxes(Out, Entry);
    Out << "</div>";
}

// The differences: the changes' own picture (clear where nothing changed)
// over the modified picture washed out on white.
void Print_Differences_Stage(std::ostream& Out, const T_Html_Entry& Entry)
{
    Print_Stage(Out, Entry, "diff-stage",
                {{&Entry.Modified, "faded"}, {&Entry.Differences, "differences"}});
}

// One side's text of a region: the page may have no text layer at all.
std::string Region_Text_Cell(const std::string& Text, bool Page_Has_Text)
{
    if (!Page_Has_Text)
        return "<td class=\"no-text\">No text layer</td>";
    return "<td class=\"text\">" + Html_Escape(Text) + "</td>";
}

// The cells a change and a region share: kind, place (and where a moved
// shape went), size, pixels and, on pages with text, each side's text.
void Print_Cells(std::ostream& Out, const T_Html_Entry& Entry, const std::string& Kind,
                 const T_Rectangle& Old_Box, const T_Rectangle& New_Box, std::size_t Pixels,
                 const T_Region_Text& Text, bool With_Text)
{
    Out << "<td><span class=\"kind k-" << Html_Escape(Kind) << "\">" << Html_Escape(Kind)
        << "</span></td><td>" << Old_Box.Left << ", " << Old_Box.Top;
    if (New_Box.Left != Old_Box.Left || New_Box.Top != Old_Box.Top)
        Out << " → " << New_Box.Left << ", " << New_Box.Top;
    Out << "</td><td>" << Old_Box.Width << " × " << Old_Box.Height << "</td><td class=\"num\">"
        << Grouped(Pixels) << "</td>";
    if (With_Text)
        Out << Region_Text_Cell(Text.Old_Text, Entry.Old_Has_Text)
            << Region_Text_Cell(Text.New_Text, Entry.New_Has_Text)
            << "<td><span class=\"text-change t-" << Text_Change_Word(Text.Change) << "\">"
            << Text_Change_Word(Text.Change) << "</span></td>";
}

// The regions a change is made of, under its row, when there are several.
void Print_Change_Regions(std::ostream& Out, const T_Html_Entry& Entry, const T_Html_Change& Change,
                          std::size_t Number, bool With_Text)
{
    if (Change.Regions.size() < 2)
        return;
    for (std::size_t i = 0; i < Change.Regions.size(); ++i) {
        if (Change.Regions[i] >= Entry.Regions.size())
            continue;
        const T_Html_Region& region = Entry.Regions[Change.Regions[i]];
        const T_Rectangle box{region.X, region.Y, region.Width, region.Height};
        Out << "<tr class=\"region\" data-change=\"" << Number << "\"><td>" << Number << "."
            << i + 1 << "</td>";
        Print_Cells(Out, Entry, region.Kind, box, box, region.Pixels, region.Text, With_Text);
        Out << "</tr>";
    }
}

// The changes one by one: each edit as the change count counts it, with
// its kind, its box and pixels and its text on each side where there is
// any, and below it the regions it groups.
void Print_Changes(std::ostream& Out, const T_Html_Entry& Entry)
{
    const std::vector<T_Html_Change> changes = Html_Changes_Of(Entry);
    if (changes.empty())
        return;
    // Pages without any text (scans) say so once, not in every row.
    const bool with_text = Entry.Has_Page_Text && (Entry.Old_Has_Text || Entry.New_Has_Text);
    if (Entry.Has_Page_Text && !with_text)
        Out << "<p class=\"no-text\">No text layer on either page</p>";
    Out << "<table class=\"changes\"><thead><tr><th>#</th><th>Kind</th><th>Position</th>"
           "<th>Size</th><th>Pixels</th>"
        << (with_text ? "<th>Old text</th><th>New text</th><th>Text</th>" : "")
        << "</tr></thead><tbody>";
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const T_Html_Change& change = changes[i];
        Out << "<tr class=\"change\"><td>" << i + 1 << "</td>";
        Print_Cells(Out, Entry, change.Kind, change.Old_Box, change.New_Box, change.Pixels,
                    change.Text, with_text);
        Out << "</tr>";
        Print_Change_Regions(Out, Entry, change, i + 1, with_text);
    }
    Out << "</tbody></table>";
}

// The facts of a pair in its header: its changes, or the side it is on.
std::string Pair_Facts(const T_Html_Entry& Entry)
{
    if (Entry.Result == T_Verdict::Only_Old)
        return "only in the old version";
    if (Entry.Result == T_Verdict::Only_New)
        return "only in the new version";
    return Grouped(Entry.Changed_Pixels) + " px changed (" + Share_Text(Entry.Changed_Share) +
           "), " +
           // Pairs listed before changes were grouped count their regions.
           Changes_Summary(Entry.Changes > 0 ? Entry.Changes : Entry.Regions.size(),
                           Entry.Moved_Changes) +
           ", " + std::to_string(Entry.Regions.size()) +
           (Entry.Regions.size() == 1 ? " region" : " regions");
}

// A file on one side only: its one picture, as the single view.
void Print_One_Sided(std::ostream& Out, const T_Html_Entry& Entry)
{
    const bool old_side = Entry.Result == T_Verdict::Only_Old;
    const T_Html_Picture& picture = old_side ? Entry.Base : Entry.Modified;
    Out << "<div class=\"view single\"><figure><figcaption>"
        << (old_side ? "Removed (old)" : "Added (new)") << "</figcaption>";
    Print_Stage(Out, Entry, "", {{&picture, old_side ? "base" : "modified"}});
    Out << "</figure></div>";
}

// Moving from changed pair to changed pair; keys n and p do the same.
const char* const Pair_Steps =
    "<div class=\"steps\"><button type=\"button\" class=\"previous\" title=\"Previous pair "
    "(p)\">&#8592;</button><button type=\"button\" class=\"next\" title=\"Next pair "
    "(n)\">&#8594;</button></div>";

void Print_Pair(std::ostream& Out, const T_Html_Entry& Entry)
{
    const bool one_sided =
        Entry.Result == T_Verdict::Only_Old || Entry.Result == T_Verdict::Only_New;
    Out << "<article class=\"pair\" id=\"" << Anchor_Of(Entry.Name) << "\" data-verdict=\""
        << Html_Verdict_Word(Entry.Result) << "\" data-share=\"" << Entry.Changed_Share
        << "\" data-name=\"" << Html_Escape(Entry.Name) << "\"><header><h3>"
        << Html_Escape(Entry.Name) << "</h3><span class=\"facts\">" << Pair_Facts(Entry)
        << "</span><div class=\"tools\" role=\"tablist\">";
    if (one_sided) {
        Out << "<button type=\"button\" class=\"zoom\" title=\"Show the picture at its own "
               "size\">100 %</button>"
            << Pair_Steps << "</div></header>";
        Print_One_Sided(Out, Entry);
        Out << "</article>\n";
        return;
    }
    Out << "<button type=\"button\" data-view=\"side\" class=\"on\">Side by side</button>"
           "<button type=\"button\" data-view=\"diff\">Differences</button>"
           "<button type=\"button\" data-view=\"swipe\">Slider</button>"
           "<button type=\"button\" data-view=\"blink\">Blink</button>"
           "<button type=\"button\" class=\"zoom\" title=\"Show the pictures at their own "
           "size\">100 %</button>"
        << Pair_Steps << "</div></header>";
    Out << "<div class=\"view side\"><figure><figcaption>Base</figcaption>";
    Print_Stage(Out, Entry, "", {{&Entry.Base, "base"}});
    Out << "</figure><figure><figcaption>Modified</figcaption>";
    Print_Stage(Out, Entry, "", {{&Entry.Modified, "modified"}});
    Out << "</figure><figure><figcaption>Differences</figcaption>";
    Print_Differences_Stage(Out, Entry);
    Out << "</figure></div>";
    Out << "<div class=\"view diff\" hidden><figure><figcaption>Differences</figcaption>";
    Print_Differences_Stage(Out, Entry);
    Out << "</figure></div>";
    Out << "<div class=\"view swipe\" hidden style=\"--w:" << Entry.Differences.Width
        << "px\"><div class=\"caption\"><span>Modified</span><span>Base</span></div>";
    Print_Stage(Out, Entry, "swipe-stage", {{&Entry.Base, "base"}, {&Entry.Modified, "modified"}},
                true);
    Out << "<input type=\"range\" class=\"divider\" min=\"0\" max=\"100\" step=\"0.1\" "
           "value=\"50\" aria-label=\"Divider\"></div>";
    Out << "<div class=\"view blink\" hidden><div class=\"caption\"><span class=\"showing\">"
           "Modified</span><button type=\"button\" class=\"pause\">Pause</button></div>";
    Print_Stage(Out, Entry, "blink-stage", {{&Entry.Base, "base"}, {&Entry.Modified, "modified"}});
    Out << "</div>";
    Print_Changes(Out, Entry);
    Out << "</article>\n";
}

} // namespace

std::string Html_Escape(const std::string& Text)
{
    std::string escaped;
    escaped.reserve(Text.size());
    for (std::size_t at = 0; at < Text.size();) {
        const std::size_t length = Utf8_Sequence_Length(Text, at);
        if (length == 0) {
            // Shown as its value, so that names apart only in such bytes
            // do not read alike.
            escaped += Invalid_Bytes_Shown(Text.substr(at, 1));
            ++at;
            continue;
        }
        switch (Text[at]) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped.append(Text, at, length);
        }
        at += length;
    }
    return escaped;
}

std::string Html_Report_Page(const T_Html_Report& Report)
{
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<meta name=\"generator\" content=\"Varnolt "
        << Html_Escape(Report.Program_Version)
        << "\"><link rel=\"icon\" href=\"data:,\"><title>Varnolt report: "
        << Html_Escape(Report.Old_Name) << " → " << Html_Escape(Report.New_Name)
        << "</title><style>" << Html_Report_Style << "</style></head><body>\n"
        << "<header class=\"top\"><h1>Comparison report</h1><p class=\"names\">"
        << Html_Escape(Report.Old_Name) << " <span>→</span> " << Html_Escape(Report.New_Name)
        << "</p></header><main>\n";
    if (Report.Totals.Interrupted)
        out << "<p class=\"interrupted\">The run was interrupted: this report holds the pairs "
               "compared until then.</p>\n";
    Print_Summary(out, Report);
    Print_Table(out, Report);
    out << "<section class=\"details\">";
    bool any = false;
    for (std::size_t i = 0; i < Report.Entries.size(); ++i)
        if (Report.Entries[i].Has_Pictures()) {
            if (!any)
                out << "<h2>Changed pairs</h2>\n";
            any = true;
            Print_Pair(out, Report.Entries[i]);
        }
    out << "</section></main><script>" << Html_Report_Script << "</script></body></html>\n";
    return out.str();
}
