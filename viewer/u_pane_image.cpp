#include "viewer/u_pane_image.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QTransform>

#include <cmath>
#include <cstdint>

namespace {

constexpr int Smoothing_Delay_Ms = 150;

} // namespace

QRect Picture_Draw_Rect(const QSize& Picture, const QSize& Client, bool Stretch)
{
    const std::int64_t w = Picture.width(), h = Picture.height();
    const std::int64_t cw = Client.width(), ch = Client.height();
    const bool scaling = Stretch || w > cw || h > ch;
    if (!scaling)
        return QRect(0, 0, int(w), int(h));
    if (w <= 0 || h <= 0)
        return QRect();
    // Exact integer forms of trunc(cw / (w / h)) and trunc(ch * (w / h)).
    std::int64_t width, height;
    if (w > h) {
        width = cw;
        height = cw * h / w;
        if (height > ch) {
            height = ch;
            width = ch * w / h;
        }
    } else {
        height = ch;
        width = ch * w / h;
        if (width > cw) {
            width = cw;
            height = cw * h / w;
        }
    }
    return QRect(0, 0, int(width), int(height));
}

// ---------------------------------------------------------------- one picture

TPane_Image::TPane_Image(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    Smooth_Timer.setSingleShot(true);
    Smooth_Timer.setInterval(Smoothing_Delay_Ms);
    // Nothing left to make means the smooth copy is ready: it is shown now,
    // since the repaint it asked for may have come just before it was
    // handed over.
    connect(&Smooth_Timer, &QTimer::timeout, this, [this] {
        if (!Make_Smooth_Copies(Draw_Rect().size()))
            update();
    });
}

void TPane_Image::Set_Picture(const QImage& Picture, const QString& Message)
{
    Base_.Set_Picture(Picture);
    Sharp_[0] = {};
    Sharp_[1] = {};
    Sharp_Shown_ = false;
    Message_ = Message;
    Smooth_Timer.stop();
    update();
}

void TPane_Image::Set_Stretch(bool Stretch)
{
    if (Stretch_ == Stretch)
        return;
    Stretch_ = Stretch;
    update();
}

void TPane_Image::Set_Zoom(double Zoom)
{
    if (Zoom_ == Zoom)
        return;
    Zoom_ = Zoom;
    update();
}

QRect TPane_Image::Content_Rect() const { return QRect(QPoint(0, 0), Base_.Picture().size()); }

QSize TPane_Image::Zoomed_Size() const
{
    const QSize content = Content_Rect().size();
    if (content.isEmpty())
        return {};
    return QSize(std::max(1, int(std::lround(content.width() * Zoom_))),
                 std::max(1, int(std::lround(content.height() * Zoom_))));
}

QRect TPane_Image::Draw_Rect() const
{
    return Picture_Draw_Rect(Stretch_ ? Content_Rect().size() : Zoomed_Size(), size(), Stretch_);
}

QPointF TPane_Image::Content_Point(const QPoint& At) const
{
    const QRect target = Draw_Rect();
    const QRect content = Content_Rect();
    if (target.isEmpty())
        return {};
    return QPointF(
        content.left() + (At.x() - target.left()) * double(content.width()) / target.width(),
        content.top() + (At.y() - target.top()) * double(content.height()) / target.height());
}

QRect TPane_Image::Placed(const QRect& Target, const QPoint& Position, const QSize& Picture) const
{
    const QRect content = Content_Rect();
    if (content.isEmpty())
        return {};
    const double sx = double(Target.width()) / content.width();
    const double sy = double(Target.height()) / content.height();
    // Both edges are rounded, so that pictures side by side meet exactly.
    const int x0 = int(std::lround((Position.x() - content.left()) * sx));
    const int y0 = int(std::lround((Position.y() - content.top()) * sy));
    const int x1 = int(std::lround((Position.x() + Picture.width() - content.left()) * sx));
    const int y1 = int(std::lround((Position.y() + Picture.height() - content.top()) * sy));
    return QRect(Target.left() + x0, Target.top() + y0, x1 - x0, y1 - y0);
}

bool TPane_Image::Paint_Content(QPainter& Painter, const QRect& Exposed, const QRect& Target)
{
    const bool smooth = Base_.Draw(Painter, Exposed, Target.topLeft(), Target.size());
    Paint_Sharp_Part(Painter, 0, Exposed, Target, Target);
    return smooth;
}

const QImage& TPane_Image::Sharp_Picture(int Picture) const
{
    static const QImage none;
    return Picture == 0 ? Base_.Picture() : none;
}

std::function<void()> TPane_Image::Repaint_When_Ready()
{
    // Called on the thread that made the copy; the paint happens here, and
    // not at all once this control is gone.
    return [this] {
        QMetaObject::invokeMethod(
            this, [this] { update(); }, Qt::QueuedConnection);
    };
}

bool TPane_Image::Make_Smooth_Copies(const QSize& Target)
{
    return Base_.Make_Smooth(Target, Repaint_When_Ready());
}

void TPane_Image::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (Content_Rect().isEmpty()) {
        if (!Message_.isEmpty()) {
            painter.fillRect(rect(), palette().color(QPalette::Window));
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(rect().adjusted(12, 12, -12, -12),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Message_);
        }
        return;
    }
    const QRect target = Draw_Rect();
    const QRect exposed = event->rect() & target;
    if (exposed.isEmpty())
        return;
    Sharp_Wanted_ = false;
    Sharp_Covered_ = true;
    if (!Paint_Content(painter, exposed, target))
        Smooth_Timer.start();
    Sharp_Shown_ = Sharp_Wanted_ && Sharp_Covered_;
    Paint_Ignored(painter, target);
    Paint_Row_Marks(painter, Row_Marks_, Content_Rect(), target);
    Paint_Frames(painter, target);
    Paint_Found(painter, target);
}

void TPane_Image::Set_Sharp_Part(int Picture, const QImage& Part, const QRect& Where,
                                 const QSize& Drawn_For)
{
    Sharp_[Picture] = {Part, Where, Drawn_For};
    update();
}

QRect TPane_Image::Sharp_Cover(int Picture, const QRect& Placed) const
{
    const T_Sharp_Slot& sharp = Sharp_[Picture];
    if (!On_Sharp_Wanted || sharp.Part.isNull() || sharp.Drawn_For != Placed.size())
        return {};
    return sharp.Where.translated(Placed.topLeft());
}

void TPane_Image::Paint_Sharp_Part(QPainter& Painter, int Picture, const QRect& Exposed,
                                   const QRect& Area, const QRect& Placed)
{
    const QImage& picture = Sharp_Picture(Picture);
    if (!On_Sharp_Wanted || picture.isNull() ||
        Placed.width() * devicePixelRatioF() <= picture.width() * 1.0001)
        return;
    const QRect visible = visibleRegion().boundingRect() & Area & Placed;
    if (visible.isEmpty())
        return;
    Sharp_Wanted_ = true;
    const T_Sharp_Slot& sharp = Sharp_[Picture];
    const QRect where = Sharp_Cover(Picture, Placed);
    const bool fits = !where.isEmpty();
    if (fits) {
        // The part is drawn pixel for pixel: it was made for this size.
        const QRect shown = Exposed & Area & where;
        const double ratio = sharp.Part.devicePixelRatio();
        const QRect source((shown.topLeft() - where.topLeft()) * ratio, shown.size() * ratio);
        Painter.drawImage(shown, sharp.Part, source);
    }
    if (fits && where.contains(visible))
        return;
    Sharp_Covered_ = false;
    On_Sharp_Wanted(Picture, visible.translated(-Placed.topLeft()), Placed.size());
}

void TPane_Image::Set_Change_Frames(std::vector<T_Change_Frame> Frames)
{
    Frames_ = std::move(Frames);
    update();
}

void TPane_Image::Set_Ignored(const QRegion& Ignored)
{
    Ignored_ = Ignored;
    update();
}

void TPane_Image::Set_Row_Marks(std::vector<T_Row_Mark> Marks)
{
    if (Marks == Row_Marks_)
        return;
    Row_Marks_ = std::move(Marks);
    update();
}

void TPane_Image::Set_Found_Boxes(std::vector<QRect> Boxes, int Current)
{
    Found_ = std::move(Boxes);
    Found_Current_ = Current;
    update();
}

void TPane_Image::Paint_Found(QPainter& Painter, const QRect& Target) const
{
    const QRect content = Content_Rect();
    if (Found_.empty() || content.isEmpty())
        return;
    const double sx = double(Target.width()) / content.width();
    const double sy = double(Target.height()) / content.height();
    // In the control's pixels with a margin, so that a word stays outlined
    // and readable however far the view is zoomed out.
    const QColor found(0xE0, 0x40, 0xC0);
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Painter.setBrush(Qt::NoBrush);
    for (std::size_t index = 0; index < Found_.size(); ++index) {
        const QRect& box = Found_[index];
        QRectF drawn(Target.left() + (box.left() - content.left()) * sx,
                     Target.top() + (box.top() - content.top()) * sy, box.width() * sx,
                     box.height() * sy);
        drawn.adjust(-2, -2, 2, 2);
        const bool current = int(index) == Found_Current_;
        if (current)
            Painter.fillRect(drawn, QColor(found.red(), found.green(), found.blue(), 0x30));
        Painter.setPen(QPen(found, current ? 3 : 1));
        Painter.drawRect(drawn);
    }
    Painter.restore();
}

void TPane_Image::Paint_Ignored(QPainter& Painter, const QRect& Target) const
{
    const QRect content = Content_Rect();
    if (Ignored_.isEmpty() || content.isEmpty())
        return;
    QTransform to_widget;
    to_widget.translate(Target.left(), Target.top());
    to_widget.scale(double(Target.width()) / content.width(),
                    double(Target.height()) / content.height());
    to_widget.translate(-content.left(), -content.top());
    // A light wash with diagonal stripes in the control's pixels: the
    // picture stays readable under it, and the stripes keep their spacing
    // at every zoom.
    const QColor wash(0x60, 0x70, 0x90, 0x30);
    const QColor stripes(0x50, 0x60, 0x88, 0xA0);
    Painter.save();
    Painter.setClipRegion(to_widget.map(Ignored_) & Target);
    Painter.fillRect(Target, wash);
    Painter.fillRect(Target, QBrush(stripes, Qt::BDiagPattern));
    Painter.restore();
}

void TPane_Image::Paint_Current_Ring(QPainter& Painter, const QRectF& Box)
{
    // Drawn in the control's pixels, so it keeps its width at every zoom:
    // a dark line and a bright dashed one over it, one of which stands out
    // on any picture.
    const QRectF ring = Box.adjusted(-3, -3, 3, 3);
    QPen dark(Current_Change_Dark, 4);
    dark.setJoinStyle(Qt::MiterJoin);
    Painter.setPen(dark);
    Painter.drawRect(ring);
    QPen bright(Current_Change_Bright, 2, Qt::CustomDashLine);
    bright.setDashPattern({3, 2});
    bright.setJoinStyle(Qt::MiterJoin);
    Painter.setPen(bright);
    Painter.drawRect(ring);
}

void TPane_Image::Paint_Frames(QPainter& Painter, const QRect& Target) const
{
    const QRect content = Content_Rect();
    if (Frames_.empty() || content.isEmpty())
        return;
    const double sx = double(Target.width()) / content.width();
    const double sy = double(Target.height()) / content.height();
    auto to_widget = [&](QPointF at) {
        return QPointF(Target.left() + (at.x() - content.left()) * sx,
                       Target.top() + (at.y() - content.top()) * sy);
    };
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Painter.setBrush(Qt::NoBrush);
    for (const T_Change_Frame& frame : Frames_) {
        // A few pixels of room, so that the outline does not hide the change.
        QRectF box(to_widget(frame.Box.topLeft()),
                   to_widget(frame.Box.bottomRight() + QPoint(1, 1)));
        box.adjust(-3, -3, 2, 2);
        Painter.setPen(QPen(frame.Colour, frame.Current ? 2 : 1));
        Painter.drawRect(box);
        if (frame.Current)
            Paint_Current_Ring(Painter, box);
        if (frame.Moved) {
            const QPointF from = to_widget(frame.Moved_From);
            const QPointF to = to_widget(frame.Moved_To);
            Painter.drawLine(from, to);
            const QPointF way = from - to;
            const double length = std::hypot(way.x(), way.y());
            if (length > 0) {
                const QPointF unit = way / length * 8;
                const QPointF side(-unit.y() / 2, unit.x() / 2);
                Painter.drawLine(to, to + unit + side);
                Painter.drawLine(to, to + unit - side);
            }
        }
    }
}

// ---------------------------------------------------------------- two versions

T_Blend_Image::T_Blend_Image(QWidget* parent) : TPane_Image(parent) {}

void T_Blend_Image::Set_Pictures(const QImage& Base, const QImage& Modified)
{
    Modified_.Set_Picture(Modified);
    Set_Picture(Base, QString());
}

void T_Blend_Image::Set_Mode(T_Blend_Mode Mode)
{
    Mode_ = Mode;
    update();
}

void T_Blend_Image::Set_Offset(const QPoint& Offset)
{
    Offset_ = Offset;
    update();
}

void T_Blend_Image::Set_Opacity(double Opacity)
{
    Opacity_ = std::clamp(Opacity, 0.0, 1.0);
    update();
}

void T_Blend_Image::Set_Showing_Modified(bool Modified)
{
    Showing_Modified_ = Modified;
    update();
}

void T_Blend_Image::Set_Divider(double X)
{
    Divider_ = std::clamp(X, 0.0, double(Content_Rect().width()));
    update();
}

const QImage& T_Blend_Image::Sharp_Picture(int Picture) const
{
    return Picture == 0 ? Base_.Picture() : Modified_.Picture();
}

QRect T_Blend_Image::Content_Rect() const
{
    QRect content = TPane_Image::Content_Rect();
    if (!Modified_.Picture().isNull())
        content |= QRect(Offset_, Modified_.Picture().size());
    return content;
}

bool T_Blend_Image::Paint_Content(QPainter& Painter, const QRect& Exposed, const QRect& Target)
{
    const QRect base = Placed(Target, QPoint(0, 0), Base_.Picture().size());
    const QRect modified = Placed(Target, Offset_, Modified_.Picture().size());
    bool smooth = true;
    // Each version with its sharp part over it, in the part of the pane
    // where it shows. The enlarged pixels are left out where the sharp part
    // goes: seen through a part drawn half transparent they would show their
    // blocks.
    auto draw = [&](T_Picture_Drawer& Drawer, int Picture, const QRect& Area, const QRect& Placed) {
        Painter.save();
        Painter.setClipRegion(QRegion(Exposed & Area) - Sharp_Cover(Picture, Placed));
        smooth &= Drawer.Draw(Painter, Exposed & Area, Placed.topLeft(), Placed.size());
        Painter.restore();
        Paint_Sharp_Part(Painter, Picture, Exposed, Area, Placed);
    };
    auto draw_base = [&](const QRect& area) { draw(Base_, 0, area, base); };
    auto draw_modified = [&](const QRect& area) { draw(Modified_, 1, area, modified); };
    switch (Mode_) {
    case T_Blend_Mode::Overlay:
        draw_base(Target);
        Painter.setOpacity(Opacity_);
        draw_modified(Target);
        Painter.setOpacity(1);
        break;
    case T_Blend_Mode::Blink:
        Showing_Modified_ ? draw_modified(Target) : draw_base(Target);
        break;
    case T_Blend_Mode::Differences:
        // The modified picture, washed out to a light grey, shows where
        // things are without competing with the colours of the changes.
        Painter.fillRect(Exposed, Qt::white);
        Painter.setOpacity(0.25);
        draw_modified(Target);
        Painter.setOpacity(1);
        Paint_Change_Tiles(Painter, Exposed, Target);
        break;
    case T_Blend_Mode::Swipe: {
        const double scale = double(Target.width()) / std::max(1, Content_Rect().width());
        const int divider = Target.left() + int(std::lround(Divider_ * scale));
        draw_base(QRect(QPoint(Target.left(), Target.top()), QPoint(divider - 1, Target.bottom())));
        draw_modified(QRect(QPoint(divider, Target.top()), Target.bottomRight()));
        Painter.fillRect(QRect(divider, Exposed.top(), 1, Exposed.height()),
                         QColor(0x00, 0x78, 0xD7));
        break;
    }
    }
    return smooth;
}

bool T_Blend_Image::Make_Smooth_Copies(const QSize& Target)
{
    const QRect target(QPoint(0, 0), Target);
    bool base = Base_.Make_Smooth(Placed(target, QPoint(0, 0), Base_.Picture().size()).size(),
                                  Repaint_When_Ready());
    bool modified = Modified_.Make_Smooth(
        Placed(target, Offset_, Modified_.Picture().size()).size(), Repaint_When_Ready());
    return base || modified;
}

void T_Blend_Image::Set_Difference(std::shared_ptr<const T_Difference> Difference)
{
    Difference_ = std::move(Difference);
    Tile_Pictures.assign(Difference_ ? Difference_->Tiles.size() : 0, QImage());
    update();
}

const QImage& T_Blend_Image::Tile_Picture(std::size_t Index)
{
    QImage& picture = Tile_Pictures[Index];
    if (!picture.isNull())
        return picture;
    // Removed in red, added in green, recoloured in amber; the rest clear.
    static const QRgb colours[] = {qRgba(0, 0, 0, 0), qRgb(0xE0, 0x1B, 0x24),
                                   qRgb(0x1F, 0xA0, 0x30), qRgb(0xF0, 0xA0, 0x00)};
    const T_Change_Tile& tile = Difference_->Tiles[Index];
    picture = QImage(T_Change_Tile::Side, T_Change_Tile::Side, QImage::Format_ARGB32);
    for (int y = 0; y < T_Change_Tile::Side; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < T_Change_Tile::Side; ++x)
            row[x] = colours[tile.Changes[std::size_t(y) * T_Change_Tile::Side + x] & 3];
    }
    return picture;
}

void T_Blend_Image::Paint_Change_Tiles(QPainter& Painter, const QRect& Exposed, const QRect& Target)
{
    if (!Difference_)
        return;
    const QRect content = Content_Rect();
    const double sx = double(Target.width()) / content.width();
    const double sy = double(Target.height()) / content.height();
    Painter.save();
    Painter.setClipRect(Exposed);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (std::size_t index = 0; index < Difference_->Tiles.size(); ++index) {
        const T_Change_Tile& tile = Difference_->Tiles[index];
        // Tiles are in the area's pixels, the area starting where the content does.
        const QRectF at(Target.left() + tile.Left * sx, Target.top() + tile.Top * sy,
                        T_Change_Tile::Side * sx, T_Change_Tile::Side * sy);
        if (at.intersects(QRectF(Exposed)))
            Painter.drawImage(at, Tile_Picture(index));
    }
    Painter.restore();
}
