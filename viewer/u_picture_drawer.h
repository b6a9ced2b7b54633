// Drawing one picture, or the exposed part of it, at any scale.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <future>

class QPainter;

// Large drawings make painting the expensive part, so a paint only draws
// the exposed part. At 1:1 it copies pixels; enlarged, it scales just the
// exposed part, without smoothing: every pixel stays a sharp square, which
// is what a difference viewer must show. Reduced, it copies from a smooth
// copy kept for the current scale; a big picture's smooth copy takes a
// noticeable moment, so until it is ready a quick area-averaged reduction
// by a whole factor is shown (every thin line stays visible, slightly
// softer) and the smooth copy is made on another thread
// once the scale has settled (a window being resized, a zoom being stepped).
// On a high-density screen the smooth copy has the screen's own pixels, so a
// reduced picture is as sharp there as on any other screen.
class T_Picture_Drawer {
public:
    T_Picture_Drawer() = default;
    T_Picture_Drawer(const T_Picture_Drawer&) = delete;
    T_Picture_Drawer& operator=(const T_Picture_Drawer&) = delete;

    void Set_Picture(const QImage& Picture);
    const QImage& Picture() const { return Picture_; }

    // Draws the part of the picture that falls into `Exposed`, the picture's
    // top left at `Origin`, the whole picture `Drawn` big. Returns false when
    // it drew a fast reduction that a smooth copy should replace.
    bool Draw(QPainter& Painter, const QRect& Exposed, const QPoint& Origin, const QSize& Drawn);
    // Starts making the smooth copy for this size on another thread; Ready
    // is called on that thread when it is done (then the next Draw uses it).
    // False when there is nothing to make.
    bool Make_Smooth(const QSize& Drawn, std::function<void()> Ready);
    // How many scaled copies were made since the picture was set.
    int Scaled_Copies_Made() const { return Scaled_Copies; }

private:
    // Takes over a smooth copy that has been finished meanwhile.
    void Adopt_Finished_Copy();
    // Draws Area from the quick reduction for Device, made when first needed.
    void Draw_Quick_Reduction(QPainter& Painter, const QRect& Area, const QPoint& Origin,
                              const QSize& Device, const QSize& Drawn);
    void Draw_Scaled_Part(QPainter& Painter, const QRect& Area, const QPoint& Origin,
                          const QSize& Drawn) const;
    // Drawn, in the device pixels of the last paint.
    QSize Device_Size(const QSize& Drawn) const;

    QImage Picture_;
    QImage Scaled_;
    // The quick reduction and the factor it was made with (0: none).
    QImage Quick_;
    int Quick_Factor_ = 0;
    int Scaled_Copies = 0;
    std::future<QImage> Making;
    QSize Making_Size;
    // Device pixels per logical pixel where the picture was last painted.
    double Density_ = 1.0;
};
