#include "viewer/current_change.h"

#include "session/comparison_model.h"

#include <algorithm>

namespace {

QRect Area_Box(const T_Difference& Difference, const T_Rectangle& Box)
{
    return {Box.Left + Difference.Left, Box.Top + Difference.Top, Box.Width, Box.Height};
}

} // namespace

T_Current_Change::T_Current_Change(T_Comparison_Model& Model,
                                   std::function<void(bool Zoom_In)> Shown)
    : Model_(Model), Shown_(std::move(Shown))
{
}

const T_Difference* T_Current_Change::Difference() const { return Model_.Differences(); }

int T_Current_Change::Count() const
{
    const T_Difference* difference = Difference();
    if (!difference)
        return 0;
    return int(difference->Changes.empty() ? difference->Regions.size()
                                           : difference->Changes.size());
}

int T_Current_Change::Region() const
{
    const T_Difference* difference = Difference();
    const int region = Model_.Current_Change;
    return difference && region >= 0 && region < int(difference->Regions.size()) ? region : -1;
}

int T_Current_Change::Change_Of_Region(int Region) const
{
    const T_Difference* difference = Difference();
    if (!difference || Region < 0 || Region >= int(difference->Regions.size()))
        return -1;
    if (difference->Changes.empty())
        return Region;
    for (std::size_t change = 0; change < difference->Changes.size(); ++change) {
        const std::vector<std::size_t>& regions = difference->Changes[change].Regions;
        if (std::find(regions.begin(), regions.end(), std::size_t(Region)) != regions.end())
            return int(change);
    }
    return -1;
}

int T_Current_Change::Change() const { return Change_Of_Region(Region()); }

std::vector<std::size_t> T_Current_Change::Regions_Of(const T_Difference& Difference,
                                                      int Index) const
{
    if (Difference.Changes.empty())
        return {std::size_t(Index)};
    return Difference.Changes[std::size_t(Index)].Regions;
}

bool T_Current_Change::Is_Current(int Region) const
{
    const int current = this->Region();
    if (current < 0 || Region < 0)
        return false;
    if (!Whole())
        return Region == current;
    return Change_Of_Region(Region) == Change();
}

std::vector<std::size_t> T_Current_Change::Current_Regions() const
{
    const T_Difference* difference = Difference();
    const int region = Region();
    if (!difference || region < 0)
        return {};
    if (!Whole())
        return {std::size_t(region)};
    return Regions_Of(*difference, Change());
}

QRect T_Current_Change::Box() const
{
    const T_Difference* difference = Difference();
    const int region = Region();
    if (!difference || region < 0)
        return {};
    if (!Whole() || difference->Changes.empty()) {
        const T_Change_Region& shown = difference->Regions[std::size_t(region)];
        return Area_Box(*difference, {shown.Left, shown.Top, shown.Width, shown.Height});
    }
    // Both places of a moved shape, so that each version shows its own.
    const T_Change& change = difference->Changes[std::size_t(Change())];
    return Area_Box(*difference, change.Old_Box) | Area_Box(*difference, change.New_Box);
}

void T_Current_Change::Set(int Region, bool Whole, bool Zoom_In)
{
    Model_.Current_Change = Region;
    Whole_ = Whole;
    Shown_(Zoom_In);
}

void T_Current_Change::Choose_Change(int Index)
{
    const T_Difference* difference = Difference();
    if (!difference || Index < 0 || Index >= Count())
        return;
    const std::vector<std::size_t> regions = Regions_Of(*difference, Index);
    if (regions.empty())
        return;
    Set(int(regions.front()), true, true);
}

void T_Current_Change::Choose_Region(int Index)
{
    const T_Difference* difference = Difference();
    if (!difference || Index < 0 || Index >= int(difference->Regions.size()))
        return;
    // The region of a change of one region is that change.
    const int change = Change_Of_Region(Index);
    const bool alone = change >= 0 && Regions_Of(*difference, change).size() == 1;
    Set(Index, alone, true);
}

void T_Current_Change::Step(int Direction)
{
    const T_Difference* difference = Difference();
    const int count = Count();
    if (!difference || count == 0)
        return;
    const int current = Change();
    const int next =
        current < 0 ? (Direction > 0 ? 0 : count - 1) : (current + Direction + count) % count;
    const std::vector<std::size_t> regions = Regions_Of(*difference, next);
    if (regions.empty())
        return;
    Set(int(regions.front()), true, false);
}

void T_Current_Change::Notify() const
{
    // A listener may add another; the copy keeps the loop's list still.
    const auto listeners = Listeners_;
    for (const auto& [context, listener] : listeners)
        if (context)
            listener();
}
