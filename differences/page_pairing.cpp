#include "differences/page_pairing.h"

#include "differences/page_alignment.h"
#include "differences/shifted_ink.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <deque>
#include <limits>
#include <unordered_map>
#include <vector>

namespace {

constexpr int Cells = T_Page_Signature::Cells;

// ---- The signature -------------------------------------------------------

// How the pixels along one side of the picture share their ink among the
// cells: pixel p gives it to the `Count` cells from `First[p]` with the
// weights `Weight[p * Count ...]`.
struct T_Axis_Weights {
    int Count = 0;
    std::vector<int> First;
    std::vector<float> Weight;
};

// The integral of the tent max(0, 1 - |t|) from minus infinity to x.
double Tent_Integral(double x)
{
    if (x <= -1)
        return 0;
    if (x <= 0)
        return (x + 1) * (x + 1) / 2;
    if (x < 1)
        return 1 - (1 - x) * (1 - x) / 2;
    return 1;
}

// Each cell averages the picture under a tent two cells wide centred on it,
// not under its own square: a line crossing from one cell into the next then
// hands its ink over in proportion to how far it moved, so a page redrawn a
// pixel or two off gives nearly the same cells. The weights are the tent's
// integral over each pixel, which works for pictures of any size, and they
// are scaled so that every cell's weights add up to 1 (a mean of the ink).
T_Axis_Weights Make_Axis_Weights(int pixels)
{
    const double scale = static_cast<double>(Cells) / pixels; // cells per pixel
    T_Axis_Weights axis;
    axis.First.resize(pixels);
    for (int p = 0; p < pixels; ++p) {
        // Cells whose tent (centre k + 0.5, reach 1) overlaps the pixel.
        const int low = static_cast<int>(std::floor(p * scale - 1.5)) + 1;
        const int high = static_cast<int>(std::ceil((p + 1) * scale + 0.5)) - 1;
        axis.Count = std::max(axis.Count, std::min(high, Cells - 1) - std::max(low, 0) + 1);
        axis.First[p] = std::max(low, 0);
    }
    axis.Count = std::min(axis.Count, Cells);
    axis.Weight.assign(static_cast<std::size_t>(pixels) * axis.Count, 0.0f);
    std::vector<double> totals(Cells, 0.0);
    for (int p = 0; p < pixels; ++p) {
        axis.First[p] = std::min(axis.First[p], Cells - axis.Count);
        for (int j = 0; j < axis.Count; ++j) {
            const double centre = axis.First[p] + j + 0.5;
            const double weight =
                Tent_Integral((p + 1) * scale - centre) - Tent_Integral(p * scale - centre);
            axis.Weight[static_cast<std::size_t>(p) * axis.Count + j] = static_cast<float>(weight);
            totals[axis.First[p] + j] += weight;
        }
    }
    for (int p = 0; p < pixels; ++p)
        for (int j = 0; j < axis.Count; ++j)
            axis.Weight[static_cast<std::size_t>(p) * axis.Count + j] /=
                static_cast<float>(totals[axis.First[p] + j]);
    return axis;
}

// The mean ink of every cell, in one pass over the pixels: each row is first
// gathered into a row of cells, which then goes to the rows of cells it
// touches. White pixels, most of a drawing, cost only their test.
std::vector<float> Cell_Ink(const std::uint8_t* grey, int width, int height, std::ptrdiff_t stride)
{
    const T_Axis_Weights across = Make_Axis_Weights(width);
    const T_Axis_Weights down = Make_Axis_Weights(height);
    std::vector<double> sums(Cells * Cells, 0.0);
    std::vector<float> row(Cells);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = grey + y * stride;
        std::fill(row.begin(), row.end(), 0.0f);
        bool inked = false;
        for (int x = 0; x < width; ++x) {
            if (line[x] == 255)
                continue;
            inked = true;
            const float ink = static_cast<float>(255 - line[x]);
            const float* weight = &across.Weight[static_cast<std::size_t>(x) * across.Count];
            float* into = &row[across.First[x]];
            for (int j = 0; j < across.Count; ++j)
                into[j] += ink * weight[j];
        }
        if (!inked)
            continue;
        for (int j = 0; j < down.Count; ++j) {
            const double weight = down.Weight[static_cast<std::size_t>(y) * down.Count + j] / 255.0;
            double* into = &sums[(down.First[y] + j) * Cells];
            for (int k = 0; k < Cells; ++k)
                into[k] += row[k] * weight;
        }
    }
    return std::vector<float>(sums.begin(), sums.end());
}

// The share of all ink in each row (`by_row`) or column of cells.
std::vector<float> Ink_Profile(const std::vector<float>& ink, bool by_row)
{
    std::vector<float> profile(Cells, 0.0f);
    double total = 0;
    for (int y = 0; y < Cells; ++y)
        for (int x = 0; x < Cells; ++x) {
            profile[by_row ? y : x] += ink[y * Cells + x];
            total += ink[y * Cells + x];
        }
    if (total > 0)
        for (float& share : profile)
            share = static_cast<float>(share / total);
    return profile;
}

// ---- The distance --------------------------------------------------------

// Sum |a - b| over sum (a + b): the share of the two pages' ink that the
// other page lacks, 0 when both have none. Entries one side lacks count as
// no ink, so a signature without cells compares as a blank page. Eight
// running sums let the compiler use vector registers: with hundreds of pages
// a side this runs for every pair.
double Ink_Dissimilarity(const std::vector<float>& a, const std::vector<float>& b)
{
    const std::size_t common = std::min(a.size(), b.size());
    float differ[8] = {}, total[8] = {};
    std::size_t i = 0;
    for (; i + 8 <= common; i += 8)
        for (int k = 0; k < 8; ++k) {
            differ[k] += std::fabs(a[i + k] - b[i + k]);
            total[k] += a[i + k] + b[i + k];
        }
    for (; i < common; ++i) {
        differ[0] += std::fabs(a[i] - b[i]);
        total[0] += a[i] + b[i];
    }
    for (const auto* longer : {&a, &b})
        for (std::size_t j = common; j < longer->size(); ++j) {
            differ[0] += (*longer)[j];
            total[0] += (*longer)[j];
        }
    double differ_sum = 0, total_sum = 0;
    for (int k = 0; k < 8; ++k)
        differ_sum += differ[k], total_sum += total[k];
    return total_sum > 0 ? differ_sum / total_sum : 0.0;
}

// Pages of another shape (portrait against landscape) are further apart;
// the log keeps the penalty the same whichever side is the wider.
double Aspect_Penalty(double a, double b)
{
    constexpr double Largest = 1.0;
    if (!(a > 0) || !(b > 0))
        return Largest;
    return std::min(Largest, std::fabs(std::log(a / b)));
}

// ---- The pairing ---------------------------------------------------------

// The ink that three pages in four of the set reach in each cell: the frame,
// the title block and the standing notes every sheet of a drawing set
// carries. Left in, it makes all the set's sheets look alike (on a sparse
// sheet it outweighs the sheet's own content); taken out, sheets are told
// apart by what they show. Too few pages cannot tell a shared frame from a
// sheet and its revision, so they keep all their ink.
std::vector<float> Common_Ink(const std::vector<T_Page_Signature>& left,
                              const std::vector<T_Page_Signature>& right)
{
    constexpr std::size_t Fewest_Pages = 4;
    const std::size_t pages = left.size() + right.size();
    std::vector<float> common(Cells * Cells, 0.0f);
    if (pages < Fewest_Pages)
        return common;
    std::vector<float> values(pages);
    for (int cell = 0; cell < Cells * Cells; ++cell) {
        std::size_t at = 0;
        for (const auto* side : {&left, &right})
            for (const T_Page_Signature& page : *side)
                values[at++] = page.Ink.size() == common.size() ? page.Ink[cell] : 0.0f;
        const auto quarter = values.begin() + static_cast<std::ptrdiff_t>(pages / 4);
        std::nth_element(values.begin(), quarter, values.end());
        common[cell] = *quarter;
    }
    return common;
}

// The ink common to one side's sheets: a version whose sheets all gained a
// frame, or a larger title block, has it taken out of its own sheets only,
// where a version of the set without it would keep it all (only half the
// pages have it). A side of too few pages takes what the whole set shares.
std::vector<float> Side_Common_Ink(const std::vector<T_Page_Signature>& side,
                                   const std::vector<T_Page_Signature>& other)
{
    constexpr std::size_t Fewest_Pages = 4;
    return side.size() >= Fewest_Pages ? Common_Ink(side, {}) : Common_Ink(side, other);
}

// How much of a page's ink the common ink covers.
double Covered_Ink(const std::vector<float>& ink, const std::vector<float>& common)
{
    double covered = 0;
    for (std::size_t cell = 0; cell < ink.size() && cell < common.size(); ++cell)
        covered += std::min(ink[cell], common[cell]);
    return covered;
}

// The common ink laid where it covers the most of the page's: a sheet
// exported with its origin moved carries the set's frame a cell or two off,
// and left there the frame would count as the sheet's own ink. Whole cells
// within a few each way are tried, then quarters of a cell around the best
// of them when it covers more than the ink as it lies at all (a frame moved
// by most of a cell each way is covered only a little better by a whole
// cell's move, and best by a fraction); the move found must cover clearly
// more than the ink as it lies.
std::vector<float> Common_Ink_Over(const std::vector<float>& ink, const std::vector<float>& common)
{
    constexpr int Reach = 3;
    constexpr double Clearly_More = 1.1;
    const double unmoved = Covered_Ink(ink, common);
    T_Cell_Shift best;
    double best_covered = unmoved;
    auto attempt = [&](T_Cell_Shift shift) {
        const double covered = Covered_Ink(ink, Shifted_Cells(common, Cells, shift));
        if (covered > best_covered)
            best_covered = covered, best = shift;
    };
    for (int dy = -Reach; dy <= Reach; ++dy)
        for (int dx = -Reach; dx <= Reach; ++dx)
            if (dx != 0 || dy != 0)
                attempt({double(dx), double(dy)});
    const T_Cell_Shift whole = best;
    if (whole.Dx == 0 && whole.Dy == 0)
        return common;
    for (int qy = -2; qy <= 2; ++qy)
        for (int qx = -2; qx <= 2; ++qx)
            if (qx != 0 || qy != 0)
                attempt({whole.Dx + qx / 4.0, whole.Dy + qy / 4.0});
    if (!(best_covered > unmoved * Clearly_More))
        return common;
    // Moved by a fraction of a cell the common ink is blended over two
    // cells each way while the page's own copy of it is not; the most of
    // the whole shifts around the best covers both cells it may fall in.
    std::vector<float> over(common.size(), 0.0f);
    for (const double dy : {std::floor(best.Dy), std::ceil(best.Dy)})
        for (const double dx : {std::floor(best.Dx), std::ceil(best.Dx)}) {
            const std::vector<float> moved = Shifted_Cells(common, Cells, {dx, dy});
            for (std::size_t cell = 0; cell < over.size(); ++cell)
                over[cell] = std::max(over[cell], moved[cell]);
        }
    return over;
}

// The pages' signatures with the ink common to the set taken out.
std::vector<T_Page_Signature> Own_Ink(const std::vector<T_Page_Signature>& pages,
                                      const std::vector<float>& common)
{
    std::vector<T_Page_Signature> own = pages;
    for (T_Page_Signature& page : own) {
        if (page.Ink.size() != common.size())
            continue;
        const std::vector<float> over = Common_Ink_Over(page.Ink, common);
        for (std::size_t cell = 0; cell < common.size(); ++cell)
            page.Ink[cell] = std::max(page.Ink[cell] - over[cell], 0.0f);
        page.Row_Profile = Ink_Profile(page.Ink, true);
        page.Column_Profile = Ink_Profile(page.Ink, false);
    }
    return own;
}

// The column assigned to each row of the square cost matrix `cost` (n x n,
// row-major) for the least total cost: the Hungarian algorithm with row and
// column potentials, adding one row at a time along a shortest augmenting
// path, O(n^3).
std::vector<int> Solve_Assignment(const std::vector<double>& cost, int n)
{
    constexpr double Infinite = std::numeric_limits<double>::infinity();
    // 1-based, as column 0 stands for the row being added.
    std::vector<double> row_potential(n + 1, 0.0), column_potential(n + 1, 0.0);
    std::vector<int> row_of_column(n + 1, 0), previous(n + 1, 0);
    std::vector<double> least(n + 1);
    std::vector<char> reached(n + 1);
    for (int row = 1; row <= n; ++row) {
        row_of_column[0] = row;
        int column = 0;
        std::fill(least.begin(), least.end(), Infinite);
        std::fill(reached.begin(), reached.end(), 0);
        do {
            reached[column] = 1;
            const int from = row_of_column[column];
            const double* costs = &cost[static_cast<std::size_t>(from - 1) * n];
            double delta = Infinite;
            int next = 0;
            for (int j = 1; j <= n; ++j) {
                if (reached[j])
                    continue;
                const double reduced = costs[j - 1] - row_potential[from] - column_potential[j];
                if (reduced < least[j])
                    least[j] = reduced, previous[j] = column;
                // Among equal paths one ending at a free column stops the
                // search: pages that look alike (blank ones) and the stand-ins
                // tie often, and following the first would walk every tie.
                if (least[j] < delta ||
                    (least[j] == delta && row_of_column[next] != 0 && row_of_column[j] == 0))
                    delta = least[j], next = j;
            }
            for (int j = 0; j <= n; ++j) {
                if (reached[j]) {
                    row_potential[row_of_column[j]] += delta;
                    column_potential[j] -= delta;
                } else {
                    least[j] -= delta;
                }
            }
            column = next;
        } while (row_of_column[column] != 0);
        do { // flip the path
            const int before = previous[column];
            row_of_column[column] = row_of_column[before];
            column = before;
        } while (column != 0);
    }
    std::vector<int> column_of_row(n, -1);
    for (int j = 1; j <= n; ++j)
        column_of_row[row_of_column[j] - 1] = j - 1;
    return column_of_row;
}

// ---- The distance between prepared pages ---------------------------------

// A page as the distance compares it: the square root of each cell's ink.
// A filled shape blackens the cells that a line only crosses, so on plain
// ink a box of 1 % of the page outweighs a sheet's drawing of thin lines;
// the root keeps the line work's share and still tells ink from none.
struct T_Compared_Page {
    std::vector<float> Cells;
    double Aspect = 1.0;
    int Width = 0, Height = 0;
    std::uint64_t Content_Hash = 0;
};

T_Compared_Page Compared_Page(const T_Page_Signature& page)
{
    T_Compared_Page compared{page.Ink, page.Aspect, page.Width, page.Height, page.Content_Hash};
    for (float& cell : compared.Cells)
        cell = std::sqrt(std::max(cell, 0.0f));
    return compared;
}

std::vector<T_Compared_Page> Compared_Pages(const std::vector<T_Page_Signature>& pages)
{
    std::vector<T_Compared_Page> compared;
    compared.reserve(pages.size());
    for (const T_Page_Signature& page : pages)
        compared.push_back(Compared_Page(page));
    return compared;
}

// The distance of two pages of the same shape but another paper size, the
// smaller one laid on the larger at the scale of their pixels, where a
// drawing keeps its place when its paper grows: at the top left (drawing
// programs), the bottom left (PDF's own origin) or the middle. Pages of
// about the same size, of another shape or of unknown size have none.
double Rescaled_Distance(const T_Compared_Page& a, const T_Compared_Page& b)
{
    constexpr double Infinite = std::numeric_limits<double>::infinity();
    constexpr double Same_Size = 0.95, Same_Shape = 0.1;
    if (a.Width <= 0 || a.Height <= 0 || b.Width <= 0 || b.Height <= 0 ||
        Aspect_Penalty(a.Aspect, b.Aspect) > Same_Shape)
        return Infinite;
    const bool a_smaller = double(a.Width) * a.Height < double(b.Width) * b.Height;
    const T_Compared_Page& smaller = a_smaller ? a : b;
    const T_Compared_Page& larger = a_smaller ? b : a;
    const double width_share = double(smaller.Width) / larger.Width;
    const double height_share = double(smaller.Height) / larger.Height;
    if (width_share > Same_Size && height_share > Same_Size)
        return Infinite;
    double best = Infinite;
    for (T_Page_Anchor anchor :
         {T_Page_Anchor::Top_Left, T_Page_Anchor::Bottom_Left, T_Page_Anchor::Centre})
        best = std::min(best, Ink_Dissimilarity(smaller.Cells, Cells_Under_Smaller_Page(
                                                                   larger.Cells, Cells, width_share,
                                                                   height_share, anchor)));
    return best;
}

// The cells compared as they lie and with the second page laid back by the
// shift its row and column profiles show (up to Reach cells each way, as a
// sheet exported with its origin moved), the nearer reading counting. The
// shifted reading pays Shift_Cost per cell moved: the best of several
// shifts brings any two sheets a little closer by chance, and unpaid that
// would narrow the gap between another sheet and an edit.
double Aligned_Dissimilarity(const T_Compared_Page& a, const T_Compared_Page& b)
{
    constexpr int Reach = 3;
    constexpr double Shift_Cost = 0.03;
    const double straight = Ink_Dissimilarity(a.Cells, b.Cells);
    const T_Cell_Shift shift = Profile_Shift(a.Cells, b.Cells, Cells, Reach);
    if (shift.Dx == 0 && shift.Dy == 0)
        return straight;
    auto reading = [&](T_Cell_Shift tried) {
        return Shifted_Ink_Dissimilarity(a.Cells, b.Cells, Cells, tried) +
               Shift_Cost * (std::fabs(tried.Dx) + std::fabs(tried.Dy));
    };
    // The profiles' shift is refined by quarter cells along each axis in
    // turn: they say where the ink lies, not where its lines meet.
    T_Cell_Shift best_shift = shift;
    double best = reading(shift);
    for (int round = 0; round < 2; ++round)
        for (const T_Cell_Shift step : {T_Cell_Shift{0.25, 0}, T_Cell_Shift{0, 0.25}})
            for (const double sign : {-1.0, 1.0}) {
                const T_Cell_Shift tried{best_shift.Dx + sign * step.Dx,
                                         best_shift.Dy + sign * step.Dy};
                if (const double value = reading(tried); value < best)
                    best = value, best_shift = tried;
            }
    return std::min(straight, best);
}

// The pages compared as they lie, or the smaller laid on the larger.
double Straight_Distance(const T_Compared_Page& a, const T_Compared_Page& b)
{
    if (a.Content_Hash != 0 && a.Content_Hash == b.Content_Hash)
        return 0;
    // Only the cells count: the row and column profiles bring different
    // sheets closer by more than they bring a shifted page back, so blending
    // them in would narrow the gap between an edit and another sheet; they
    // only say where to lay one page on the other.
    return std::min(Ink_Dissimilarity(a.Cells, b.Cells), Rescaled_Distance(a, b)) +
           Aspect_Penalty(a.Aspect, b.Aspect);
}

// The straight distance, or less where one page laid a few cells off the
// other matches it better.
double Aligned_Distance(const T_Compared_Page& a, const T_Compared_Page& b, double Straight)
{
    if (Straight == 0)
        return 0;
    return std::min(Straight, Aligned_Dissimilarity(a, b) + Aspect_Penalty(a.Aspect, b.Aspect));
}

double Compared_Distance(const T_Compared_Page& a, const T_Compared_Page& b)
{
    return Aligned_Distance(a, b, Straight_Distance(a, b));
}

// ---- The pairing ---------------------------------------------------------

// Marks, in a matrix of distances, the `count` smallest entries of each of
// `lines` lines of `length` entries, entry k of line l lying at
// l * across + k * along.
void Mark_Nearest(const std::vector<double>& distances, std::size_t lines, std::size_t length,
                  std::size_t along, std::size_t across, std::size_t count,
                  std::vector<char>& marked)
{
    std::vector<std::size_t> order(length);
    const std::size_t kept = std::min(count, length);
    for (std::size_t line = 0; line < lines; ++line) {
        for (std::size_t k = 0; k < length; ++k)
            order[k] = line * across + k * along;
        std::partial_sort(
            order.begin(), order.begin() + std::ptrdiff_t(kept), order.end(),
            [&](std::size_t x, std::size_t y) { return distances[x] < distances[y]; });
        for (std::size_t k = 0; k < kept; ++k)
            marked[order[k]] = 1;
    }
}

// How many of a page's nearest candidates are read again laid off.
constexpr std::size_t Aligned_Candidates = 8;

// Every distance between `rows` pages and `columns` pages (row_page(i) and
// column_page(j)), row by row. Laying one page a few cells off another
// costs a hundred times the straight reading, and it only decides between a
// page's nearest candidates (a sheet exported with its origin moved is
// still among its counterpart's nearest as it lies): those alone are read
// again laid off.
template <class T_Row_Page, class T_Column_Page>
std::vector<double> Distances_Between(std::size_t rows, std::size_t columns,
                                      const T_Row_Page& row_page, const T_Column_Page& column_page)
{
    const std::size_t n = rows, m = columns;
    std::vector<double> distances(n * m);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < m; ++j)
            distances[i * m + j] = Straight_Distance(row_page(i), column_page(j));
    std::vector<char> nearest(distances.size(), 0);
    Mark_Nearest(distances, n, m, 1, m, Aligned_Candidates, nearest);
    Mark_Nearest(distances, m, n, m, 1, Aligned_Candidates, nearest);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < m; ++j)
            if (nearest[i * m + j])
                distances[i * m + j] =
                    Aligned_Distance(row_page(i), column_page(j), distances[i * m + j]);
    return distances;
}

std::vector<double> Distances(const std::vector<T_Compared_Page>& rows,
                              const std::vector<T_Compared_Page>& columns)
{
    return Distances_Between(
        rows.size(), columns.size(),
        [&](std::size_t i) -> const T_Compared_Page& { return rows[i]; },
        [&](std::size_t j) -> const T_Compared_Page& { return columns[j]; });
}

// The distances from one page to `pages` others (page_at(k)), for the
// median that measures its alternatives. Reading the nearest few laid off
// only lowers them, which moves the median (taken without the nearest) only
// when there are few: only then are they read so.
template <class T_Page_At>
std::vector<double> Alternatives_Distances(const T_Compared_Page& page, std::size_t pages,
                                           const T_Page_At& page_at)
{
    std::vector<double> distances(pages);
    for (std::size_t k = 0; k < pages; ++k)
        distances[k] = Straight_Distance(page, page_at(k));
    if (pages > 2 * Aligned_Candidates + 1)
        return distances;
    for (std::size_t k = 0; k < pages; ++k)
        distances[k] = Aligned_Distance(page, page_at(k), distances[k]);
    return distances;
}

// How far a page typically is from a sheet that is not its own: the median
// of its distances to the other document's pages but its nearest there
// (which may be its counterpart). A page facing a document of one page is
// measured against the other pages of its own document instead (other
// sheets for certain); those come second because what one version added to
// all its sheets (a frame, a stamp) brings its sheets closer to each other
// than to their old selves. Infinite when there is no such page.
double Alternatives_Distance(const double* across, std::size_t across_count, const double* own,
                             std::size_t own_count, std::size_t self)
{
    std::vector<double> others;
    const double* nearest = std::min_element(across, across + across_count);
    for (std::size_t j = 0; j < across_count; ++j)
        if (across + j != nearest)
            others.push_back(across[j]);
    const bool facing_one_page = others.empty();
    for (std::size_t k = 0; k < own_count && facing_one_page; ++k)
        if (k != self)
            others.push_back(own[k]);
    if (others.empty())
        return std::numeric_limits<double>::infinity();
    const auto middle = others.begin() + static_cast<std::ptrdiff_t>((others.size() - 1) / 2);
    std::nth_element(others.begin(), middle, others.end());
    return *middle;
}

// What leaving each page alone costs: half of the most its pairing may
// cost, Ratio times its alternatives' distance, within the rule's floor and
// ceiling (a pair's two halves together make its limit).
std::vector<double> Unpaired_Costs(const std::vector<double>& across, std::size_t count,
                                   std::size_t other_count, bool by_row,
                                   const std::vector<double>& own, const T_Pairing_Rule& rule)
{
    std::vector<double> costs(count);
    std::vector<double> line(other_count);
    for (std::size_t p = 0; p < count; ++p) {
        for (std::size_t q = 0; q < other_count; ++q)
            line[q] = by_row ? across[p * other_count + q] : across[q * count + p];
        const double alternatives =
            Alternatives_Distance(line.data(), other_count, &own[p * count], count, p);
        costs[p] = 0.5 * std::max(rule.Floor, std::min(rule.Ceiling, rule.Ratio * alternatives));
    }
    return costs;
}

// Where each of `count` pages lies along its document, from 0 to 1.
std::vector<double> Places(std::size_t count)
{
    std::vector<double> places(count);
    for (std::size_t page = 0; page < count; ++page)
        places[page] = (page + 0.5) / count;
    return places;
}

// Where the pages `pages` of a document of `count` pages lie along it.
std::vector<double> Places_Of(const std::vector<int>& pages, int count)
{
    std::vector<double> places;
    places.reserve(pages.size());
    for (int page : pages)
        places.push_back((page + 0.5) / count);
    return places;
}

// The cost of pairing a left page with a right page. A tiny term for how far
// apart the two pages sit in their documents (their places, from 0 to 1)
// makes pages that look the same pair in order. A pair costing more than
// `never` is never chosen, so such costs (and any that are not numbers) are
// capped there, which keeps the arithmetic finite.
double Pair_Cost(double distance, double left_place, double right_place, double never)
{
    constexpr double Order_Weight = 1e-6;
    if (!(distance < never))
        return never;
    return std::max(distance, 0.0) + Order_Weight * std::fabs(left_place - right_place);
}

// The square problem: rows are the left pages then one stand-in per right
// page, columns the right pages then one stand-in per left page. A page
// assigned a stand-in stays unpaired at its own cost; stand-ins assigned to
// each other cost nothing.
std::vector<double> Assignment_Costs(const std::vector<double>& distances,
                                     const std::vector<double>& left_places,
                                     const std::vector<double>& right_places,
                                     const std::vector<double>& left_alone,
                                     const std::vector<double>& right_alone)
{
    const int n = static_cast<int>(left_places.size()), m = static_cast<int>(right_places.size());
    const int size = n + m;
    double never = 1;
    for (const auto* alone : {&left_alone, &right_alone})
        for (double cost : *alone)
            never = std::max(never, 2 * cost + 1);
    std::vector<double> cost(static_cast<std::size_t>(size) * size, 0.0);
    for (int i = 0; i < size; ++i) {
        double* row = &cost[static_cast<std::size_t>(i) * size];
        for (int j = 0; j < size; ++j) {
            if (i < n && j < m)
                row[j] = Pair_Cost(distances[static_cast<std::size_t>(i) * m + j], left_places[i],
                                   right_places[j], never);
            else if (i < n)
                row[j] = left_alone[i];
            else if (j < m)
                row[j] = right_alone[j];
        }
    }
    return cost;
}

// One assignment of the left pages `rows` against the right pages `columns`
// (`distances` between them row by row, their places along the documents
// and the costs of leaving each alone); the pairs found go into `pairing`.
void Assign(const std::vector<double>& distances, const std::vector<int>& rows,
            const std::vector<int>& columns, const std::vector<double>& row_places,
            const std::vector<double>& column_places, const std::vector<double>& rows_alone,
            const std::vector<double>& columns_alone, T_Page_Pairing& pairing)
{
    const int n = static_cast<int>(rows.size()), m = static_cast<int>(columns.size());
    if (n == 0 || m == 0)
        return;
    const std::vector<int> column_of_row = Solve_Assignment(
        Assignment_Costs(distances, row_places, column_places, rows_alone, columns_alone), n + m);
    for (int i = 0; i < n; ++i)
        if (const int j = column_of_row[static_cast<std::size_t>(i)]; j < m) {
            pairing.Left_To_Right[static_cast<std::size_t>(rows[i])] = columns[j];
            pairing.Right_To_Left[static_cast<std::size_t>(columns[j])] = rows[i];
        }
}

// A rule whose numbers make no sense (negative, not numbers, endless) is
// brought back to where the arithmetic holds.
T_Pairing_Rule Sane(T_Pairing_Rule rule)
{
    for (double* value : {&rule.Ratio, &rule.Ceiling, &rule.Floor})
        *value = std::isnan(*value) ? 0.0 : std::clamp(*value, 0.0, 1e6);
    return rule;
}

// ---- Long sets -----------------------------------------------------------

// Above this many pages in all, every distance between every two pages and
// one assignment over all of them (cubic in the page count) would take
// minutes, so the pairing works in the steps below instead.
constexpr int Most_Pages_Paired_At_Once = 400;
// How many pages of the other side (spread evenly over it) measure a page's
// alternatives in a long set: the median of a few hundred is as good a
// reading as that of all.
constexpr std::size_t Alternatives_Sample = 256;
// The most pages of one side in one assignment of the leftover pages.
constexpr std::size_t Band_Pages = 200;

// Up to Alternatives_Sample indices of `count` pages, spread evenly, without
// `skip`.
std::vector<std::size_t> Sample_Of(std::size_t count, std::size_t skip)
{
    std::vector<std::size_t> sample;
    const std::size_t step = std::max<std::size_t>(1, count / Alternatives_Sample);
    for (std::size_t at = 0; at < count; at += step)
        if (at != skip)
            sample.push_back(at);
    return sample;
}

// What leaving page `page` of `pages` alone costs, its alternatives measured
// on a sample of the other side (of its own side when the other one has a
// single page), as Unpaired_Costs does on all of them.
double Sampled_Unpaired_Cost(const std::vector<T_Compared_Page>& pages, std::size_t page,
                             const std::vector<T_Compared_Page>& others, const T_Pairing_Rule& rule)
{
    const std::vector<std::size_t> across_sample = Sample_Of(others.size(), others.size());
    const std::vector<double> across = Alternatives_Distances(
        pages[page], across_sample.size(),
        [&](std::size_t k) -> const T_Compared_Page& { return others[across_sample[k]]; });
    std::vector<double> own;
    if (others.size() == 1) {
        const std::vector<std::size_t> own_sample = Sample_Of(pages.size(), page);
        own = Alternatives_Distances(
            pages[page], own_sample.size(),
            [&](std::size_t k) -> const T_Compared_Page& { return pages[own_sample[k]]; });
    }
    const double alternatives =
        Alternatives_Distance(across.data(), across.size(), own.data(), own.size(), own.size());
    return 0.5 * std::max(rule.Floor, std::min(rule.Ceiling, rule.Ratio * alternatives));
}

// Pages that show exactly the same (equal content hashes) pair first, the
// k-th such page on the left with the k-th on the right, which keeps them in
// order as the assignment would.
void Pair_Same_Content(const std::vector<T_Page_Signature>& left,
                       const std::vector<T_Page_Signature>& right, T_Page_Pairing& pairing)
{
    const auto Hashes = [](const std::vector<T_Page_Signature>& pages) {
        std::vector<std::uint64_t> out;
        for (const T_Page_Signature& page : pages)
            out.push_back(page.Content_Hash);
        return out;
    };
    const std::vector<int> twins = Same_Hash_Pages(Hashes(left), Hashes(right));
    for (std::size_t i = 0; i < twins.size(); ++i)
        if (const int j = twins[i]; j >= 0) {
            pairing.Left_To_Right[i] = j;
            pairing.Right_To_Left[static_cast<std::size_t>(j)] = static_cast<int>(i);
        }
}

// One assignment over some left pages (`rows`) and some right pages
// (`columns`), each with the cost of leaving it alone; the pairs found go
// into `pairing`.
void Assign_Pages(const std::vector<T_Compared_Page>& left, const std::vector<int>& rows,
                  const std::vector<T_Compared_Page>& right, const std::vector<int>& columns,
                  const std::vector<double>& left_alone, const std::vector<double>& right_alone,
                  T_Page_Pairing& pairing)
{
    const std::vector<double> distances = Distances_Between(
        rows.size(), columns.size(),
        [&](std::size_t i) -> const T_Compared_Page& { return left[std::size_t(rows[i])]; },
        [&](std::size_t j) -> const T_Compared_Page& { return right[std::size_t(columns[j])]; });
    std::vector<double> rows_alone, columns_alone;
    for (int row : rows)
        rows_alone.push_back(left_alone[static_cast<std::size_t>(row)]);
    for (int column : columns)
        columns_alone.push_back(right_alone[static_cast<std::size_t>(column)]);
    Assign(distances, rows, columns, Places(rows.size()), Places(columns.size()), rows_alone,
           columns_alone, pairing);
}

// A long set: the pages not paired yet (`rows` and `columns`) by
// assignments over bands of them taken in document order (the k-th band of
// the left's leftovers against the k-th of the right's), so that the cost
// stays about linear in the page count. A sheet that moved further than a
// band's reach is then reported as removed and added.
void Pair_Long_Sets(const std::vector<T_Compared_Page>& left, const std::vector<int>& rows,
                    const std::vector<T_Compared_Page>& right, const std::vector<int>& columns,
                    const T_Pairing_Rule& rule, T_Page_Pairing& pairing)
{
    std::vector<double> left_alone(left.size()), right_alone(right.size());
    for (int row : rows)
        left_alone[static_cast<std::size_t>(row)] =
            Sampled_Unpaired_Cost(left, static_cast<std::size_t>(row), right, rule);
    for (int column : columns)
        right_alone[static_cast<std::size_t>(column)] =
            Sampled_Unpaired_Cost(right, static_cast<std::size_t>(column), left, rule);
    const std::size_t bands = std::max<std::size_t>(
        1, (std::max(rows.size(), columns.size()) + Band_Pages - 1) / Band_Pages);
    for (std::size_t band = 0; band < bands; ++band) {
        auto slice = [&](const std::vector<int>& all) {
            return std::vector<int>(
                all.begin() + static_cast<std::ptrdiff_t>(band * all.size() / bands),
                all.begin() + static_cast<std::ptrdiff_t>((band + 1) * all.size() / bands));
        };
        Assign_Pages(left, slice(rows), right, slice(columns), left_alone, right_alone, pairing);
    }
}

// A set small enough for every distance: the pages not paired yet (`rows`
// and `columns`) in one assignment, each page's cost of being left alone
// measured against all the pages read. `left_places` and `right_places`
// say where the pages read lie in their documents.
void Pair_Small_Set(const std::vector<T_Compared_Page>& left, const std::vector<int>& rows,
                    const std::vector<T_Compared_Page>& right, const std::vector<int>& columns,
                    const std::vector<double>& left_places, const std::vector<double>& right_places,
                    const T_Pairing_Rule& rule, T_Page_Pairing& pairing)
{
    const std::size_t n = left.size(), m = right.size();
    const std::vector<double> across = Distances(left, right);
    const std::vector<double> left_alone =
        Unpaired_Costs(across, n, m, true, Distances(left, left), rule);
    const std::vector<double> right_alone =
        Unpaired_Costs(across, m, n, false, Distances(right, right), rule);
    std::vector<double> distances, row_places, column_places, rows_alone, columns_alone;
    for (int row : rows) {
        for (int column : columns)
            distances.push_back(across[std::size_t(row) * m + std::size_t(column)]);
        row_places.push_back(left_places[std::size_t(row)]);
        rows_alone.push_back(left_alone[std::size_t(row)]);
    }
    for (int column : columns) {
        column_places.push_back(right_places[std::size_t(column)]);
        columns_alone.push_back(right_alone[std::size_t(column)]);
    }
    Assign(distances, rows, columns, row_places, column_places, rows_alone, columns_alone, pairing);
}

// The pages a side is read from: all but those already paired by their
// hashes that were never drawn (their cells are unknown, not blank).
std::vector<int> Read_Pages(const std::vector<T_Page_Signature>& pages,
                            const std::vector<int>& partners)
{
    std::vector<int> read;
    for (std::size_t page = 0; page < pages.size(); ++page)
        if (partners[page] < 0 || !pages[page].Ink.empty())
            read.push_back(static_cast<int>(page));
    return read;
}

std::vector<T_Page_Signature> Pages_At(const std::vector<T_Page_Signature>& pages,
                                       const std::vector<int>& at)
{
    std::vector<T_Page_Signature> picked;
    picked.reserve(at.size());
    for (int page : at)
        picked.push_back(pages[static_cast<std::size_t>(page)]);
    return picked;
}

// The positions, within the pages read, of those not paired yet.
std::vector<int> Unpaired_Among(const std::vector<int>& read, const std::vector<int>& partners)
{
    std::vector<int> unpaired;
    for (std::size_t at = 0; at < read.size(); ++at)
        if (partners[static_cast<std::size_t>(read[at])] < 0)
            unpaired.push_back(static_cast<int>(at));
    return unpaired;
}

} // namespace

T_Page_Signature Make_Page_Signature(const std::uint8_t* grey, int width, int height, int stride,
                                     std::uint64_t content_hash)
{
    T_Page_Signature signature;
    signature.Content_Hash = content_hash;
    signature.Sketch_Hash = content_hash;
    if (grey == nullptr || width <= 0 || height <= 0 || stride < width)
        return signature;
    signature.Ink = Cell_Ink(grey, width, height, stride);
    signature.Row_Profile = Ink_Profile(signature.Ink, true);
    signature.Column_Profile = Ink_Profile(signature.Ink, false);
    signature.Aspect = static_cast<double>(width) / height;
    signature.Width = width;
    signature.Height = height;
    return signature;
}

std::vector<int> Same_Hash_Pages(const std::vector<std::uint64_t>& own,
                                 const std::vector<std::uint64_t>& other)
{
    std::unordered_map<std::uint64_t, std::deque<int>> other_by_hash;
    for (std::size_t j = 0; j < other.size(); ++j)
        if (other[j] != 0)
            other_by_hash[other[j]].push_back(static_cast<int>(j));
    std::vector<int> twins(own.size(), -1);
    for (std::size_t i = 0; i < own.size(); ++i) {
        auto found = other_by_hash.find(own[i]);
        if (own[i] == 0 || found == other_by_hash.end() || found->second.empty())
            continue;
        twins[i] = found->second.front();
        found->second.pop_front();
    }
    return twins;
}

double Page_Distance(const T_Page_Signature& a, const T_Page_Signature& b)
{
    return Compared_Distance(Compared_Page(a), Compared_Page(b));
}

T_Page_Pairing Pair_Pages(const std::vector<T_Page_Signature>& left,
                          const std::vector<T_Page_Signature>& right, const T_Pairing_Rule& rule)
{
    const int n = static_cast<int>(left.size()), m = static_cast<int>(right.size());
    T_Page_Pairing pairing{std::vector<int>(n, -1), std::vector<int>(m, -1)};
    if (n == 0 || m == 0)
        return pairing;
    const T_Pairing_Rule sane = Sane(rule);
    Pair_Same_Content(left, right, pairing);
    // The rest pair by what they show, the set's common ink taken from the
    // pages that were drawn: a page known only by its hash adds nothing.
    const std::vector<int> left_read = Read_Pages(left, pairing.Left_To_Right);
    const std::vector<int> right_read = Read_Pages(right, pairing.Right_To_Left);
    const std::vector<T_Page_Signature> left_pages = Pages_At(left, left_read);
    const std::vector<T_Page_Signature> right_pages = Pages_At(right, right_read);
    const std::vector<T_Compared_Page> old_pages =
        Compared_Pages(Own_Ink(left_pages, Side_Common_Ink(left_pages, right_pages)));
    const std::vector<T_Compared_Page> new_pages =
        Compared_Pages(Own_Ink(right_pages, Side_Common_Ink(right_pages, left_pages)));
    const std::vector<int> rows = Unpaired_Among(left_read, pairing.Left_To_Right);
    const std::vector<int> columns = Unpaired_Among(right_read, pairing.Right_To_Left);
    T_Page_Pairing read{std::vector<int>(left_read.size(), -1),
                        std::vector<int>(right_read.size(), -1)};
    if (left_read.size() + right_read.size() > std::size_t(Most_Pages_Paired_At_Once)) {
        Pair_Long_Sets(old_pages, rows, new_pages, columns, sane, read);
    } else {
        Pair_Small_Set(old_pages, rows, new_pages, columns, Places_Of(left_read, n),
                       Places_Of(right_read, m), sane, read);
    }
    for (std::size_t i = 0; i < read.Left_To_Right.size(); ++i)
        if (const int j = read.Left_To_Right[i]; j >= 0) {
            const int page = left_read[i], partner = right_read[std::size_t(j)];
            pairing.Left_To_Right[std::size_t(page)] = partner;
            pairing.Right_To_Left[std::size_t(partner)] = page;
        }
    return pairing;
}
