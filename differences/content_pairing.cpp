#include "content_pairing.h"

namespace {

std::vector<T_Page_Match> Matches(const std::vector<int>& partners,
                                  const std::vector<T_Page_Signature>& own,
                                  const std::vector<T_Page_Signature>& other)
{
    std::vector<T_Page_Match> matches;
    matches.reserve(partners.size());
    for (std::size_t page = 0; page < partners.size(); ++page) {
        int partner = partners[page];
        if (partner < 0 || partner >= static_cast<int>(other.size()))
            matches.push_back(T_Page_Match::Unpaired);
        else if (own[page].Content_Hash == other[static_cast<std::size_t>(partner)].Content_Hash)
            matches.push_back(T_Page_Match::Same);
        else
            matches.push_back(T_Page_Match::Changed);
    }
    return matches;
}

} // namespace

T_Content_Pairing Pair_By_Content(const std::vector<T_Page_Signature>& left,
                                  const std::vector<T_Page_Signature>& right)
{
    T_Content_Pairing pairing;
    pairing.Pairs = Pair_Pages(left, right);
    pairing.Left = Matches(pairing.Pairs.Left_To_Right, left, right);
    pairing.Right = Matches(pairing.Pairs.Right_To_Left, right, left);
    return pairing;
}
