// The modified picture of a pair as the comparison laid it on the base:
// what a picture of the differences and a report's overlay must show, so
// that the changes marked lie on the content they were found on.
#pragma once

#include "session/pair_pipeline.h"

#include <QImage>

struct T_Compared_Modified {
    QImage Picture;
    // Where the picture's top left stands in the base's pixels.
    int Offset_X = 0, Offset_Y = 0;
};

// The redrawn modified picture when the alignment redrew it (on the base's
// pixels); else the picture as it lies in its file, moved by the whole
// pixels a found shift laid it back by, or by the offset asked for
// (`Offset_X`, `Offset_Y`) when there was none.
T_Compared_Modified Compared_Modified(const T_Compared_Pair& Pair, int Offset_X, int Offset_Y);
