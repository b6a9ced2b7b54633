// Which modified row faces which base row when the two versions are shown
// side by side after a band alignment, so that the panes can scroll the way
// a text comparer keeps matching lines side by side.
#pragma once

#include "differences/picture_alignment.h"

#include <vector>

// A monotone, piecewise linear pairing of base and modified rows, in
// picture pixels (fractions of a row included). Rows that match advance
// together; inside a band present on one side only that side advances while
// the other stays at the gap where the band goes in. A picture moved as a
// whole faces the base rows it was moved by; otherwise the pairing is the
// identity.
class T_Row_Pairing {
public:
    T_Row_Pairing() = default;
    // The identity unless Alignment found bands or a move up or down.
    explicit T_Row_Pairing(const T_Alignment& Alignment);

    bool Identity() const { return Knots_.empty(); }
    // The modified row that faces base row Base_Y; at the top of an added
    // band the modified side is already past it (both go on together).
    double Modified_Y(double Base_Y) const;
    // The base row that faces modified row Modified_Y; inside an added band
    // it is the base row where the band goes in.
    double Base_Y(double Modified_Y) const;

private:
    struct T_Knot {
        double Base = 0;
        double Modified = 0;
    };
    void Add(double Base, double Modified);

    // Ends of the pieces, in both coordinates non-decreasing; past the last
    // knot rows advance together.
    std::vector<T_Knot> Knots_;
};
