// The zoom factors the panes step through: a ladder of three steps per
// doubling from 1/32 to 32, so that every power of two (25 %, 50 %, 100 %,
// 200 %, 400 %, 800 %) is a rung, and stepping in and out returns to the
// same factors.
#pragma once

#include <algorithm>
#include <cmath>

constexpr double Min_Zoom = 1.0 / 32;
constexpr double Max_Zoom = 32;
constexpr int Zoom_Steps_Per_Doubling = 3;
// One rung of the ladder: the cube root of 2, about 1.26.
inline const double Zoom_Step = std::exp2(1.0 / Zoom_Steps_Per_Doubling);

inline double Clamped_Zoom(double zoom) { return std::clamp(zoom, Min_Zoom, Max_Zoom); }

// The rung `Rung` steps above 100 %; computed from the power of two, so that
// the doublings come out exact.
inline double Zoom_Rung(double Rung) { return std::exp2(Rung / Zoom_Steps_Per_Doubling); }

// The next rung above `zoom` (which may lie between rungs, as a fitted scale
// or a typed zoom does).
inline double Zoomed_In(double zoom)
{
    double rung = std::floor(std::log2(zoom) * Zoom_Steps_Per_Doubling + 1e-6) + 1;
    return Clamped_Zoom(Zoom_Rung(rung));
}

// The next rung below `zoom`.
inline double Zoomed_Out(double zoom)
{
    double rung = std::ceil(std::log2(zoom) * Zoom_Steps_Per_Doubling - 1e-6) - 1;
    return Clamped_Zoom(Zoom_Rung(rung));
}
