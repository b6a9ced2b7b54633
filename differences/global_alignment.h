// Where the content of a modified picture lies against the base's when the
// whole drawing moved (an origin moved on re-export) or, for a scan, was
// also scaled and turned a little: a coarse phase correlation of the two
// pictures' ink, refined by correlating windows of full resolution at
// several places and fitting one similarity transform to what they say.
// Internal to the difference engine.
#pragma once

#include "differences/picture_difference.h"

#include <string>

namespace differences {

// Maps a point of the base to where the same content lies in the modified
// picture: turned by Rotation (radians, positive from +x towards +y, i.e.
// clockwise as shown), scaled by Scale about the base's origin, then moved
// by (Dx, Dy).
struct T_Similarity {
    double Scale = 1;
    double Rotation = 0;
    double Dx = 0;
    double Dy = 0;

    void Apply(double X, double Y, double& To_X, double& To_Y) const;
    // The farthest any point of a Width x Height picture lands from where a
    // plain move by (Dx, Dy) would put it.
    double Largest_Departure_From_Shift(int Width, int Height) const;
};

struct T_Global_Alignment {
    bool Found = false;
    T_Similarity Transform;
    // The coarse correlation's peak over its highest other peak.
    double Clarity = 0;
    // How many full-resolution windows agreed with the transform.
    int Windows_Agreeing = 0;
    // Why nothing was found: "no ink", "no clear match".
    std::string Reason;
};

// Below this coarse peak clarity two pictures do not match closely enough
// to be laid on each other: unrelated drawings and blank pages come out
// between 1 and 1.5, a shifted or scanned copy above 3.
constexpr double Least_Clarity = 2.5;

T_Global_Alignment Estimate_Alignment(const T_Pixels& Base, const T_Pixels& Modified);

} // namespace differences
