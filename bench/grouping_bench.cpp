// What grouping change regions into edits costs, against the differences
// it groups, on an 8000 x 6000 drawing pair with 10,000 small changes
// scattered over it (glyph-sized marks in words of five):
//   grouping (gathering and settling) / the differences as the pair lies
//   joining the changes by text line / the differences, as on a page whose
//   text layer gives each word of marks its box
// both as wall time and as the process's CPU time, medians of five runs.
// Usage: varnolt_grouping_bench   (run by bench/run.sh)
#include "bench/bench_timing.h"
#include "differences/band_comparison.h"
#include "differences/change_groups.h"
#include "differences/change_regions.h"
#include "differences/picture_difference.h"
#include "differences/pixel_comparison.h"
#include "differences/text_line_changes.h"
#include "differences/text_lines.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <ctime>

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

// 10,000 glyph-sized marks in words of five, one word to a cell of a
// 40 x 50 grid, clear of the sheet's lines: each mark its own change
// region (further apart than the regions' gap), each word one change.
constexpr int Columns = 40, Rows = Marks / 5 / Columns, Cell_Width = 200, Cell_Height = 120;

void Add_Marks(QImage& image)
{
    QPainter painter(&image);
    for (int row = 0; row < Rows; ++row)
        for (int column = 0; column < Columns; ++column)
            for (int glyph = 0; glyph < 5; ++glyph)
                painter.fillRect(column * Cell_Width + 20 + glyph * 36, row * Cell_Height + 30, 12,
                                 18, Qt::black);
}

// The words of marks as a text layer would give them, one word to a cell:
// the words of a row follow each other at word spacing, so each row is one
// line and all its changes become one, the most joining a page can ask for.
std::vector<differences::T_Text_Word> Mark_Words()
{
    std::vector<differences::T_Text_Word> words;
    for (int row = 0; row < Rows; ++row)
        for (int column = 0; column < Columns; ++column)
            words.push_back(
                {{column * Cell_Width + 18, row * Cell_Height + 28, 4 * 36 + 16, 22}, 5});
    return words;
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

    using namespace differences;
    const T_Comparison_Rules rules = Comparison_Rules_For(options, false);
    const T_Placed_Picture placed_base = Place_Picture(Pixels_Of(base), 0, 0);
    const T_Placed_Picture placed_modified = Place_Picture(Pixels_Of(modified), 0, 0);
    const T_Picture_Ink base_ink(placed_base, rules.Max_Delta);
    const T_Picture_Ink modified_ink(placed_modified, rules.Max_Delta);
    const T_Times grouping = Median_Times(
        [&] { Group_Changes(difference, options.Region_Gap, base_ink, modified_ink, nullptr); });
    std::printf("%zu regions, %zu changes\n", difference.Regions.size(), difference.Changes.size());
    // The lines found from the words and the changes joined by them, from
    // the grouping's changes each time.
    const std::vector<T_Change> grouped = difference.Changes;
    const std::vector<T_Text_Word> words = Mark_Words();
    const T_Times lines = Median_Times([&] {
        difference.Changes = grouped;
        const std::vector<T_Rectangle> found = Text_Lines(words);
        Join_Changes_On_Text_Lines(difference, {found, found, {}});
    });
    std::printf("%zu text lines, %zu changes joined by them\n", Text_Lines(words).size(),
                difference.Changes.size());
    // The differences without their grouping: what the grouping adds to.
    const T_Times plain{whole.Wall - grouping.Wall, whole.Cpu - grouping.Cpu};
    bench::Report("grouping (wall)", grouping.Wall, "differences without it (wall)", plain.Wall);
    bench::Report("grouping (CPU)", grouping.Cpu, "differences without it (CPU)", plain.Cpu);
    bench::Report("text lines (wall)", lines.Wall, "differences without it (wall)", plain.Wall);
    bench::Report("text lines (CPU)", lines.Cpu, "differences without it (CPU)", plain.Cpu);
    return 0;
}
