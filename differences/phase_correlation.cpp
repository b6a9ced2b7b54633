#include "differences/phase_correlation.h"

#include "differences/beside.h"

#include <kiss_fftnd.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <numbers>
#include <stdexcept>

namespace differences {

namespace {

// Grids of at least this many cells have their two forward transforms made
// on two threads.
constexpr std::size_t Threaded_Cells = 64 * 1024;

struct T_Fft_Plan_Free {
    void operator()(kiss_fftnd_cfg Plan) const { kiss_fft_free(Plan); }
};
using T_Fft_Plan = std::unique_ptr<std::remove_pointer_t<kiss_fftnd_cfg>, T_Fft_Plan_Free>;

T_Fft_Plan Make_Plan(const T_Grid& Grid, bool Inverse)
{
    const int Dimensions[2] = {Grid.Height, Grid.Width};
    T_Fft_Plan Plan(kiss_fftnd_alloc(Dimensions, 2, Inverse ? 1 : 0, nullptr, nullptr));
    if (!Plan)
        throw std::bad_alloc();
    return Plan;
}

std::vector<kiss_fft_cpx> Transform(const T_Grid& Grid, kiss_fftnd_cfg Plan)
{
    std::vector<kiss_fft_cpx> Input(Grid.Values.size()), Output(Grid.Values.size());
    for (std::size_t At = 0; At < Input.size(); ++At)
        Input[At] = {Grid.Values[At], 0.0f};
    kiss_fftnd(Plan, Input.data(), Output.data());
    return Output;
}

// The signed shift of a cell of the (wrapped) correlation surface.
int Signed(int Cell, int Size) { return Cell > Size / 2 ? Cell - Size : Cell; }

// The peak's offset from its cell along one axis, from its taller
// neighbour: a shift by a fraction f splits the whitened correlation's
// peak between two cells in the ratio (1 - f) : f.
double Peak_Offset(double Before, double Peak, double After)
{
    if (After >= Before && After > 0)
        return std::clamp(After / (After + Peak), 0.0, 0.5);
    if (Before > 0)
        return -std::clamp(Before / (Before + Peak), 0.0, 0.5);
    return 0;
}

} // namespace

T_Correlation_Peak Correlate_Phases(const T_Grid& Still, const T_Grid& Moved, int Max_Shift)
{
    if (Still.Width != Moved.Width || Still.Height != Moved.Height)
        throw std::invalid_argument("phase correlation of grids of different sizes");
    const int W = Still.Width, H = Still.Height;
    if (W < 4 || H < 4)
        return {};
    // The two forward transforms at once, each with a plan of its own (a
    // plan holds its scratch space). Small grids are not worth a thread.
    const T_Fft_Plan Forward = Make_Plan(Still, false), Inverse = Make_Plan(Still, true);
    std::vector<kiss_fft_cpx> A, B;
    if (std::size_t(W) * std::size_t(H) >= Threaded_Cells) {
        const T_Fft_Plan Second_Forward = Make_Plan(Moved, false);
        Run_Beside([&] { B = Transform(Moved, Second_Forward.get()); },
                   [&] { A = Transform(Still, Forward.get()); });
    } else {
        A = Transform(Still, Forward.get());
        B = Transform(Moved, Forward.get());
    }

    // The cross power spectrum, whitened: only the phase difference stays.
    // A small floor keeps frequencies with no energy in either grid (the
    // numeric noise of an empty band) from weighing as much as real ones.
    std::vector<kiss_fft_cpx> Cross(A.size()), Surface(A.size());
    double Mean_Magnitude = 0;
    for (std::size_t At = 0; At < A.size(); ++At) {
        const double Re = double(B[At].r) * A[At].r + double(B[At].i) * A[At].i;
        const double Im = double(B[At].i) * A[At].r - double(B[At].r) * A[At].i;
        Cross[At] = {float(Re), float(Im)};
        Mean_Magnitude += std::hypot(Re, Im);
    }
    Mean_Magnitude /= double(A.size());
    if (Mean_Magnitude <= 0)
        return {}; // an empty grid matches nothing
    const double Floor = 1e-3 * Mean_Magnitude;
    for (kiss_fft_cpx& Value : Cross) {
        const double Magnitude = std::hypot(double(Value.r), double(Value.i)) + Floor;
        Value = {float(Value.r / Magnitude), float(Value.i / Magnitude)};
    }
    kiss_fftnd(Inverse.get(), Cross.data(), Surface.data());

    const auto Value_At = [&](int X, int Y) {
        X = (X % W + W) % W;
        Y = (Y % H + H) % H;
        return double(Surface[std::size_t(Y) * std::size_t(W) + std::size_t(X)].r);
    };
    const auto Inside = [&](int X, int Y) {
        return double(Surface[std::size_t(Y) * std::size_t(W) + std::size_t(X)].r);
    };
    const auto Allowed = [&](int X, int Y) {
        return Max_Shift < 0 ||
               (std::abs(Signed(X, W)) <= Max_Shift && std::abs(Signed(Y, H)) <= Max_Shift);
    };
    int Best_X = -1, Best_Y = -1;
    double Best = -1e300;
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            if (Allowed(X, Y) && Inside(X, Y) > Best) {
                Best = Inside(X, Y);
                Best_X = X;
                Best_Y = Y;
            }
    if (Best_X < 0 || Best <= 0)
        return {};
    // The highest value away from the peak's own slopes.
    constexpr int Reach = 3;
    double Second = 0;
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            const int Apart_X = std::abs(Signed((X - Best_X + W) % W, W));
            const int Apart_Y = std::abs(Signed((Y - Best_Y + H) % H, H));
            if ((Apart_X > Reach || Apart_Y > Reach) && Allowed(X, Y))
                Second = std::max(Second, Inside(X, Y));
        }
    T_Correlation_Peak Peak;
    Peak.Dx = Signed(Best_X, W) +
              Peak_Offset(Value_At(Best_X - 1, Best_Y), Best, Value_At(Best_X + 1, Best_Y));
    Peak.Dy = Signed(Best_Y, H) +
              Peak_Offset(Value_At(Best_X, Best_Y - 1), Best, Value_At(Best_X, Best_Y + 1));
    Peak.Clarity = Best / std::max(Second, 1e-3 * Best);
    return Peak;
}

void Taper_Edges(T_Grid& Grid)
{
    // The weights along each side once: a cosine per cell would cost more
    // than the transform itself.
    const auto Weights = [](int Size) {
        std::vector<float> Out(std::size_t(std::max(Size, 0)));
        for (int At = 0; At < Size; ++At)
            Out[std::size_t(At)] =
                float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * (At + 0.5) / Size));
        return Out;
    };
    const std::vector<float> Across = Weights(Grid.Width), Down = Weights(Grid.Height);
    for (int Y = 0; Y < Grid.Height; ++Y)
        for (int X = 0; X < Grid.Width; ++X)
            Grid.At(X, Y) *= Down[std::size_t(Y)] * Across[std::size_t(X)];
}

} // namespace differences
