// What a headless comparison prints: one line, or one JSON object, per pair
// compared, and the totals of a folder comparison.
#pragma once

#include "command_line/command_options.h"
#include "headless/pair_acceptance.h"
#include "session/compared_pair.h"

#include <iosfwd>
#include <string>

// One line or JSON object: a pair of files, of pages, or a file present on
// one side only, as the pair pipeline judged it.
struct T_Compared_Pair;
using T_Pair_Report = T_Compared_Pair; // its pictures are in session/pair_pipeline.h

struct T_Report_Totals {
    int Identical = 0, Different = 0, Only_Old = 0, Only_New = 0, Errors = 0;
    int Accepted = 0;
    // The run was stopped (Ctrl+C, SIGTERM): the counts are those so far.
    bool Interrupted = false;
    void Count(T_Pair_Findings::T_Result Result, bool Is_Accepted);
    // Adds the counts of another part of the same run.
    T_Report_Totals& operator+=(const T_Report_Totals& Part);
    // 2 when something could not be compared, 1 when a pair was not
    // accepted, else 0.
    int Exit_Code() const;
};

// The pair's name as its line gives it: the file, the new file's name
// when it differs, and of a page pair "(page OLD / NEW)".
std::string Pair_Label(const T_Pair_Findings& Report);

// A change region's kind: added, removed, moved or changed.
const char* Region_Kind_Word(T_Change_Region::T_Kind Kind);

// Where a change of the pair's differences lies, in the whole pictures'
// pixels: in the base, and in the modified picture as it is stored (where
// the alignment, when there was one, had laid it).
struct T_Change_Boxes {
    T_Rectangle Old, New;
};
T_Change_Boxes Change_Boxes_Of(const T_Pair_Findings& Report, const T_Change& Change);

// With Show_Acceptance (limits were given) the line says whether the pair
// passed; JSON always does.
void Print_Report(std::ostream& Out, const T_Pair_Findings& Report, bool Json,
                  const T_Acceptance& Acceptance, bool Show_Acceptance);
void Print_Totals(std::ostream& Out, const T_Report_Totals& Totals, bool Json,
                  bool Show_Accepted = false);

// The first line of a JSON run: the format and its version, the names
// compared and the options in effect (the program's defaults filled in).
void Print_Json_Header(std::ostream& Out, const T_Command_Options& Options,
                       const T_Difference_Options& Defaults);
