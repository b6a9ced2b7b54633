#include "session/compared_pair.h"

#include <algorithm>
#include <memory>

T_Verdict Verdict_Of(const T_Difference& Difference, bool Moved)
{
    return Difference.Changed_Pixels == 0 && !Difference.Size_Differs() && !Moved
               ? T_Verdict::Identical
               : T_Verdict::Different;
}

void Take_Differences(T_Pair_Findings& Pair, T_Difference Difference)
{
    Pair.Old_Width = Difference.Base_Width;
    Pair.Old_Height = Difference.Base_Height;
    Pair.New_Width = Difference.Modified_Width;
    Pair.New_Height = Difference.Modified_Height;
    Pair.Result = Verdict_Of(Difference);
    Pair.Difference = std::make_shared<const T_Difference>(std::move(Difference));
}

std::string One_Line(std::string Text)
{
    std::erase(Text, '\r');
    std::replace(Text.begin(), Text.end(), '\n', ' ');
    return Text;
}

std::string Grouped(std::size_t Number)
{
    std::string digits = std::to_string(Number);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(std::size_t(at), ",");
    return digits;
}
