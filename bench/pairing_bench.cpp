// What pairing the pages of two versions costs as the sets grow: pairing
// 500 + 501 pages against pairing 50 + 51, both as wall time and as the
// process's CPU time, medians of three runs. Every page differs from its
// counterpart (a revision mark, an edited box), and the revision has one
// sheet inserted in the middle, so no page pairs by its hash and every page
// goes through the pairing by what it shows.
// Usage: varnolt_pairing_bench   (run by bench/run.sh)
#include "bench/bench_timing.h"
#include "differences/page_pairing.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

namespace {

constexpr int Width = 420, Height = 297, Runs = 3;

using T_Grey = std::vector<std::uint8_t>;

void Ink_Box(T_Grey& grey, int x, int y, int w, int h)
{
    for (int row = y; row < y + h && row < Height; ++row)
        for (int column = x; column < x + w && column < Width; ++column)
            grey[std::size_t(row) * Width + std::size_t(column)] = 0;
}

// A sheet: a frame and title block every sheet shares, and boxes and lines
// of its own placed by its number.
T_Grey Sheet(int number)
{
    T_Grey grey(std::size_t(Width) * Height, 255);
    Ink_Box(grey, 5, 5, Width - 10, 2);
    Ink_Box(grey, 5, Height - 7, Width - 10, 2);
    Ink_Box(grey, 5, 5, 2, Height - 10);
    Ink_Box(grey, Width - 7, 5, 2, Height - 10);
    Ink_Box(grey, Width - 120, Height - 40, 115, 35);
    std::mt19937 random(static_cast<unsigned>(number) * 7919u + 17);
    std::uniform_int_distribution<int> x(10, Width - 60), y(10, Height - 60), size(4, 50);
    for (int shape = 0; shape < 30; ++shape)
        Ink_Box(grey, x(random), y(random), size(random), size(random) / 8 + 1);
    return grey;
}

T_Page_Signature Signature_Of(const T_Grey& grey, std::uint64_t hash)
{
    return Make_Page_Signature(grey.data(), Width, Height, Width, hash);
}

// The old set of `pages` sheets and its revision: every sheet with a new
// revision mark and one box grown, a new sheet in the middle.
void Make_Sets(int pages, std::vector<T_Page_Signature>& old_set,
               std::vector<T_Page_Signature>& new_set)
{
    old_set.clear();
    new_set.clear();
    for (int page = 0; page < pages; ++page) {
        T_Grey sheet = Sheet(page);
        old_set.push_back(Signature_Of(sheet, 1000 + std::uint64_t(page)));
        if (page == pages / 2)
            new_set.push_back(Signature_Of(Sheet(100000 + page), 900000));
        Ink_Box(sheet, Width - 30, Height - 30, 12, 12);
        Ink_Box(sheet, 40 + page % 200, 60, 30, 8);
        new_set.push_back(Signature_Of(sheet, 500000 + std::uint64_t(page)));
    }
}

double Cpu_Ms() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

struct T_Cost {
    double Wall = 0, Cpu = 0;
};

T_Cost Pairing_Cost(int pages)
{
    std::vector<T_Page_Signature> old_set, new_set;
    Make_Sets(pages, old_set, new_set);
    std::vector<double> walls, cpus;
    int paired = 0;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = Cpu_Ms();
        const T_Page_Pairing pairing = Pair_Pages(old_set, new_set);
        cpus.push_back(Cpu_Ms() - cpu);
        walls.push_back(bench::Elapsed_Ms(timer));
        paired = 0;
        for (int partner : pairing.Left_To_Right)
            paired += partner >= 0;
    }
    std::printf("(%d + %d pages: %d pairs)\n", pages, pages + 1, paired);
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

} // namespace

int main()
{
    const T_Cost small = Pairing_Cost(50), large = Pairing_Cost(500);
    bench::Report("pairing 500 + 501 pages, wall", large.Wall, "pairing 50 + 51, wall", small.Wall);
    bench::Report("pairing 500 + 501 pages, CPU", large.Cpu, "pairing 50 + 51, CPU", small.Cpu);
    return 0;
}
