// Where content was inserted or removed between the versions, marked in the
// side-by-side panes: the band's rows tinted on the side that has them, and
// a line on the other side where the band goes in.
#pragma once

#include "differences/picture_alignment.h"

#include <QColor>
#include <QRect>

#include <vector>

class QPainter;
class T_Row_Pairing;

// Rows [From, To) of a pane's picture tinted in Colour; a mark with To equal
// to From is a line across the picture above row From.
struct T_Row_Mark {
    int From = 0;
    int To = 0;
    QColor Colour;

    bool Is_Line() const { return To <= From; }
    bool operator==(const T_Row_Mark&) const = default;
};

// The colours of the differences view: removed in red, added in green.
inline const QColor Removed_Band_Colour(0xD0, 0x30, 0x30);
inline const QColor Added_Band_Colour(0x20, 0xA0, 0x40);

// The marks of the base pane and of the modified pane for an alignment's
// bands; none for another alignment.
struct T_Band_Marks {
    std::vector<T_Row_Mark> Base;
    std::vector<T_Row_Mark> Modified;
};
T_Band_Marks Band_Marks(const T_Alignment& Alignment, const T_Row_Pairing& Pairing);

// Draws Marks over content of size Content drawn into Target (a control's
// pixels). Lines keep their width in the control's pixels at every zoom.
void Paint_Row_Marks(QPainter& Painter, const std::vector<T_Row_Mark>& Marks, const QRect& Content,
                     const QRect& Target);
