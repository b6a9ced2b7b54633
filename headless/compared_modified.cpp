#include "headless/compared_modified.h"

#include <cmath>

T_Compared_Modified Compared_Modified(const T_Compared_Pair& Pair, int Offset_X, int Offset_Y)
{
    if (!Pair.Compared_Modified.isNull())
        return {Pair.Compared_Modified, 0, 0};
    if (const T_Alignment* alignment = Pair.Alignment.get();
        alignment && alignment->Aligned && alignment->Mode == T_Align_Mode::Shift)
        return {Pair.Modified, -int(std::lround(alignment->Dx)), -int(std::lround(alignment->Dy))};
    return {Pair.Modified, Offset_X, Offset_Y};
}
