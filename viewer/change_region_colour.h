// The colour a change region is outlined and listed in, by its kind: the
// Differences view's red for removed ink, green for added ink, amber for
// recoloured ink, and blue for a shape that moved.
#pragma once

#include "differences/picture_difference.h"

#include <QColor>

inline QColor Change_Region_Colour(T_Change_Region::T_Kind Kind)
{
    switch (Kind) {
    case T_Change_Region::T_Kind::Removed:
        return QColor(0xE0, 0x1B, 0x24);
    case T_Change_Region::T_Kind::Added:
        return QColor(0x1F, 0xA0, 0x30);
    case T_Change_Region::T_Kind::Moved:
        return QColor(0x1C, 0x71, 0xD8);
    case T_Change_Region::T_Kind::Changed:
        break;
    }
    return QColor(0xE0, 0x90, 0x00);
}
