#include "headless/html_report_merge.h"

#include "headless/html_report_folder.h"
#include "headless/report_parts.h"
#include "platform/os_platform.h"
#include "vocabulary/utf8_text.h"

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <ostream>

namespace fs = std::filesystem;

namespace {

// The options a part names, without the part it ran.
std::vector<std::pair<std::string, std::string>> Comparison_Options(const T_Html_Report& Report)
{
    std::vector<std::pair<std::string, std::string>> options;
    for (const auto& option : Report.Options)
        if (option.first != "Shard")
            options.push_back(option);
    return options;
}

// Which part of its run a report holds, from the options it shows.
bool Part_Of(const T_Html_Report& Report, T_Report_Part& Part)
{
    for (const auto& [label, value] : Report.Options)
        if (label == "Shard")
            return Report_Part_From_Text(value, Part);
    return true;
}

// The entry of a part whose report was not given: an error, so that the
// merged report never passes for what it could not see.
T_Html_Entry Missing_Part_Entry(int Shard, int Count)
{
    T_Html_Entry entry;
    entry.Name = entry.File = Report_Part_Label(Shard, Count);
    entry.Result = T_Verdict::Error;
    entry.Accepted = false;
    entry.Reason = "error";
    entry.Error = Missing_Part_Error(Shard, Count);
    return entry;
}

bool Read_Part(const std::string& Folder, T_Html_Report& Part, std::string& Error)
{
    std::string text;
    const std::string path = os::Utf8_Name(os::Utf8_Path(Folder) / Report_Data_File);
    if (!os::Read_File(path, text)) {
        Error = "cannot read the report " + path;
        return false;
    }
    if (!Html_Report_From_Json(text, Part, Error)) {
        Error = path + ": " + Error;
        return false;
    }
    return true;
}

// Copies an entry's pictures from its part's folder into Folder under the
// merged report's numbers. Only pictures named as a report names them are
// read: a changed report.json cannot make the merge copy other files.
bool Copy_Pictures(const std::string& From, const std::string& Folder, std::size_t Number,
                   T_Html_Entry& Entry, std::string& Error)
{
    // A file on one side only has one picture, which is also its area.
    std::string copied_from, copied_to;
    for (auto [picture, role] :
         {std::pair{&Entry.Base, "base"}, std::pair{&Entry.Modified, "modified"},
          std::pair{&Entry.Differences, "differences"}}) {
        if (picture->File.empty() && picture != &Entry.Differences)
            continue;
        if (!copied_from.empty() && picture->File == copied_from) {
            picture->File = copied_to;
            continue;
        }
        if (!Is_Report_Picture_Name(picture->File)) {
            Error = From + ": " + picture->File + " is not a picture of a report";
            return false;
        }
        const std::string name = std::string(Report_Pictures_Folder) + "/" +
                                 std::to_string(Number) + "-1-" + role + ".png";
        const std::string source = os::Utf8_Name(os::Utf8_Path(From) / picture->File);
        const std::string target = os::Utf8_Name(os::Utf8_Path(Folder) / name);
        if (!os::Copy_File_Replace(source, target)) {
            Error = "cannot copy " + source + " to " + target;
            return false;
        }
        os::Give_User_Permissions(target);
        copied_from = picture->File;
        copied_to = name;
        picture->File = name;
    }
    return true;
}

} // namespace

bool Merge_Html_Reports(const std::vector<T_Html_Report>& Parts,
                        const std::vector<std::string>& Names, bool Allow_Partial,
                        T_Merged_Html_Report& Merged, std::string& Error)
{
    T_Html_Report& report = Merged.Report;
    std::vector<std::pair<T_Html_Entry, std::size_t>> entries;
    std::vector<T_Report_Part> numbers(Parts.size());
    for (std::size_t i = 0; i < Parts.size(); ++i) {
        const T_Html_Report& part = Parts[i];
        if (part.Totals.Interrupted) {
            Error = Names[i] + " is the report of an interrupted run: it lacks pairs of its part";
            return false;
        }
        if (!Part_Of(part, numbers[i])) {
            Error = Names[i] + ": the part it ran is not \"K of N\"";
            return false;
        }
        if (i == 0) {
            report.Old_Name = part.Old_Name;
            report.New_Name = part.New_Name;
            report.Program_Version = part.Program_Version;
            report.Options = Comparison_Options(part);
        } else if (part.Old_Name != report.Old_Name || part.New_Name != report.New_Name ||
                   Comparison_Options(part) != report.Options) {
            Error = Names[i] + " compared other folders or with other options than " + Names[0];
            return false;
        }
        report.Totals += part.Totals;
        for (const T_Html_Entry& entry : part.Entries)
            entries.emplace_back(entry, i);
    }
    // One run lists the files in the order of their names' bytes, each
    // file's pages in their order; a file's entries all come from one part.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& A, const auto& B) { return A.first.File < B.first.File; });
    for (auto& [entry, from] : entries) {
        report.Entries.push_back(std::move(entry));
        Merged.From.push_back(from);
    }
    std::vector<int> missing;
    if (!Check_Report_Parts(numbers, Names, Allow_Partial, missing, Error))
        return false;
    for (int shard : missing) {
        report.Entries.push_back(Missing_Part_Entry(shard, numbers[0].Count));
        Merged.From.push_back(0);
        report.Totals.Count(T_Verdict::Error, false);
    }
    if (!missing.empty()) {
        std::string parts;
        for (int shard : missing)
            parts += (parts.empty() ? "" : ", ") + std::to_string(shard);
        report.Options.emplace_back("Missing parts",
                                    parts + " of " + std::to_string(numbers[0].Count));
    }
    Merged.Missing_Parts = missing.size();
    return true;
}

bool Are_Report_Folders(const std::vector<std::string>& Names)
{
    std::error_code error;
    return !Names.empty() && std::all_of(Names.begin(), Names.end(), [&](const std::string& name) {
        return fs::is_directory(os::Utf8_Path(name), error);
    });
}

int Run_Merge_Report_Folders(const T_Command_Options& Options, std::ostream& Err)
{
    const std::string& target = Options.Names[0];
    const std::vector<std::string> folders(Options.Names.begin() + 1, Options.Names.end());
    const auto fail = [&](const std::string& Why) {
        Err << "varnolt: " << Terminal_Safe(Why) << "\n";
        return 2;
    };
    if (!Options.Junit.empty())
        return fail("--junit is written by the runs themselves, not by a merge of report folders");
    std::vector<T_Html_Report> parts(folders.size());
    std::string error;
    for (std::size_t i = 0; i < folders.size(); ++i)
        if (!Read_Part(folders[i], parts[i], error))
            return fail(error);
    T_Merged_Html_Report merged;
    if (!Merge_Html_Reports(parts, folders, Options.Allow_Partial, merged, error))
        return fail(error);
    if (merged.Missing_Parts > 0)
        Err << "varnolt: merged without " << merged.Missing_Parts
            << (merged.Missing_Parts == 1 ? " part" : " parts") << ", which count as errors\n";
    // The merged report replaces no part: that would remove the pictures
    // it is about to copy.
    std::error_code same;
    for (const std::string& folder : folders)
        if (fs::equivalent(os::Utf8_Path(target), os::Utf8_Path(folder), same))
            return fail("the merged report " + target + " must not be one of the reports merged");
    if (!Prepare_Report_Folder(target, error))
        return fail("--merge-reports " + target + ": " + error);
    std::vector<T_Html_Entry>& entries = merged.Report.Entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].Has_Pictures() &&
            !Copy_Pictures(folders[merged.From[i]], target, i + 1, entries[i], error))
            return fail(error);
    if (!Write_Report_Files(target, merged.Report, error))
        return fail(error);
    return merged.Report.Totals.Exit_Code();
}
