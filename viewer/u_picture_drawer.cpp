#include "viewer/u_picture_drawer.h"

#include <QPainter>

#include <cmath>
#include <cstdint>

namespace {

// Pictures above this many pixels get their smooth reduction on another
// thread; below it one is quick enough to make at once.
constexpr std::int64_t Deferred_Smoothing_Pixels = std::int64_t{2048} * 2048;

} // namespace

void T_Picture_Drawer::Set_Picture(const QImage& Picture)
{
    if (Making.valid())
        Making.wait();
    Making = {};
    Picture_ = Picture;
    Scaled_ = QImage();
    Scaled_Copies = 0;
}

void T_Picture_Drawer::Adopt_Finished_Copy()
{
    if (!Making.valid() || Making.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    Scaled_ = Making.get();
    ++Scaled_Copies;
}

QSize T_Picture_Drawer::Device_Size(const QSize& Drawn) const
{
    return Density_ == 1.0 ? Drawn
                           : QSize(int(std::lround(Drawn.width() * Density_)),
                                   int(std::lround(Drawn.height() * Density_)));
}

bool T_Picture_Drawer::Make_Smooth(const QSize& Shown, std::function<void()> Ready)
{
    Adopt_Finished_Copy();
    const QSize Drawn = Device_Size(Shown);
    if (Drawn.isEmpty() || Scaled_.size() == Drawn || Drawn.width() >= Picture_.width())
        return false;
    if (Making.valid()) {
        // One copy at a time; one for another size is made again once the
        // one under way is done.
        if (Making_Size == Drawn)
            return true;
        Making.wait();
        Making = {};
    }
    Making_Size = Drawn;
    Making = std::async(std::launch::async, [picture = Picture_, Drawn, Ready = std::move(Ready)] {
        QImage scaled = picture.scaled(Drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (Ready)
            Ready();
        return scaled;
    });
    return true;
}

void T_Picture_Drawer::Draw_Scaled_Part(QPainter& Painter, const QRect& Area, const QPoint& Origin,
                                        const QSize& Drawn) const
{
    // Only the picture pixels under the area, each drawn whole so that
    // squares line up from one paint to the next.
    const double sx = double(Drawn.width()) / Picture_.width();
    const double sy = double(Drawn.height()) / Picture_.height();
    const QRect local = Area.translated(-Origin);
    const int x0 = int(std::floor(local.left() / sx)), y0 = int(std::floor(local.top() / sy));
    const int x1 = std::min(Picture_.width(), int(std::ceil((local.right() + 1) / sx)));
    const int y1 = std::min(Picture_.height(), int(std::ceil((local.bottom() + 1) / sy)));
    const QRectF source(x0, y0, x1 - x0, y1 - y0);
    const QRectF target(Origin.x() + x0 * sx, Origin.y() + y0 * sy, source.width() * sx,
                        source.height() * sy);
    Painter.save();
    Painter.setClipRect(Area);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    Painter.drawImage(target, Picture_, source);
    Painter.restore();
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
    Density_ = Painter.device() ? Painter.device()->devicePixelRatioF() : 1.0;
    const QSize device = Device_Size(Drawn);
    if (device.width() < Picture_.width()) {
        Adopt_Finished_Copy();
        const bool big =
            std::int64_t{Picture_.width()} * Picture_.height() > Deferred_Smoothing_Pixels;
        if (Scaled_.size() != device && !big) {
            Scaled_ = Picture_.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            ++Scaled_Copies;
        }
        if (Scaled_.size() == device) {
            // The copy's pixels are the device's: one to one on the screen.
            const QRectF source = area.translated(-Origin);
            Painter.drawImage(QRectF(area), Scaled_,
                              QRectF(source.x() * device.width() / Drawn.width(),
                                     source.y() * device.height() / Drawn.height(),
                                     source.width() * device.width() / Drawn.width(),
                                     source.height() * device.height() / Drawn.height()));
            return true;
        }
        Draw_Scaled_Part(Painter, area, Origin, Drawn);
        return false;
    }
    Draw_Scaled_Part(Painter, area, Origin, Drawn);
    return true;
}
