// Phase correlation: how far the content of one grid of values lies from
// the same content in another, from the phases of their Fourier transforms
// alone, so that a change of contrast or a little added content hardly
// moves the answer. Internal to the difference engine.
#pragma once

#include <vector>

namespace differences {

// A grid of values, rows from the top.
struct T_Grid {
    int Width = 0;
    int Height = 0;
    std::vector<float> Values;

    T_Grid() = default;
    T_Grid(int W, int H) : Width(W), Height(H), Values(std::size_t(W) * std::size_t(H), 0.0f) {}
    float& At(int X, int Y) { return Values[std::size_t(Y) * std::size_t(Width) + std::size_t(X)]; }
    float At(int X, int Y) const
    {
        return Values[std::size_t(Y) * std::size_t(Width) + std::size_t(X)];
    }
};

struct T_Correlation_Peak {
    // `Moved`(X + Dx, Y + Dy) shows what `Still`(X, Y) shows, to a fraction
    // of a cell.
    double Dx = 0;
    double Dy = 0;
    // The peak's height over that of the highest other peak (at least a few
    // cells away): near 1 when nothing matches, large for a clear match.
    double Clarity = 0;
};

// Both grids must have the same size (any size; sizes with factors 2, 3
// and 5 only are fastest). Shifts are found up to half the grid each way:
// content shifted further wraps around, so grids are padded by their
// callers as far as the shifts they expect. Only peaks within `Max_Shift`
// cells of no shift count (a negative value: any).
T_Correlation_Peak Correlate_Phases(const T_Grid& Still, const T_Grid& Moved, int Max_Shift = -1);

// Multiplies a square-ish grid by a raised cosine that falls to 0 at its
// edges, so that content cut by the grid's border does not correlate as a
// straight edge.
void Taper_Edges(T_Grid& Grid);

} // namespace differences
