#include "office/part_changes.h"

#include <algorithm>

namespace {

// The indices of Parts in Group with a text that the office does not
// compare itself, in their order.
std::vector<std::size_t> Of_Group(const std::vector<T_Part_Text>& Parts, const std::string& Group)
{
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < Parts.size(); ++i)
        if (Parts[i].Group == Group && !Parts[i].Text.empty() && !Parts[i].Office_Compares)
            members.push_back(i);
    return members;
}

std::vector<std::string> Groups_In_Order(const std::vector<T_Part_Text>& Base,
                                         const std::vector<T_Part_Text>& Revised)
{
    std::vector<std::string> groups;
    for (const std::vector<T_Part_Text>* parts : {&Base, &Revised})
        for (const T_Part_Text& part : *parts)
            if (std::find(groups.begin(), groups.end(), part.Group) == groups.end())
                groups.push_back(part.Group);
    return groups;
}

// One group's changes: the longest common subsequence of the texts, then
// what lies outside it on either side, in document order.
void Add_Group_Changes(const std::vector<T_Part_Text>& Base, const std::vector<std::size_t>& Old,
                       const std::vector<T_Part_Text>& Revised, const std::vector<std::size_t>& New,
                       std::vector<T_Part_Change>& Changes)
{
    const std::size_t rows = Old.size(), columns = New.size();
    // Common[i][j]: the longest common run of Old[i..] and New[j..].
    std::vector<std::vector<std::size_t>> common(rows + 1, std::vector<std::size_t>(columns + 1));
    for (std::size_t i = rows; i-- > 0;)
        for (std::size_t j = columns; j-- > 0;)
            common[i][j] = Base[Old[i]].Text == Revised[New[j]].Text
                               ? common[i + 1][j + 1] + 1
                               : std::max(common[i + 1][j], common[i][j + 1]);
    std::size_t i = 0, j = 0;
    while (i < rows || j < columns) {
        if (i < rows && j < columns && Base[Old[i]].Text == Revised[New[j]].Text) {
            ++i;
            ++j;
        } else if (j == columns || (i < rows && common[i + 1][j] >= common[i][j + 1])) {
            Changes.push_back({false, Old[i++]});
        } else {
            Changes.push_back({true, New[j++]});
        }
    }
}

} // namespace

std::vector<T_Part_Change> Part_Changes(const std::vector<T_Part_Text>& Base,
                                        const std::vector<T_Part_Text>& Revised)
{
    std::vector<T_Part_Change> changes;
    for (const std::string& group : Groups_In_Order(Base, Revised))
        Add_Group_Changes(Base, Of_Group(Base, group), Revised, Of_Group(Revised, group), changes);
    return changes;
}
