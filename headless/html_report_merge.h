// The HTML report folders of a folder pair's parts (--shard K/N --report
// DIR_K) merged into one report folder, as one run over all of it writes
// it: the pairs in the files' order, the pictures copied under new
// numbers, the totals added up.
#pragma once

#include "headless/html_report_data.h"

#include <iosfwd>
#include <string>
#include <vector>

// Merges the reports read from the folders (their report.json, Names the
// folders): false with the reason when one was made with other options or
// names than the first, or they are not every part of one run once (see
// report_parts.h; with Allow_Partial each missing part becomes an error
// entry). Each entry's pictures keep the names they have in their own
// folder (From says which).
struct T_Merged_Html_Report {
    T_Html_Report Report;
    std::vector<std::size_t> From; // per entry: the index of its folder
    std::size_t Missing_Parts = 0;
};
bool Merge_Html_Reports(const std::vector<T_Html_Report>& Parts,
                        const std::vector<std::string>& Names, bool Allow_Partial,
                        T_Merged_Html_Report& Merged, std::string& Error);

// Whether the names --merge-reports is given are report folders.
bool Are_Report_Folders(const std::vector<std::string>& Names);

// --merge-reports OUT FOLDER...: the exit status as the whole run's would
// be, 2 when the folders cannot be merged or OUT cannot be written.
int Run_Merge_Report_Folders(const T_Command_Options& Options, std::ostream& Err);
