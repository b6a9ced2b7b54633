#include "session/drawing_page_pairing.h"

#include "differences/page_pairing.h"
#include "differences/leftover_pages.h"
#include "imaging/picture_signature.h"
#include "imaging/u_image_load.h"
#include "automation/u_ole_automation.h"

#include <functional>

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

// The pages of each side without a counterpart in `Partner`.
struct T_Left_Over {
    std::vector<int> Left, Right;
};

T_Left_Over Left_Over(const std::vector<int>& Partner, int Right_Count)
{
    T_Left_Over alone;
    std::vector<bool> right_taken(std::size_t(Right_Count), false);
    for (std::size_t page = 0; page < Partner.size(); ++page) {
        if (Partner[page] < 0)
            alone.Left.push_back(int(page));
        else
            right_taken[std::size_t(Partner[page])] = true;
    }
    for (int page = 0; page < Right_Count; ++page)
        if (!right_taken[std::size_t(page)])
            alone.Right.push_back(page);
    return alone;
}

// The signature of one page, exported (or reused) and read; an empty one (no
// ink) for a page that cannot be exported or read.
T_Page_Signature Exported_Signature(T_Diff_Session& Session, T_Side Side, int Page)
{
    T_Work_Result exported = Session.Export_Page(Side, Page);
    T_Loaded_Picture picture = exported.Done()
                                   ? Load_Drawn_Or_Decoded(Session.Page_Store(Side), exported.File)
                                   : T_Loaded_Picture{};
    return picture.Result == T_Picture_Load_Result::Loaded ? Picture_Signature(picture.Image)
                                                           : T_Page_Signature{};
}

using T_Signature_Of = std::function<T_Page_Signature(T_Side Side, int Page)>;

// Pairs by identifier, then the pages left over by what they show.
std::vector<int> Pair_Names_Then_Content(const T_Page_List& Left, const T_Page_List& Right,
                                         const T_Signature_Of& Signature_Of)
{
    std::vector<int> partner = Pair_By_Identifier(Left, Right);
    const T_Left_Over alone = Left_Over(partner, Right.Count());
    if (alone.Left.empty() || alone.Right.empty())
        return partner;
    std::vector<T_Page_Signature> left, right;
    for (int page : alone.Left)
        left.push_back(Signature_Of(T_Side::Left, page));
    for (int page : alone.Right)
        right.push_back(Signature_Of(T_Side::Right, page));
    T_Page_Pairing by_content = Pair_Pages(left, right);
    Pair_Leftover_Pages(by_content);
    for (std::size_t i = 0; i < alone.Left.size(); ++i) {
        const int j = by_content.Left_To_Right[i];
        // Pages without a picture look blank, and blank pages are alike:
        // they would pair with each other by nothing they show.
        if (j >= 0 && !left[i].Ink.empty() && !right[std::size_t(j)].Ink.empty())
            partner[std::size_t(alone.Left[i])] = alone.Right[std::size_t(j)];
    }
    return partner;
}

std::vector<int> Right_To_Left(const std::vector<int>& Left_To_Right, int Right_Count)
{
    std::vector<int> partner(std::size_t(Right_Count), -1);
    for (std::size_t page = 0; page < Left_To_Right.size(); ++page)
        if (Left_To_Right[page] >= 0 && Left_To_Right[page] < Right_Count)
            partner[std::size_t(Left_To_Right[page])] = int(page);
    return partner;
}

} // namespace

std::vector<int> Pair_Drawing_Pages(T_Diff_Session& Session)
{
    return Pair_Names_Then_Content(
        Session.Pages(T_Side::Left), Session.Pages(T_Side::Right),
        [&Session](T_Side Side, int Page) { return Exported_Signature(Session, Side, Page); });
}

T_Content_Pairing Pair_Drawing_Pages_By_Name(const T_Diff_Session& Session)
{
    const T_Page_List left = Session.Pages(T_Side::Left), right = Session.Pages(T_Side::Right);
    T_Page_Pairing pairs;
    pairs.Left_To_Right = Pair_By_Identifier(left, right);
    pairs.Right_To_Left = Right_To_Left(pairs.Left_To_Right, right.Count());
    T_Content_Pairing pairing = Judge_Pairing(std::move(pairs), {}, {});
    pairing.Left.assign(pairing.Left.size(), T_Page_Match::Unknown);
    pairing.Right.assign(pairing.Right.size(), T_Page_Match::Unknown);
    return pairing;
}

bool Drawing_Pages_Left_Over(const T_Diff_Session& Session)
{
    const T_Page_List left = Session.Pages(T_Side::Left), right = Session.Pages(T_Side::Right);
    const T_Left_Over alone = Left_Over(Pair_By_Identifier(left, right), right.Count());
    return !alone.Left.empty() && !alone.Right.empty();
}

std::optional<T_Content_Pairing> Judge_Drawing_Pages(T_Diff_Session& Session,
                                                     const std::atomic<bool>& Stop)
{
    const T_Page_List left = Session.Pages(T_Side::Left), right = Session.Pages(T_Side::Right);
    std::vector<T_Page_Signature> signatures[2];
    for (T_Side side : {T_Side::Left, T_Side::Right})
        for (int page = 0; page < (side == T_Side::Left ? left : right).Count(); ++page) {
            if (Stop)
                return std::nullopt;
            signatures[side == T_Side::Left ? 0 : 1].push_back(
                Exported_Signature(Session, side, page));
        }
    T_Page_Pairing pairs;
    pairs.Left_To_Right =
        Pair_Names_Then_Content(left, right, [&signatures](T_Side Side, int Page) {
            return signatures[Side == T_Side::Left ? 0 : 1][std::size_t(Page)];
        });
    pairs.Right_To_Left = Right_To_Left(pairs.Left_To_Right, right.Count());
    return Judge_Pairing(std::move(pairs), signatures[0], signatures[1]);
}

std::optional<T_Content_Pairing> Pair_Drawing_Pages_Apart(const std::string& Left_File,
                                                          const std::string& Right_File,
                                                          T_Paged_Kind Kind,
                                                          const T_Exporter_Factory& Make_Exporter,
                                                          const std::atomic<bool>& Stop)
{
    // The exporter's automation server is entered from this thread.
    T_Automation_Apartment apartment;
    if (Stop)
        return std::nullopt;
    // A session of its own: its copy of the base, and the pages named after
    // it, lie in its own folder, apart from the window's, and go with it.
    T_Diff_Session session(Left_File, Right_File, T_Converter_Kind::None, Kind,
                           {Make_Exporter, {}});
    if (!session.Open().Done())
        return std::nullopt;
    return Judge_Drawing_Pages(session, Stop);
}
