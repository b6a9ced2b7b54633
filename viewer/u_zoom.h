// The zoom factors the panes step through: powers of 1.25 from 1/32 to 32,
// so that stepping in and out returns to the same factors and passes 100 %.
#pragma once

#include <algorithm>
#include <cmath>

constexpr double Min_Zoom = 1.0 / 32;
constexpr double Max_Zoom = 32;
constexpr double Zoom_Step = 1.25;

inline double Clamped_Zoom(double zoom) { return std::clamp(zoom, Min_Zoom, Max_Zoom); }

// The next step above `zoom` (which may lie between steps, as a fitted scale
// does).
inline double Zoomed_In(double zoom)
{
    double steps = std::floor(std::log(zoom) / std::log(Zoom_Step) + 1e-6) + 1;
    return Clamped_Zoom(std::pow(Zoom_Step, steps));
}

// The next step below `zoom`.
inline double Zoomed_Out(double zoom)
{
    double steps = std::ceil(std::log(zoom) / std::log(Zoom_Step) - 1e-6) - 1;
    return Clamped_Zoom(std::pow(Zoom_Step, steps));
}
