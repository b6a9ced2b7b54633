#include "folder_comparison.h"

#include "folder_files.h"

#include <cstdio>
#include <set>

T_Folder_Comparison::T_Folder_Comparison(std::string Old_Folder, std::string New_Folder,
                                         T_Pair_Settings Settings)
    : Old_Folder_(std::move(Old_Folder)), New_Folder_(std::move(New_Folder)),
      Settings_(std::move(Settings))
{
    Settings_.Bytes_Otherwise = true;
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
    if (!Row.In_Old || !Row.In_New) {
        T_Pair_Outcome outcome;
        outcome.Verdict = Row.In_Old ? T_Verdict::Only_Old : T_Verdict::Only_New;
        return outcome;
    }
    return Compare_Pair(Old_Path(Row), New_Path(Row), Row.Name, Row.Name, Settings_);
}

std::string Change_Words(const T_Folder_Row& Row, const T_Pair_Outcome& Outcome)
{
    switch (Outcome.Verdict) {
    case T_Verdict::Identical:
        return "identical";
    case T_Verdict::Only_Old:
        return Row.In_New ? "changed" : "removed (only in the old folder)";
    case T_Verdict::Only_New:
        return Row.In_Old ? "changed" : "added (only in the new folder)";
    case T_Verdict::Error:
        return "error: " + Outcome.Error;
    case T_Verdict::Different:
        break;
    }
    if (Outcome.Changed_Pixels == 0)
        return "changed";
    std::string words = Grouped(Outcome.Changed_Pixels) + " px changed";
    if (Outcome.Compared_Pictures == 1) {
        char share[32];
        std::snprintf(share, sizeof share, " (%.2f %%)", Outcome.Changed_Share * 100);
        words += share;
    }
    return words + ", " + std::to_string(Outcome.Regions) +
           (Outcome.Regions == 1 ? " region" : " regions");
}
