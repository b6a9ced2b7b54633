#include "viewer/page_tab_layout.h"

#include <algorithm>

void T_Page_Tab_Layout::Set_Widths(const std::vector<int>& Widths)
{
    Ends.resize(Widths.size());
    int end = 0;
    for (std::size_t tab = 0; tab < Widths.size(); ++tab) {
        end += std::max(0, Widths[tab]);
        Ends[tab] = end;
    }
}

int T_Page_Tab_Layout::Left(int Tab) const
{
    return Tab == 0 ? 0 : Ends[static_cast<std::size_t>(Tab) - 1];
}

int T_Page_Tab_Layout::Tab_At(int X) const
{
    if (X < 0 || X >= Total())
        return -1;
    // The first tab whose end lies right of X covers it.
    return static_cast<int>(std::upper_bound(Ends.begin(), Ends.end(), X) - Ends.begin());
}
