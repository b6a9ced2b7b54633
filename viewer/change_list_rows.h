// What the change list says about one change region: its words per column,
// the keys its columns sort by, and a small picture of it.
#pragma once

#include "differences/picture_alignment.h"
#include "differences/picture_difference.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <QVariant>

#include <array>

// The change list's columns, from the left.
// The text columns are filled for PDF pages only (see change_list_text.h).
// What a reviewer reads first comes first, so that it shows in the list's
// default width: the kind, the text and the size before the coordinates.
enum class T_Change_Column {
    Number,
    Kind,
    Old_Text,
    New_Text,
    Size,
    Position,
    Pixels,
    Moved,
    Count
};

constexpr int Change_Column_Count = int(T_Change_Column::Count);

struct T_Change_Row {
    std::array<QString, Change_Column_Count> Texts;
    // Numbers for the numeric columns, so that 9 sorts before 10.
    std::array<QVariant, Change_Column_Count> Keys;
};

QString Change_Column_Title(T_Change_Column Column);
QString Change_Kind_Name(T_Change_Region::T_Kind Kind);

// Region Index of Difference as a row; positions are in the base's pixels.
// The size of a band of rows or columns that `Alignment` (when given) found
// added is its size in the modified picture, where it exists: in the base's
// pixels it has no height or no width.
T_Change_Row Make_Change_Row(const T_Difference& Difference, std::size_t Index,
                             const T_Alignment* Alignment = nullptr);

QString Change_Kind_Name(T_Change::T_Kind Kind);

// Change Index of Difference (regions grouped into one edit) as a row: its
// kind, its box in the base (where a moved shape was), its pixels and move.
T_Change_Row Make_Change_Group_Row(const T_Difference& Difference, std::size_t Index);

// The region cut from the picture it shows in (the base for removed ink,
// the modified picture, placed at Offset in the base's pixels, otherwise)
// and scaled to fit Side x Side; null where the region lies outside it.
QImage Change_Thumbnail(const T_Difference& Difference, const T_Change_Region& Region,
                        const QImage& Base, const QImage& Modified, QPoint Offset, int Side);
