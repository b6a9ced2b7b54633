// Two folders as a version-control client's folder comparison hands them
// over: every file below either, and what each pair came to through the
// pair pipeline, so that a row says what --compare says of the same files.
#pragma once

#include "session/pair_pipeline.h"

#include <string>
#include <vector>

struct T_Folder_Row {
    std::string Name; // relative to both folders ("sub/plan.png")
    bool In_Old = false;
    bool In_New = false;
};

// What a folder's rows are compared with, from the settings of a pair:
// files that are neither pictures nor documents by their bytes, and each
// pair read on the one thread that measures it, so that N workers take N
// cores.
T_Pair_Settings Folder_Row_Settings(T_Pair_Settings Settings);

class T_Folder_Comparison {
public:
    // Lists both folders at once; nothing is compared yet.
    T_Folder_Comparison(std::string Old_Folder, std::string New_Folder, T_Pair_Settings Settings);

    const std::string& Old_Folder() const { return Old_Folder_; }
    const std::string& New_Folder() const { return New_Folder_; }
    const std::vector<T_Folder_Row>& Rows() const { return Rows_; }
    // Why a folder could not be read (its files would otherwise pass for
    // files added or removed); empty when both were read.
    const std::string& Folder_Error() const { return Folder_Error_; }
    // A row's files; empty for the side where it does not exist.
    std::string Old_Path(const T_Folder_Row& Row) const;
    std::string New_Path(const T_Folder_Row& Row) const;
    // Compares a row's pair (a file on one side only is added or removed).
    // Safe to call from a worker thread.
    T_Pair_Outcome Measure(const T_Folder_Row& Row) const;

private:
    std::string Old_Folder_;
    std::string New_Folder_;
    T_Pair_Settings Settings_;
    std::vector<T_Folder_Row> Rows_;
    std::string Folder_Error_;
};

// What became of a row's file between the folders, in the list's words.
enum class T_Folder_Change { Identical, Changed, Added, Removed, Error };
T_Folder_Change Folder_Change(const T_Folder_Row& Row, const T_Pair_Outcome& Outcome);
// "identical", "changed", "added", "removed", "error".
std::string Change_Word(T_Folder_Change Change);

// One measured row as the list's columns show it. A pair compared by its
// bytes (or a file on one side only) has no pixel columns; only a picture
// pair has a share, since a document's pages differ in size and the share of
// their sum would mislead.
struct T_Folder_Columns {
    T_Folder_Change Change = T_Folder_Change::Identical;
    std::string Verdict;
    std::string Changed_Pixels; // "1,234"
    std::string Share;          // "0.52 %"
    std::string Regions;
    std::string Reason; // why an error row could not be compared
    bool In_Pixels = false;
    bool Has_Share = false;
};
T_Folder_Columns Folder_Columns(const T_Folder_Row& Row, const T_Pair_Outcome& Outcome);

// "5 files: 2 changed, 1 added, 1 removed, 1 identical" over the measured
// rows (categories with no file left out, errors last).
std::string Folder_Summary(const std::vector<T_Folder_Change>& Changes);
