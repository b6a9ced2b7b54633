// Windows metafiles (WMF, with or without the placeable header) and enhanced
// metafiles (EMF), drawn onto a white raster.
//
// What is drawn: lines, polylines, polygons and poly-polygons, rectangles,
// rounded rectangles, ellipses, Bezier curves, paths (filled, stroked or
// both), solid and hatched brushes (hatches drawn as their solid colour),
// pens of any width, the mapping modes and world transforms, and embedded
// device-independent bitmaps. What is not: text, arcs, pies and chords,
// clipping regions, raster operations other than copying, and pattern
// brushes (drawn grey). Edges are not anti-aliased.
#include "decode_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace imaging {

namespace {

struct T_Point {
    double X, Y;
};
using T_Path = std::vector<T_Point>;

struct T_Pen {
    bool Visible = true;
    double Width = 0; // logical units; 0 means one pixel
    u8 Rgb[3] = {0, 0, 0};
};

struct T_Brush {
    bool Visible = true;
    u8 Rgb[3] = {255, 255, 255};
};

// The objects of a metafile's table: pens, brushes, or anything else that
// only occupies a slot (fonts, palettes, regions).
struct T_Object {
    enum { Empty, Pen, Brush, Other } Kind = Empty;
    T_Pen Pen_Value;
    T_Brush Brush_Value;
};

// Fills and strokes in raster coordinates. A budget of edge and pixel steps
// keeps hostile metafiles (millions of huge polygons) from running for
// minutes: past it the drawing stops with an error.
class T_Painter {
public:
    T_Painter(T_Raster& raster, std::uint64_t budget) : R(raster), Budget(budget) {}

    bool Over_Budget() const { return Work > Budget; }
    void Add_Work(std::uint64_t steps) { Work += steps; }

    void Fill(const std::vector<T_Path>& polygons, const u8* rgb, bool winding)
    {
        double top = 1e300, bottom = -1e300;
        std::size_t edges = 0;
        for (const T_Path& p : polygons) {
            for (const T_Point& q : p) {
                top = std::min(top, q.Y);
                bottom = std::max(bottom, q.Y);
            }
            edges += p.size();
        }
        if (edges < 3 && polygons.size() <= 1 && (polygons.empty() || polygons[0].size() < 3))
            return;
        int y0 = std::max(0, static_cast<int>(std::floor(top))), y1 = std::min(R.Height - 1, static_cast<int>(std::ceil(bottom)));
        std::vector<std::pair<double, int>> crossings;
        for (int y = y0; y <= y1 && !Over_Budget(); ++y) {
            double cy = y + 0.5;
            crossings.clear();
            for (const T_Path& p : polygons) {
                for (std::size_t i = 0; i < p.size(); ++i) {
                    const T_Point& a = p[i];
                    const T_Point& b = p[(i + 1) % p.size()];
                    if ((a.Y <= cy && b.Y > cy) || (b.Y <= cy && a.Y > cy)) {
                        double x = a.X + (cy - a.Y) * (b.X - a.X) / (b.Y - a.Y);
                        crossings.push_back({x, b.Y > a.Y ? 1 : -1});
                    }
                }
            }
            Work += edges;
            std::sort(crossings.begin(), crossings.end(),
                      [](const auto& l, const auto& r) { return l.first < r.first; });
            int count = 0;
            for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
                count += winding ? crossings[i].second : 1;
                bool inside = winding ? count != 0 : (count & 1);
                if (inside)
                    Span(y, crossings[i].first, crossings[i + 1].first, rgb);
            }
        }
    }

    void Stroke(const T_Path& path, bool closed, double width, const u8* rgb)
    {
        if (path.empty())
            return;
        std::size_t n = path.size();
        std::size_t segments = closed ? n : n - 1;
        if (n == 1)
            segments = 0;
        if (width <= 1.5) {
            for (std::size_t i = 0; i < segments; ++i)
                Thin_Line(path[i], path[(i + 1) % n], rgb);
            if (n == 1)
                Thin_Line(path[0], path[0], rgb);
            return;
        }
        double half = width / 2;
        for (std::size_t i = 0; i < segments && !Over_Budget(); ++i) {
            T_Point a = path[i], b = path[(i + 1) % n];
            double dx = b.X - a.X, dy = b.Y - a.Y, length = std::hypot(dx, dy);
            if (length > 0) {
                double nx = -dy / length * half, ny = dx / length * half;
                Fill({{{a.X + nx, a.Y + ny}, {b.X + nx, b.Y + ny}, {b.X - nx, b.Y - ny}, {a.X - nx, a.Y - ny}}}, rgb, true);
            }
        }
        // Round joins and caps.
        for (std::size_t i = 0; i < n && !Over_Budget(); ++i)
            Fill({Ellipse_Points(path[i].X - half, path[i].Y - half, path[i].X + half, path[i].Y + half)}, rgb, true);
    }

    // A polygon approximating the ellipse in a box, with enough vertices to
    // look round at its size.
    static T_Path Ellipse_Points(double left, double top, double right, double bottom)
    {
        double cx = (left + right) / 2, cy = (top + bottom) / 2, rx = std::abs(right - left) / 2, ry = std::abs(bottom - top) / 2;
        int steps = static_cast<int>(std::clamp((rx + ry) * 0.8, 12.0, 720.0));
        T_Path path;
        for (int i = 0; i < steps; ++i) {
            double t = 2 * M_PI * i / steps;
            path.push_back({cx + rx * std::cos(t), cy + ry * std::sin(t)});
        }
        return path;
    }

    T_Raster& R;

private:
    void Span(int y, double x0, double x1, const u8* rgb)
    {
        int a = std::max(0, static_cast<int>(std::ceil(x0 - 0.5)));
        int b = std::min(R.Width - 1, static_cast<int>(std::ceil(x1 - 0.5)) - 1);
        for (int x = a; x <= b; ++x)
            Plot(x, y, rgb);
        Work += b >= a ? static_cast<std::uint64_t>(b - a + 1) : 0;
    }

    void Plot(int x, int y, const u8* rgb)
    {
        if (x < 0 || y < 0 || x >= R.Width || y >= R.Height)
            return;
        u8* p = R.At(x, y);
        p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2], p[3] = 255;
    }

    void Thin_Line(T_Point a, T_Point b, const u8* rgb)
    {
        // Clip the segment's extent to the raster before stepping along it.
        double dx = b.X - a.X, dy = b.Y - a.Y;
        double steps = std::ceil(std::max(std::abs(dx), std::abs(dy)));
        if (steps > 4.0 * (R.Width + R.Height)) {
            // A line far longer than the picture: step only through the part
            // that can be visible, by clipping against a generous box.
            double t0 = 0, t1 = 1;
            const double lo[2] = {-1, -1}, hi[2] = {R.Width + 1.0, R.Height + 1.0};
            const double p0[2] = {a.X, a.Y}, d[2] = {dx, dy};
            for (int k = 0; k < 2; ++k) {
                if (d[k] == 0) {
                    if (p0[k] < lo[k] || p0[k] > hi[k])
                        return;
                    continue;
                }
                double u0 = (lo[k] - p0[k]) / d[k], u1 = (hi[k] - p0[k]) / d[k];
                if (u0 > u1)
                    std::swap(u0, u1);
                t0 = std::max(t0, u0), t1 = std::min(t1, u1);
            }
            if (t0 > t1)
                return;
            b = {a.X + dx * t1, a.Y + dy * t1};
            a = {a.X + dx * t0, a.Y + dy * t0};
            dx = b.X - a.X, dy = b.Y - a.Y;
            steps = std::ceil(std::max(std::abs(dx), std::abs(dy)));
        }
        int n = static_cast<int>(steps);
        for (int i = 0; i <= n; ++i) {
            double t = n ? static_cast<double>(i) / n : 0;
            Plot(static_cast<int>(std::floor(a.X + dx * t)), static_cast<int>(std::floor(a.Y + dy * t)), rgb);
        }
        Work += static_cast<std::uint64_t>(n) + 1;
    }

    std::uint64_t Work = 0;
    std::uint64_t Budget;
};

// Flattens a cubic Bezier from `p0` through the controls into `path`.
void Add_Bezier(T_Path& path, T_Point p0, T_Point c1, T_Point c2, T_Point p3)
{
    for (int i = 1; i <= 16; ++i) {
        double t = i / 16.0, u = 1 - t;
        path.push_back({u * u * u * p0.X + 3 * u * u * t * c1.X + 3 * u * t * t * c2.X + t * t * t * p3.X,
                        u * u * u * p0.Y + 3 * u * u * t * c1.Y + 3 * u * t * t * c2.Y + t * t * t * p3.Y});
    }
}

T_Path Round_Rect_Points(double l, double t, double r, double b, double rw, double rh)
{
    if (l > r)
        std::swap(l, r);
    if (t > b)
        std::swap(t, b);
    rw = std::min(std::abs(rw) / 2, (r - l) / 2), rh = std::min(std::abs(rh) / 2, (b - t) / 2);
    T_Path path;
    const double centres[4][2] = {{r - rw, t + rh}, {r - rw, b - rh}, {l + rw, b - rh}, {l + rw, t + rh}};
    for (int corner = 0; corner < 4; ++corner)
        for (int i = 0; i <= 8; ++i) {
            double a = M_PI / 2 * (corner - 1) + M_PI / 2 * i / 8;
            path.push_back({centres[corner][0] + rw * std::cos(a), centres[corner][1] + rh * std::sin(a)});
        }
    return path;
}

void Set_Rgb(u8* rgb, std::uint32_t colorref)
{
    rgb[0] = colorref & 255, rgb[1] = (colorref >> 8) & 255, rgb[2] = (colorref >> 16) & 255;
}

// The drawing state both metafile kinds share, and the drawing operations in
// logical coordinates; each kind supplies its own mapping to the raster.
struct T_Drawer {
    T_Painter Paint;
    T_Pen Pen;
    T_Brush Brush;
    bool Winding = false;
    T_Point Position{0, 0};
    bool In_Path = false;
    std::vector<T_Path> Path;
    std::vector<bool> Path_Closed;

    T_Drawer(T_Raster& r, std::uint64_t budget) : Paint(r, budget) {}

    // Maps logical to raster coordinates; set by the parser.
    std::function<T_Point(double, double)> Map;
    std::function<double(double)> Map_Width;

    double Pen_Width() const { return std::max(1.0, Map_Width(Pen.Width)); }

    void Shape(const std::vector<T_Path>& logical, bool closed, bool fill)
    {
        std::vector<T_Path> mapped;
        for (const T_Path& p : logical) {
            T_Path m;
            m.reserve(p.size());
            for (const T_Point& q : p)
                m.push_back(Map(q.X, q.Y));
            mapped.push_back(std::move(m));
        }
        if (In_Path) {
            for (auto& m : mapped) {
                Path.push_back(std::move(m));
                Path_Closed.push_back(closed);
            }
            return;
        }
        if (fill && Brush.Visible)
            Paint.Fill(mapped, Brush.Rgb, Winding);
        if (Pen.Visible)
            for (const T_Path& m : mapped)
                Paint.Stroke(m, closed, Pen_Width(), Pen.Rgb);
    }

    // Lines that continue from the current position (LineTo, PolylineTo):
    // inside a path they extend the open figure.
    void Line_To(const T_Path& points)
    {
        if (points.empty())
            return;
        if (In_Path) {
            if (Path.empty() || Path_Closed.back()) {
                Path.push_back({Map(Position.X, Position.Y)});
                Path_Closed.push_back(false);
            }
            for (const T_Point& q : points)
                Path.back().push_back(Map(q.X, q.Y));
        } else if (Pen.Visible) {
            T_Path line{Map(Position.X, Position.Y)};
            for (const T_Point& q : points)
                line.push_back(Map(q.X, q.Y));
            Paint.Stroke(line, false, Pen_Width(), Pen.Rgb);
        }
        Position = points.back();
    }

    void Move_To(T_Point p)
    {
        Position = p;
        if (In_Path) {
            Path.push_back({Map(p.X, p.Y)});
            Path_Closed.push_back(false);
        }
    }

    void Finish_Path(bool fill, bool stroke)
    {
        if (fill && Brush.Visible)
            Paint.Fill(Path, Brush.Rgb, Winding);
        if (stroke && Pen.Visible)
            for (std::size_t i = 0; i < Path.size(); ++i)
                Paint.Stroke(Path[i], Path_Closed[i] || fill, Pen_Width(), Pen.Rgb);
        Path.clear();
        Path_Closed.clear();
        In_Path = false;
    }

    // Draws a packed DIB scaled into the raster rectangle of two logical corners.
    void Bitmap(const u8* dib, std::size_t size, T_Point corner0, T_Point corner1, int src_x, int src_y, int src_w,
                int src_h)
    {
        T_Raster picture;
        std::string ignored;
        T_Decode_Limits limits;
        limits.Max_Pixels = 4096ull * 4096ull;
        if (Paint.Over_Budget() || !Decode_Bmp(dib, size, picture, ignored, limits))
            return;
        Paint.Add_Work(picture.Pixels.size() / 4);
        T_Point a = Map(corner0.X, corner0.Y), b = Map(corner1.X, corner1.Y);
        if (src_w <= 0 || src_h <= 0 || src_x < 0 || src_y < 0 || src_x + src_w > picture.Width ||
            src_y + src_h > picture.Height)
            src_x = 0, src_y = 0, src_w = picture.Width, src_h = picture.Height;
        double x0 = std::min(a.X, b.X), x1 = std::max(a.X, b.X), y0 = std::min(a.Y, b.Y), y1 = std::max(a.Y, b.Y);
        bool flip_x = b.X < a.X, flip_y = b.Y < a.Y;
        int px0 = std::max(0, static_cast<int>(std::floor(x0))), px1 = std::min(Paint.R.Width, static_cast<int>(std::ceil(x1)));
        int py0 = std::max(0, static_cast<int>(std::floor(y0))), py1 = std::min(Paint.R.Height, static_cast<int>(std::ceil(y1)));
        if (x1 - x0 < 0.5 || y1 - y0 < 0.5 || px1 <= px0 || py1 <= py0)
            return;
        Paint.Add_Work(static_cast<std::uint64_t>(px1 - px0) * static_cast<std::uint64_t>(py1 - py0));
        for (int y = py0; y < py1; ++y)
            for (int x = px0; x < px1; ++x) {
                double u = (x + 0.5 - x0) / (x1 - x0), v = (y + 0.5 - y0) / (y1 - y0);
                if (flip_x)
                    u = 1 - u;
                if (flip_y)
                    v = 1 - v;
                int sx = src_x + std::clamp(static_cast<int>(u * src_w), 0, src_w - 1);
                int sy = src_y + std::clamp(static_cast<int>(v * src_h), 0, src_h - 1);
                const u8* s = picture.At(sx, sy);
                u8* p = Paint.R.At(x, y);
                unsigned alpha = picture.Has_Alpha ? s[3] : 255;
                for (int c = 0; c < 3; ++c)
                    p[c] = static_cast<u8>((s[c] * alpha + p[c] * (255 - alpha)) / 255);
            }
    }
};

// Picks the raster size for a metafile of `w` x `h` pixels at 96 dpi: the
// longer side is kept between 16 and 4096 pixels.
void Raster_Size(double w, double h, std::int64_t& out_w, std::int64_t& out_h)
{
    w = std::abs(w), h = std::abs(h);
    if (!(w >= 1) || !(h >= 1)) {
        out_w = out_h = 0;
        return;
    }
    double longer = std::max(w, h), scale = 1;
    if (longer > 4096)
        scale = 4096 / longer;
    else if (longer < 16)
        scale = 16 / longer;
    out_w = std::max<std::int64_t>(1, std::llround(w * scale));
    out_h = std::max<std::int64_t>(1, std::llround(h * scale));
}

double Clamp_Coord(double v) { return std::clamp(std::isfinite(v) ? v : 0.0, -1e7, 1e7); }

// ------------------------------------------------------------------ WMF

bool Draw_Wmf(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    T_Reader in(data, size);
    bool placeable = Get_U32_LE(data) == 0x9AC6CDD7;
    double frame_l = 0, frame_t = 0, frame_r = 0, frame_b = 0, inch = 1440;
    if (placeable) {
        if (size < 22)
            return Fail(error, "The metafile header is truncated.");
        frame_l = static_cast<std::int16_t>(Get_U16_LE(data + 6));
        frame_t = static_cast<std::int16_t>(Get_U16_LE(data + 8));
        frame_r = static_cast<std::int16_t>(Get_U16_LE(data + 10));
        frame_b = static_cast<std::int16_t>(Get_U16_LE(data + 12));
        inch = Get_U16_LE(data + 14) ? Get_U16_LE(data + 14) : 1440;
        in.Seek(22);
    }
    std::size_t header_at = in.Pos();
    unsigned type = in.U16_LE(), header_words = in.U16_LE();
    in.U16_LE();
    in.U32_LE();
    unsigned object_count = in.U16_LE();
    in.U32_LE();
    in.U16_LE();
    if (in.Failed() || (type != 1 && type != 2) || header_words != 9)
        return Fail(error, "This is not a Windows metafile.");
    std::size_t records_at = header_at + 18;

    // The window is needed before drawing: take the first one the records set.
    double win_x = frame_l, win_y = frame_t, ext_x = frame_r - frame_l, ext_y = frame_b - frame_t;
    bool have_window = placeable && ext_x != 0 && ext_y != 0;
    if (!have_window) {
        bool org_set = false;
        for (std::size_t pos = records_at; pos + 6 <= size;) {
            std::uint64_t words = Get_U32_LE(data + pos);
            unsigned function = Get_U16_LE(data + pos + 4);
            if (words < 3 || pos + words * 2 > size || function == 0)
                break;
            if (function == 0x020C && words >= 5 && !have_window) {
                ext_y = static_cast<std::int16_t>(Get_U16_LE(data + pos + 6));
                ext_x = static_cast<std::int16_t>(Get_U16_LE(data + pos + 8));
                have_window = ext_x != 0 && ext_y != 0;
            } else if (function == 0x020B && words >= 5 && !org_set) {
                win_y = static_cast<std::int16_t>(Get_U16_LE(data + pos + 6));
                win_x = static_cast<std::int16_t>(Get_U16_LE(data + pos + 8));
                org_set = true;
            }
            pos += words * 2;
        }
    }
    if (!have_window)
        return Fail(error, "The metafile does not say how large its picture is.");
    std::int64_t w = 0, h = 0;
    if (placeable)
        Raster_Size(ext_x * 96 / inch, ext_y * 96 / inch, w, h);
    else
        Raster_Size(ext_x, ext_y, w, h);
    if (!Allocate_Raster(out, w, h, limits, error))
        return false;
    std::fill(out.Pixels.begin(), out.Pixels.end(), 255);

    // The current window maps onto the whole raster, as when the metafile is
    // played into a viewport of the raster's size.
    struct T_State {
        double Org_X, Org_Y, Ext_X, Ext_Y;
        T_Pen Pen;
        T_Brush Brush;
        bool Winding;
        T_Point Position;
    };
    double cur_org_x = win_x, cur_org_y = win_y, cur_ext_x = ext_x, cur_ext_y = ext_y;
    T_Drawer d(out, limits.Max_Draw_Work);
    d.Map = [&](double x, double y) -> T_Point {
        return {Clamp_Coord((x - cur_org_x) * out.Width / cur_ext_x), Clamp_Coord((y - cur_org_y) * out.Height / cur_ext_y)};
    };
    d.Map_Width = [&](double width) { return Clamp_Coord(std::abs(width * out.Width / cur_ext_x)); };
    std::vector<T_Object> objects(std::min(object_count, 65535u));
    std::vector<T_State> saved;

    auto s16 = [](const u8* p) { return static_cast<double>(static_cast<std::int16_t>(Get_U16_LE(p))); };
    auto add_object = [&](const T_Object& object) {
        for (auto& slot : objects)
            if (slot.Kind == T_Object::Empty) {
                slot = object;
                return;
            }
    };
    for (std::size_t pos = records_at; pos + 6 <= size;) {
        if (d.Paint.Over_Budget())
            return Fail(error, "The metafile is too complex to draw.");
        std::uint64_t words = Get_U32_LE(data + pos);
        unsigned function = Get_U16_LE(data + pos + 4);
        if (function == 0)
            break;
        if (words < 3 || words * 2 > size - pos)
            return Fail(error, "A metafile record runs past the end of the file.");
        const u8* p = data + pos + 6;
        const std::size_t n = static_cast<std::size_t>(words * 2 - 6); // parameter bytes
        pos += static_cast<std::size_t>(words * 2);
        auto points = [&](std::size_t at, std::size_t count, T_Path& path) {
            if (at + count * 4 > n)
                return false;
            for (std::size_t i = 0; i < count; ++i)
                path.push_back({s16(p + at + 4 * i), s16(p + at + 4 * i + 2)});
            return true;
        };
        switch (function) {
        case 0x020B: if (n >= 4) cur_org_y = s16(p), cur_org_x = s16(p + 2); break;
        case 0x020C:
            if (n >= 4 && s16(p) != 0 && s16(p + 2) != 0)
                cur_ext_y = s16(p), cur_ext_x = s16(p + 2);
            break;
        case 0x0106: if (n >= 2) d.Winding = Get_U16_LE(p) == 2; break;
        case 0x0214: if (n >= 4) d.Move_To({s16(p + 2), s16(p)}); break;
        case 0x0213: if (n >= 4) d.Line_To({{s16(p + 2), s16(p)}}); break;
        case 0x0325: case 0x0324: {
            if (n < 2)
                break;
            T_Path path;
            if (points(2, Get_U16_LE(p), path))
                d.Shape({path}, function == 0x0324, function == 0x0324);
            break;
        }
        case 0x0538: {
            if (n < 2)
                break;
            unsigned polys = Get_U16_LE(p);
            if (2 + 2ull * polys > n)
                break;
            std::vector<T_Path> shapes;
            std::size_t at = 2 + 2 * polys;
            bool ok = true;
            for (unsigned i = 0; i < polys && ok; ++i) {
                T_Path path;
                unsigned count = Get_U16_LE(p + 2 + 2 * i);
                ok = points(at, count, path);
                at += 4ull * count;
                shapes.push_back(std::move(path));
            }
            if (ok)
                d.Shape(shapes, true, true);
            break;
        }
        case 0x041B: case 0x0418: {
            if (n < 8)
                break;
            double b = s16(p), r = s16(p + 2), t = s16(p + 4), l = s16(p + 6);
            T_Path path = function == 0x041B ? T_Path{{l, t}, {r, t}, {r, b}, {l, b}} : T_Painter::Ellipse_Points(l, t, r, b);
            d.Shape({path}, true, true);
            break;
        }
        case 0x061C:
            if (n >= 12)
                d.Shape({Round_Rect_Points(s16(p + 10), s16(p + 8), s16(p + 6), s16(p + 4), s16(p + 2), s16(p))}, true, true);
            break;
        case 0x02FA: { // pen: style, width, colour
            if (n < 10)
                break;
            T_Object o;
            o.Kind = T_Object::Pen;
            o.Pen_Value.Visible = (Get_U16_LE(p) & 15) != 5;
            o.Pen_Value.Width = s16(p + 2);
            Set_Rgb(o.Pen_Value.Rgb, Get_U32_LE(p + 6));
            add_object(o);
            break;
        }
        case 0x02FC: { // brush: style, colour, hatch
            if (n < 6)
                break;
            T_Object o;
            o.Kind = T_Object::Brush;
            unsigned style = Get_U16_LE(p);
            o.Brush_Value.Visible = style != 1;
            Set_Rgb(o.Brush_Value.Rgb, Get_U32_LE(p + 2));
            if (style == 3 || style == 5)
                o.Brush_Value.Rgb[0] = o.Brush_Value.Rgb[1] = o.Brush_Value.Rgb[2] = 128;
            add_object(o);
            break;
        }
        case 0x01F9: case 0x0142: { // pattern brushes: grey
            T_Object o;
            o.Kind = T_Object::Brush;
            o.Brush_Value.Rgb[0] = o.Brush_Value.Rgb[1] = o.Brush_Value.Rgb[2] = 128;
            add_object(o);
            break;
        }
        case 0x02FB: case 0x00F7: case 0x06FF: {
            T_Object o;
            o.Kind = T_Object::Other;
            add_object(o);
            break;
        }
        case 0x012D: {
            if (n < 2)
                break;
            unsigned i = Get_U16_LE(p);
            if (i < objects.size()) {
                if (objects[i].Kind == T_Object::Pen)
                    d.Pen = objects[i].Pen_Value;
                else if (objects[i].Kind == T_Object::Brush)
                    d.Brush = objects[i].Brush_Value;
            }
            break;
        }
        case 0x01F0:
            if (n >= 2 && Get_U16_LE(p) < objects.size())
                objects[Get_U16_LE(p)] = T_Object{};
            break;
        case 0x001E:
            if (saved.size() < 1000)
                saved.push_back({cur_org_x, cur_org_y, cur_ext_x, cur_ext_y, d.Pen, d.Brush, d.Winding, d.Position});
            break;
        case 0x0127:
            if (!saved.empty()) {
                const T_State& s = saved.back();
                cur_org_x = s.Org_X, cur_org_y = s.Org_Y, cur_ext_x = s.Ext_X, cur_ext_y = s.Ext_Y;
                d.Pen = s.Pen, d.Brush = s.Brush, d.Winding = s.Winding, d.Position = s.Position;
                saved.pop_back();
            }
            break;
        case 0x0F43: // StretchDIB: rop, usage, source h, w, y, x, destination h, w, y, x, bitmap
            if (n > 22)
                d.Bitmap(p + 22, n - 22, {s16(p + 20), s16(p + 18)}, {s16(p + 20) + s16(p + 16), s16(p + 18) + s16(p + 14)},
                         static_cast<int>(s16(p + 12)), static_cast<int>(s16(p + 10)), static_cast<int>(s16(p + 8)),
                         static_cast<int>(s16(p + 6)));
            break;
        case 0x0B41: // DIBStretchBlt: rop, source h, w, y, x, destination h, w, y, x, bitmap
            if (n > 20)
                d.Bitmap(p + 20, n - 20, {s16(p + 18), s16(p + 16)}, {s16(p + 18) + s16(p + 14), s16(p + 16) + s16(p + 12)},
                         static_cast<int>(s16(p + 10)), static_cast<int>(s16(p + 8)), static_cast<int>(s16(p + 6)),
                         static_cast<int>(s16(p + 4)));
            break;
        case 0x0940: // DIBBitBlt: rop, source y, x, height, width, destination y, x, bitmap
            if (n > 16)
                d.Bitmap(p + 16, n - 16, {s16(p + 14), s16(p + 12)}, {s16(p + 14) + s16(p + 10), s16(p + 12) + s16(p + 8)},
                         static_cast<int>(s16(p + 6)), static_cast<int>(s16(p + 4)), static_cast<int>(s16(p + 10)),
                         static_cast<int>(s16(p + 8)));
            break;
        default: break; // text, arcs, clipping and the rest: not drawn
        }
    }
    if (d.Paint.Over_Budget())
        return Fail(error, "The metafile is too complex to draw.");
    return true;
}

// ------------------------------------------------------------------ EMF

struct T_Xform {
    double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
    T_Point Apply(double x, double y) const { return {x * M11 + y * M21 + Dx, x * M12 + y * M22 + Dy}; }
    // This transform followed by `o`.
    T_Xform Then(const T_Xform& o) const
    {
        return {M11 * o.M11 + M12 * o.M21, M11 * o.M12 + M12 * o.M22, M21 * o.M11 + M22 * o.M21,
                M21 * o.M12 + M22 * o.M22, Dx * o.M11 + Dy * o.M21 + o.Dx, Dx * o.M12 + Dy * o.M22 + o.Dy};
    }
};

T_Xform Read_Xform(const u8* p)
{
    float f[6];
    for (int i = 0; i < 6; ++i) {
        std::uint32_t bits = Get_U32_LE(p + 4 * i);
        std::memcpy(&f[i], &bits, 4);
    }
    T_Xform x{f[0], f[1], f[2], f[3], f[4], f[5]};
    for (double* v : {&x.M11, &x.M12, &x.M21, &x.M22, &x.Dx, &x.Dy})
        *v = std::isfinite(*v) ? std::clamp(*v, -1e7, 1e7) : 0;
    return x;
}

bool Draw_Emf(const u8* data, std::size_t size, T_Raster& out, std::string& error, const T_Decode_Limits& limits)
{
    if (size < 88 || Get_U32_LE(data) != 1 || Get_U32_LE(data + 40) != 0x464D4520)
        return Fail(error, "This is not an enhanced metafile.");
    auto s32 = [](const u8* p) { return static_cast<double>(static_cast<std::int32_t>(Get_U32_LE(p))); };
    // The frame in 0.01 mm and the reference device's pixels per millimetre.
    double frame_l = s32(data + 24), frame_t = s32(data + 28), frame_r = s32(data + 32), frame_b = s32(data + 36);
    double dev_px_x = s32(data + 72), dev_px_y = s32(data + 76), dev_mm_x = s32(data + 80), dev_mm_y = s32(data + 84);
    double ppmm_x = dev_mm_x > 0 && dev_px_x > 0 ? dev_px_x / dev_mm_x : 96 / 25.4;
    double ppmm_y = dev_mm_y > 0 && dev_px_y > 0 ? dev_px_y / dev_mm_y : 96 / 25.4;
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
    if (!Allocate_Raster(out, w, h, limits, error))
        return false;
    std::fill(out.Pixels.begin(), out.Pixels.end(), 255);

    struct T_State {
        int Map_Mode = 1;
        double Win_X = 0, Win_Y = 0, Win_W = 1, Win_H = 1, Vp_X = 0, Vp_Y = 0, Vp_W = 1, Vp_H = 1;
        T_Xform World;
        T_Pen Pen;
        T_Brush Brush;
        bool Winding = false;
        T_Point Position{0, 0};
    };
    T_State st;
    T_Drawer d(out, limits.Max_Draw_Work);
    // World transform, then window to viewport by the mapping mode, then
    // device pixels to raster pixels.
    auto page_to_device = [&](double x, double y) -> T_Point {
        double unit = 0; // millimetres per logical unit of the metric modes
        switch (st.Map_Mode) {
        case 2: unit = 0.1; break;
        case 3: unit = 0.01; break;
        case 4: unit = 0.254; break;
        case 5: unit = 0.0254; break;
        case 6: unit = 25.4 / 1440; break;
        default: break;
        }
        if (st.Map_Mode == 7 || st.Map_Mode == 8)
            return {(x - st.Win_X) * st.Vp_W / st.Win_W + st.Vp_X, (y - st.Win_Y) * st.Vp_H / st.Win_H + st.Vp_Y};
        if (unit > 0) // the metric modes count y upwards
            return {(x - st.Win_X) * unit * ppmm_x + st.Vp_X, -(y - st.Win_Y) * unit * ppmm_y + st.Vp_Y};
        return {x - st.Win_X + st.Vp_X, y - st.Win_Y + st.Vp_Y};
    };
    d.Map = [&](double x, double y) -> T_Point {
        T_Point page = st.World.Apply(x, y);
        T_Point dev = page_to_device(page.X, page.Y);
        return {Clamp_Coord((dev.X - dev_l) * out.Width / dev_w), Clamp_Coord((dev.Y - dev_t) * out.Height / dev_h)};
    };
    d.Map_Width = [&](double width) {
        T_Point a = d.Map(0, 0), b = d.Map(width, 0);
        return std::hypot(b.X - a.X, b.Y - a.Y);
    };
    std::vector<T_Object> objects(Get_U16_LE(data + 56));
    std::vector<T_State> saved;
    auto sync = [&]() { d.Pen = st.Pen, d.Brush = st.Brush, d.Winding = st.Winding; };

    for (std::size_t pos = 0; pos + 8 <= size;) {
        if (d.Paint.Over_Budget())
            return Fail(error, "The metafile is too complex to draw.");
        std::uint32_t type = Get_U32_LE(data + pos), length = Get_U32_LE(data + pos + 4);
        if (length < 8 || length > size - pos)
            return Fail(error, "A metafile record runs past the end of the file.");
        const u8* p = data + pos + 8;
        const std::size_t n = length - 8;
        const u8* record = data + pos;
        pos += length;
        if (type == 14) // end of file
            break;
        // Points: 32-bit pairs, or 16-bit pairs for the "16" records, after
        // a bounds rectangle and a count.
        auto read_points = [&](std::size_t at, std::size_t count, bool small, T_Path& path) {
            std::size_t each = small ? 4 : 8;
            if (at > n || count > (n - at) / each)
                return false;
            for (std::size_t i = 0; i < count; ++i) {
                const u8* q = p + at + i * each;
                if (small)
                    path.push_back({static_cast<double>(static_cast<std::int16_t>(Get_U16_LE(q))),
                                    static_cast<double>(static_cast<std::int16_t>(Get_U16_LE(q + 2)))});
                else
                    path.push_back({s32(q), s32(q + 4)});
            }
            return true;
        };
        sync();
        switch (type) {
        case 2: case 3: case 4: case 5: case 6: case 85: case 86: case 87: case 88: case 89: {
            if (n < 20)
                break;
            bool small = type >= 85;
            unsigned kind = small ? type - 83 : type; // 2 bezier, 3 polygon, 4 polyline, 5 bezier-to, 6 polyline-to
            T_Path points;
            if (!read_points(20, Get_U32_LE(p + 16), small, points) || points.empty())
                break;
            if (kind == 2 || kind == 5) {
                T_Path curve;
                std::size_t i = 0;
                T_Point start = d.Position;
                if (kind == 2)
                    start = points[0], i = 1;
                curve.push_back(start);
                for (; i + 2 < points.size() + 0 && i + 3 <= points.size(); i += 3)
                    Add_Bezier(curve, curve.back(), points[i], points[i + 1], points[i + 2]);
                if (kind == 2) {
                    d.Shape({curve}, false, false);
                } else {
                    curve.erase(curve.begin());
                    d.Line_To(curve);
                }
            } else if (kind == 6) {
                d.Line_To(points);
            } else {
                d.Shape({points}, kind == 3, kind == 3);
            }
            break;
        }
        case 7: case 8: case 90: case 91: {
            if (n < 24)
                break;
            bool small = type >= 90;
            std::uint32_t polys = Get_U32_LE(p + 16);
            if (polys > (n - 24) / 4)
                break;
            std::vector<T_Path> shapes;
            std::size_t at = 24 + 4ull * polys;
            bool ok = true;
            for (std::uint32_t i = 0; i < polys && ok; ++i) {
                T_Path path;
                std::uint32_t count = Get_U32_LE(p + 24 + 4 * i);
                ok = read_points(at, count, small, path);
                at += static_cast<std::size_t>(count) * (small ? 4 : 8);
                shapes.push_back(std::move(path));
            }
            bool polygon = type == 8 || type == 91;
            if (ok)
                d.Shape(shapes, polygon, polygon);
            break;
        }
        case 9: if (n >= 8 && s32(p) != 0 && s32(p + 4) != 0) st.Win_W = s32(p), st.Win_H = s32(p + 4); break;
        case 10: if (n >= 8) st.Win_X = s32(p), st.Win_Y = s32(p + 4); break;
        case 11: if (n >= 8 && s32(p) != 0 && s32(p + 4) != 0) st.Vp_W = s32(p), st.Vp_H = s32(p + 4); break;
        case 12: if (n >= 8) st.Vp_X = s32(p), st.Vp_Y = s32(p + 4); break;
        case 17: if (n >= 4) st.Map_Mode = static_cast<int>(Get_U32_LE(p)); break;
        case 19: if (n >= 4) st.Winding = Get_U32_LE(p) == 2; break;
        case 27: if (n >= 8) d.Move_To({s32(p), s32(p + 4)}); break;
        case 54: if (n >= 8) d.Line_To({{s32(p), s32(p + 4)}}); break;
        case 33: if (saved.size() < 1000) { st.Position = d.Position; saved.push_back(st); } break;
        case 34: {
            if (n < 4)
                break;
            std::int32_t relative = static_cast<std::int32_t>(Get_U32_LE(p));
            if (relative < 0 && static_cast<std::size_t>(-static_cast<std::int64_t>(relative)) <= saved.size()) {
                saved.resize(saved.size() + relative + 1);
                st = saved.back();
                saved.pop_back();
                d.Position = st.Position;
            }
            break;
        }
        case 35: if (n >= 24) st.World = Read_Xform(p); break;
        case 36:
            if (n >= 28) {
                T_Xform x = Read_Xform(p);
                switch (Get_U32_LE(p + 24)) {
                case 1: st.World = T_Xform{}; break;
                case 2: st.World = x.Then(st.World); break;
                case 3: st.World = st.World.Then(x); break;
                case 4: st.World = x; break;
                default: break;
                }
            }
            break;
        case 37: {
            if (n < 4)
                break;
            std::uint32_t i = Get_U32_LE(p);
            if (i & 0x80000000u) { // stock objects
                switch (i & 0x7FFFFFFF) {
                case 0: case 1: case 2: case 3: case 4: {
                    static const u8 greys[5] = {255, 192, 128, 64, 0};
                    st.Brush.Visible = true;
                    st.Brush.Rgb[0] = st.Brush.Rgb[1] = st.Brush.Rgb[2] = greys[i & 7];
                    break;
                }
                case 5: st.Brush.Visible = false; break;
                case 6: st.Pen = T_Pen{}; st.Pen.Rgb[0] = st.Pen.Rgb[1] = st.Pen.Rgb[2] = 255; break;
                case 7: st.Pen = T_Pen{}; break;
                case 8: st.Pen.Visible = false; break;
                default: break;
                }
            } else if (i < objects.size()) {
                if (objects[i].Kind == T_Object::Pen)
                    st.Pen = objects[i].Pen_Value;
                else if (objects[i].Kind == T_Object::Brush)
                    st.Brush = objects[i].Brush_Value;
            }
            break;
        }
        case 38: case 95: { // pen, extended pen
            if ((type == 38 && n < 20) || (type == 95 && n < 32))
                break;
            std::uint32_t i = Get_U32_LE(p);
            if (i >= objects.size())
                break;
            T_Object o;
            o.Kind = T_Object::Pen;
            std::uint32_t style = type == 38 ? Get_U32_LE(p + 4) : Get_U32_LE(p + 20);
            o.Pen_Value.Visible = (style & 15) != 5;
            o.Pen_Value.Width = type == 38 ? s32(p + 8) : Get_U32_LE(p + 24);
            Set_Rgb(o.Pen_Value.Rgb, Get_U32_LE(type == 38 ? p + 16 : p + 32));
            if (type == 95 && n < 36)
                break;
            objects[i] = o;
            break;
        }
        case 39: {
            if (n < 16)
                break;
            std::uint32_t i = Get_U32_LE(p);
            if (i >= objects.size())
                break;
            T_Object o;
            o.Kind = T_Object::Brush;
            std::uint32_t style = Get_U32_LE(p + 4);
            o.Brush_Value.Visible = style != 1;
            Set_Rgb(o.Brush_Value.Rgb, Get_U32_LE(p + 8));
            objects[i] = o;
            break;
        }
        case 93: case 94: { // pattern brushes: grey
            if (n < 4 || Get_U32_LE(p) >= objects.size())
                break;
            T_Object o;
            o.Kind = T_Object::Brush;
            o.Brush_Value.Rgb[0] = o.Brush_Value.Rgb[1] = o.Brush_Value.Rgb[2] = 128;
            objects[Get_U32_LE(p)] = o;
            break;
        }
        case 40: if (n >= 4 && Get_U32_LE(p) < objects.size()) objects[Get_U32_LE(p)] = T_Object{}; break;
        case 42: case 43: {
            if (n < 16)
                break;
            double l = s32(p), t = s32(p + 4), r = s32(p + 8), b = s32(p + 12);
            T_Path path = type == 43 ? T_Path{{l, t}, {r, t}, {r, b}, {l, b}} : T_Painter::Ellipse_Points(l, t, r, b);
            d.Shape({path}, true, true);
            break;
        }
        case 44:
            if (n >= 24)
                d.Shape({Round_Rect_Points(s32(p), s32(p + 4), s32(p + 8), s32(p + 12), s32(p + 16), s32(p + 20))}, true, true);
            break;
        case 59: d.In_Path = true; d.Path.clear(); d.Path_Closed.clear(); break;
        case 60: d.In_Path = false; break;
        case 61: if (!d.Path_Closed.empty()) d.Path_Closed.back() = true; break;
        case 62: d.Finish_Path(true, false); break;
        case 63: d.Finish_Path(true, true); break;
        case 64: d.Finish_Path(false, true); break;
        case 68: d.Path.clear(); d.Path_Closed.clear(); d.In_Path = false; break;
        case 81: { // StretchDIBits
            if (n < 72)
                break;
            double x = s32(p + 16), y = s32(p + 20);
            int src_x = static_cast<int>(s32(p + 24)), src_y = static_cast<int>(s32(p + 28));
            int src_w = static_cast<int>(s32(p + 32)), src_h = static_cast<int>(s32(p + 36));
            std::uint32_t bmi_at = Get_U32_LE(p + 40), bmi_len = Get_U32_LE(p + 44);
            std::uint32_t bits_at = Get_U32_LE(p + 48), bits_len = Get_U32_LE(p + 52);
            double dw = s32(p + 64), dh = s32(p + 68);
            if (bmi_len == 0 || bmi_at > length || bmi_len > length - bmi_at || bits_at > length ||
                bits_len > length - bits_at)
                break;
            // Join the header and the bits into one packed bitmap.
            std::vector<u8> dib(record + bmi_at, record + bmi_at + bmi_len);
            dib.insert(dib.end(), record + bits_at, record + bits_at + bits_len);
            // Source rectangles count from the bottom of a bottom-up bitmap.
            std::int32_t stored_h = dib.size() >= 12 ? static_cast<std::int32_t>(Get_U32_LE(dib.data() + 8)) : 0;
            if (bmi_len >= 40 && stored_h > 0)
                src_y = stored_h - src_y - src_h;
            d.Bitmap(dib.data(), dib.size(), {x, y}, {x + dw, y + dh}, src_x, src_y, src_w, src_h);
            break;
        }
        default: break; // text, arcs, clipping and the rest: not drawn
        }
        st.Position = d.Position;
    }
    if (d.Paint.Over_Budget())
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
    return size >= 18 && (Get_U16_LE(data) == 1 || Get_U16_LE(data) == 2) && Get_U16_LE(data + 2) == 9 &&
           (Get_U16_LE(data + 4) == 0x0300 || Get_U16_LE(data + 4) == 0x0100);
}

bool Decode_Metafile(const u8* data, std::size_t size, T_Raster& out, std::string& error,
                     const T_Decode_Limits& limits)
{
    if (size >= 88 && Get_U32_LE(data) == 1 && Get_U32_LE(data + 40) == 0x464D4520)
        return Draw_Emf(data, size, out, error, limits);
    if (size >= 18)
        return Draw_Wmf(data, size, out, error, limits);
    return Fail(error, "This is not a Windows metafile.");
}

} // namespace imaging
