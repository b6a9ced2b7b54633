#include "drawing_page_pairing.h"

#include "page_pairing.h"
#include "picture_signature.h"
#include "u_image_load.h"

namespace {

// Left page -> right page by equal identifiers, each right page used once.
std::vector<int> Pair_By_Identifier(const T_Page_List& Left, const T_Page_List& Right)
{
    std::vector<int> partner(std::size_t(Left.Count()), -1);
    std::vector<bool> taken(std::size_t(Right.Count()), false);
    for (int page = 0; page < Left.Count(); ++page)
        for (int other = 0; other < Right.Count(); ++other)
            if (!taken[std::size_t(other)] && Right[other].ID == Left[page].ID) {
                partner[std::size_t(page)] = other;
                taken[std::size_t(other)] = true;
                break;
            }
    return partner;
}

// The signatures of some pages of one side; an empty signature (a blank
// page without a picture) for a page that cannot be exported or read.
std::vector<T_Page_Signature> Exported_Signatures(T_Diff_Session& Session, T_Side Side,
                                                  const std::vector<int>& Pages,
                                                  std::vector<bool>& Drawn)
{
    std::vector<T_Page_Signature> signatures;
    for (int page : Pages) {
        T_Work_Result exported = Session.Export_Page(Side, page);
        T_Loaded_Picture picture =
            exported.Done() ? Load_Drawn_Or_Decoded(exported.File) : T_Loaded_Picture{};
        const bool loaded = picture.Result == T_Picture_Load_Result::Loaded;
        Drawn.push_back(loaded);
        signatures.push_back(loaded ? Picture_Signature(picture.Image) : T_Page_Signature{});
    }
    return signatures;
}

} // namespace

std::vector<int> Pair_Drawing_Pages(T_Diff_Session& Session)
{
    const T_Page_List left = Session.Pages(T_Side::Left), right = Session.Pages(T_Side::Right);
    std::vector<int> partner = Pair_By_Identifier(left, right);
    std::vector<int> left_alone, right_alone;
    std::vector<bool> right_taken(std::size_t(right.Count()), false);
    for (int page = 0; page < left.Count(); ++page) {
        if (partner[std::size_t(page)] < 0)
            left_alone.push_back(page);
        else
            right_taken[std::size_t(partner[std::size_t(page)])] = true;
    }
    for (int page = 0; page < right.Count(); ++page)
        if (!right_taken[std::size_t(page)])
            right_alone.push_back(page);
    if (left_alone.empty() || right_alone.empty())
        return partner;
    std::vector<bool> left_drawn, right_drawn;
    const T_Page_Pairing by_content =
        Pair_Pages(Exported_Signatures(Session, T_Side::Left, left_alone, left_drawn),
                   Exported_Signatures(Session, T_Side::Right, right_alone, right_drawn));
    for (std::size_t i = 0; i < left_alone.size(); ++i) {
        const int j = by_content.Left_To_Right[i];
        // Pages without a picture look blank, and blank pages are alike:
        // they would pair with each other by nothing they show.
        if (j >= 0 && left_drawn[i] && right_drawn[std::size_t(j)])
            partner[std::size_t(left_alone[i])] = right_alone[std::size_t(j)];
    }
    return partner;
}
