// Where a user waits for the differences of two large drawings, each figure
// as a ratio against a baseline run in the same process:
//   1. request to differences ready  / reading both decoded pictures once
//      (also with a move reach that finds the moved wall)
//   2. ImageMagick's compare         / request to differences ready
//   3. odiff on the same files       / request to differences ready
//                                      (and / decoding both PNGs + differences)
//   4. alignment (shift) + differences / differences as the pair lies, and
//      the pair with its modified picture moved by (13, -9) px aligned
// Usage: varnolt_diff_bench LEFT.png RIGHT.png   (run by bench/run.sh)
#include "bench/bench_timing.h"
#include "differences/picture_alignment.h"
#include "differences/picture_difference.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::Median_Ms;
using bench::Median_Of;
using bench::Report;

QImage Decode(const char* path)
{
    return QImage(QString::fromLocal8Bit(path)).convertToFormat(QImage::Format_RGB32);
}

T_Pixels Pixels_Of(const QImage& image)
{
    return {image.constBits(), image.width(), image.height(), image.bytesPerLine()};
}

// The sum of a row's 32-bit words, in eight lanes the compiler can keep in
// one vector register so that the loop runs at memory speed.
std::uint32_t Sum_Row(const std::uint32_t* row, int width)
{
    std::uint32_t lanes[8] = {};
    int x = 0;
    for (; x + 8 <= width; x += 8)
        for (int lane = 0; lane < 8; ++lane)
            lanes[lane] += row[x + lane];
    std::uint32_t sum = 0;
    for (; x < width; ++x)
        sum += row[x];
    for (std::uint32_t lane : lanes)
        sum += lane;
    return sum;
}

// The physical floor: one pass over both pictures' memory on as many cores
// as the engine uses, summing every 32-bit word so that nothing is skipped.
std::uint32_t Read_Once(const QImage& left, const QImage& right)
{
    const int cores = int(std::max(2u, std::thread::hardware_concurrency()));
    std::vector<std::uint32_t> sums(std::size_t(cores), 0);
    std::vector<std::thread> threads;
    for (int slice = 0; slice < cores; ++slice) {
        threads.emplace_back([&, slice] {
            std::uint32_t sum = 0;
            for (const QImage* image : {&left, &right}) {
                const int rows = image->height(), width = image->width();
                for (int y = rows * slice / cores; y < rows * (slice + 1) / cores; ++y)
                    sum += Sum_Row(reinterpret_cast<const std::uint32_t*>(image->constScanLine(y)),
                                   width);
            }
            sums[std::size_t(slice)] = sum;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::uint32_t total = 0;
    for (std::uint32_t sum : sums)
        total += sum;
    return total;
}

// Runs a shell command and returns its time in ms; its exit status is not a
// failure (the tools report "the pictures differ" through it).
double Run_Ms(const std::string& command)
{
    QElapsedTimer timer;
    timer.start();
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    (void)status;
    return bench::Elapsed_Ms(timer);
}

const char* Kind_Name(T_Change_Region::T_Kind kind)
{
    switch (kind) {
    case T_Change_Region::T_Kind::Added:
        return "added";
    case T_Change_Region::T_Kind::Removed:
        return "removed";
    case T_Change_Region::T_Kind::Changed:
        return "changed";
    case T_Change_Region::T_Kind::Moved:
        return "moved";
    }
    return "?";
}

const char* Summary_Of(const T_Difference& Difference, char (&Text)[96])
{
    std::snprintf(Text, sizeof Text, "%zu regions, %zu changed pixels", Difference.Regions.size(),
                  Difference.Changed_Pixels);
    return Text;
}

// 4. Finding how the modified picture lies on the base, and comparing the
// pair so laid, against the differences of the pair as it lies (min,
// median and max of 5); then the modified picture moved by (13, -9) px: the
// aligned comparison must report what the unmoved pair's does.
void Report_Alignment(const QImage& Left, const QImage& Right, double Plain)
{
    std::vector<double> times;
    T_Aligned_Difference aligned;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        aligned = Compare_Aligned(Pixels_Of(Left), Pixels_Of(Right), T_Align_Mode::Shift, {});
        times.push_back(bench::Elapsed_Ms(timer));
    }
    std::sort(times.begin(), times.end());
    std::printf("  alignment min %.1f, median %.1f, max %.1f ms: %s\n", times.front(), times[2],
                times.back(), aligned.Alignment.Summary().c_str());
    Report("alignment + differences", times[2], "differences as the pair lies", Plain);
    QImage moved(Right.size(), Right.format());
    moved.fill(Qt::white);
    QPainter(&moved).drawImage(13, -9, Right);
    // The same with a move to find: the whole estimate runs.
    T_Aligned_Difference found;
    const double moved_aligned = bench::Median_Ms(3, [&] {
        found = Compare_Aligned(Pixels_Of(Left), Pixels_Of(moved), T_Align_Mode::Shift, {});
    });
    const double moved_plain =
        bench::Median_Ms(3, [&] { Compare_Pictures(Pixels_Of(Left), Pixels_Of(moved), {}); });
    Report("moved pair: alignment + differences", moved_aligned, "its differences as it lies",
           moved_plain);
    char as_moved[96], as_lying[96];
    std::printf("  moved by (13, -9) and aligned: %s; %s (as the pair lies: %s)\n",
                found.Alignment.Summary().c_str(), Summary_Of(found.Difference, as_moved),
                Summary_Of(aligned.Difference, as_lying));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: varnolt_diff_bench LEFT.png RIGHT.png\n");
        return 2;
    }
    const std::string left_file = argv[1], right_file = argv[2];
    QImageReader::setAllocationLimit(1024); // MB: two 8000 x 6000 drawings pass Qt's default
    QImage left, right;
    const double decode = Median_Ms(3, [&] {
        left = Decode(argv[1]);
        right = Decode(argv[2]);
    });
    if (left.isNull() || right.isNull()) {
        std::fprintf(stderr, "cannot read %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    std::printf("%d x %d pictures on %u cores\n", left.width(), left.height(),
                std::max(2u, std::thread::hardware_concurrency()));

    // 1. Request to differences ready, against reading both pictures once.
    volatile std::uint32_t sink = 0;
    const double floor = Median_Ms(5, [&] { sink = sink + Read_Once(left, right); });
    T_Difference difference;
    const double ready =
        Median_Ms(5, [&] { difference = Compare_Pictures(Pixels_Of(left), Pixels_Of(right), {}); });
    std::printf("  %zu changed pixels in %zu tiles, %zu regions:\n", difference.Changed_Pixels,
                difference.Tiles.size(), difference.Regions.size());
    for (const T_Change_Region& region : difference.Regions)
        std::printf("    %s %d x %d at (%d, %d), shift (%d, %d)\n", Kind_Name(region.Kind),
                    region.Width, region.Height, region.Left, region.Top, region.Dx, region.Dy);
    Report("differences ready", ready, "reading both pictures once", floor);
    // The wall moved 300 pixels: with the reach to see it, it is one moved shape.
    T_Difference_Options far;
    far.Move_Reach = 400;
    const double moved = Median_Ms(
        5, [&] { difference = Compare_Pictures(Pixels_Of(left), Pixels_Of(right), far); });
    for (const T_Change_Region& region : difference.Regions)
        std::printf("    reach 400: %s %d x %d at (%d, %d), shift (%d, %d)\n",
                    Kind_Name(region.Kind), region.Width, region.Height, region.Left, region.Top,
                    region.Dx, region.Dy);
    Report("differences ready, reach 400", moved, "reading both pictures once", floor);
    Report_Alignment(left, right, ready);

    QTemporaryDir out;
    const auto quoted = [](const std::string& file) { return " '" + file + "'"; };
    const std::string inputs = quoted(left_file) + quoted(right_file);
    const std::string output =
        quoted(QDir(out.path()).filePath(QStringLiteral("out.png")).toStdString());
    // 2. ImageMagick's compare, the way the program runs it today (once: it is slow).
    const double magick = Run_Ms("/usr/bin/convert" + inputs + " -compare" + output);
    Report("ImageMagick convert -compare", magick, "differences ready", ready);

    // 3. odiff, which decodes the PNG files itself: also against decoding + differences.
    if (std::system("command -v odiff >/dev/null 2>&1") != 0) {
        std::printf("odiff not installed (npm install -g odiff-bin): skipped\n");
        return 0;
    }
    const double odiff = Median_Of(3, [&] { return Run_Ms("odiff" + inputs + output); });
    Report("odiff", odiff, "differences ready", ready);
    Report("odiff", odiff, "decoding both + differences", decode + ready);
    return 0;
}
