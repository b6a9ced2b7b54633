#include "headless/report_parts.h"

#include <charconv>
#include <map>

namespace {

bool Whole_Number(const std::string& Text, int& Value)
{
    const char* end = Text.data() + Text.size();
    const auto [stop, error] = std::from_chars(Text.data(), end, Value);
    return !Text.empty() && error == std::errc() && stop == end;
}

// "parts 2, 4 and 5 of 6", the first few only when many are missing.
std::string Parts_Label(const std::vector<int>& Shards, int Count)
{
    if (Shards.size() == 1)
        return Report_Part_Label(Shards[0], Count);
    constexpr std::size_t Shown = 10;
    std::string label = "parts ";
    const std::size_t listed = std::min(Shards.size(), Shown);
    for (std::size_t i = 0; i < listed; ++i) {
        if (i > 0)
            label += i + 1 == listed && Shards.size() <= Shown ? " and " : ", ";
        label += std::to_string(Shards[i]);
    }
    if (Shards.size() > Shown)
        label += " and " + std::to_string(Shards.size() - Shown) + " more";
    return label + " of " + std::to_string(Count);
}

} // namespace

bool Report_Part_From_Text(const std::string& Text, T_Report_Part& Part)
{
    std::string separator = "/";
    std::size_t at = Text.find(separator);
    if (at == std::string::npos) {
        separator = " of ";
        at = Text.find(separator);
    }
    if (at == std::string::npos)
        return false;
    T_Report_Part part;
    if (!Whole_Number(Text.substr(0, at), part.Shard) ||
        !Whole_Number(Text.substr(at + separator.size()), part.Count) || part.Shard < 1 ||
        part.Shard > part.Count)
        return false;
    Part = part;
    return true;
}

std::string Report_Part_Label(int Shard, int Count)
{
    return "part " + std::to_string(Shard) + " of " + std::to_string(Count);
}

std::string Missing_Part_Error(int Shard, int Count)
{
    return "the report of " + Report_Part_Label(Shard, Count) +
           " was not merged: its pairs are unknown";
}

bool Check_Report_Parts(const std::vector<T_Report_Part>& Parts,
                        const std::vector<std::string>& Names, bool Allow_Partial,
                        std::vector<int>& Missing, std::string& Error)
{
    Missing.clear();
    if (Parts.empty())
        return true;
    const int count = Parts[0].Count;
    std::map<int, std::size_t> given; // part -> the report that holds it
    for (std::size_t i = 0; i < Parts.size(); ++i) {
        const T_Report_Part& part = Parts[i];
        if (part.Count != count) {
            Error = Names[i] + " is " + Report_Part_Label(part.Shard, part.Count) + " but " +
                    Names[0] + " is " + Report_Part_Label(Parts[0].Shard, count) +
                    ": they are parts of different runs";
            return false;
        }
        if (const auto [at, added] = given.emplace(part.Shard, i); !added) {
            Error = Report_Part_Label(part.Shard, count) + " is given twice: " + Names[at->second] +
                    " and " + Names[i];
            return false;
        }
    }
    for (int shard = 1; shard <= count; ++shard)
        if (!given.count(shard))
            Missing.push_back(shard);
    if (!Missing.empty() && !Allow_Partial) {
        Error = Parts_Label(Missing, count) + (Missing.size() == 1 ? " is" : " are") +
                " missing: merge the reports of all " + std::to_string(count) +
                " parts (--allow-partial merges the others, the missing ones as errors)";
        return false;
    }
    return true;
}
