#include "viewer/row_band_marks.h"

#include "viewer/row_pairing.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

T_Band_Marks Band_Marks(const T_Alignment& Alignment, const T_Row_Pairing& Pairing)
{
    T_Band_Marks Marks;
    if (Alignment.Mode != T_Align_Mode::Bands || !Alignment.Aligned || Pairing.Identity())
        return Marks;
    for (const T_Row_Band& Band : Alignment.Bands) {
        if (Band.Kind == T_Row_Band::T_Kind::Added) {
            const int Gap = int(std::lround(Pairing.Base_Y(Band.From)));
            Marks.Modified.push_back({Band.From, Band.To, Added_Band_Colour});
            Marks.Base.push_back({Gap, Gap, Added_Band_Colour});
        } else {
            const int Gap = int(std::lround(Pairing.Modified_Y(Band.From)));
            Marks.Base.push_back({Band.From, Band.To, Removed_Band_Colour});
            Marks.Modified.push_back({Gap, Gap, Removed_Band_Colour});
        }
    }
    return Marks;
}

void Paint_Row_Marks(QPainter& Painter, const std::vector<T_Row_Mark>& Marks, const QRect& Content,
                     const QRect& Target)
{
    if (Marks.empty() || Content.isEmpty() || Target.isEmpty())
        return;
    const double Scale = double(Target.height()) / Content.height();
    auto To_Widget = [&](int Row) { return Target.top() + (Row - Content.top()) * Scale; };
    constexpr int Line_Width = 2;
    constexpr int Edge_Width = 4;
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Painter.setClipRect(Target);
    for (const T_Row_Mark& Mark : Marks) {
        if (Mark.Is_Line()) {
            // Kept inside the picture, so that a band going in below the last
            // row still shows.
            const double Y =
                std::clamp(To_Widget(Mark.From) - Line_Width / 2.0, double(Target.top()),
                           double(Target.bottom() + 1 - Line_Width));
            Painter.fillRect(QRectF(Target.left(), Y, Target.width(), Line_Width), Mark.Colour);
            continue;
        }
        // A light wash, so that the band's content stays readable, and a
        // solid edge on the left that a reviewer finds when zoomed out.
        const QRectF Band(Target.left(), To_Widget(Mark.From), Target.width(),
                          (Mark.To - Mark.From) * Scale);
        QColor Wash = Mark.Colour;
        Wash.setAlpha(0x38);
        Painter.fillRect(Band, Wash);
        Painter.fillRect(QRectF(Band.left(), Band.top(), Edge_Width, Band.height()), Mark.Colour);
    }
    Painter.restore();
}
