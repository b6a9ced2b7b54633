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
#include "imaging/image_decoders.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstring>
#include <functional>
#include <variant>

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

// An object of a metafile's table: a pen, a brush, a font, or anything else
// that only occupies a slot (palettes, regions); an empty slot holds none.
struct T_Other {};
using T_Object = std::variant<std::monostate, T_Pen, T_Brush, T_Font, T_Other>;

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
               std::numbers::pi;
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

// A packed device-independent bitmap of `width` x `height` pixels, read by
// the program's bitmap decoder as a bitmap file whose header says where the
// pixels start. Uncompressed data that stops short is padded with zeros, so
// that its missing pixels show colour 0, as those that run-length escapes
// skip do.
QImage Dib_Picture(const u8* dib, std::size_t size, bool core, std::int64_t width,
                   std::int64_t height)
{
    const unsigned bits = std::min<unsigned>(Get_U16_LE(dib + (core ? 10 : 14)), 32);
    const std::uint32_t header = Get_U32_LE(dib), compression = core ? 0 : Get_U32_LE(dib + 16);
    const std::uint64_t used = core ? 0 : Get_U32_LE(dib + 32);
    const std::uint64_t colors = used ? used : bits <= 8 ? 1u << bits : 0;
    const std::uint64_t masks = compression == 3 && header == 40 ? 12 : 0;
    QByteArray file("BM\0\0\0\0\0\0\0\0\0\0\0\0", 14);
    qToLittleEndian(static_cast<quint32>(14 + size), file.data() + 2);
    qToLittleEndian(static_cast<quint32>(std::min<std::uint64_t>(
                        14 + header + colors * (core ? 3 : 4) + masks, 0xFFFFFFFF)),
                    file.data() + 10);
    file.append(reinterpret_cast<const char*>(dib), static_cast<qsizetype>(size));
    QImage picture;
    std::string ignored;
    const auto pixel_bytes = static_cast<qsizetype>((width * bits + 31) / 32 * 4 * height);
    if (compression != 1 && compression != 2)
        file += QByteArray(pixel_bytes, 0);
    // The bitmap decoder itself, not the dispatch by content: a metafile
    // inside an EPS preview must not lead back into the EPS decoder.
    const T_Source source{reinterpret_cast<const u8*>(file.constData()),
                          static_cast<std::size_t>(file.size()),
                          {},
                          {}};
    if (!Decode_Bitmap(source, picture, ignored))
        return QImage();
    Settle_Alpha(picture, false);
    return picture;
}

// Plays a metafile's figures: keeps its state and object table, paints in
// picture coordinates and counts the work.
class T_Drawer {
public:
    T_Drawer(QImage& image, std::uint64_t budget) : Image(image), P(&image), Budget(budget) {}

    T_State S;
    std::vector<T_State> Saved;          // by SaveDC
    std::vector<T_Object> Objects;       // pens, brushes, fonts by their index
    std::function<QTransform()> Mapping; // logical to picture coordinates, set by the parser
    bool In_Path = false;
    // A measuring run paints nothing: it collects the picture area that the
    // figures, text and bitmaps cover, clipping included (Drawn).
    bool Measuring = false;
    QRectF Drawn;

    bool Over_Budget() const { return Work > Budget; }

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
        if (mode < 1 || mode > 5)
            return;
        QPainterPath current = S.Clip;
        if (!S.Clipped)
            current = QPainterPath(), current.addRect(Canvas());
        S.Clip = mode == 1   ? current.intersected(area)
                 : mode == 2 ? current.united(area)
                 : mode == 3 ? current.united(area).subtracted(current.intersected(area))
                 : mode == 4 ? current.subtracted(area)
                             : area;
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
        if (Measuring) {
            QTransform placed = QTransform::fromTranslate(origin.x(), origin.y());
            placed.rotate(-f.Escapement / 10);
            Note_Drawn(placed.mapRect(QRectF(x, y - metrics.ascent(), width, line)));
        }
        Apply_Clip();
        if (Measuring)
            return;
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
        const bool core = size >= 12 && Get_U32_LE(dib) == 12;
        if (Over_Budget() || size < (core ? 16 : 40)) // the core or the information header
            return;
        const std::int64_t bw =
            core ? Get_U16_LE(dib + 4) : static_cast<std::int32_t>(Get_U32_LE(dib + 4));
        const std::int64_t bh =
            std::abs(core ? Get_U16_LE(dib + 6) : static_cast<std::int32_t>(Get_U32_LE(dib + 8)));
        if (bw <= 0 || bh <= 0 || bw * bh > 4096 * 4096)
            return;
        if (Measuring) {
            const QTransform t = Mapping();
            const QRectF target = QRectF(t.map(corner0), t.map(corner1)).normalized();
            if (Within_Reach(target))
                Note_Drawn(target);
            return;
        }
        Work += static_cast<std::uint64_t>(bw * bh);
        QImage picture = Over_Budget() ? QImage() : Dib_Picture(dib, size, core, bw, bh);
        if (picture.isNull())
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
        if (Measuring)
            return Note_Drawn(path.controlPointRect());
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

    // Where figures can show: the picture, or anywhere when measuring.
    QRectF Canvas() const
    {
        return Measuring ? QRectF(-1e7, -1e7, 2e7, 2e7)
                         : QRectF(0, 0, Image.width(), Image.height());
    }

    void Note_Drawn(QRectF area)
    {
        if (S.Clipped)
            area = area.intersected(S.Clip.boundingRect());
        if (!area.isEmpty() || area.width() > 0 || area.height() > 0)
            Drawn = Drawn.isNull() ? area : Drawn.united(area);
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

// A record's parameters: `Count` signed integers of `Width` bytes (2 in a
// Windows metafile, 4 in an enhanced one) at `Data`, counted from the last
// when `Reversed`; those past the record read as 0.
struct T_Params {
    const u8* Data;
    std::size_t Count;
    std::size_t Width;
    bool Reversed = false;

    std::uint32_t U(std::size_t i) const
    {
        if (i >= Count)
            return 0;
        const u8* at = Data + Width * (Reversed ? Count - 1 - i : i);
        return Width == 2 ? Get_U16_LE(at) : Get_U32_LE(at);
    }
    double operator()(std::size_t i) const
    {
        return Width == 2 ? static_cast<std::int16_t>(U(i)) : static_cast<std::int32_t>(U(i));
    }
};

// Reads `count` points of `coordinate` bytes each (2 or 4, signed) at offset
// `at` of the `n` parameter bytes at `p`; false when they do not fit.
bool Read_Points(const u8* p, std::size_t n, std::size_t at, std::size_t count,
                 std::size_t coordinate, QPolygonF& out)
{
    if (at > n || count > (n - at) / (2 * coordinate))
        return false;
    const T_Params v{p + at, 2 * count, coordinate};
    out.clear();
    for (std::size_t i = 0; i < count; ++i)
        out.append(QPointF(v(2 * i), v(2 * i + 1)));
    return true;
}

// Several polygons or polylines: `polys` counts of `count_bytes` each at
// `counts_at`, then all the points; false when they do not fit.
bool Read_Poly_Path(const u8* p, std::size_t n, std::size_t counts_at, std::size_t polys,
                    std::size_t count_bytes, std::size_t coordinate, bool closed, QPainterPath& out)
{
    if (counts_at > n || polys > (n - counts_at) / count_bytes)
        return false;
    const T_Params counts{p + counts_at, polys, count_bytes};
    std::size_t at = counts_at + polys * count_bytes;
    for (std::size_t i = 0; i < polys; ++i) {
        const std::size_t count = counts.U(i);
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

// A white picture for a metafile of `w` x `h` pixels at 96 dpi, its longer
// side kept between 16 and 4096 pixels.
bool New_Drawing(QImage& out, double w, double h, const T_Decode_Limits& limits, std::string& error)
{
    w = std::abs(w), h = std::abs(h);
    if (!(w >= 1) || !(h >= 1))
        return Fail(error, "The metafile does not say how large its picture is.");
    const double longer = std::max(w, h), scale = longer > 4096 ? 4096 / longer
                                                  : longer < 16 ? 16 / longer
                                                                : 1;
    if (!New_Image(out, std::max<std::int64_t>(1, std::llround(w * scale)),
                   std::max<std::int64_t>(1, std::llround(h * scale)), QImage::Format_RGB32, limits,
                   error))
        return false;
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
T_Font Read_Font(const u8* p, std::size_t n, std::size_t field, bool wide)
{
    const T_Params v{p, 5, field};
    const u8* flags = p + 5 * field;
    T_Font font{v(0),          v(2), static_cast<int>(v(4)), flags[0] != 0, flags[1] != 0,
                flags[2] != 0, {}};
    const std::size_t face_at = 5 * field + 8;
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
    if (const auto* pen = std::get_if<T_Pen>(&object))
        s.Pen = *pen;
    else if (const auto* brush = std::get_if<T_Brush>(&object))
        s.Brush = *brush;
    else if (const auto* font = std::get_if<T_Font>(&object))
        s.Font = *font;
}

// A brush of a style: 1 none, 3 and 5 patterns and bitmaps (drawn grey).
T_Brush Brush_Of(unsigned style, std::uint32_t color)
{
    return {style != 1, style == 3 || style == 5 ? QColor(128, 128, 128) : Color_Ref(color)};
}

// A pen of a style (5: none), width and colour.
T_Pen Pen_Of(unsigned style, double width, std::uint32_t color)
{
    return {(style & 15) != 5, width, Color_Ref(color)};
}

// The stock objects of enhanced metafiles: brushes from white to black, no
// brush, a white and a black pen, no pen.
const T_Object Stock_Objects[] = {
    T_Brush{true, QColor(255, 255, 255)},
    T_Brush{true, QColor(192, 192, 192)},
    T_Brush{true, QColor(128, 128, 128)},
    T_Brush{true, QColor(64, 64, 64)},
    T_Brush{true, QColor(0, 0, 0)},
    T_Brush{false},
    T_Pen{true, 0, Qt::white},
    T_Pen{true, 0, Qt::black},
    T_Pen{false},
};

// A polyline, or a polygon (closed and filled).
void Draw_Poly(T_Drawer& d, const QPolygonF& points, bool polygon)
{
    QPainterPath path;
    path.addPolygon(points);
    if (polygon)
        path.closeSubpath();
    d.Draw(path, polygon);
}

// The records both kinds of metafile have: the Windows metafile function,
// the enhanced metafile record type and the number of parameters. They are
// played with their parameters in the enhanced metafile's order (x before
// y; left, top, right, bottom), which a Windows metafile stores in reverse.
const unsigned Shared_Records[][3] = {
    {0x020B, 10, 2}, {0x020C, 9, 2},  {0x0106, 19, 1}, {0x012E, 22, 1}, {0x0214, 27, 2},
    {0x0213, 54, 2}, {0x001E, 33, 0}, {0x0127, 34, 1}, {0x012D, 37, 1}, {0x01F0, 40, 1},
    {0x041B, 43, 4}, {0x0418, 42, 4}, {0x061C, 44, 6}, {0x0817, 45, 8}, {0x0830, 46, 8},
    {0x081A, 47, 8}, {0x0416, 30, 4}, {0x0415, 29, 4},
};

// Plays a record of `n` parameter bytes at `p` if both kinds have it, by its
// function (`wmf`) or record type; false for the other records.
bool Play_Shared(unsigned code, bool wmf, const u8* p, std::size_t n, T_Drawer& d)
{
    const auto* record = std::find_if(std::begin(Shared_Records), std::end(Shared_Records),
                                      [&](const unsigned* r) { return r[wmf ? 0 : 1] == code; });
    if (record == std::end(Shared_Records))
        return false;
    const T_Params v{p, (*record)[2], wmf ? 2u : 4u, wmf};
    if (n < v.Count * v.Width)
        return true; // too short to play
    T_State& s = d.S;
    const unsigned type = (*record)[1];
    const std::uint32_t index = v.U(0);
    const auto back = static_cast<std::size_t>(v(0) < 0 ? -v(0) : 0);
    if (type == 10) // SetWindowOrg
        s.Win_X = v(0), s.Win_Y = v(1);
    else if (type == 9 && v(0) != 0 && v(1) != 0) // SetWindowExt
        s.Win_W = v(0), s.Win_H = v(1);
    else if (type == 19) // SetPolyFillMode
        s.Winding = v.U(0) == 2;
    else if (type == 22) // SetTextAlign
        s.Text_Align = v.U(0);
    else if (type == 27) // MoveTo
        d.Move_To({v(0), v(1)});
    else if (type == 54) // LineTo
        d.Continue({QPointF(v(0), v(1))}, false);
    else if (type == 33 && d.Saved.size() < 1000) // SaveDC
        d.Saved.push_back(s);
    else if (type == 34 && back >= 1 && back <= d.Saved.size()) // RestoreDC: -1 the last saved, ...
        s = d.Saved[d.Saved.size() - back], d.Saved.resize(d.Saved.size() - back);
    else if (type == 37 && index < d.Objects.size()) // SelectObject
        Select(s, d.Objects[index]);
    else if (type == 37 && index >= 0x80000000u && index - 0x80000000u < 9) // a stock object
        Select(s, Stock_Objects[index - 0x80000000u]);
    else if (type == 40 && index < d.Objects.size()) // DeleteObject
        d.Objects[index] = std::monostate{};
    else if (type == 42 || type == 43) // Ellipse, Rectangle
        d.Draw(Box_Path(type == 42, v(0), v(1), v(2), v(3)), true);
    else if (type == 44) // RoundRect
        d.Draw(Box_Path(2, v(0), v(1), v(2), v(3), v(4), v(5)), true);
    else if (type >= 45 && type <= 47) // Arc, Chord, Pie: box, start, end
        d.Draw(Arc_Path(int(type) - 45, v(0), v(1), v(2), v(3), {v(4), v(5)}, {v(6), v(7)}),
               type != 45);
    else if (type == 29 || type == 30) // ExcludeClipRect, IntersectClipRect
        d.Clip_Rect(v(0), v(1), v(2), v(3), type == 29);
    return true;
}

// ------------------------------------------------------------------ WMF

// A new object of a Windows metafile takes the first free slot of the table.
void Add_Object(T_Drawer& d, const T_Object& object)
{
    auto slot = std::find_if(d.Objects.begin(), d.Objects.end(),
                             [](const T_Object& o) { return o.index() == 0; });
    if (slot != d.Objects.end())
        *slot = object;
}

// Plays a record of a Windows metafile that enhanced metafiles do not share:
// `n` parameter bytes at `p`, 16-bit words. Raster operations, regions and
// the rest are not drawn.
void Play_Wmf_Record(unsigned function, const u8* p, std::size_t n, T_Drawer& d)
{
    const T_Params v{p, n / 2, 2};
    const bool polyline = function == 0x0325, polygon = function == 0x0324,
               poly_polygon = function == 0x0538;
    QPolygonF points;
    QPainterPath shapes;
    if ((polyline || polygon) && n >= 2 && Read_Points(p, n, 2, v.U(0), 2, points))
        Draw_Poly(d, points, polygon);
    else if (poly_polygon && n >= 2 && Read_Poly_Path(p, n, 2, v.U(0), 2, 2, true, shapes))
        d.Draw(shapes, true);
    else if (function == 0x02FA && n >= 10) // CreatePenIndirect: style, width, colour
        Add_Object(d, Pen_Of(v.U(0), v(1), Get_U32_LE(p + 6)));
    else if (function == 0x02FC && n >= 6) // CreateBrushIndirect: style, colour
        Add_Object(d, Brush_Of(v.U(0), Get_U32_LE(p + 2)));
    else if (function == 0x01F9 || function == 0x0142) // pattern and bitmap brushes
        Add_Object(d, Brush_Of(3, 0));
    else if (function == 0x02FB) // CreateFontIndirect
        Add_Object(d, n >= 18 ? Read_Font(p, n, 2, false) : T_Font{});
    else if (function == 0x00F7 || function == 0x06FF) // palettes, regions
        Add_Object(d, T_Other{});
    else if (function == 0x0209 && n >= 4) // SetTextColor
        d.S.Text_Color = Color_Ref(Get_U32_LE(p));
    else if (function == 0x0521) { // TextOut: length, text padded to a word, y, x
        const std::size_t length = v.U(0), padded = (length + 1) & ~std::size_t{1};
        if (n >= 2 && 2 + padded + 4 <= n)
            d.Text({v(2 + padded / 2), v(1 + padded / 2)}, Text_Of(p + 2, length, false));
    } else if (function == 0x0A32) { // ExtTextOut: y, x, length, options, [rectangle], text
        const std::size_t length = v.U(2), at = 8 + ((v.U(3) & 6) ? 8 : 0);
        if (n >= 8 && at + length <= n)
            d.Text({v(1), v(0)}, Text_Of(p + at, length, false));
    } else if (function == 0x0F43 || function == 0x0B41 || function == 0x0940) {
        // StretchDIB, DIBStretchBlt, DIBBitBlt. Before the bitmap, the
        // parameters in reverse: the destination (x, y, w, h) and the source
        // (x, y, and its w, h when it is stretched).
        const std::size_t words = function == 0x0F43 ? 11 : function == 0x0B41 ? 10 : 8;
        const T_Params r{p, words, 2, true};
        const int stretched = function == 0x0940 ? 0 : 4;
        if (n > 2 * words)
            d.Bitmap(p + 2 * words, n - 2 * words, {r(0), r(1)}, {r(0) + r(2), r(1) + r(3)},
                     QRect(int(r(4)), int(r(5)), int(r(2 + stretched)), int(r(3 + stretched))));
    }
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

// Polylines and curves after a bounds rectangle and a count, of 32-bit
// points, or of 16-bit ones for the "16" record types 85 to 89: `kind` 2
// Bezier, 3 polygon, 4 polyline, 5 Bezier on from the position, 6 polyline
// on from it.
void Draw_Emf_Points(T_Drawer& d, unsigned type, const T_Params& v)
{
    const unsigned kind = type >= 85 ? type - 83 : type;
    QPolygonF points;
    const std::size_t n = v.Count * 4;
    if (n < 20 || !Read_Points(v.Data, n, 20, v.U(4), type >= 85 ? 2 : 4, points) ||
        points.isEmpty())
        return;
    if (kind == 5 || kind == 6)
        return d.Continue(points, kind == 5);
    if (kind == 3 || kind == 4)
        return Draw_Poly(d, points, kind == 3);
    QPainterPath curve(points[0]);
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        curve.cubicTo(points[i], points[i + 1], points[i + 2]);
    d.Draw(curve, false);
}

// StretchDIBits: the header and the bits lie apart in the record; they are
// joined into one packed bitmap.
void Draw_Emf_Bitmap(T_Drawer& d, const u8* record, std::size_t length, const T_Params& v)
{
    const std::uint32_t bmi_at = v.U(10), bmi_len = v.U(11), bits_at = v.U(12), bits_len = v.U(13);
    if (v.Count < 18 || bmi_len == 0 || bmi_at > length || bmi_len > length - bmi_at ||
        bits_at > length || bits_len > length - bits_at)
        return;
    std::vector<u8> dib(record + bmi_at, record + bmi_at + bmi_len);
    dib.insert(dib.end(), record + bits_at, record + bits_at + bits_len);
    // Source rectangles count from the bottom of a bottom-up bitmap.
    const auto stored_h =
        dib.size() >= 12 ? static_cast<std::int32_t>(Get_U32_LE(dib.data() + 8)) : 0;
    QRect source(int(v(6)), int(v(7)), int(v(8)), int(v(9)));
    if (bmi_len >= 40 && stored_h > 0)
        source.moveTop(stored_h - source.top() - source.height());
    d.Bitmap(dib.data(), dib.size(), {v(4), v(5)}, {v(4) + v(16), v(5) + v(17)}, source);
}

// ArcTo: a line from the position to the arc's start, then the arc.
void Draw_Arc_To(T_Drawer& d, const T_Params& v)
{
    const QPainterPath arc = Arc_Path(0, v(0), v(1), v(2), v(3), {v(4), v(5)}, {v(6), v(7)});
    QPolygonF line;
    for (int i = 0; i < arc.elementCount(); ++i)
        line.append(arc.elementAt(i));
    if (line.isEmpty())
        return;
    d.Continue({line.front()}, false);
    line.removeFirst();
    d.Continue(line, true);
}

// Plays a record of an enhanced metafile that Windows metafiles do not
// share: the whole record of `length` bytes at `record`, its parameters after
// the type and the length. Raster operations, regions (but for the reset of
// the clipping) and the rest are not drawn.
void Play_Emf_Record(unsigned type, const u8* record, std::size_t length, T_Drawer& d)
{
    const u8* p = record + 8;
    const std::size_t n = length - 8;
    const T_Params v{p, n / 4, 4};
    T_State& s = d.S;
    // The objects are created at the index their first parameter gives.
    T_Object* slot = n >= 4 && v.U(0) < d.Objects.size() ? &d.Objects[v.U(0)] : nullptr;
    const bool polygons = type == 8 || type == 91;
    QPainterPath shapes;
    if ((type >= 2 && type <= 6) || (type >= 85 && type <= 89))
        Draw_Emf_Points(d, type, v);
    else if ((type == 7 || type == 90 || polygons) && n >= 24 && // PolyPolyline, PolyPolygon
             Read_Poly_Path(p, n, 24, v.U(4), 4, type >= 90 ? 2 : 4, polygons, shapes))
        d.Draw(shapes, polygons);
    else if (type == 11 && n >= 8 && v(0) != 0 && v(1) != 0) // SetViewportExt
        s.Vp_W = v(0), s.Vp_H = v(1);
    else if (type == 12 && n >= 8) // SetViewportOrg
        s.Vp_X = v(0), s.Vp_Y = v(1);
    else if (type == 17 && n >= 4) // SetMapMode
        s.Map_Mode = static_cast<int>(v.U(0));
    else if (type == 24 && n >= 4) // SetTextColor
        s.Text_Color = Color_Ref(v.U(0));
    else if (type == 35 && n >= 24) // SetWorldTransform
        s.World = Read_Xform(p);
    else if (type == 36 && n >= 28) { // ModifyWorldTransform
        // A reset, a multiplication on the left or on the right, or a new one.
        const QTransform x = Read_Xform(p);
        const unsigned mode = v.U(6);
        s.World = mode == 1   ? QTransform()
                  : mode == 2 ? x * s.World
                  : mode == 3 ? s.World * x
                  : mode == 4 ? x
                              : s.World;
    } else if (type == 38 && slot && n >= 20) // CreatePen: index, style, width, colour
        *slot = Pen_Of(v.U(1), v(2), v.U(4));
    else if (type == 95 && slot && n >= 36) // ExtCreatePen: index, bitmap, style, width, colour
        *slot = Pen_Of(v.U(5), v.U(6), v.U(8));
    else if (type == 39 && slot && n >= 16) // CreateBrushIndirect: index, style, colour
        *slot = Brush_Of(v.U(1) == 1 ? 1 : 0, v.U(2));
    else if ((type == 93 || type == 94) && slot) // pattern and bitmap brushes
        *slot = Brush_Of(3, 0);
    else if (type == 82 && slot && n >= 4 + 28) // ExtCreateFontIndirectW: index, logical font
        *slot = Read_Font(p + 4, n - 4, 4, true);
    else if (type == 55 && n >= 32) // ArcTo
        Draw_Arc_To(d, v);
    else if (type == 59 || type == 68) // BeginPath, AbortPath
        d.Begin_Path(), d.In_Path = type == 59;
    else if (type == 60) // EndPath
        d.In_Path = false;
    else if (type == 61) // CloseFigure
        d.Close_Figure();
    else if (type >= 62 && type <= 64) // FillPath, StrokeAndFillPath, StrokePath
        d.Finish_Path(type != 64, type != 62);
    else if (type == 67 && n >= 4) // SelectClipPath
        d.Clip_To_Path(v.U(0));
    else if (type == 75 && n >= 8 && v.U(0) == 0 && v.U(1) == 5) // ExtSelectClipRgn: a reset
        s.Clipped = false;
    else if (type == 81) // StretchDIBits
        Draw_Emf_Bitmap(d, record, length, v);
    else if (type == 83 || type == 84) { // ExtTextOutA / W: bounds, mode, scales, then
        // the reference point, the count and offset of the characters
        const std::size_t count = v.U(9), at = v.U(10), each = type == 84 ? 2 : 1;
        if (n >= 68 && at >= 8 && at <= length && count <= (length - at) / each)
            d.Text({v(7), v(8)}, Text_Of(record + at, count, type == 84));
    }
}

// Plays the records from `pos` on, up to the end record: those of a Windows
// metafile (`wmf`: size in words, function, parameters) or of an enhanced
// one (type, size in bytes, parameters), with a table of `object_count`
// objects.
bool Play_Records(const u8* data, std::size_t size, std::size_t pos, bool wmf, T_Drawer& d,
                  std::size_t object_count, std::string& error)
{
    d.Objects.resize(object_count);
    for (const std::size_t head = wmf ? 6 : 8; pos + head <= size;) {
        if (d.Over_Budget())
            return Fail(error, "The metafile is too complex to draw.");
        const unsigned code = wmf ? Get_U16_LE(data + pos + 4) : Get_U32_LE(data + pos);
        const std::uint64_t length =
            wmf ? Get_U32_LE(data + pos) * std::uint64_t{2} : Get_U32_LE(data + pos + 4);
        if (code == (wmf ? 0u : 14u))
            break;
        if (length < head || length > size - pos)
            return Fail(error, "A metafile record runs past the end of the file.");
        const u8* record = data + pos;
        pos += static_cast<std::size_t>(length);
        if (Play_Shared(code, wmf, record + head, length - head, d))
            continue;
        if (wmf)
            Play_Wmf_Record(code, record + head, length - head, d);
        else
            Play_Emf_Record(code, record, length, d);
    }
    return !d.Over_Budget() || Fail(error, "The metafile is too complex to draw.");
}

// ------------------------------------------------------- picture and mapping

// A Windows metafile's records and the window they start with.
struct T_Wmf_Play {
    const u8* Data;
    std::size_t Size, Records_At;
    unsigned Object_Count;
    double Win_X, Win_Y, Ext_X, Ext_Y;
};

// Plays the records with the window mapped onto a picture of `frame` pixels,
// whose point `origin` lands at the drawer's top left, scaled by `scale`.
bool Play_Wmf(const T_Wmf_Play& play, T_Drawer& d, QSize frame, QPointF origin, double scale,
              std::string& error)
{
    d.S.Win_X = play.Win_X, d.S.Win_Y = play.Win_Y, d.S.Win_W = play.Ext_X, d.S.Win_H = play.Ext_Y;
    d.Mapping = [&d, frame, origin, scale] {
        return QTransform::fromTranslate(-d.S.Win_X, -d.S.Win_Y) *
               QTransform::fromScale(frame.width() / d.S.Win_W, frame.height() / d.S.Win_H) *
               QTransform::fromTranslate(-origin.x(), -origin.y()) *
               QTransform::fromScale(scale, scale);
    };
    return Play_Records(play.Data, play.Size, play.Records_At, true, d, play.Object_Count, error);
}

// The frame's picture widened to what was drawn beyond it. A figure that
// merely touches the frame's edge (a border drawn on it) widens nothing.
QRectF Extent_With(QSize frame, const QRectF& drawn)
{
    QRectF whole(QPointF(0, 0), frame);
    if (drawn.isNull())
        return whole;
    if (drawn.left() < -1)
        whole.setLeft(std::floor(drawn.left()));
    if (drawn.top() < -1)
        whole.setTop(std::floor(drawn.top()));
    if (drawn.right() > frame.width() + 1)
        whole.setRight(std::ceil(drawn.right()));
    if (drawn.bottom() > frame.height() + 1)
        whole.setBottom(std::ceil(drawn.bottom()));
    return whole;
}

// The picture cut to the header's frame and what shows beyond it: shapes
// that reach out of the frame but leave nothing there but paper (a white
// background larger than the frame, an outline in the paper's colour) would
// otherwise give the picture an empty margin that viewers never show.
QImage Cropped_To_Ink(const QImage& Drawn, const QRect& Frame)
{
    const QRect inside = Frame.intersected(Drawn.rect());
    QRect kept = inside;
    const QRgb paper = qRgb(255, 255, 255);
    for (int y = 0; y < Drawn.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(Drawn.constScanLine(y));
        const bool inside_rows = y >= inside.top() && y <= inside.bottom();
        for (int x = 0; x < Drawn.width(); ++x) {
            if (inside_rows && x == inside.left()) {
                x = inside.right(); // the frame's own pixels are kept whole
                continue;
            }
            if ((row[x] | 0xFF000000u) != paper)
                kept = kept.united(QRect(x, y, 1, 1));
        }
    }
    return kept == Drawn.rect() ? Drawn : Drawn.copy(kept);
}

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
    const T_Params frame{data + 6, placeable ? 4u : 0u, 2}; // left, top, right, bottom
    const double inch = placeable && Get_U16_LE(data + 14) ? Get_U16_LE(data + 14) : 1440;

    // The window is needed before drawing: take the first one the records set.
    double win_x = frame(0), win_y = frame(1), ext_x = frame(2) - win_x, ext_y = frame(3) - win_y;
    bool have_window = placeable && ext_x != 0 && ext_y != 0, org_set = false;
    for (std::size_t pos = records_at; !have_window && pos + 10 <= size;) {
        const std::uint64_t words = Get_U32_LE(data + pos);
        const unsigned function = Get_U16_LE(data + pos + 4);
        if (words < 3 || pos + words * 2 > size || function == 0)
            break;
        const T_Params v{data + pos + 6, 2, 2, true}; // x, y
        if (function == 0x020C && words >= 5)
            ext_x = v(0), ext_y = v(1), have_window = ext_x != 0 && ext_y != 0;
        else if (function == 0x020B && words >= 5 && !org_set)
            win_x = v(0), win_y = v(1), org_set = true;
        pos += words * 2;
    }
    QImage framed;
    if (!New_Drawing(framed, placeable ? ext_x * 96 / inch : ext_x,
                     placeable ? ext_y * 96 / inch : ext_y, limits, error))
        return false;
    const T_Wmf_Play play{data,  size,  records_at, std::min(object_count, 65535u),
                          win_x, win_y, ext_x,      ext_y};
    // The window maps onto the picture the header's frame gives, as when the
    // metafile is played into a viewport of that size; a drawing that
    // reaches beyond it widens the picture so that all of it shows.
    QImage measure(1, 1, QImage::Format_RGB32);
    T_Drawer probe(measure, limits.Max_Draw_Work);
    probe.Measuring = true;
    if (!Play_Wmf(play, probe, framed.size(), {}, 1, error))
        return false;
    const QRectF whole = Extent_With(framed.size(), probe.Drawn);
    const double longer = std::max(whole.width(), whole.height());
    const double scale = longer > 4096 ? 4096 / longer : 1;
    if (whole == QRectF(QPointF(0, 0), framed.size()))
        out = framed;
    else if (!New_Image(out, std::max<std::int64_t>(1, std::llround(whole.width() * scale)),
                        std::max<std::int64_t>(1, std::llround(whole.height() * scale)),
                        QImage::Format_RGB32, limits, error))
        return false;
    out.fill(Qt::white);
    {
        // The drawer paints on the picture until it goes.
        T_Drawer d(out, limits.Max_Draw_Work);
        if (!Play_Wmf(play, d, framed.size(), whole.topLeft(), scale, error))
            return false;
    }
    if (out.size() != framed.size()) {
        const QRectF frame_rect(-whole.left() * scale, -whole.top() * scale, framed.width() * scale,
                                framed.height() * scale);
        out = Cropped_To_Ink(out, frame_rect.toAlignedRect());
    }
    return true;
}

bool Is_Emf(const u8* data, std::size_t size)
{
    return size >= 88 && Get_U32_LE(data) == 1 && Get_U32_LE(data + 40) == 0x464D4520;
}

bool Draw_Emf(const u8* data, std::size_t size, QImage& out, std::string& error,
              const T_Decode_Limits& limits)
{
    // The header's 32-bit fields: the bounds in device pixels (2 to 5), the
    // frame in 0.01 mm (6 to 9), and the size of the reference device in
    // pixels (18, 19) and in millimetres (20, 21).
    const T_Params head{data, 22, 4};
    const double ppmm_x = head(20) > 0 && head(18) > 0 ? head(18) / head(20) : 96 / 25.4;
    const double ppmm_y = head(21) > 0 && head(19) > 0 ? head(19) / head(21) : 96 / 25.4;
    double dev_l = head(6) / 100 * ppmm_x, dev_t = head(7) / 100 * ppmm_y;
    double dev_w = (head(8) - head(6)) / 100 * ppmm_x, dev_h = (head(9) - head(7)) / 100 * ppmm_y;
    if (!(std::abs(dev_w) >= 1 && std::abs(dev_h) >= 1)) {
        // No usable frame: the bounds, inclusive.
        dev_l = head(2), dev_t = head(3);
        dev_w = head(4) - dev_l + 1, dev_h = head(5) - dev_t + 1;
    }
    if (!(std::abs(dev_w) >= 1 && std::abs(dev_h) >= 1))
        return Fail(error, "The metafile does not say how large its picture is.");
    // The frame at 96 dpi, or else the device pixels.
    const double frame_w = std::abs(head(8) - head(6)) / 2540.0 * 96,
                 frame_h = std::abs(head(9) - head(7)) / 2540.0 * 96;
    const bool framed = frame_w >= 1 && frame_h >= 1;
    if (!New_Drawing(out, framed ? frame_w : dev_w, framed ? frame_h : dev_h, limits, error))
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
    return Play_Records(data, size, 0, false, d, Get_U16_LE(data + 56), error);
}

} // namespace

bool Looks_Like_Metafile(const u8* data, std::size_t size)
{
    if ((size >= 22 && Get_U32_LE(data) == 0x9AC6CDD7) || Is_Emf(data, size))
        return true;
    // A plain metafile header: type 1 or 2, nine header words, version 1 or 3.
    return size >= 18 && (Get_U16_LE(data) == 1 || Get_U16_LE(data) == 2) &&
           Get_U16_LE(data + 2) == 9 &&
           (Get_U16_LE(data + 4) == 0x0300 || Get_U16_LE(data + 4) == 0x0100);
}

bool Draw_Metafile(const T_Source& source, QImage& out, std::string& error)
{
    if (Is_Emf(source.Data, source.Size))
        return Draw_Emf(source.Data, source.Size, out, error, source.Limits);
    if (source.Size >= 18)
        return Draw_Wmf(source.Data, source.Size, out, error, source.Limits);
    return Fail(error, "This is not a Windows metafile.");
}

} // namespace imaging
