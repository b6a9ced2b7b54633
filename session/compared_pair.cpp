#include "session/compared_pair.h"

#include <algorithm>

T_Verdict Verdict_Of(const T_Difference& Difference, bool Moved)
{
    return Difference.Changed_Pixels == 0 && !Difference.Size_Differs() && !Moved
               ? T_Verdict::Identical
               : T_Verdict::Different;
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
