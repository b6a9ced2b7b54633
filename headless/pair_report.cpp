#include "pair_report.h"

#include <cstdio>
#include <ostream>

namespace {

std::string Json_Text(const std::string& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += char(c);
        }
    }
    return quoted + "\"";
}

const char* Result_Word(T_Pair_Report::T_Result Result)
{
    switch (Result) {
    case T_Pair_Report::T_Result::Identical:
        return "identical";
    case T_Pair_Report::T_Result::Different:
        return "different";
    case T_Pair_Report::T_Result::Only_Old:
        return "only in old";
    case T_Pair_Report::T_Result::Only_New:
        return "only in new";
    case T_Pair_Report::T_Result::Error:
        break;
    }
    return "error";
}

const char* Kind_Word(T_Change_Region::T_Kind Kind)
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

std::string Label(const T_Pair_Report& Report)
{
    std::string label = Report.Old_Name;
    if (Report.New_Name != Report.Old_Name)
        label += " " + Report.New_Name;
    if (!Report.Old_Page.empty() || !Report.New_Page.empty())
        label += " (page " + (Report.Old_Page.empty() ? "-" : Report.Old_Page) + " / " +
                 (Report.New_Page.empty() ? "-" : Report.New_Page) + ")";
    return label;
}

void Print_Json(std::ostream& Out, const T_Pair_Report& Report)
{
    Out << "{\"old\":" << Json_Text(Report.Old_Name) << ",\"new\":" << Json_Text(Report.New_Name);
    if (!Report.Old_Page.empty())
        Out << ",\"old_page\":" << Json_Text(Report.Old_Page);
    if (!Report.New_Page.empty())
        Out << ",\"new_page\":" << Json_Text(Report.New_Page);
    Out << ",\"result\":" << Json_Text(Result_Word(Report.Result));
    if (!Report.Error.empty())
        Out << ",\"error\":" << Json_Text(Report.Error);
    if (const T_Difference* difference = Report.Difference.get()) {
        char share[32];
        std::snprintf(share, sizeof share, "%.6f", difference->Changed_Share());
        Out << ",\"old_size\":[" << Report.Old_Width << "," << Report.Old_Height << "]"
            << ",\"new_size\":[" << Report.New_Width << "," << Report.New_Height << "]"
            << ",\"changed_pixels\":" << difference->Changed_Pixels
            << ",\"changed_share\":" << share << ",\"regions\":[";
        for (std::size_t i = 0; i < difference->Regions.size(); ++i) {
            const T_Change_Region& region = difference->Regions[i];
            Out << (i ? "," : "") << "{\"kind\":\"" << Kind_Word(region.Kind)
                << "\",\"x\":" << region.Left + difference->Left
                << ",\"y\":" << region.Top + difference->Top << ",\"width\":" << region.Width
                << ",\"height\":" << region.Height << ",\"pixels\":" << region.Pixels;
            if (region.Kind == T_Change_Region::T_Kind::Moved)
                Out << ",\"dx\":" << region.Dx << ",\"dy\":" << region.Dy;
            Out << "}";
        }
        Out << "]";
    }
    Out << "}\n";
}

} // namespace

void T_Report_Totals::Count(T_Pair_Report::T_Result Result)
{
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

int T_Report_Totals::Exit_Code() const
{
    if (Errors > 0)
        return 2;
    return Different + Only_Old + Only_New > 0 ? 1 : 0;
}

void Print_Report(std::ostream& Out, const T_Pair_Report& Report, bool Json)
{
    if (Json) {
        Print_Json(Out, Report);
        return;
    }
    Out << Label(Report) << ": ";
    const T_Difference* difference = Report.Difference.get();
    if (Report.Result == T_Pair_Report::T_Result::Different && difference) {
        char share[32];
        std::snprintf(share, sizeof share, "%.2f", difference->Changed_Share() * 100);
        Out << Grouped(difference->Changed_Pixels) << " px changed (" << share << " %), "
            << difference->Regions.size()
            << (difference->Regions.size() == 1 ? " change region" : " change regions");
    } else if (Report.Result == T_Pair_Report::T_Result::Error) {
        Out << "error: " << Report.Error;
    } else {
        Out << Result_Word(Report.Result);
    }
    Out << "\n";
}

void Print_Totals(std::ostream& Out, const T_Report_Totals& Totals, bool Json)
{
    if (Json) {
        Out << "{\"totals\":{\"identical\":" << Totals.Identical
            << ",\"different\":" << Totals.Different << ",\"only_in_old\":" << Totals.Only_Old
            << ",\"only_in_new\":" << Totals.Only_New << ",\"errors\":" << Totals.Errors << "}}\n";
        return;
    }
    Out << "Totals: " << Totals.Identical << " identical, " << Totals.Different << " different, "
        << Totals.Only_Old << " only in old, " << Totals.Only_New << " only in new, "
        << Totals.Errors << " errors\n";
}
