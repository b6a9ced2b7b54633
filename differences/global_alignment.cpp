#include "differences/global_alignment.h"

#include "differences/beside.h"
#include "differences/ink_grid.h"

#include <kiss_fft.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace differences {

namespace {

// The coarse correlation's grid: the long side of the larger picture in
// this many cells, enough to find a shift to within the windows' reach and
// cheap to transform.
constexpr int Coarse_Side = 512;
// Windows whose shifts all lie this close to their mean say the picture
// merely moved: no turn or scale is fitted.
constexpr double Translation_Agreement = 0.4;
// Windows of full resolution: at most this many, this many pixels square.
constexpr int Window_Sectors = 3; // per side: up to 9 windows
constexpr int Largest_Window = 128;
constexpr double Least_Window_Clarity = 2.0;
// A plain move is taken over a fitted turn or scale unless the latter lays
// the windows' ink on the base's with this much less mismatch.
constexpr double Shift_Preference = 0.05;

struct T_Match {
    double X = 0, Y = 0;       // the window's centre in the base
    double To_X = 0, To_Y = 0; // where its content lies in the modified picture
};

// The window's centres: in each sector of the base, the window-sized part
// with the most ink (found on the coarse grid), if it has ink enough to
// correlate.
std::vector<T_Match> Window_Centres(const T_Grid& Coarse, int Factor, int Width, int Height,
                                    int Window)
{
    const int Cells = std::max(1, Window / Factor);
    const int Used_W = std::min(Coarse.Width, (Width + Factor - 1) / Factor);
    const int Used_H = std::min(Coarse.Height, (Height + Factor - 1) / Factor);
    // Sums over Cells x Cells blocks from an integral picture.
    std::vector<double> Integral(std::size_t(Used_W + 1) * std::size_t(Used_H + 1), 0.0);
    const auto I = [&](int X, int Y) -> double& {
        return Integral[std::size_t(Y) * std::size_t(Used_W + 1) + std::size_t(X)];
    };
    for (int Y = 0; Y < Used_H; ++Y)
        for (int X = 0; X < Used_W; ++X)
            I(X + 1, Y + 1) = Coarse.At(X, Y) + I(X, Y + 1) + I(X + 1, Y) - I(X, Y);
    std::vector<T_Match> Centres;
    const double Least_Ink = 0.002 * Cells * Cells; // a few lines' worth
    for (int Sector_Y = 0; Sector_Y < Window_Sectors; ++Sector_Y)
        for (int Sector_X = 0; Sector_X < Window_Sectors; ++Sector_X) {
            const int X0 = Used_W * Sector_X / Window_Sectors;
            const int X1 = std::max(X0 + 1, Used_W * (Sector_X + 1) / Window_Sectors - Cells + 1);
            const int Y0 = Used_H * Sector_Y / Window_Sectors;
            const int Y1 = std::max(Y0 + 1, Used_H * (Sector_Y + 1) / Window_Sectors - Cells + 1);
            double Best = Least_Ink;
            int Best_X = -1, Best_Y = -1;
            for (int Y = Y0; Y < Y1 && Y + Cells <= Used_H; ++Y)
                for (int X = X0; X < X1 && X + Cells <= Used_W; ++X) {
                    const double Ink =
                        I(X + Cells, Y + Cells) - I(X, Y + Cells) - I(X + Cells, Y) + I(X, Y);
                    if (Ink > Best) {
                        Best = Ink;
                        Best_X = X;
                        Best_Y = Y;
                    }
                }
            if (Best_X >= 0)
                Centres.push_back(
                    {(Best_X + Cells / 2.0) * Factor, (Best_Y + Cells / 2.0) * Factor});
        }
    return Centres;
}

// Where one window's content lies in the modified picture, if clearly
// anywhere.
std::optional<T_Match> Match_Window(const T_Pixels& Base, int Base_Paper, const T_Pixels& Modified,
                                    int Modified_Paper, const T_Match& Centre, int Window,
                                    const T_Similarity& Guess, int Reach)
{
    const int Left = int(std::lround(Centre.X)) - Window / 2;
    const int Top = int(std::lround(Centre.Y)) - Window / 2;
    double Guess_X, Guess_Y;
    Guess.Apply(Left + Window / 2.0, Top + Window / 2.0, Guess_X, Guess_Y);
    const int To_Left = int(std::lround(Guess_X)) - Window / 2;
    const int To_Top = int(std::lround(Guess_Y)) - Window / 2;
    T_Grid Still = Ink_Window(Base, Base_Paper, Left, Top, Window);
    T_Grid Moved = Ink_Window(Modified, Modified_Paper, To_Left, To_Top, Window);
    Taper_Edges(Still);
    Taper_Edges(Moved);
    const T_Correlation_Peak Peak = Correlate_Phases(Still, Moved, Reach);
    if (Peak.Clarity < Least_Window_Clarity)
        return std::nullopt;
    return T_Match{Left + Window / 2.0, Top + Window / 2.0, To_Left + Window / 2.0 + Peak.Dx,
                   To_Top + Window / 2.0 + Peak.Dy};
}

// Where each window's content lies in the modified picture, searched
// around where `Guess` puts it; windows without a clear match are dropped.
std::vector<T_Match> Match_Windows(const T_Pixels& Base, int Base_Paper, const T_Pixels& Modified,
                                   int Modified_Paper, std::vector<T_Match> Centres, int Window,
                                   const T_Similarity& Guess, int Reach)
{
    // The windows are independent: shared between two threads.
    std::vector<std::optional<T_Match>> Found(Centres.size());
    const auto Match_From = [&](std::size_t First) {
        for (std::size_t At = First; At < Centres.size(); At += 2)
            Found[At] = Match_Window(Base, Base_Paper, Modified, Modified_Paper, Centres[At],
                                     Window, Guess, Reach);
    };
    Run_Beside([&] { Match_From(1); }, [&] { Match_From(0); });
    std::vector<T_Match> Matches;
    for (const std::optional<T_Match>& Match : Found)
        if (Match)
            Matches.push_back(*Match);
    return Matches;
}

double Residual(const T_Similarity& Transform, const T_Match& Match)
{
    double X, Y;
    Transform.Apply(Match.X, Match.Y, X, Y);
    return std::hypot(X - Match.To_X, Y - Match.To_Y);
}

// The least-squares similarity through the matches; a plain move when they
// are too few or too close together to tell a turn or a scale.
T_Similarity Fit(const std::vector<T_Match>& Matches, double Least_Spread)
{
    double X = 0, Y = 0, To_X = 0, To_Y = 0;
    for (const T_Match& Match : Matches) {
        X += Match.X;
        Y += Match.Y;
        To_X += Match.To_X;
        To_Y += Match.To_Y;
    }
    const double N = double(Matches.size());
    X /= N, Y /= N, To_X /= N, To_Y /= N;
    double Spread = 0, Cos_Part = 0, Sin_Part = 0;
    for (const T_Match& Match : Matches) {
        const double U = Match.X - X, V = Match.Y - Y;
        const double To_U = Match.To_X - To_X, To_V = Match.To_Y - To_Y;
        Spread += U * U + V * V;
        Cos_Part += U * To_U + V * To_V;
        Sin_Part += U * To_V - V * To_U;
    }
    T_Similarity Transform;
    if (Matches.size() >= 3 && Spread >= N * Least_Spread * Least_Spread) {
        Transform.Scale = std::hypot(Cos_Part, Sin_Part) / Spread;
        Transform.Rotation = std::atan2(Sin_Part, Cos_Part);
    }
    double Moved_X, Moved_Y;
    Transform.Dx = 0;
    Transform.Dy = 0;
    Transform.Apply(X, Y, Moved_X, Moved_Y);
    Transform.Dx = To_X - Moved_X;
    Transform.Dy = To_Y - Moved_Y;
    return Transform;
}

// Fits, drops the matches far off the fit (windows over a drawn change),
// and fits again.
T_Similarity Robust_Fit(std::vector<T_Match>& Matches, double Least_Spread)
{
    T_Similarity Transform = Fit(Matches, Least_Spread);
    for (int Round = 0; Round < 3 && Matches.size() > 2; ++Round) {
        std::vector<double> Residuals;
        for (const T_Match& Match : Matches)
            Residuals.push_back(Residual(Transform, Match));
        std::vector<double> Sorted = Residuals;
        std::nth_element(Sorted.begin(), Sorted.begin() + std::ptrdiff_t(Sorted.size() / 2),
                         Sorted.end());
        const double Limit = std::max(1.0, 3 * Sorted[Sorted.size() / 2]);
        std::vector<T_Match> Kept;
        for (std::size_t At = 0; At < Matches.size(); ++At)
            if (Residuals[At] <= Limit)
                Kept.push_back(Matches[At]);
        if (Kept.size() == Matches.size() || Kept.empty())
            break;
        Matches = std::move(Kept);
        Transform = Fit(Matches, Least_Spread);
    }
    return Transform;
}

// The matches' common shift when they all agree on it to a fraction of a
// pixel: then the picture merely moved, and a fitted turn or scale would
// only be noise.
std::optional<T_Similarity> Common_Shift(const std::vector<T_Match>& Matches)
{
    if (Matches.empty())
        return std::nullopt;
    T_Similarity Shift;
    for (const T_Match& Match : Matches) {
        Shift.Dx += Match.To_X - Match.X;
        Shift.Dy += Match.To_Y - Match.Y;
    }
    Shift.Dx /= double(Matches.size());
    Shift.Dy /= double(Matches.size());
    for (const T_Match& Match : Matches)
        if (std::max(std::abs(Match.To_X - Match.X - Shift.Dx),
                     std::abs(Match.To_Y - Match.Y - Shift.Dy)) > Translation_Agreement)
            return std::nullopt;
    return Shift;
}

// How unlike one window of the base is to the modified picture moved back
// by (Dx, Dy), read bilinearly between its pixels: the sum of the squared
// differences of their ink. Squared, the sum's least lies nearer the true
// move where the renderer drew a thin line at another fraction of a pixel
// (one dark pixel against two half dark ones) than the absolute
// differences' least does.
double Window_Mismatch(const T_Pixels& Base, int Base_Paper, const T_Pixels& Modified,
                       int Modified_Paper, const T_Match& At, int Window, double Dx, double Dy)
{
    const double Floor_X = std::floor(Dx), Floor_Y = std::floor(Dy);
    const float Fx = float(Dx - Floor_X), Fy = float(Dy - Floor_Y);
    const int Left = int(std::lround(At.X)) - Window / 2;
    const int Top = int(std::lround(At.Y)) - Window / 2;
    const T_Grid Still = Ink_Window(Base, Base_Paper, Left, Top, Window);
    const T_Grid Moved =
        Ink_Window(Modified, Modified_Paper, Left + int(Floor_X), Top + int(Floor_Y), Window + 1);
    double Sum = 0;
    for (int Y = 0; Y < Window; ++Y)
        for (int X = 0; X < Window; ++X) {
            const float Top_Row = Moved.At(X, Y) * (1 - Fx) + Moved.At(X + 1, Y) * Fx;
            const float Bottom_Row = Moved.At(X, Y + 1) * (1 - Fx) + Moved.At(X + 1, Y + 1) * Fx;
            const float Differ = Still.At(X, Y) - (Top_Row * (1 - Fy) + Bottom_Row * Fy);
            Sum += Differ * Differ;
        }
    return Sum;
}

// The windows' mismatch when each is moved as `Transform` moves its centre
// (over one window a small turn or scale is a move).
double Mismatch(const T_Pixels& Base, int Base_Paper, const T_Pixels& Modified, int Modified_Paper,
                const std::vector<T_Match>& Windows, int Window, const T_Similarity& Transform)
{
    double Sum = 0;
    for (const T_Match& At : Windows) {
        const double X = std::lround(At.X), Y = std::lround(At.Y);
        double To_X, To_Y;
        Transform.Apply(X, Y, To_X, To_Y);
        Sum += Window_Mismatch(Base, Base_Paper, Modified, Modified_Paper, At, Window, To_X - X,
                               To_Y - Y);
    }
    return Sum;
}

// The move that lays the windows' content best on the base's, searched in
// ever smaller steps around `Shift`. The correlation peaks' interpolation
// is biased by a window's content (a box's edge, a line's end) by up to
// most of a pixel; the pictures themselves are not.
T_Similarity Refine_Shift(const T_Pixels& Base, int Base_Paper, const T_Pixels& Modified,
                          int Modified_Paper, const std::vector<T_Match>& Windows, int Window,
                          T_Similarity Shift)
{
    const auto Cost = [&](double Dx, double Dy) {
        return Mismatch(Base, Base_Paper, Modified, Modified_Paper, Windows, Window,
                        T_Similarity{1, 0, Dx, Dy});
    };
    double Best = Cost(Shift.Dx, Shift.Dy);
    for (double Step = 0.5; Step >= 1.0 / 16; Step /= 2)
        for (int Moves = 0; Moves < 4; ++Moves) {
            double Best_X = Shift.Dx, Best_Y = Shift.Dy;
            for (const auto [Sx, Sy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                const double Dx = Shift.Dx + Sx * Step, Dy = Shift.Dy + Sy * Step;
                const double Value = Cost(Dx, Dy);
                if (Value < Best) {
                    Best = Value;
                    Best_X = Dx;
                    Best_Y = Dy;
                }
            }
            if (Best_X == Shift.Dx && Best_Y == Shift.Dy)
                break;
            Shift.Dx = Best_X;
            Shift.Dy = Best_Y;
        }
    return Shift;
}

// The windows' mean move, refined on the pictures, when it lays them on the
// base (nearly) as well as `Fitted` does: a small scale or turn that the
// windows' biased peaks suggest for a drawing that merely moved must not
// stretch the whole picture by a pixel or more at its edges.
std::optional<T_Similarity> Shift_As_Good(const T_Pixels& Base, int Base_Paper,
                                          const T_Pixels& Modified, int Modified_Paper,
                                          const std::vector<T_Match>& Windows, int Window,
                                          const T_Similarity& Fitted)
{
    if (Windows.empty())
        return std::nullopt;
    T_Similarity Shift;
    for (const T_Match& Match : Windows) {
        Shift.Dx += (Match.To_X - Match.X) / double(Windows.size());
        Shift.Dy += (Match.To_Y - Match.Y) / double(Windows.size());
    }
    Shift = Refine_Shift(Base, Base_Paper, Modified, Modified_Paper, Windows, Window, Shift);
    const double Shifted =
        Mismatch(Base, Base_Paper, Modified, Modified_Paper, Windows, Window, Shift);
    const double Similar =
        Mismatch(Base, Base_Paper, Modified, Modified_Paper, Windows, Window, Fitted);
    if (Shifted > Similar * (1 + Shift_Preference))
        return std::nullopt;
    return Shift;
}

// A shift by whole pixels when the windows compare at least as well moved
// by the rounded shift as by the fractional one: a drawing moved by whole
// pixels must not be redrawn, blurring every line, over a fraction the
// peaks' interpolation made up.
T_Similarity Whole_Pixels_If_As_Good(const T_Pixels& Base, int Base_Paper, const T_Pixels& Modified,
                                     int Modified_Paper, const std::vector<T_Match>& Windows,
                                     int Window, T_Similarity Shift)
{
    T_Similarity Whole{1, 0, std::round(Shift.Dx), std::round(Shift.Dy)};
    if (Whole.Dx == Shift.Dx && Whole.Dy == Shift.Dy)
        return Shift;
    if (Mismatch(Base, Base_Paper, Modified, Modified_Paper, Windows, Window, Whole) <=
        Mismatch(Base, Base_Paper, Modified, Modified_Paper, Windows, Window, Shift))
        return Whole;
    return Shift;
}

} // namespace

void T_Similarity::Apply(double X, double Y, double& To_X, double& To_Y) const
{
    const double C = Scale * std::cos(Rotation), S = Scale * std::sin(Rotation);
    To_X = C * X - S * Y + Dx;
    To_Y = S * X + C * Y + Dy;
}

double T_Similarity::Largest_Departure_From_Shift(int Width, int Height) const
{
    double Largest = 0;
    for (double X : {0.0, double(Width)})
        for (double Y : {0.0, double(Height)}) {
            double To_X, To_Y;
            Apply(X, Y, To_X, To_Y);
            Largest = std::max(Largest, std::hypot(To_X - X - Dx, To_Y - Y - Dy));
        }
    return Largest;
}

T_Global_Alignment Estimate_Alignment(const T_Pixels& Base, const T_Pixels& Modified)
{
    T_Global_Alignment Result;
    const int Long_Side = std::max({Base.Width, Base.Height, Modified.Width, Modified.Height});
    if (Base.Data == nullptr || Modified.Data == nullptr || Long_Side <= 0) {
        Result.Reason = "no picture";
        return Result;
    }
    const int Factor = std::max(1, (Long_Side + Coarse_Side - 1) / Coarse_Side);
    const int Cells_W = (std::max(Base.Width, Modified.Width) + Factor - 1) / Factor;
    const int Cells_H = (std::max(Base.Height, Modified.Height) + Factor - 1) / Factor;
    // A quarter of the content's size of room each way, for the shift.
    const int Grid_W = kiss_fft_next_fast_size(std::max(8, Cells_W + Cells_W / 4));
    const int Grid_H = kiss_fft_next_fast_size(std::max(8, Cells_H + Cells_H / 4));
    const int Base_Paper = Paper_Brightness(Base), Modified_Paper = Paper_Brightness(Modified);
    T_Grid Base_Ink(Grid_W, Grid_H), Modified_Ink(Grid_W, Grid_H);
    Coarse_Ink_Pair(Base, Base_Paper, Modified, Modified_Paper, Factor, Base_Ink, Modified_Ink);
    const auto Has_Ink = [](const T_Grid& Grid) {
        return std::any_of(Grid.Values.begin(), Grid.Values.end(),
                           [](float Value) { return Value > 0.02f; });
    };
    if (!Has_Ink(Base_Ink) || !Has_Ink(Modified_Ink)) {
        Result.Reason = "no ink";
        return Result;
    }
    const T_Correlation_Peak Coarse = Correlate_Phases(Base_Ink, Modified_Ink);
    Result.Clarity = Coarse.Clarity;
    if (Coarse.Clarity < Least_Clarity) {
        Result.Reason = "no clear match";
        return Result;
    }
    T_Similarity Transform;
    Transform.Dx = Coarse.Dx * Factor;
    Transform.Dy = Coarse.Dy * Factor;

    int Window = Largest_Window;
    while (Window > 32 && Window * 2 > std::min(Base.Width, Base.Height))
        Window /= 2;
    const std::vector<T_Match> Centres =
        Window_Centres(Base_Ink, Factor, Base.Width, Base.Height, Window);
    // First around the coarse guess (off by up to a few cells, more at the
    // far edges of a scaled or turned scan), then around the first fit.
    std::vector<T_Match> Agreeing;
    bool Moved_Only = false;
    for (const int Reach : {Window / 4, Window / 16, Window / 16}) {
        std::vector<T_Match> Matches = Match_Windows(Base, Base_Paper, Modified, Modified_Paper,
                                                     Centres, Window, Transform, Reach);
        if (Matches.empty())
            break;
        Transform = Robust_Fit(Matches, Window);
        Result.Windows_Agreeing = int(Matches.size());
        Agreeing = std::move(Matches);
        // Once the windows sit on their content, a plain move needs no
        // further round.
        if (Reach < Window / 4)
            if (const std::optional<T_Similarity> Shift = Common_Shift(Agreeing)) {
                Transform = *Shift;
                Moved_Only = true;
                break;
            }
    }
    // A turn or scale too small to move any pixel by half of one is noise
    // of the fit: the pictures are merely shifted.
    if (!Moved_Only && Transform.Largest_Departure_From_Shift(Base.Width, Base.Height) < 0.5) {
        double Centre_X, Centre_Y;
        Transform.Apply(Base.Width / 2.0, Base.Height / 2.0, Centre_X, Centre_Y);
        Transform = {1, 0, Centre_X - Base.Width / 2.0, Centre_Y - Base.Height / 2.0};
        Moved_Only = true;
    }
    if (Moved_Only) {
        Transform =
            Refine_Shift(Base, Base_Paper, Modified, Modified_Paper, Agreeing, Window, Transform);
    } else if (const std::optional<T_Similarity> Shift = Shift_As_Good(
                   Base, Base_Paper, Modified, Modified_Paper, Agreeing, Window, Transform)) {
        Transform = *Shift;
        Moved_Only = true;
    }
    if (Moved_Only)
        Transform = Whole_Pixels_If_As_Good(Base, Base_Paper, Modified, Modified_Paper, Agreeing,
                                            Window, Transform);
    Result.Transform = Transform;
    Result.Found = true;
    return Result;
}

} // namespace differences
