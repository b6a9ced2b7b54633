// The JSON reports of a folder pair's parts (--shard, each run's output
// kept with --json) merged into the report one run over all of it gives:
// the records in the files' order, the totals and exit status recomputed.
#pragma once

#include "command_line/command_options.h"
#include "headless/pair_report.h"
#include "headless/report_records.h"

#include <iosfwd>
#include <string>
#include <vector>

struct T_Merged_Report {
    std::string Header; // the first line, without the part a shard ran
    std::vector<T_Report_Record> Records;
    T_Report_Totals Totals;
    std::vector<int> Missing_Parts; // merged without them (--allow-partial)
};

// Reads and merges the reports (JSON text, one object a line). False with
// the reason in Error: a report cannot be read, is not a report of this
// program, did not end (no totals), its records do not add up to its
// totals, it compared other names or with other options than the first,
// or the reports are not every part of one run once (see report_parts.h).
// With Allow_Partial, each part missing is merged as an error record.
bool Merge_Reports(const std::vector<std::string>& Texts, const std::vector<std::string>& Names,
                   bool Allow_Partial, T_Merged_Report& Merged, std::string& Error);

// The merged report as one run prints it (identical pairs left out with
// Only_Changes, the totals first with Summary_First).
void Print_Merged_Report(std::ostream& Out, const T_Merged_Report& Merged, bool Only_Changes,
                         bool Summary_First);

// --merge-reports OUT REPORT...: OUT "-" is the standard output. The exit
// status as the whole run's would be, 2 when the reports cannot be merged.
int Run_Merge_Reports(const T_Command_Options& Options, std::ostream& Out, std::ostream& Err);
