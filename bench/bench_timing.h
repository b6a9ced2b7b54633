// Timing for the benchmarks: medians of a few runs, printed as ratios to a
// baseline measured in the same process.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

inline double Elapsed_Ms(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e6; }

// The median of `runs` runs of work that reports its own time in ms.
inline double Median_Of(int runs, const std::function<double()>& timed_work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(timed_work());
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The median of `runs` runs of work, timed whole.
inline double Median_Ms(int runs, const std::function<void()>& work)
{
    return Median_Of(runs, [&] {
        QElapsedTimer timer;
        timer.start();
        work();
        return Elapsed_Ms(timer);
    });
}

inline void Report(const char* what, double measured, const char* baseline, double base)
{
    std::printf("%-34s %9.1f ms / %-30s %9.1f ms = %6.2f\n", what, measured, baseline, base,
                measured / base);
}

} // namespace bench
