// The folder an HTML report is written into: index.html, report.json (the
// report as data) and a sub-folder of pictures with generated names.
//
// Which folder may take a report: one that does not exist yet (it is made),
// an empty one, or one holding a previous report and nothing else - only
// index.html, report.json and pictures/ with pictures named as a report
// names them. The previous report's pictures are removed; anything else in
// the folder means it is the user's, and it is refused, never emptied.
#pragma once

#include "headless/html_report_data.h"

#include <string>

inline constexpr const char* Report_Page_File = "index.html";
inline constexpr const char* Report_Data_File = "report.json";
inline constexpr const char* Report_Pictures_Folder = "pictures";

// Makes Folder ready for a report by the rule above; false with the reason
// when it may not take one or cannot be made.
bool Prepare_Report_Folder(const std::string& Folder, std::string& Error);

// Whether Name (relative to the report folder) is a picture as a report
// names it: pictures/<number>-<number>-<role>.png.
bool Is_Report_Picture_Name(const std::string& Name);

// The pictures of a changed pair, in the folder under generated names
// (Pair_Number and Picture_Number make them unique; never a file's name).
struct T_Report_Pictures {
    T_Html_Picture Base, Modified, Differences;
    int Left = 0, Top = 0; // the differences picture's area, in the base
    std::string Error;     // why they could not be written, empty when they were
    bool Written() const { return !Differences.File.empty(); }
};

// Writes the base, modified and differences pictures of a pair of pictures
// that differ, compressed, at their own size; of a picture file on one side
// only, its one picture (as base or modified, and as the area: Differences
// names the same file). Nothing for other pairs.
// Safe to call from several threads for different numbers.
T_Report_Pictures Write_Report_Pictures(const std::string& Folder, const T_Compared_Pair& Pair,
                                        const T_Difference_Options& Options,
                                        std::size_t Pair_Number, int Picture_Number);

// report.json, then index.html, each written whole.
bool Write_Report_Files(const std::string& Folder, const T_Html_Report& Report, std::string& Error);
