#include "viewer/u_picture_drawer.h"

#include "viewer/area_reduction.h"

#include <QPainter>

#include <algorithm>
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
    Quick_ = QImage();
    Quick_Factor_ = 0;
    Scaled_Copies = 0;
}

void T_Picture_Drawer::Draw_Quick_Reduction(QPainter& Painter, const QRect& Area,
                                            const QPoint& Origin, const QSize& Device,
                                            const QSize& Drawn)
{
    // The smallest whole factor that brings the picture to the device's
    // size or below: the rest is a slight enlargement, which loses nothing.
    const int factor = std::max({1, (Picture_.width() + Device.width() - 1) / Device.width(),
                                 (Picture_.height() + Device.height() - 1) / Device.height()});
    if (Quick_Factor_ != factor) {
        Quick_ = Area_Averaged_Reduction(Picture_, factor);
        Quick_Factor_ = factor;
    }
    // Logical pixels of the drawn picture to pixels of the reduction.
    const double to_quick_x = double(Picture_.width()) / factor / Drawn.width();
    const double to_quick_y = double(Picture_.height()) / factor / Drawn.height();
    const QRectF local = QRectF(Area.translated(-Origin));
    const QRectF source(local.x() * to_quick_x, local.y() * to_quick_y, local.width() * to_quick_x,
                        local.height() * to_quick_y);
    Painter.save();
    // Within any clip the caller set.
    Painter.setClipRect(Area, Qt::IntersectClip);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    Painter.drawImage(QRectF(Area), Quick_, source);
    Painter.restore();
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
    // Within any clip the caller set.
    Painter.setClipRect(Area, Qt::IntersectClip);
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
        // Until the smooth copy is ready, a quick area-averaged one: thin
        // lines stay on the screen from the first paint.
        Draw_Quick_Reduction(Painter, area, Origin, device, Drawn);
        return false;
    }
    Draw_Scaled_Part(Painter, area, Origin, Drawn);
    return true;
}
