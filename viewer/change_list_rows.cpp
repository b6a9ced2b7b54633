#include "viewer/change_list_rows.h"

#include <QLocale>

#include <cmath>
#include <tuple>
#include <utility>

QString Change_Column_Title(T_Change_Column Column)
{
    switch (Column) {
    case T_Change_Column::Number:
        return QStringLiteral("#");
    case T_Change_Column::Kind:
        return QStringLiteral("Kind");
    case T_Change_Column::Size:
        return QStringLiteral("Size");
    case T_Change_Column::Position:
        return QStringLiteral("Position");
    case T_Change_Column::Pixels:
        return QStringLiteral("Pixels");
    case T_Change_Column::Old_Text:
        return QStringLiteral("Old text");
    case T_Change_Column::New_Text:
        return QStringLiteral("New text");
    case T_Change_Column::Moved:
    case T_Change_Column::Count:
        break;
    }
    return QStringLiteral("Moved");
}

QString Change_Kind_Name(T_Change_Region::T_Kind Kind)
{
    switch (Kind) {
    case T_Change_Region::T_Kind::Added:
        return QStringLiteral("Added");
    case T_Change_Region::T_Kind::Removed:
        return QStringLiteral("Removed");
    case T_Change_Region::T_Kind::Moved:
        return QStringLiteral("Moved");
    case T_Change_Region::T_Kind::Changed:
        break;
    }
    return QStringLiteral("Changed");
}

QString Change_Kind_Name(T_Change::T_Kind Kind)
{
    QString name = QString::fromLatin1(Change_Kind_Word(Kind));
    name[0] = name[0].toUpper();
    return name;
}

T_Change_Row Make_Change_Group_Row(const T_Difference& Difference, std::size_t Index)
{
    const T_Change& change = Difference.Changes[Index];
    const int x = change.Old_Box.Left + Difference.Left;
    const int y = change.Old_Box.Top + Difference.Top;
    auto at = [](T_Change_Column column) { return std::size_t(column); };
    T_Change_Row row;
    row.Texts[at(T_Change_Column::Number)] = QString::number(Index + 1);
    row.Keys[at(T_Change_Column::Number)] = qlonglong(Index);
    row.Texts[at(T_Change_Column::Kind)] = Change_Kind_Name(change.Kind);
    row.Keys[at(T_Change_Column::Kind)] = row.Texts[at(T_Change_Column::Kind)];
    const int width = change.Old_Box.Width, height = change.Old_Box.Height;
    row.Texts[at(T_Change_Column::Size)] = QStringLiteral("%1 x %2").arg(width).arg(height);
    row.Keys[at(T_Change_Column::Size)] = qlonglong(width) * height;
    row.Texts[at(T_Change_Column::Position)] = QStringLiteral("%1, %2").arg(x).arg(y);
    row.Keys[at(T_Change_Column::Position)] = qlonglong(y) * (qlonglong(1) << 32) + x;
    row.Texts[at(T_Change_Column::Pixels)] =
        QLocale(QLocale::English).toString(qulonglong(change.Pixels));
    row.Keys[at(T_Change_Column::Pixels)] = qulonglong(change.Pixels);
    row.Texts[at(T_Change_Column::Moved)] =
        change.Is_Move() ? QStringLiteral("moved by %1, %2").arg(change.Dx).arg(change.Dy)
                         : QString();
    row.Keys[at(T_Change_Column::Moved)] =
        change.Is_Move() ? std::hypot(double(change.Dx), double(change.Dy)) : -1.0;
    row.Keys[at(T_Change_Column::Old_Text)] = QString();
    row.Keys[at(T_Change_Column::New_Text)] = QString();
    return row;
}

T_Change_Row Make_Change_Row(const T_Difference& Difference, std::size_t Index,
                             const T_Alignment* Alignment)
{
    const T_Change_Region& region = Difference.Regions[Index];
    const int x = region.Left + Difference.Left;
    const int y = region.Top + Difference.Top;
    const bool moved = region.Kind == T_Change_Region::T_Kind::Moved;
    auto at = [](T_Change_Column column) { return std::size_t(column); };
    T_Change_Row row;
    row.Texts[at(T_Change_Column::Number)] = QString::number(Index + 1);
    row.Keys[at(T_Change_Column::Number)] = qlonglong(Index);
    row.Texts[at(T_Change_Column::Kind)] = Change_Kind_Name(region.Kind);
    row.Keys[at(T_Change_Column::Kind)] = row.Texts[at(T_Change_Column::Kind)];
    auto [width, height] = std::pair{region.Width, region.Height};
    if (Alignment && region.Kind == T_Change_Region::T_Kind::Added)
        std::tie(width, height) = Alignment->Added_Band_Size({x, y, width, height});
    row.Texts[at(T_Change_Column::Size)] = QStringLiteral("%1 x %2").arg(width).arg(height);
    row.Keys[at(T_Change_Column::Size)] = qlonglong(width) * height;
    row.Texts[at(T_Change_Column::Position)] = QStringLiteral("%1, %2").arg(x).arg(y);
    // Top to bottom, then left to right, as the regions are found.
    row.Keys[at(T_Change_Column::Position)] = qlonglong(y) * (qlonglong(1) << 32) + x;
    row.Texts[at(T_Change_Column::Pixels)] =
        QLocale(QLocale::English).toString(qulonglong(region.Pixels));
    row.Keys[at(T_Change_Column::Pixels)] = qulonglong(region.Pixels);
    row.Texts[at(T_Change_Column::Moved)] =
        moved ? QStringLiteral("moved by %1, %2").arg(region.Dx).arg(region.Dy) : QString();
    row.Keys[at(T_Change_Column::Moved)] =
        moved ? std::hypot(double(region.Dx), double(region.Dy)) : -1.0;
    row.Keys[at(T_Change_Column::Old_Text)] = QString();
    row.Keys[at(T_Change_Column::New_Text)] = QString();
    return row;
}

QImage Change_Thumbnail(const T_Difference& Difference, const T_Change_Region& Region,
                        const QImage& Base, const QImage& Modified, QPoint Offset, int Side)
{
    const bool removed = Region.Kind == T_Change_Region::T_Kind::Removed;
    const QImage& picture = removed ? Base : Modified;
    QRect box(Region.Left + Difference.Left, Region.Top + Difference.Top, Region.Width,
              Region.Height);
    if (!removed)
        box.translate(-Offset);
    box &= picture.rect();
    if (box.isEmpty() || Side <= 0)
        return {};
    // Small changes are enlarged without smoothing, so their pixels stay
    // sharp; large ones are reduced smoothly.
    const bool enlarged = box.width() < Side && box.height() < Side;
    return picture.copy(box).scaled(QSize(Side, Side), Qt::KeepAspectRatio,
                                    enlarged ? Qt::FastTransformation : Qt::SmoothTransformation);
}
