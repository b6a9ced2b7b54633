#include "differences/content_pairing.h"

#include "differences/leftover_pages.h"
#include "differences/page_moves.h"

namespace {

bool Drawn(const std::vector<T_Page_Signature>& pages, int page)
{
    return page >= 0 && page < static_cast<int>(pages.size()) &&
           !pages[static_cast<std::size_t>(page)].Ink.empty();
}

bool Same_Hash(const T_Page_Signature& Own, const T_Page_Signature& Other)
{
    return Own.Content_Hash != 0 && Own.Content_Hash == Other.Content_Hash;
}

// Same only where the pages are known to show exactly the same, changed
// where their drawings differ; a page drawn small that looks the same as its
// partner may still differ in a detail, so nothing is said of it.
T_Page_Match Match_Of(const T_Page_Signature& Own, const T_Page_Signature& Other)
{
    if (Same_Hash(Own, Other))
        return T_Page_Match::Same;
    if (Own.Sketch_Hash != 0 && Other.Sketch_Hash != 0 && Own.Sketch_Hash != Other.Sketch_Hash)
        return T_Page_Match::Changed;
    return T_Page_Match::Unknown;
}

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
        // Pages known to show exactly the same need no drawing to say so.
        else if (Same_Hash(own[page], other[static_cast<std::size_t>(partner)]))
            matches.push_back(T_Page_Match::Same);
        else if (!Drawn(own, static_cast<int>(page)) || !Drawn(other, partner))
            matches.push_back(T_Page_Match::Unknown);
        else
            matches.push_back(Match_Of(own[page], other[static_cast<std::size_t>(partner)]));
    }
    return matches;
}

} // namespace

T_Content_Pairing Judge_Pairing(T_Page_Pairing Pairs, const std::vector<T_Page_Signature>& left,
                                const std::vector<T_Page_Signature>& right)
{
    T_Content_Pairing pairing;
    pairing.Pairs = std::move(Pairs);
    pairing.Left = Matches(pairing.Pairs.Left_To_Right, left, right);
    pairing.Right = Matches(pairing.Pairs.Right_To_Left, right, left);
    pairing.Left_Moved = Moved_Pages(pairing.Pairs.Left_To_Right);
    pairing.Right_Moved.assign(pairing.Pairs.Right_To_Left.size(), false);
    for (std::size_t page = 0; page < pairing.Right_Moved.size(); ++page) {
        const int partner = pairing.Pairs.Right_To_Left[page];
        pairing.Right_Moved[page] = partner >= 0 &&
                                    partner < static_cast<int>(pairing.Left_Moved.size()) &&
                                    pairing.Left_Moved[static_cast<std::size_t>(partner)];
    }
    return pairing;
}

T_Content_Pairing Pair_By_Content(const std::vector<T_Page_Signature>& left,
                                  const std::vector<T_Page_Signature>& right)
{
    T_Page_Pairing pairs = Pair_Pages(left, right);
    // Pages that could not be drawn show nothing to pair by.
    Pair_Leftover_Pages(
        pairs, [&](int Left, int Right) { return Drawn(left, Left) && Drawn(right, Right); });
    // Documents of as many pages whose pairs keep their order: a page left
    // alone at the same place on both sides is that page, edited, even when
    // it could not be drawn small or changed beyond recognition (two
    // documents of one page each always compare that page).
    if (left.size() == right.size())
        Pair_Leftover_Pages(pairs);
    return Judge_Pairing(std::move(pairs), left, right);
}
