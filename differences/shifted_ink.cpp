#include "differences/shifted_ink.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace {

// The first grid's ink summed along its rows (`by_row`) or its columns.
std::vector<double> Profile(const std::vector<float>& grid, int cells, bool by_row)
{
    std::vector<double> profile(static_cast<std::size_t>(cells), 0.0);
    for (int y = 0; y < cells; ++y)
        for (int x = 0; x < cells; ++x)
            profile[static_cast<std::size_t>(by_row ? y : x)] +=
                grid[static_cast<std::size_t>(y) * cells + x];
    return profile;
}

// How unlike two profiles are with the second read `shift` cells on: what
// it has beyond the first's ends meets nothing.
double Profile_Mismatch(const std::vector<double>& first, const std::vector<double>& second,
                        int shift)
{
    const int cells = static_cast<int>(first.size());
    double mismatch = 0;
    for (int at = 0; at < cells; ++at) {
        const int from = at + shift;
        const double other = from >= 0 && from < cells ? second[static_cast<std::size_t>(from)] : 0;
        mismatch += std::fabs(first[static_cast<std::size_t>(at)] - other);
    }
    for (int from = 0; from < cells; ++from)
        if (from - shift < 0 || from - shift >= cells)
            mismatch += second[static_cast<std::size_t>(from)];
    return mismatch;
}

// The best whole shift of one profile, refined between its neighbours by
// the vertex of the parabola through their mismatches.
double Best_Profile_Shift(const std::vector<double>& first, const std::vector<double>& second,
                          int reach)
{
    std::vector<double> mismatch(static_cast<std::size_t>(2 * reach + 1));
    for (int shift = -reach; shift <= reach; ++shift)
        mismatch[static_cast<std::size_t>(shift + reach)] = Profile_Mismatch(first, second, shift);
    // Ties go to the smallest move.
    int best = 0;
    for (int shift = -reach; shift <= reach; ++shift)
        if (mismatch[static_cast<std::size_t>(shift + reach)] <
                mismatch[static_cast<std::size_t>(best + reach)] ||
            (mismatch[static_cast<std::size_t>(shift + reach)] ==
                 mismatch[static_cast<std::size_t>(best + reach)] &&
             std::abs(shift) < std::abs(best)))
            best = shift;
    if (best == -reach || best == reach)
        return best;
    const double before = mismatch[static_cast<std::size_t>(best + reach - 1)];
    const double at = mismatch[static_cast<std::size_t>(best + reach)];
    const double after = mismatch[static_cast<std::size_t>(best + reach + 1)];
    const double curvature = before - 2 * at + after;
    if (!(curvature > 0))
        return best;
    return best + std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
}

// The grid's cell at (x, y), none outside.
double Cell(const std::vector<float>& grid, int cells, int x, int y)
{
    if (x < 0 || y < 0 || x >= cells || y >= cells)
        return 0;
    return grid[static_cast<std::size_t>(y) * cells + x];
}

} // namespace

T_Cell_Shift Profile_Shift(const std::vector<float>& first, const std::vector<float>& second,
                           int cells, int reach)
{
    const std::size_t size = static_cast<std::size_t>(cells) * static_cast<std::size_t>(cells);
    if (cells <= 0 || reach <= 0 || first.size() != size || second.size() != size)
        return {};
    reach = std::min(reach, cells - 1);
    return {Best_Profile_Shift(Profile(first, cells, false), Profile(second, cells, false), reach),
            Best_Profile_Shift(Profile(first, cells, true), Profile(second, cells, true), reach)};
}

std::vector<float> Shifted_Cells(const std::vector<float>& grid, int cells, T_Cell_Shift shift)
{
    const std::size_t size = static_cast<std::size_t>(std::max(cells, 0)) * std::max(cells, 0);
    if (grid.size() != size || !std::isfinite(shift.Dx) || !std::isfinite(shift.Dy))
        return {};
    const double floor_x = std::floor(shift.Dx), floor_y = std::floor(shift.Dy);
    if (std::fabs(floor_x) > cells || std::fabs(floor_y) > cells)
        return std::vector<float>(size, 0.0f);
    const int whole_x = static_cast<int>(floor_x), whole_y = static_cast<int>(floor_y);
    const double part_x = shift.Dx - floor_x, part_y = shift.Dy - floor_y;
    // The grid framed by a border of empty cells, so that every read of
    // the four neighbours stays within it: this runs for every page pair
    // laid off, and a check per read cost more than the blend.
    const int framed = cells + 2;
    std::vector<float> frame(static_cast<std::size_t>(framed) * framed, 0.0f);
    for (int y = 0; y < cells; ++y)
        std::copy_n(grid.begin() + std::ptrdiff_t(y) * cells, cells,
                    frame.begin() + std::ptrdiff_t(y + 1) * framed + 1);
    const float w00 = float((1 - part_y) * (1 - part_x)), w01 = float((1 - part_y) * part_x);
    const float w10 = float(part_y * (1 - part_x)), w11 = float(part_y * part_x);
    std::vector<float> moved(size, 0.0f);
    for (int y = 0; y < cells; ++y) {
        const int from_y = y + whole_y;
        if (from_y < -1 || from_y >= cells)
            continue;
        for (int x = 0; x < cells; ++x) {
            const int from_x = x + whole_x;
            if (from_x < -1 || from_x >= cells)
                continue;
            const float* top = &frame[std::size_t(from_y + 1) * framed + std::size_t(from_x + 1)];
            const float* below = top + framed;
            moved[static_cast<std::size_t>(y) * cells + x] =
                w00 * top[0] + w01 * top[1] + w10 * below[0] + w11 * below[1];
        }
    }
    return moved;
}

double Shifted_Ink_Dissimilarity(const std::vector<float>& first, const std::vector<float>& second,
                                 int cells, T_Cell_Shift shift)
{
    // Each grid moves half the way, so that both are blended alike: a
    // grid interpolated against one that is not differs by the blending.
    const std::vector<float> moved_first =
        Shifted_Cells(first, cells, {-shift.Dx / 2, -shift.Dy / 2});
    const std::vector<float> moved_second =
        Shifted_Cells(second, cells, {shift.Dx / 2, shift.Dy / 2});
    if (moved_first.empty() || moved_second.empty())
        return std::numeric_limits<double>::quiet_NaN();
    double differ = 0, total = 0, read = 0, all = 0;
    for (std::size_t cell = 0; cell < moved_first.size(); ++cell) {
        differ += std::fabs(moved_first[cell] - moved_second[cell]);
        total += moved_first[cell] + moved_second[cell];
        read += moved_first[cell] + moved_second[cell];
        all += first[cell] + second[cell];
    }
    // What the moves left off the grids was not read at all.
    const double left_off = std::max(0.0, all - read);
    differ += left_off;
    total += left_off;
    return total > 0 ? differ / total : 0.0;
}
