// What grouping change regions into edits costs, against the differences
// it groups, on an 8000 x 6000 drawing pair with 10,000 small changes
// scattered over it (glyph-sized marks, some in rows like words):
//   grouping (gathering and settling) / the differences as the pair lies
// both as wall time and as the process's CPU time, medians of five runs.
// Usage: varnolt_grouping_bench   (run by bench/run.sh)
#include "bench/bench_timing.h"
#include "differences/band_comparison.h"
#include "differences/change_groups.h"
#include "differences/change_regions.h"
#include "differences/picture_difference.h"
#include "differences/pixel_comparison.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <ctime>
#include <random>

namespace {

constexpr int Width = 8000, Height = 6000, Marks = 10000, Runs = 5;

T_Pixels Pixels_Of(const QImage& image)
{
    return {image.constBits(), image.width(), image.height(), image.bytesPerLine()};
}

// A sheet with a frame and a grid of lines, the same on both sides.
QImage Sheet()
{
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 4));
    painter.drawRect(40, 40, Width - 80, Height - 80);
    painter.setPen(QPen(Qt::black, 2));
    for (int x = 400; x < Width; x += 400)
        painter.drawLine(x, 40, x, Height - 40);
    for (int y = 300; y < Height; y += 300)
        painter.drawLine(40, y, Width - 40, y);
    return image;
}

// Small marks where no others are: half alone, half in rows of five, a
// glyph's width apart.
void Add_Marks(QImage& image)
{
    QPainter painter(&image);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x_of(100, Width - 400), y_of(100, Height - 100);
    for (int mark = 0; mark < Marks;) {
        const int x = x_of(random), y = y_of(random);
        const int in_row = mark % 2 == 0 ? 1 : 5;
        for (int glyph = 0; glyph < in_row && mark < Marks; ++glyph, ++mark)
            painter.fillRect(x + glyph * 22, y, 12, 18, Qt::black);
    }
}

double Cpu_Ms() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

struct T_Times {
    double Wall = 0, Cpu = 0;
};

template <class T_Work> T_Times Median_Times(T_Work work)
{
    std::vector<double> walls, cpus;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = Cpu_Ms();
        work();
        cpus.push_back(Cpu_Ms() - cpu);
        walls.push_back(bench::Elapsed_Ms(timer));
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[Runs / 2], cpus[Runs / 2]};
}

} // namespace

int main()
{
    const QImage base = Sheet();
    QImage modified = base;
    Add_Marks(modified);
    const T_Difference_Options options;
    T_Difference difference;
    const T_Times whole = Median_Times(
        [&] { difference = Compare_Pictures(Pixels_Of(base), Pixels_Of(modified), options); });

    const T_Comparison_Rules rules = Comparison_Rules_For(options, false);
    const T_Placed_Picture placed_base = Place_Picture(Pixels_Of(base), 0, 0);
    const T_Placed_Picture placed_modified = Place_Picture(Pixels_Of(modified), 0, 0);
    const T_Picture_Ink base_ink(placed_base, rules.Max_Delta);
    const T_Picture_Ink modified_ink(placed_modified, rules.Max_Delta);
    const T_Times grouping = Median_Times([&] {
        differences::Group_Changes(difference, options.Region_Gap, base_ink, modified_ink, nullptr);
    });
    std::printf("%zu regions, %zu changes\n", difference.Regions.size(), difference.Changes.size());
    // The differences without their grouping: what the grouping adds to.
    const T_Times plain{whole.Wall - grouping.Wall, whole.Cpu - grouping.Cpu};
    bench::Report("grouping (wall)", grouping.Wall, "differences without it (wall)", plain.Wall);
    bench::Report("grouping (CPU)", grouping.Cpu, "differences without it (CPU)", plain.Cpu);
    return 0;
}
