#include "u_picture_drawer.h"

#include <QPainter>

#include <cmath>
#include <cstdint>

namespace {

// Pictures above this many pixels are first reduced without smoothing while
// the drawn size keeps changing; below it a smooth reduction is quick enough
// to make at once.
constexpr std::int64_t Deferred_Smoothing_Pixels = std::int64_t{2048} * 2048;

} // namespace

void T_Picture_Drawer::Set_Picture(const QImage& Picture)
{
    Picture_ = Picture;
    Scaled_ = QImage();
    Scaled_Is_Smooth = false;
    Scaled_Copies = 0;
}

const QImage& T_Picture_Drawer::Scaled_For(const QSize& Drawn, bool& Smooth)
{
    if (Scaled_.isNull() || Scaled_.size() != Drawn) {
        const bool big =
            std::int64_t{Picture_.width()} * Picture_.height() > Deferred_Smoothing_Pixels;
        Scaled_ = Picture_.scaled(Drawn, Qt::IgnoreAspectRatio,
                                  big ? Qt::FastTransformation : Qt::SmoothTransformation);
        Scaled_Is_Smooth = !big;
        ++Scaled_Copies;
    }
    Smooth = Scaled_Is_Smooth;
    return Scaled_;
}

bool T_Picture_Drawer::Make_Smooth(const QSize& Drawn)
{
    if (Scaled_Is_Smooth || Scaled_.size() != Drawn || Drawn.isEmpty())
        return false;
    Scaled_ = Picture_.scaled(Drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    Scaled_Is_Smooth = true;
    ++Scaled_Copies;
    return true;
}

bool T_Picture_Drawer::Draw(QPainter& Painter, const QRect& Exposed, const QPoint& Origin,
                            const QSize& Drawn)
{
    const QRect area = Exposed & QRect(Origin, Drawn);
    if (Picture_.isNull() || area.isEmpty())
        return true;
    if (Drawn == Picture_.size()) {
        Painter.drawImage(area.topLeft(), Picture_, area.translated(-Origin));
        return true;
    }
    if (Drawn.width() < Picture_.width()) {
        bool smooth = true;
        Painter.drawImage(area.topLeft(), Scaled_For(Drawn, smooth), area.translated(-Origin));
        return smooth;
    }
    // Enlarged: only the picture pixels under the exposed area, each drawn
    // whole so that squares line up from one paint to the next.
    const double sx = double(Drawn.width()) / Picture_.width();
    const double sy = double(Drawn.height()) / Picture_.height();
    const QRect local = area.translated(-Origin);
    const int x0 = int(std::floor(local.left() / sx)), y0 = int(std::floor(local.top() / sy));
    const int x1 = std::min(Picture_.width(), int(std::ceil((local.right() + 1) / sx)));
    const int y1 = std::min(Picture_.height(), int(std::ceil((local.bottom() + 1) / sy)));
    const QRectF source(x0, y0, x1 - x0, y1 - y0);
    const QRectF target(Origin.x() + x0 * sx, Origin.y() + y0 * sy, source.width() * sx,
                        source.height() * sy);
    Painter.save();
    Painter.setClipRect(area);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    Painter.drawImage(target, Picture_, source);
    Painter.restore();
    return true;
}
