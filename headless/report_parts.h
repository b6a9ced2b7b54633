// The parts of a sharded run that a merge is given: a merge is only the
// whole run's report when it holds every part of one run exactly once. A
// lost CI artifact must not merge into a report that passes.
#pragma once

#include <string>
#include <vector>

// Part Shard of Count; a run over the whole folder pair is part 1 of 1.
struct T_Report_Part {
    int Shard = 1;
    int Count = 1;
};

// "K/N" as a JSON report's header writes it, or "K of N" as a report
// folder's options show it; false for anything else.
bool Report_Part_From_Text(const std::string& Text, T_Report_Part& Part);

// "part 2 of 3".
std::string Report_Part_Label(int Shard, int Count);

// The error that stands for a part whose report was not merged, in the JSON
// lines and in the report folder alike.
std::string Missing_Part_Error(int Shard, int Count);

// Checks that Parts (Parts[i] read from the report Names[i]) are one run's:
// the same number of parts, each part from 1 to that number once. False
// with the reason, naming the reports at fault and the parts missing or
// given twice. Missing gets the parts not given; with Allow_Partial they
// alone are no reason to refuse.
bool Check_Report_Parts(const std::vector<T_Report_Part>& Parts,
                        const std::vector<std::string>& Names, bool Allow_Partial,
                        std::vector<int>& Missing, std::string& Error);
