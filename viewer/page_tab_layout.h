// Where each page tab sits along the strip: the tabs' widths added up, so
// that finding the tab under a point or the place of a tab costs a look-up,
// not a walk over thousands of tabs.
#pragma once

#include <vector>

class T_Page_Tab_Layout {
public:
    // Replaces the widths; tab i then starts where tab i - 1 ends.
    void Set_Widths(const std::vector<int>& Widths);

    int Count() const { return static_cast<int>(Ends.size()); }
    int Left(int Tab) const;
    int Right(int Tab) const { return Ends[static_cast<std::size_t>(Tab)]; }
    int Width(int Tab) const { return Right(Tab) - Left(Tab); }
    int Total() const { return Ends.empty() ? 0 : Ends.back(); }
    // The tab that covers X, or -1 left of the first and right of the last.
    int Tab_At(int X) const;

private:
    // Ends[i] is the first x right of tab i.
    std::vector<int> Ends;
};
