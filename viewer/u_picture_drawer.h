// Drawing one picture, or the exposed part of it, at any scale.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

// Large drawings make painting the expensive part, so a paint only draws
// the exposed part. At 1:1 it copies pixels; reduced, it copies from a
// scaled copy kept for the current scale; enlarged, it scales just the
// exposed part, without smoothing: every pixel stays a sharp square, which
// is what a difference viewer must show. Reducing a big picture smoothly takes a
// noticeable moment, so while the scale keeps changing (a window being
// resized, a zoom being stepped) a fast copy is drawn and the owner is asked
// to make the smooth one once the scale has settled.
class T_Picture_Drawer {
public:
    void Set_Picture(const QImage& Picture);
    const QImage& Picture() const { return Picture_; }

    // Draws the part of the picture that falls into `exposed`, the picture's
    // top left at `origin`, every picture pixel `scale` widget pixels wide
    // (`drawn` is the picture's whole size at that scale). Returns false when
    // it drew a fast reduced copy that a smooth one should replace.
    bool Draw(QPainter& Painter, const QRect& Exposed, const QPoint& Origin, const QSize& Drawn);
    // Replaces a fast reduced copy of this size by a smooth one; false when
    // there is none to replace.
    bool Make_Smooth(const QSize& Drawn);
    // How many scaled copies were made since the picture was set.
    int Scaled_Copies_Made() const { return Scaled_Copies; }

private:
    const QImage& Scaled_For(const QSize& Drawn, bool& Smooth);

    QImage Picture_;
    QImage Scaled_;
    bool Scaled_Is_Smooth = false;
    int Scaled_Copies = 0;
};
