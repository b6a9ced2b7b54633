// What an HTML report shows, as data: the run's names and options, its
// totals, and one entry per pair with the pictures written for it. A report
// folder keeps it as report.json beside index.html, so that the reports of
// a folder pair's parts can be merged into one.
#pragma once

#include "session/pair_pipeline.h"
#include "headless/pair_report.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct T_Html_Region {
    std::string Kind;                        // added, removed, moved, changed
    int X = 0, Y = 0, Width = 0, Height = 0; // in the base picture's pixels
    std::size_t Pixels = 0;
    T_Region_Text Text = {}; // of a pair of PDF pages
};

// One edit as the report lists it: regions grouped as the change count
// counts them.
struct T_Html_Change {
    std::string Kind; // added, removed, changed, moved, "moved and changed"
    // In the base's pixels, and in the modified picture's (see Change_Boxes_Of).
    T_Rectangle Old_Box, New_Box;
    std::size_t Pixels = 0;
    std::vector<std::size_t> Regions; // its regions, as indexes into the entry's
    T_Region_Text Text = {};          // of a pair of PDF pages: each side's box's text
};

// A picture of a pair in the report folder: its file (relative to the
// folder) and where it stands on the differences picture's area.
struct T_Html_Picture {
    std::string File;
    int X = 0, Y = 0, Width = 0, Height = 0;
};

struct T_Html_Entry {
    std::string Name; // "file", or "file (page N / M)" for a page pair
    std::string File; // the file it belongs to, the order of a merged report
    T_Verdict Result = T_Verdict::Identical;
    bool Accepted = true;
    std::string Reason;
    std::string Error;
    bool Compared_Pixels = false;
    std::size_t Changed_Pixels = 0;
    double Changed_Share = 0; // 0..1
    std::vector<T_Html_Region> Regions;
    // The regions grouped into edits, and how many of those are moves.
    std::size_t Changes = 0, Moved_Changes = 0;
    // The edits one by one (as many as Changes).
    std::vector<T_Html_Change> Change_List;
    // Of a pair of PDF pages with changes: whether each page has a text
    // layer; the regions then hold their text.
    bool Has_Page_Text = false;
    bool Old_Has_Text = false, New_Has_Text = false;
    // Of two documents compared by their text.
    std::optional<T_Text_Changes> Text_Changes;
    // The differences picture's area starts at (Left, Top) of the base.
    int Left = 0, Top = 0;
    // Written for a changed pair of pictures only; Differences spans the
    // whole area.
    T_Html_Picture Base, Modified, Differences;
    bool Has_Pictures() const { return !Differences.File.empty(); }
};

struct T_Html_Report {
    std::string Old_Name, New_Name;
    std::string Program_Version;
    // What the comparison ran with, as label and value, in showing order.
    std::vector<std::pair<std::string, std::string>> Options;
    T_Report_Totals Totals;
    std::vector<T_Html_Entry> Entries;
};

// An entry of a judged pair; the pictures are added by whoever wrote them.
T_Html_Entry Html_Entry_Of(const T_Compared_Pair& Pair, const T_Acceptance& Acceptance);

// The entry's changes one by one; of an entry written before changes
// were listed, each region as a change of its own.
std::vector<T_Html_Change> Html_Changes_Of(const T_Html_Entry& Entry);

// The options shown in the summary, as the run had them in effect.
std::vector<std::pair<std::string, std::string>> Html_Options_Of(const T_Command_Options& Options,
                                                                 int Default_Tolerance);

// report.json's text, and back: false with the reason when the text is not
// such a report.
std::string Html_Report_Json(const T_Html_Report& Report);
bool Html_Report_From_Json(const std::string& Text, T_Html_Report& Report, std::string& Error);

// The word of a verdict as the report's data and its filter name it.
const char* Html_Verdict_Word(T_Verdict Verdict);
