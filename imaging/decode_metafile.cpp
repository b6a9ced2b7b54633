// Windows metafiles (WMF, with or without the placeable header) and enhanced
// metafiles (EMF), drawn with QPainter onto a white picture.
//
// The records are parsed here; the figures they describe become painter
// paths in logical coordinates, mapped to the picture by the metafile's
// mapping (window, viewport, mapping mode, world transform). What is drawn:
// lines, polylines, polygons and poly-polygons, rectangles, rounded
// rectangles, ellipses, arcs, chords and pies, Bezier curves, paths (filled,
// stroked or both), text in the selected font, colour, alignment and angle,
// clipping by rectangles and paths, solid and hatched brushes (hatches drawn
// as their solid colour), pens of any width, and embedded device-independent
// bitmaps. What is not: raster operations other than copying, region clipping
// other than its reset, and pattern brushes (drawn grey). Shapes are not
// anti-aliased, so their colours stay exact; text is.
//
// A budget of work (path elements, and the pixels each figure can cover)
// keeps a hostile metafile (millions of huge polygons) from running for
// minutes: past it the drawing stops with an error.
#include "image_decoders.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace imaging {

namespace {

// A pen's width is in logical units; 0 means one pixel.
struct T_Pen {
    bool Visible = true;
    double Width = 0;
    QColor Color = Qt::black;
};
struct T_Brush {
    bool Visible = true;
    QColor Color = Qt::white;
};

// A logical font: its height in logical units (negative: the character
// height, positive: the cell height), weight, angle in tenths of a degree.
struct T_Font {
    double Height = 0, Escapement = 0;
    int Weight = 400;
    bool Italic = false, Underline = false, Strike_Out = false;
    QString Face;
};

// The objects of a metafile's table: pens, brushes, fonts, or anything else
// that only occupies a slot (palettes, regions).
struct T_Object {
    enum { Empty, Pen, Brush, Font, Other } Kind = Empty;
    T_Pen Pen_Value;
    T_Brush Brush_Value;
    T_Font Font_Value;
};

// Everything that saving the device context keeps.
struct T_State {
    T_Pen Pen;
    T_Brush Brush;
    T_Font Font;
    bool Clipped = false;
    QPainterPath Clip; // picture coordinates
    QColor Text_Color = Qt::black;
    unsigned Text_Align = 0; // 1 update position, 2 right, 6 centre, 8 bottom, 24 baseline
    bool Winding = false;
    QPointF Position;
    // The mapping: the window (origin, extent), the viewport, the mapping
    // mode and the world transform (enhanced metafiles).
    double Win_X = 0, Win_Y = 0, Win_W = 1, Win_H = 1, Vp_X = 0, Vp_Y = 0, Vp_W = 1, Vp_H = 1;
    int Map_Mode = 1;
    QTransform World;
};

QColor Color_Ref(std::uint32_t value)
{
    return QColor(value & 255, (value >> 8) & 255, (value >> 16) & 255);
}

// A rectangle (kind 0), ellipse (1) or rounded rectangle (2, corners of
// `rw` x `rh`) in the box of two corners.
QPainterPath Box_Path(int kind, double l, double t, double r, double b, double rw = 0,
                      double rh = 0)
{
    QPainterPath path;
    const QRectF box = QRectF(QPointF(l, t), QPointF(r, b)).normalized();
    if (kind == 0)
        path.addRect(box);
    else if (kind == 1)
        path.addEllipse(box);
    else
        path.addRoundedRect(box, std::min(std::abs(rw), box.width()) / 2,
                            std::min(std::abs(rh), box.height()) / 2);
    return path;
}

// The arc (kind 0), chord (1) or pie (2) of the ellipse in a box, from where
// the line from its centre through `start` meets it, counter-clockwise as the
// picture shows it, to where the line through `end` does (both the same: the
// whole ellipse). The intersections are found in logical coordinates: the
// mapping to the picture is affine, which keeps them.
QPainterPath Arc_Path(int kind, double l, double t, double r, double b, QPointF start, QPointF end)
{
    QPainterPath path;
    const QRectF box = QRectF(QPointF(l, t), QPointF(r, b)).normalized();
    if (box.width() <= 0 || box.height() <= 0)
        return path;
    const QPointF c = box.center();
    auto angle = [&](QPointF q) {
        return std::atan2(-(q.y() - c.y()) / box.height(), (q.x() - c.x()) / box.width()) * 180 /
               M_PI;
    };
    const double a0 = angle(start);
    double sweep = angle(end) - a0;
    while (sweep <= 0)
        sweep += 360;
    if (kind == 2)
        path.moveTo(c);
    else
        path.arcMoveTo(box, a0);
    path.arcTo(box, a0, sweep);
    if (kind != 0)
        path.closeSubpath();
    return path;
}

// Paints in picture coordinates and counts the work.
class T_Drawer {
public:
    T_Drawer(QImage& image, std::uint64_t budget) : Image(image), P(&image), Budget(budget) {}

    T_State S;
    std::function<QTransform()> Mapping; // logical to picture coordinates, set by the parser
    bool In_Path = false;

    bool Over_Budget() const { return Work > Budget; }
    void Add_Work(std::uint64_t steps) { Work += steps; }

    double Map_Length(double logical) const
    {
        const QTransform t = Mapping();
        return QLineF(t.map(QPointF(0, 0)), t.map(QPointF(logical, 0))).length();
    }

    // A figure in logical coordinates: filled (when asked) and outlined, or
    // inside a path definition added to the path.
    void Draw(const QPainterPath& logical, bool fill)
    {
        const QPainterPath mapped = Mapping().map(logical);
        if (In_Path)
            Path.addPath(mapped), Figure_Open = false;
        else
            Paint(mapped, fill, true);
    }

    // Lines or Bezier curves on from the current position (LineTo,
    // PolylineTo, PolyBezierTo, ArcTo): inside a path they extend its figure.
    void Continue(const QPolygonF& points, bool bezier)
    {
        if (points.isEmpty())
            return;
        const QTransform t = Mapping();
        QPainterPath line(t.map(S.Position));
        QPainterPath& target = In_Path ? Path : line;
        if (In_Path && !Figure_Open)
            Path.moveTo(t.map(S.Position));
        Figure_Open = In_Path;
        if (bezier)
            for (qsizetype i = 0; i + 2 < points.size(); i += 3)
                target.cubicTo(t.map(points[i]), t.map(points[i + 1]), t.map(points[i + 2]));
        else
            for (const QPointF& q : points)
                target.lineTo(t.map(q));
        if (!In_Path)
            Paint(line, false, true);
        S.Position = points.back();
    }

    void Move_To(QPointF at)
    {
        S.Position = at;
        if (In_Path)
            Path.moveTo(Mapping().map(at)), Figure_Open = true;
    }

    void Begin_Path() { Path = QPainterPath(), In_Path = true, Figure_Open = false; }
    void Close_Figure() { Path.closeSubpath(), Figure_Open = false; }
    void Finish_Path(bool fill, bool stroke)
    {
        In_Path = false;
        Paint(Path, fill, stroke);
        Path = QPainterPath();
    }

    // Combines the clipping area with an area in picture coordinates by a
    // region mode: 1 intersect, 2 unite, 3 exclusive or, 4 subtract, 5 replace.
    void Combine_Clip(const QPainterPath& area, unsigned mode)
    {
        QPainterPath current = S.Clip;
        if (!S.Clipped)
            current = QPainterPath(), current.addRect(0, 0, Image.width(), Image.height());
        switch (mode) {
        case 1:
            S.Clip = current.intersected(area);
            break;
        case 2:
            S.Clip = current.united(area);
            break;
        case 3:
            S.Clip = current.united(area).subtracted(current.intersected(area));
            break;
        case 4:
            S.Clip = current.subtracted(area);
            break;
        case 5:
            S.Clip = area;
            break;
        default:
            return;
        }
        S.Clipped = true;
        // Each combination costs in proportion to the elements involved.
        Work += static_cast<std::uint64_t>(current.elementCount() + area.elementCount()) * 64;
    }
    void Clip_Rect(double l, double t, double r, double b, bool exclude)
    {
        Combine_Clip(Mapping().map(Box_Path(0, l, t, r, b)), exclude ? 4 : 1);
    }
    void Clip_To_Path(unsigned mode)
    {
        In_Path = false;
        Path.setFillRule(S.Winding ? Qt::WindingFill : Qt::OddEvenFill);
        Combine_Clip(Path, mode);
        Path = QPainterPath();
    }

    // Text at a logical reference point, aligned by the text alignment, in
    // the selected font. Fonts need the toolkit's application object; without
    // one (a fuzzing harness) the text is left out.
    void Text(QPointF at, const QString& text)
    {
        if (text.isEmpty() || !QCoreApplication::instance() ||
            !QCoreApplication::instance()->inherits("QGuiApplication"))
            return;
        const T_Font& f = S.Font;
        const double pixels = std::min(Map_Length(std::abs(f.Height)), 4096.0);
        QFont font(f.Face.isEmpty() ? QStringLiteral("Sans Serif") : f.Face);
        // A positive height is the cell, which includes the internal leading.
        const double size = f.Height == 0 ? 12 : f.Height > 0 ? pixels * 0.85 : pixels;
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
        font.setWeight(static_cast<QFont::Weight>(std::clamp(f.Weight ? f.Weight : 400, 1, 1000)));
        font.setItalic(f.Italic);
        font.setUnderline(f.Underline);
        font.setStrikeOut(f.Strike_Out);
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(text);
        double x = (S.Text_Align & 6) == 6 ? -width / 2 : S.Text_Align & 2 ? -width : 0;
        double y = (S.Text_Align & 24) == 24 ? 0
                   : S.Text_Align & 8        ? -metrics.descent()
                                             : metrics.ascent();
        const QPointF origin = Mapping().map(at);
        if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()))
            return;
        const double line = metrics.height();
        Work += static_cast<std::uint64_t>(text.size()) +
                Area_In_Picture(QRectF(origin.x() - width, origin.y() - line, 3 * width, 3 * line));
        if (Over_Budget())
            return;
        Apply_Clip();
        P.save();
        P.translate(origin);
        P.rotate(-f.Escapement / 10);
        P.setFont(font);
        P.setPen(S.Text_Color);
        P.setRenderHint(QPainter::TextAntialiasing);
        P.drawText(QPointF(x, y), text);
        P.restore();
        const double unit = Map_Length(1);
        if (S.Text_Align & 1 && unit > 0) // the position moves past the text
            S.Position = {at.x() + width / unit, at.y()};
    }

    // Draws a packed DIB scaled into the picture rectangle of two logical
    // corners, from a source rectangle of the bitmap.
    void Bitmap(const u8* dib, std::size_t size, QPointF corner0, QPointF corner1, QRect source)
    {
        // The bitmap's own size, from its header, is bounded before decoding.
        if (Over_Budget() || size < 16)
            return;
        const bool core = Get_U32_LE(dib) == 12;
        const std::int64_t bw =
            core ? Get_U16_LE(dib + 4) : static_cast<std::int32_t>(Get_U32_LE(dib + 4));
        const std::int64_t bh =
            std::abs(core ? Get_U16_LE(dib + 6) : static_cast<std::int32_t>(Get_U32_LE(dib + 8)));
        if (bw <= 0 || bh <= 0 || bw * bh > 4096 * 4096)
            return;
        Work += static_cast<std::uint64_t>(bw * bh);
        QImage picture;
        const auto bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(dib),
                                                   static_cast<qsizetype>(size));
        if (Over_Budget() || !picture.loadFromData(bytes, "dib"))
            return;
        if (source.isEmpty() || !picture.rect().contains(source))
            source = picture.rect();
        const QTransform t = Mapping();
        const QPointF a = t.map(corner0), b = t.map(corner1);
        const QRectF target = QRectF(a, b).normalized();
        if (target.width() < 0.5 || target.height() < 0.5 || !Within_Reach(target))
            return;
        Work += Area_In_Picture(target);
        if (Over_Budget())
            return;
        Apply_Clip();
        P.drawImage(target, picture.copy(source).mirrored(b.x() < a.x(), b.y() < a.y()));
    }

private:
    void Paint(QPainterPath path, bool fill, bool stroke)
    {
        const double pen = std::max(1.0, Map_Length(S.Pen.Width));
        const QRectF bounds = path.controlPointRect().adjusted(-pen, -pen, pen, pen);
        Work += static_cast<std::uint64_t>(path.elementCount());
        if (path.isEmpty() || !Within_Reach(bounds))
            return;
        Work += Area_In_Picture(bounds);
        if (Over_Budget())
            return;
        Apply_Clip();
        path.setFillRule(S.Winding ? Qt::WindingFill : Qt::OddEvenFill);
        if (fill && S.Brush.Visible)
            P.fillPath(path, S.Brush.Color);
        // Thin pens are one pixel wide (cosmetic); wider ones have round
        // joins and caps, as the metafile's default pen has.
        if (stroke && S.Pen.Visible)
            P.strokePath(path, QPen(S.Pen.Color, pen <= 1.5 ? 0 : pen, Qt::SolidLine, Qt::RoundCap,
                                    Qt::RoundJoin));
    }

    void Apply_Clip()
    {
        if (S.Clipped)
            P.setClipPath(S.Clip);
        else
            P.setClipping(false);
    }

    // Coordinates beyond this (or not finite) come only from broken mappings.
    static bool Within_Reach(const QRectF& r)
    {
        return std::isfinite(r.left() + r.top() + r.width() + r.height()) &&
               QRectF(-1e7, -1e7, 2e7, 2e7).contains(r);
    }

    std::uint64_t Area_In_Picture(const QRectF& bounds) const
    {
        const QRectF visible = bounds.intersected(QRectF(0, 0, Image.width(), Image.height()));
        return visible.isEmpty() ? 0
                                 : static_cast<std::uint64_t>(std::ceil(visible.width() + 1) *
                                                              std::ceil(visible.height() + 1));
    }

    QImage& Image;
    QPainter P;
    QPainterPath Path; // the path being defined, in picture coordinates
    bool Figure_Open = false;
    std::uint64_t Work = 0;
    std::uint64_t Budget;
};

// Reads `count` points of `coordinate` bytes each (2 or 4, signed) at offset
// `at` of the `n` parameter bytes at `p`; false when they do not fit.
bool Read_Points(const u8* p, std::size_t n, std::size_t at, std::size_t count, int coordinate,
                 QPolygonF& out)
{
    const std::size_t each = 2 * static_cast<std::size_t>(coordinate);
    if (at > n || count > (n - at) / each)
        return false;
    out.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const u8* q = p + at + i * each;
        if (coordinate == 2)
            out.append(QPointF(static_cast<std::int16_t>(Get_U16_LE(q)),
                               static_cast<std::int16_t>(Get_U16_LE(q + 2))));
        else
            out.append(QPointF(static_cast<std::int32_t>(Get_U32_LE(q)),
                               static_cast<std::int32_t>(Get_U32_LE(q + 4))));
    }
    return true;
}

// Several polygons or polylines: `polys` counts of `count_bytes` each at
// `counts_at`, then all the points; false when they do not fit.
bool Read_Poly_Path(const u8* p, std::size_t n, std::size_t counts_at, std::size_t polys,
                    int count_bytes, int coordinate, bool closed, QPainterPath& out)
{
    if (counts_at > n || polys > (n - counts_at) / count_bytes)
        return false;
    std::size_t at = counts_at + polys * count_bytes;
    for (std::size_t i = 0; i < polys; ++i) {
        const u8* c = p + counts_at + i * count_bytes;
        const std::size_t count = count_bytes == 2 ? Get_U16_LE(c) : Get_U32_LE(c);
        QPolygonF points;
        if (!Read_Points(p, n, at, count, coordinate, points))
            return false;
        out.addPolygon(points);
        if (closed)
            out.closeSubpath();
        at += count * 2 * coordinate;
    }
    return true;
}

// Picks the picture size for a metafile of `w` x `h` pixels at 96 dpi: the
// longer side is kept between 16 and 4096 pixels.
void Raster_Size(double w, double h, std::int64_t& out_w, std::int64_t& out_h)
{
    w = std::abs(w), h = std::abs(h);
    if (!(w >= 1) || !(h >= 1)) {
        out_w = out_h = 0;
        return;
    }
    const double longer = std::max(w, h), scale = longer > 4096 ? 4096 / longer
                                                  : longer < 16 ? 16 / longer
                                                                : 1;
    out_w = std::max<std::int64_t>(1, std::llround(w * scale));
    out_h = std::max<std::int64_t>(1, std::llround(h * scale));
}

// A white picture of the given size, within the limits.
bool New_Picture(QImage& out, std::int64_t w, std::int64_t h, const T_Decode_Limits& limits,
                 std::string& error)
{
    if (!Check_Raster_Size(w, h, limits, error))
        return false;
    out = QImage(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    if (out.isNull())
        return Fail(error, "There is not enough memory for a picture of " + std::to_string(w) +
                               " x " + std::to_string(h) + " pixels.");
    out.fill(Qt::white);
    return true;
}

// Text of a metafile record: 8-bit characters in the system's code page,
// read as Latin-1, or UTF-16 little-endian.
QString Text_Of(const u8* p, std::size_t count, bool wide)
{
    if (!wide)
        return QString::fromLatin1(reinterpret_cast<const char*>(p), static_cast<qsizetype>(count));
    QString text;
    for (std::size_t i = 0; i < count; ++i)
        text.append(QChar(Get_U16_LE(p + 2 * i)));
    return text;
}

// A logical font from the fields both metafile kinds share: height, width,
// escapement, orientation, weight (each `field` bytes), then italic,
// underline, strike-out, five more bytes, and the face name (`wide`: UTF-16).
// The caller has checked that the fields up to the face name exist.
T_Font Read_Font(const u8* p, std::size_t n, int field, bool wide)
{
    auto value = [&](int i) {
        return field == 2 ? static_cast<double>(static_cast<std::int16_t>(Get_U16_LE(p + 2 * i)))
                          : static_cast<double>(static_cast<std::int32_t>(Get_U32_LE(p + 4 * i)));
    };
    const u8* flags = p + 5 * field;
    T_Font font{value(0),      value(2), static_cast<int>(value(4)), flags[0] != 0, flags[1] != 0,
                flags[2] != 0, {}};
    const std::size_t face_at = 5 * static_cast<std::size_t>(field) + 8;
    const std::size_t face_max =
        std::min<std::size_t>(32, n > face_at ? (n - face_at) / (wide ? 2 : 1) : 0);
    std::size_t length = 0;
    while (length < face_max && (wide ? Get_U16_LE(p + face_at + 2 * length) : p[face_at + length]))
        ++length;
    font.Face = Text_Of(p + face_at, length, wide);
    return font;
}

// Selects an object of the table into the state.
void Select(T_State& s, const T_Object& object)
{
    if (object.Kind == T_Object::Pen)
        s.Pen = object.Pen_Value;
    else if (object.Kind == T_Object::Brush)
        s.Brush = object.Brush_Value;
    else if (object.Kind == T_Object::Font)
        s.Font = object.Font_Value;
}

T_Object Brush_Object(unsigned style, std::uint32_t color)
{
    T_Object o;
    o.Kind = T_Object::Brush;
    o.Brush_Value.Visible = style != 1;
    // Pattern and bitmap brushes: grey.
    o.Brush_Value.Color = style == 3 || style == 5 ? QColor(128, 128, 128) : Color_Ref(color);
    return o;
}

// ------------------------------------------------------------------ WMF

bool Draw_Wmf(const u8* data, std::size_t size, QImage& out, std::string& error,
              const T_Decode_Limits& limits)
{
    // An optional placeable header (its frame and units per inch), then the
    // metafile header: type, size in words (9), ..., the object count.
    const bool placeable = Get_U32_LE(data) == 0x9AC6CDD7;
    const std::size_t header_at = placeable ? 22 : 0, records_at = header_at + 18;
    const u8* header = data + header_at;
    if (size < records_at || (Get_U16_LE(header) != 1 && Get_U16_LE(header) != 2) ||
        Get_U16_LE(header + 2) != 9)
        return Fail(error, "This is not a Windows metafile.");
    const unsigned object_count = Get_U16_LE(header + 10);
    auto s16 = [data](int at) { return static_cast<std::int16_t>(Get_U16_LE(data + at)); };
    const double frame_l = placeable ? s16(6) : 0, frame_t = placeable ? s16(8) : 0;
    const double frame_r = placeable ? s16(10) : 0, frame_b = placeable ? s16(12) : 0;
    const double inch = placeable && Get_U16_LE(data + 14) ? Get_U16_LE(data + 14) : 1440;

    // The window is needed before drawing: take the first one the records set.
    double win_x = frame_l, win_y = frame_t, ext_x = frame_r - frame_l, ext_y = frame_b - frame_t;
    bool have_window = placeable && ext_x != 0 && ext_y != 0, org_set = false;
    for (std::size_t pos = records_at; !have_window && pos + 10 <= size;) {
        const std::uint64_t words = Get_U32_LE(data + pos);
        const unsigned function = Get_U16_LE(data + pos + 4);
        if (words < 3 || pos + words * 2 > size || function == 0)
            break;
        const double y = static_cast<std::int16_t>(Get_U16_LE(data + pos + 6)),
                     x = static_cast<std::int16_t>(Get_U16_LE(data + pos + 8));
        if (function == 0x020C && words >= 5)
            ext_x = x, ext_y = y, have_window = x != 0 && y != 0;
        else if (function == 0x020B && words >= 5 && !org_set)
            win_x = x, win_y = y, org_set = true;
        pos += words * 2;
    }
    if (!have_window)
        return Fail(error, "The metafile does not say how large its picture is.");
    std::int64_t w = 0, h = 0;
    Raster_Size(placeable ? ext_x * 96 / inch : ext_x, placeable ? ext_y * 96 / inch : ext_y, w, h);
    if (!New_Picture(out, w, h, limits, error))
        return false;

    // The current window maps onto the whole picture, as when the metafile
    // is played into a viewport of the picture's size.
    T_Drawer d(out, limits.Max_Draw_Work);
    d.S.Win_X = win_x, d.S.Win_Y = win_y, d.S.Win_W = ext_x, d.S.Win_H = ext_y;
    d.Mapping = [&] {
        return QTransform::fromTranslate(-d.S.Win_X, -d.S.Win_Y) *
               QTransform::fromScale(out.width() / d.S.Win_W, out.height() / d.S.Win_H);
    };
    std::vector<T_Object> objects(std::min(object_count, 65535u));
    std::vector<T_State> saved;
    auto add_object = [&](const T_Object& object) {
        auto slot = std::find_if(objects.begin(), objects.end(),
                                 [](const T_Object& o) { return o.Kind == T_Object::Empty; });
        if (slot != objects.end())
            *slot = object;
    };

    for (std::size_t pos = records_at; pos + 6 <= size;) {
        if (d.Over_Budget())
            return Fail(error, "The metafile is too complex to draw.");
        const std::uint64_t words = Get_U32_LE(data + pos);
        const unsigned function = Get_U16_LE(data + pos + 4);
        if (function == 0)
            break;
        if (words < 3 || words * 2 > size - pos)
            return Fail(error, "A metafile record runs past the end of the file.");
        const u8* p = data + pos + 6;
        const std::size_t n = static_cast<std::size_t>(words * 2 - 6); // parameter bytes
        pos += static_cast<std::size_t>(words * 2);
        // The parameters are 16-bit words, most of them stored in reverse.
        auto v = [&](std::size_t i) {
            return 2 * i + 2 <= n ? double(std::int16_t(Get_U16_LE(p + 2 * i))) : 0.0;
        };
        auto u = [&](std::size_t i) { return 2 * i + 2 <= n ? Get_U16_LE(p + 2 * i) : 0u; };
        QPolygonF points;
        QPainterPath shapes;
        switch (function) {
        case 0x020B:
            if (n >= 4)
                d.S.Win_Y = v(0), d.S.Win_X = v(1);
            break;
        case 0x020C:
            if (n >= 4 && v(0) != 0 && v(1) != 0)
                d.S.Win_H = v(0), d.S.Win_W = v(1);
            break;
        case 0x0106:
            if (n >= 2)
                d.S.Winding = u(0) == 2;
            break;
        case 0x0214:
            if (n >= 4)
                d.Move_To({v(1), v(0)});
            break;
        case 0x0213:
            if (n >= 4)
                d.Continue({QPointF(v(1), v(0))}, false);
            break;
        case 0x0325:
        case 0x0324: // Polyline, Polygon
            if (n >= 2 && Read_Points(p, n, 2, u(0), 2, points)) {
                shapes.addPolygon(points);
                if (function == 0x0324)
                    shapes.closeSubpath();
                d.Draw(shapes, function == 0x0324);
            }
            break;
        case 0x0538:
            if (n >= 2 && Read_Poly_Path(p, n, 2, u(0), 2, 2, true, shapes))
                d.Draw(shapes, true);
            break;
        case 0x041B:
        case 0x0418: // Rectangle, Ellipse: b, r, t, l
            if (n >= 8)
                d.Draw(Box_Path(function == 0x0418, v(3), v(2), v(1), v(0)), true);
            break;
        case 0x061C:
            if (n >= 12)
                d.Draw(Box_Path(2, v(5), v(4), v(3), v(2), v(1), v(0)), true);
            break;
        case 0x0817:
        case 0x0830:
        case 0x081A: { // Arc, Chord, Pie: end y, x, start y, x, b, r, t, l
            const int kind = function == 0x0817 ? 0 : function == 0x0830 ? 1 : 2;
            if (n >= 16)
                d.Draw(Arc_Path(kind, v(7), v(6), v(5), v(4), {v(3), v(2)}, {v(1), v(0)}),
                       kind != 0);
            break;
        }
        case 0x02FA: // pen: style, width, colour
            if (n >= 10) {
                T_Object o;
                o.Kind = T_Object::Pen;
                o.Pen_Value = {(u(0) & 15) != 5, v(1), Color_Ref(Get_U32_LE(p + 6))};
                add_object(o);
            }
            break;
        case 0x02FC:
            if (n >= 6)
                add_object(Brush_Object(u(0), Get_U32_LE(p + 2)));
            break;
        case 0x01F9:
        case 0x0142:
            add_object(Brush_Object(3, 0));
            break;
        case 0x02FB: { // font
            T_Object o;
            o.Kind = T_Object::Font;
            if (n >= 18)
                o.Font_Value = Read_Font(p, n, 2, false);
            add_object(o);
            break;
        }
        case 0x00F7:
        case 0x06FF:
            add_object({T_Object::Other, {}, {}, {}});
            break;
        case 0x012D:
            if (n >= 2 && u(0) < objects.size())
                Select(d.S, objects[u(0)]);
            break;
        case 0x01F0:
            if (n >= 2 && u(0) < objects.size())
                objects[u(0)] = T_Object{};
            break;
        case 0x001E:
            if (saved.size() < 1000)
                saved.push_back(d.S);
            break;
        case 0x0127:
            if (!saved.empty())
                d.S = saved.back(), saved.pop_back();
            break;
        case 0x0209:
            if (n >= 4)
                d.S.Text_Color = Color_Ref(Get_U32_LE(p));
            break;
        case 0x012E:
            if (n >= 2)
                d.S.Text_Align = u(0);
            break;
        case 0x0521: { // TextOut: length, text padded to a word, y, x
            const std::size_t length = u(0), padded = (length + 1) & ~std::size_t{1};
            if (n >= 2 && 2 + padded + 4 <= n)
                d.Text({v(2 + padded / 2), v(1 + padded / 2)}, Text_Of(p + 2, length, false));
            break;
        }
        case 0x0A32: { // ExtTextOut: y, x, length, options, [rectangle], text
            const std::size_t length = u(2), at = 8 + ((u(3) & 6) ? 8 : 0);
            if (n >= 8 && at + length <= n)
                d.Text({v(1), v(0)}, Text_Of(p + at, length, false));
            break;
        }
        case 0x0416:
        case 0x0415: // IntersectClipRect, ExcludeClipRect: b, r, t, l
            if (n >= 8)
                d.Clip_Rect(v(3), v(2), v(1), v(0), function == 0x0415);
            break;
        // Bitmaps: the parameters before the bitmap, in reverse, end with
        // the destination (x, y, w, h) and the source (x, y, w, h).
        case 0x0F43: // StretchDIB: rop, usage, source h, w, y, x, destination h, w, y, x
            if (n > 22)
                d.Bitmap(p + 22, n - 22, {v(10), v(9)}, {v(10) + v(8), v(9) + v(7)},
                         QRect(int(v(6)), int(v(5)), int(v(4)), int(v(3))));
            break;
        case 0x0B41: // DIBStretchBlt: rop, source h, w, y, x, destination h, w, y, x
            if (n > 20)
                d.Bitmap(p + 20, n - 20, {v(9), v(8)}, {v(9) + v(7), v(8) + v(6)},
                         QRect(int(v(5)), int(v(4)), int(v(3)), int(v(2))));
            break;
        case 0x0940: // DIBBitBlt: rop, source y, x, height, width, destination y, x
            if (n > 16)
                d.Bitmap(p + 16, n - 16, {v(7), v(6)}, {v(7) + v(5), v(6) + v(4)},
                         QRect(int(v(3)), int(v(2)), int(v(5)), int(v(4))));
            break;
        default:
            break; // raster operations, regions and the rest: not drawn
        }
    }
    if (d.Over_Budget())
        return Fail(error, "The metafile is too complex to draw.");
    return true;
}

// ------------------------------------------------------------------ EMF

QTransform Read_Xform(const u8* p)
{
    double m[6];
    for (int i = 0; i < 6; ++i) {
        const std::uint32_t bits = Get_U32_LE(p + 4 * i);
        float f;
        std::memcpy(&f, &bits, 4);
        m[i] = std::isfinite(f) ? std::clamp(static_cast<double>(f), -1e7, 1e7) : 0;
    }
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

bool Draw_Emf(const u8* data, std::size_t size, QImage& out, std::string& error,
              const T_Decode_Limits& limits)
{
    if (size < 88 || Get_U32_LE(data) != 1 || Get_U32_LE(data + 40) != 0x464D4520)
        return Fail(error, "This is not an enhanced metafile.");
    auto s32 = [](const u8* p) {
        return static_cast<double>(static_cast<std::int32_t>(Get_U32_LE(p)));
    };
    // The frame in 0.01 mm and the reference device's pixels per millimetre.
    const double frame_l = s32(data + 24), frame_t = s32(data + 28), frame_r = s32(data + 32),
                 frame_b = s32(data + 36);
    const double dev_px_x = s32(data + 72), dev_px_y = s32(data + 76);
    const double dev_mm_x = s32(data + 80), dev_mm_y = s32(data + 84);
    const double ppmm_x = dev_mm_x > 0 && dev_px_x > 0 ? dev_px_x / dev_mm_x : 96 / 25.4;
    const double ppmm_y = dev_mm_y > 0 && dev_px_y > 0 ? dev_px_y / dev_mm_y : 96 / 25.4;
    double dev_l = frame_l / 100 * ppmm_x, dev_t = frame_t / 100 * ppmm_y;
    double dev_w = (frame_r - frame_l) / 100 * ppmm_x, dev_h = (frame_b - frame_t) / 100 * ppmm_y;
    if (!(std::abs(dev_w) >= 1 && std::abs(dev_h) >= 1)) {
        // No usable frame: the bounds, in device pixels, inclusive.
        dev_l = s32(data + 8), dev_t = s32(data + 12);
        dev_w = s32(data + 16) - dev_l + 1, dev_h = s32(data + 20) - dev_t + 1;
    }
    std::int64_t w = 0, h = 0;
    Raster_Size((frame_r - frame_l) / 2540.0 * 96, (frame_b - frame_t) / 2540.0 * 96, w, h);
    if (w == 0)
        Raster_Size(dev_w, dev_h, w, h);
    if (!(std::abs(dev_w) >= 1 && std::abs(dev_h) >= 1) || w == 0)
        return Fail(error, "The metafile does not say how large its picture is.");
    if (!New_Picture(out, w, h, limits, error))
        return false;

    T_Drawer d(out, limits.Max_Draw_Work);
    // World transform, then window to viewport by the mapping mode, then
    // device pixels to picture pixels.
    d.Mapping = [&] {
        const T_State& s = d.S;
        static const double units[7] = {0, 0, 0.1, 0.01, 0.254, 0.0254, 25.4 / 1440}; // mm per unit
        QTransform page = QTransform::fromTranslate(-s.Win_X, -s.Win_Y);
        if (s.Map_Mode == 7 || s.Map_Mode == 8)
            page *= QTransform::fromScale(s.Vp_W / s.Win_W, s.Vp_H / s.Win_H);
        else if (s.Map_Mode >= 2 && s.Map_Mode <= 6) // the metric modes count y upwards
            page *= QTransform::fromScale(units[s.Map_Mode] * ppmm_x, -units[s.Map_Mode] * ppmm_y);
        return s.World * page * QTransform::fromTranslate(s.Vp_X - dev_l, s.Vp_Y - dev_t) *
               QTransform::fromScale(out.width() / dev_w, out.height() / dev_h);
    };
    std::vector<T_Object> objects(Get_U16_LE(data + 56));
    std::vector<T_State> saved;

    for (std::size_t pos = 0; pos + 8 <= size;) {
        if (d.Over_Budget())
            return Fail(error, "The metafile is too complex to draw.");
        const std::uint32_t type = Get_U32_LE(data + pos), length = Get_U32_LE(data + pos + 4);
        if (length < 8 || length > size - pos)
            return Fail(error, "A metafile record runs past the end of the file.");
        const u8* p = data + pos + 8;
        const std::size_t n = length - 8;
        const u8* record = data + pos;
        pos += length;
        if (type == 14) // end of file
            break;
        auto v = [&](std::size_t i) { return 4 * i + 4 <= n ? s32(p + 4 * i) : 0.0; };
        auto u = [&](std::size_t i) { return 4 * i + 4 <= n ? Get_U32_LE(p + 4 * i) : 0u; };
        QPolygonF points;
        QPainterPath shapes;
        switch (type) {
        // Polylines and curves after a bounds rectangle and a count: 32-bit
        // points, or 16-bit ones for the "16" records 85 to 89.
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 85:
        case 86:
        case 87:
        case 88:
        case 89: {
            // 2 bezier, 3 polygon, 4 polyline, 5 bezier-to, 6 polyline-to
            const unsigned kind = type >= 85 ? type - 83 : type;
            if (n < 20 || !Read_Points(p, n, 20, u(4), type >= 85 ? 2 : 4, points) ||
                points.isEmpty())
                break;
            if (kind == 5 || kind == 6) {
                d.Continue(points, kind == 5);
                break;
            }
            if (kind == 2) {
                shapes.moveTo(points[0]);
                for (qsizetype i = 1; i + 2 < points.size(); i += 3)
                    shapes.cubicTo(points[i], points[i + 1], points[i + 2]);
            } else {
                shapes.addPolygon(points);
            }
            if (kind == 3)
                shapes.closeSubpath();
            d.Draw(shapes, kind == 3);
            break;
        }
        case 7:
        case 8:
        case 90:
        case 91: { // PolyPolyline, PolyPolygon
            const bool polygon = type == 8 || type == 91;
            if (n >= 24 && Read_Poly_Path(p, n, 24, u(4), 4, type >= 90 ? 2 : 4, polygon, shapes))
                d.Draw(shapes, polygon);
            break;
        }
        case 9:
            if (n >= 8 && v(0) != 0 && v(1) != 0)
                d.S.Win_W = v(0), d.S.Win_H = v(1);
            break;
        case 10:
            if (n >= 8)
                d.S.Win_X = v(0), d.S.Win_Y = v(1);
            break;
        case 11:
            if (n >= 8 && v(0) != 0 && v(1) != 0)
                d.S.Vp_W = v(0), d.S.Vp_H = v(1);
            break;
        case 12:
            if (n >= 8)
                d.S.Vp_X = v(0), d.S.Vp_Y = v(1);
            break;
        case 17:
            if (n >= 4)
                d.S.Map_Mode = static_cast<int>(u(0));
            break;
        case 19:
            if (n >= 4)
                d.S.Winding = u(0) == 2;
            break;
        case 22:
            if (n >= 4)
                d.S.Text_Align = u(0);
            break;
        case 24:
            if (n >= 4)
                d.S.Text_Color = Color_Ref(u(0));
            break;
        case 27:
            if (n >= 8)
                d.Move_To({v(0), v(1)});
            break;
        case 54:
            if (n >= 8)
                d.Continue({QPointF(v(0), v(1))}, false);
            break;
        case 33:
            if (saved.size() < 1000)
                saved.push_back(d.S);
            break;
        case 34: { // RestoreDC: relative to the last saved
            const auto relative = static_cast<std::int32_t>(u(0));
            if (n >= 4 && relative < 0 && -std::int64_t{relative} <= std::int64_t(saved.size())) {
                saved.resize(saved.size() + relative + 1);
                d.S = saved.back();
                saved.pop_back();
            }
            break;
        }
        case 35:
            if (n >= 24)
                d.S.World = Read_Xform(p);
            break;
        case 36: // ModifyWorldTransform: reset, multiply on the left or right, set
            if (n >= 28) {
                const QTransform x = Read_Xform(p);
                const unsigned mode = u(6);
                d.S.World = mode == 1   ? QTransform()
                            : mode == 2 ? x * d.S.World
                            : mode == 3 ? d.S.World * x
                            : mode == 4 ? x
                                        : d.S.World;
            }
            break;
        case 37: { // SelectObject, or a stock object
            const std::uint32_t i = u(0);
            if (n < 4)
                break;
            if (i < objects.size())
                Select(d.S, objects[i]);
            const unsigned stock = i & 0x7FFFFFFF;
            if (!(i & 0x80000000u))
                break;
            if (stock <= 4) { // brushes white to black
                static const int greys[5] = {255, 192, 128, 64, 0};
                d.S.Brush = {true, QColor(greys[stock], greys[stock], greys[stock])};
            } else if (stock == 5) {
                d.S.Brush.Visible = false;
            } else if (stock == 6 || stock == 7) {
                d.S.Pen = {true, 0, stock == 6 ? Qt::white : Qt::black};
            } else if (stock == 8) {
                d.S.Pen.Visible = false;
            }
            break;
        }
        case 38:
        case 95: // pen, extended pen: index, style, width, colour
            if (u(0) < objects.size() && n >= (type == 38 ? 20u : 36u)) {
                T_Object o;
                o.Kind = T_Object::Pen;
                const bool plain = type == 38;
                o.Pen_Value = {((plain ? u(1) : u(5)) & 15) != 5, plain ? v(2) : u(6),
                               Color_Ref(plain ? u(4) : u(8))};
                objects[u(0)] = o;
            }
            break;
        case 39:
            if (n >= 16 && u(0) < objects.size())
                objects[u(0)] = Brush_Object(u(1) == 1 ? 1 : 0, u(2));
            break;
        case 93:
        case 94:
            if (n >= 4 && u(0) < objects.size())
                objects[u(0)] = Brush_Object(3, 0);
            break;
        case 40:
            if (n >= 4 && u(0) < objects.size())
                objects[u(0)] = T_Object{};
            break;
        case 42:
        case 43:
            if (n >= 16)
                d.Draw(Box_Path(type == 42, v(0), v(1), v(2), v(3)), true);
            break;
        case 44:
            if (n >= 24)
                d.Draw(Box_Path(2, v(0), v(1), v(2), v(3), v(4), v(5)), true);
            break;
        case 45:
        case 46:
        case 47:
        case 55: { // Arc, Chord, Pie, ArcTo: box, start, end
            if (n < 32)
                break;
            const int kind = type == 46 ? 1 : type == 47 ? 2 : 0;
            const QPainterPath arc =
                Arc_Path(kind, v(0), v(1), v(2), v(3), {v(4), v(5)}, {v(6), v(7)});
            if (type != 55) {
                d.Draw(arc, kind != 0);
            } else if (!arc.isEmpty()) { // a line to the arc's start, then the arc
                QPolygonF line;
                for (int i = 0; i < arc.elementCount(); ++i)
                    line.append(arc.elementAt(i));
                d.Continue({line.front()}, false);
                line.removeFirst();
                d.Continue(line, true);
            }
            break;
        }
        case 59:
            d.Begin_Path();
            break;
        case 60:
            d.In_Path = false;
            break;
        case 61:
            d.Close_Figure();
            break;
        case 62:
        case 63:
        case 64:
            d.Finish_Path(type != 64, type != 62);
            break; // fill, stroke and fill, stroke
        case 68:
            d.Begin_Path(), d.In_Path = false;
            break;
        case 29:
        case 30:
            if (n >= 16)
                d.Clip_Rect(v(0), v(1), v(2), v(3), type == 29);
            break;
        case 67:
            if (n >= 4)
                d.Clip_To_Path(u(0));
            break;
        case 75:
            if (n >= 8 && u(0) == 0 && u(1) == 5)
                d.S.Clipped = false;
            break; // a region: only its reset
        case 81: { // StretchDIBits
            if (n < 72)
                break;
            const std::uint32_t bmi_at = u(10), bmi_len = u(11), bits_at = u(12), bits_len = u(13);
            if (bmi_len == 0 || bmi_at > length || bmi_len > length - bmi_at || bits_at > length ||
                bits_len > length - bits_at)
                break;
            // Join the header and the bits into one packed bitmap.
            std::vector<u8> dib(record + bmi_at, record + bmi_at + bmi_len);
            dib.insert(dib.end(), record + bits_at, record + bits_at + bits_len);
            // Source rectangles count from the bottom of a bottom-up bitmap.
            const auto stored_h =
                dib.size() >= 12 ? static_cast<std::int32_t>(Get_U32_LE(dib.data() + 8)) : 0;
            QRect source(int(v(6)), int(v(7)), int(v(8)), int(v(9)));
            if (bmi_len >= 40 && stored_h > 0)
                source.moveTop(stored_h - source.top() - source.height());
            d.Bitmap(dib.data(), dib.size(), {v(4), v(5)}, {v(4) + v(16), v(5) + v(17)}, source);
            break;
        }
        case 82: // font: index, logical font
            if (n >= 4 + 28 && u(0) < objects.size()) {
                T_Object o;
                o.Kind = T_Object::Font;
                o.Font_Value = Read_Font(p + 4, n - 4, 4, true);
                objects[u(0)] = o;
            }
            break;
        case 83:
        case 84: { // ExtTextOutA / W: bounds, mode, scales, then reference point, count, offset
            const std::size_t count = u(9), at = u(10), each = type == 84 ? 2 : 1;
            if (n >= 68 && at >= 8 && at <= length && count <= (length - at) / each)
                d.Text({v(7), v(8)}, Text_Of(record + at, count, type == 84));
            break;
        }
        default:
            break; // raster operations, regions and the rest: not drawn
        }
    }
    if (d.Over_Budget())
        return Fail(error, "The metafile is too complex to draw.");
    return true;
}

} // namespace

bool Looks_Like_Metafile(const u8* data, std::size_t size)
{
    if (size >= 22 && Get_U32_LE(data) == 0x9AC6CDD7)
        return true;
    if (size >= 88 && Get_U32_LE(data) == 1 && Get_U32_LE(data + 40) == 0x464D4520)
        return true;
    // A plain metafile header: type 1 or 2, nine header words, version 1 or 3.
    return size >= 18 && (Get_U16_LE(data) == 1 || Get_U16_LE(data) == 2) &&
           Get_U16_LE(data + 2) == 9 &&
           (Get_U16_LE(data + 4) == 0x0300 || Get_U16_LE(data + 4) == 0x0100);
}

bool Draw_Metafile(const u8* data, std::size_t size, QImage& out, std::string& error,
                   const T_Decode_Limits& limits)
{
    out = QImage();
    bool ok = false;
    if (size >= 88 && Get_U32_LE(data) == 1 && Get_U32_LE(data + 40) == 0x464D4520)
        ok = Draw_Emf(data, size, out, error, limits);
    else if (size >= 18)
        ok = Draw_Wmf(data, size, out, error, limits);
    else
        error = "This is not a Windows metafile.";
    if (!ok)
        out = QImage();
    return ok;
}

} // namespace imaging
