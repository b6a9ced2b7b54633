// How long a long drawing set's page tabs take to appear: filling the strip
// with 1,000 / 5,000 / 10,000 tabs and marking them (as after pairing), each
// as a ratio against 100 tabs in the same run, so a strip that grows with the
// page count shows ratios near 10 / 50 / 100.
// Usage: varnolt_page_tabs_bench   (run by bench/run.sh)
#include "bench/bench_timing.h"
#include "viewer/page_tab_marks.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QApplication>

#include <string>

namespace {

using bench::Median_Ms;
using bench::Report;

T_Page_List Sheets(int count)
{
    T_Page_List pages;
    for (int page = 0; page < count; ++page)
        pages.Items->push_back({"Sheet " + std::to_string(page + 1), page, ""});
    return pages;
}

// A shown strip filled with `count` tabs, then the tabs marked as a
// pairing would mark them, until the window is drawn.
double Fill_And_Mark(int count)
{
    const T_Page_List pages = Sheets(count);
    std::vector<T_Page_Match> matches(count, T_Page_Match::Same);
    std::vector<bool> moved(count, false);
    std::vector<int> partners(count);
    for (int page = 0; page < count; ++page)
        partners[page] = page;
    return Median_Ms(3, [&] {
        TDiff_Pagelist_Frame strip;
        strip.resize(800, 40);
        strip.show();
        strip.Fill_Pages(pages);
        Mark_Page_Tabs(*strip.TabControl1, T_Side::Left, matches, moved, partners, pages);
        QApplication::processEvents();
    });
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const double base = Fill_And_Mark(100);
    for (int count : {1000, 5000, 10000}) {
        const std::string what = std::to_string(count) + " page tabs filled and marked";
        Report(what.c_str(), Fill_And_Mark(count), "100 page tabs", base);
    }
    return 0;
}
