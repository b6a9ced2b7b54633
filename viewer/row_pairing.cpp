#include "viewer/row_pairing.h"

#include <algorithm>

T_Row_Pairing::T_Row_Pairing(const T_Alignment& Alignment)
{
    if (Alignment.Mode == T_Align_Mode::Shift) {
        // A picture moved as a whole (neither scaled nor turned) faces the
        // base that many rows further down or up, everywhere.
        if (Alignment.Aligned && Alignment.Scale == 1 && Alignment.Rotation_Degrees == 0 &&
            Alignment.Dy != 0)
            Knots_.push_back({0, Alignment.Dy});
        return;
    }
    if (Alignment.Mode != T_Align_Mode::Bands || !Alignment.Aligned || Alignment.Row_Map.empty())
        return;
    Knots_.push_back({0, 0});
    for (std::size_t Row = 0; Row < Alignment.Row_Map.size(); ++Row) {
        const double Base = double(Row);
        const double Last = Knots_.back().Modified;
        const int Paired = Alignment.Row_Map[Row];
        // A removed row, or one paired against the order (which a line
        // alignment does not give): the modified side waits.
        if (Paired < 0 || Paired < Last) {
            Add(Base + 1, Last);
            continue;
        }
        if (Paired > Last)
            Add(Base, Paired); // the added rows before this one
        Add(Base + 1, Paired + 1);
    }
    // Rows added below the base's last row.
    double Modified_End = Knots_.back().Modified;
    for (const T_Row_Band& Band : Alignment.Bands)
        if (Band.Kind == T_Row_Band::T_Kind::Added)
            Modified_End = std::max(Modified_End, double(Band.To));
    Add(Knots_.back().Base, Modified_End);
}

void T_Row_Pairing::Add(double Base, double Modified)
{
    const T_Knot& Last = Knots_.back();
    if (Base == Last.Base && Modified == Last.Modified)
        return;
    // Two pieces that both advance rows together are one.
    if (Knots_.size() >= 2) {
        const T_Knot& Before = Knots_[Knots_.size() - 2];
        const bool Together_Before =
            Last.Base - Before.Base == Last.Modified - Before.Modified && Last.Base > Before.Base;
        const bool Together_Now = Base - Last.Base == Modified - Last.Modified && Base > Last.Base;
        const bool Waiting_Before = Last.Modified == Before.Modified && Last.Base > Before.Base;
        const bool Waiting_Now = Modified == Last.Modified && Base > Last.Base;
        if ((Together_Before && Together_Now) || (Waiting_Before && Waiting_Now)) {
            Knots_.back() = {Base, Modified};
            return;
        }
    }
    Knots_.push_back({Base, Modified});
}

namespace {

// Along the knots' Along coordinate to the Other one: the piece that starts
// at or before At and ends after it; a piece that only the other side
// advances (zero length here) is passed over, so that its far end counts.
template <class T_Knot, class T_Along, class T_Other>
double Follow_Knots(const std::vector<T_Knot>& Knots, double At, T_Along Along, T_Other Other)
{
    if (Knots.empty())
        return At;
    const auto After =
        std::upper_bound(Knots.begin(), Knots.end(), At,
                         [&](double Y, const T_Knot& Knot) { return Y < Along(Knot); });
    if (After == Knots.begin())
        return At - Along(Knots.front()) + Other(Knots.front());
    const T_Knot& From = *std::prev(After);
    if (After == Knots.end())
        return At - Along(From) + Other(From);
    const T_Knot& To = *After;
    const double Share = (At - Along(From)) / (Along(To) - Along(From));
    return Other(From) + Share * (Other(To) - Other(From));
}

} // namespace

double T_Row_Pairing::Modified_Y(double Base_Y) const
{
    return Follow_Knots(
        Knots_, Base_Y, [](const T_Knot& Knot) { return Knot.Base; },
        [](const T_Knot& Knot) { return Knot.Modified; });
}

double T_Row_Pairing::Base_Y(double Modified_Y) const
{
    return Follow_Knots(
        Knots_, Modified_Y, [](const T_Knot& Knot) { return Knot.Modified; },
        [](const T_Knot& Knot) { return Knot.Base; });
}
