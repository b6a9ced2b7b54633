// A pair's report as data: what the JUnit report, the merge of sharded
// runs (and any later report) are made from, whether the pair was just
// compared or read back from a JSON report.
#pragma once

#include "headless/pair_acceptance.h"
#include "session/pair_pipeline.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct T_Report_Record {
    std::string Old_Name, New_Name; // empty for the side a file is missing from
    std::string Old_Page, New_Page; // of a page pair of two documents
    T_Verdict Result = T_Verdict::Identical;
    bool Accepted = true;
    std::string Reason;
    std::string Error;
    bool Compared_Pixels = false; // the counts below hold
    std::size_t Changed_Pixels = 0;
    double Changed_Share = 0; // 0..1
    std::size_t Regions = 0;
    // The regions grouped into edits, and how many of those are moves.
    std::size_t Changes = 0, Moved_Changes = 0;
    // Of a pair of PDF pages: the text of each change region, in the
    // regions' order, or that neither page has a text layer.
    std::vector<T_Region_Text> Region_Texts;
    bool No_Text_Layer = false;
    // Of two documents compared by their text.
    std::optional<T_Text_Changes> Text_Changes;
    double Seconds = 0; // the time its comparison took, when known
    std::string Json;   // its line of a JSON report, without the line end
};

T_Report_Record Record_Of(const T_Compared_Pair& Pair, const T_Acceptance& Acceptance,
                          double Seconds);

// The file a record belongs to: the new version's name, or the old one's
// for a file on one side only. Reports list files in this name's order.
const std::string& File_Of(const T_Report_Record& Record);
