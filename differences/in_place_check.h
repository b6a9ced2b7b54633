// Whether two pictures already lie on each other: most of the base's ink
// compares the same where it lies. Decided from the plain comparison, which
// an aligned comparison makes anyway, and a sample of its unchanged tiles,
// so that a pair needing no move costs little more than that comparison.
#pragma once

#include "differences/picture_difference.h"

namespace differences {

// True when the plain comparison (no offset) left at least three times as
// many inked tiles unchanged as it found changed tiles. A pair moved as a
// whole changes nearly every inked tile; a blank pair has no ink to vouch
// for it.
bool Lies_In_Place(const T_Pixels& Base, const T_Difference& Plain);

} // namespace differences
