#include "session/folder_comparison.h"

#include "session/folder_files.h"

#include <algorithm>
#include <cstdio>
#include <set>

T_Pair_Settings Folder_Row_Settings(T_Pair_Settings Settings)
{
    Settings.Bytes_Otherwise = true;
    Settings.One_Thread_Per_Pair = true;
    return Settings;
}

T_Folder_Comparison::T_Folder_Comparison(std::string Old_Folder, std::string New_Folder,
                                         T_Pair_Settings Settings)
    : Old_Folder_(std::move(Old_Folder)), New_Folder_(std::move(New_Folder)),
      Settings_(Folder_Row_Settings(std::move(Settings)))
{
    // A row is measured, not shown: its pictures are compared while they
    // are read.
    Settings_.Keep_Modified_Picture = false;
    Settings_.On_Pair = nullptr;
    std::error_code old_error, new_error;
    const std::set<std::string> old_files = Files_Below(Old_Folder_, &old_error);
    const std::set<std::string> new_files = Files_Below(New_Folder_, &new_error);
    if (old_error || new_error)
        Folder_Error_ = (old_error ? Old_Folder_ : New_Folder_) + ": cannot read the folder (" +
                        (old_error ? old_error : new_error).message() + ")";
    std::set<std::string> all = old_files;
    all.insert(new_files.begin(), new_files.end());
    for (const std::string& name : all)
        Rows_.push_back({name, old_files.count(name) > 0, new_files.count(name) > 0});
}

std::string T_Folder_Comparison::Old_Path(const T_Folder_Row& Row) const
{
    return Row.In_Old ? Path_In(Old_Folder_, Row.Name) : std::string();
}

std::string T_Folder_Comparison::New_Path(const T_Folder_Row& Row) const
{
    return Row.In_New ? Path_In(New_Folder_, Row.Name) : std::string();
}

T_Pair_Outcome T_Folder_Comparison::Measure(const T_Folder_Row& Row) const
{
    // A file on one side only goes through the pipeline too, which counts
    // its pages.
    return Compare_Pair(Row.In_Old ? Old_Path(Row) : No_Version,
                        Row.In_New ? New_Path(Row) : No_Version, Row.Name, Row.Name, Settings_);
}

T_Folder_Change Folder_Change(const T_Folder_Row& Row, const T_Pair_Outcome& Outcome)
{
    switch (Outcome.Verdict) {
    case T_Verdict::Identical:
        return T_Folder_Change::Identical;
    // A file present on both sides that comes out one-sided (a document
    // whose pages are all gone) has changed, not been added or removed.
    case T_Verdict::Only_Old:
        return Row.In_New ? T_Folder_Change::Changed : T_Folder_Change::Removed;
    case T_Verdict::Only_New:
        return Row.In_Old ? T_Folder_Change::Changed : T_Folder_Change::Added;
    case T_Verdict::Error:
        return T_Folder_Change::Error;
    case T_Verdict::Different:
        break;
    }
    return T_Folder_Change::Changed;
}

std::string Change_Word(T_Folder_Change Change)
{
    switch (Change) {
    case T_Folder_Change::Identical:
        return "identical";
    case T_Folder_Change::Changed:
        break;
    case T_Folder_Change::Added:
        return "added";
    case T_Folder_Change::Removed:
        return "removed";
    case T_Folder_Change::Error:
        return "error";
    }
    return "changed";
}

namespace {

// "0.52 %"; a change too small to show in two decimals still reads as one.
std::string Share_Text(double Share)
{
    const double percent = Share * 100;
    if (percent > 0 && percent < 0.005)
        return "< 0.01 %";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", percent);
    return text;
}

} // namespace

T_Folder_Columns Folder_Columns(const T_Folder_Row& Row, const T_Pair_Outcome& Outcome)
{
    T_Folder_Columns columns;
    columns.Change = Folder_Change(Row, Outcome);
    columns.Verdict = Change_Word(columns.Change);
    if (columns.Change == T_Folder_Change::Error) {
        columns.Reason = Outcome.Error;
        return columns;
    }
    columns.In_Pixels = Outcome.Compared_Pictures > 0;
    columns.Has_Share = Outcome.Compared_Pictures == 1;
    if (columns.In_Pixels) {
        columns.Changed_Pixels = Grouped(Outcome.Changed_Pixels);
        columns.Regions = Grouped(Outcome.Regions);
    }
    if (columns.Has_Share)
        columns.Share = Share_Text(Outcome.Changed_Share);
    return columns;
}

std::string Folder_Summary(const std::vector<T_Folder_Change>& Changes)
{
    const std::size_t total = Changes.size();
    std::string summary = Grouped(total) + (total == 1 ? " file" : " files");
    const char* separator = ": ";
    for (T_Folder_Change change :
         {T_Folder_Change::Changed, T_Folder_Change::Added, T_Folder_Change::Removed,
          T_Folder_Change::Identical, T_Folder_Change::Error}) {
        const auto count = std::size_t(std::count(Changes.begin(), Changes.end(), change));
        if (count == 0)
            continue;
        const std::string word = change == T_Folder_Change::Error
                                     ? (count == 1 ? "error" : "errors")
                                     : Change_Word(change);
        summary += separator + Grouped(count) + " " + word;
        separator = ", ";
    }
    return summary;
}
