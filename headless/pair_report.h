// What a headless comparison prints: one line, or one JSON object, per pair
// compared, and the totals of a folder comparison.
#pragma once

#include "picture_difference.h"

#include <iosfwd>
#include <string>

struct T_Pair_Report {
    enum class T_Result { Identical, Different, Only_Old, Only_New, Error };
    T_Result Result = T_Result::Identical;
    std::string Old_Name;
    std::string New_Name;
    std::string Old_Page; // the pages' names, for paged documents
    std::string New_Page;
    int Old_Width = 0, Old_Height = 0, New_Width = 0, New_Height = 0;
    const T_Difference* Difference = nullptr; // when pictures were compared
    std::string Error;
};

struct T_Report_Totals {
    int Identical = 0, Different = 0, Only_Old = 0, Only_New = 0, Errors = 0;
    void Count(T_Pair_Report::T_Result Result);
    // 0 when everything was identical, 1 when something differed, 2 when
    // something could not be compared.
    int Exit_Code() const;
};

void Print_Report(std::ostream& Out, const T_Pair_Report& Report, bool Json);
void Print_Totals(std::ostream& Out, const T_Report_Totals& Totals, bool Json);
