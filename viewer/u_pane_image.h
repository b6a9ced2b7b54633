// The controls that draw pictures inside an image pane: one picture, or the
// two versions blended into one pane.
#pragma once

#include "differences/picture_difference.h"
#include "viewer/row_band_marks.h"
#include "viewer/u_picture_drawer.h"

#include <QImage>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

// The drawing rule: the rectangle from (0, 0) in which a picture of size
// Picture is drawn inside a client of size Client. Sizes are truncated.
QRect Picture_Draw_Rect(const QSize& Picture, const QSize& Client, bool Stretch);

// An outline around a change region, in content pixels; a moved shape also
// gets an arrow from where it was.
struct T_Change_Frame {
    QRect Box;
    QColor Colour;
    QPointF Moved_From; // Moved: the shape's centre before and after
    QPointF Moved_To;
    bool Moved = false;
    bool Current = false; // the change stepped to: drawn bolder
};

// The colours of the ring around the current change.
inline const QColor Current_Change_Dark(0x10, 0x10, 0x10);
inline const QColor Current_Change_Bright(0xFF, 0xE6, 0x00);

// The control that draws the picture. The picture is never centred: it is
// drawn from the top left, at the zoom factor (1:1 at first) unless
// stretching is on or it is larger than the control, in which case it is
// scaled to fit, keeping its aspect ratio (Picture_Draw_Rect).
class TPane_Image : public QWidget {
public:
    explicit TPane_Image(QWidget* parent = nullptr);

    void Set_Picture(const QImage& Picture, const QString& Message);
    const QImage& Picture() const { return Base_.Picture(); }
    // Text drawn instead of a picture that could not be shown; empty otherwise.
    const QString& Message() const { return Message_; }

    void Set_Stretch(bool Stretch);
    bool Stretch() const { return Stretch_; }
    // Widget pixels per picture pixel while not stretched.
    void Set_Zoom(double Zoom);
    double Zoom() const { return Zoom_; }

    // What is drawn, in picture pixels: the picture's rectangle here; the
    // union of both pictures where two are blended.
    virtual QRect Content_Rect() const;
    // The content's size at the zoom factor.
    QSize Zoomed_Size() const;
    // Where the content is drawn in this control's pixels.
    QRect Draw_Rect() const;
    // The content point (in picture pixels) under a point of this control.
    QPointF Content_Point(const QPoint& At) const;
    // How many scaled copies were made since the picture was set (diagnostics).
    int Scaled_Copies_Made() const { return Base_.Scaled_Copies_Made(); }
    // Outlines drawn over the content; none at first.
    void Set_Change_Frames(std::vector<T_Change_Frame> Frames);
    const std::vector<T_Change_Frame>& Change_Frames() const { return Frames_; }
    // Parts of the content the differences leave out, in content pixels:
    // drawn hatched over the picture. None at first.
    void Set_Ignored(const QRegion& Ignored);
    const QRegion& Ignored() const { return Ignored_; }
    // Rows inserted or removed between the versions, in content rows:
    // tinted, or a line where a band of the other version goes in.
    void Set_Row_Marks(std::vector<T_Row_Mark> Marks);
    const std::vector<T_Row_Mark>& Row_Marks() const { return Row_Marks_; }
    // Text found by the find bar, in content pixels: outlined over
    // everything else; the hit gone to (Current, an index) drawn bolder.
    void Set_Found_Boxes(std::vector<QRect> Boxes, int Current);
    const std::vector<QRect>& Found_Boxes() const { return Found_; }

    // A sharper drawing of part of one of the pictures drawn here (0: the
    // picture, or the base where two are blended; 1: the modified one),
    // made for that picture drawn at Drawn_For in this control's pixels:
    // Part (its pixel ratio set) covers Where, measured from the picture's
    // drawn top left, and is drawn over the picture while it keeps that
    // size; the marks go over it. A new picture drops it.
    void Set_Sharp_Part(int Picture, const QImage& Part, const QRect& Where,
                        const QSize& Drawn_For);
    // Every picture visible at the last paint was covered by its sharp part
    // (false when none was drawn larger than its pixels).
    bool Sharp_Part_Shown() const { return Sharp_Shown_; }
    // Asked at each paint that draws a picture larger than its pixels on the
    // screen while its sharp part does not cover what is visible of it: the
    // picture (as above), its visible part measured from its drawn top left
    // and its drawn size.
    std::function<void(int Picture, const QRect& Visible, const QSize& Drawn)> On_Sharp_Wanted;
    // The picture a sharp part is for; a null one where there is none.
    virtual const QImage& Sharp_Picture(int Picture) const;

protected:
    void paintEvent(class QPaintEvent* event) override;
    // Draws the content's exposed part; false when a fast reduced copy was
    // drawn that a smooth one should replace once the scale settles.
    virtual bool Paint_Content(QPainter& Painter, const QRect& Exposed, const QRect& Target);
    // Starts making smooth copies where fast reductions were drawn; the
    // control repaints when they are ready. True when one is under way.
    virtual bool Make_Smooth_Copies(const QSize& Target);
    std::function<void()> Repaint_When_Ready();
    // Where a picture placed at `Position` in content pixels lands, and its
    // drawn size, when the content fills Target.
    QRect Placed(const QRect& Target, const QPoint& Position, const QSize& Picture) const;
    // Draws picture Picture's sharp part over what is exposed of Area (the
    // part of the control where the picture shows) where it fits (Placed:
    // where the picture is drawn), and asks for one where it does not cover
    // what is visible. The painter's opacity applies.
    void Paint_Sharp_Part(QPainter& Painter, int Picture, const QRect& Exposed, const QRect& Area,
                          const QRect& Placed);
    // Where picture Picture's sharp part goes in this control when the
    // picture is drawn at Placed; empty when it has none made for that size.
    QRect Sharp_Cover(int Picture, const QRect& Placed) const;

    T_Picture_Drawer Base_;

private:
    void Paint_Frames(QPainter& Painter, const QRect& Target) const;
    void Paint_Ignored(QPainter& Painter, const QRect& Target) const;
    static void Paint_Current_Ring(QPainter& Painter, const QRectF& Box);
    void Paint_Found(QPainter& Painter, const QRect& Target) const;

    std::vector<T_Change_Frame> Frames_;
    QRegion Ignored_;
    std::vector<T_Row_Mark> Row_Marks_;
    std::vector<QRect> Found_;
    int Found_Current_ = -1;
    struct T_Sharp_Slot {
        QImage Part;
        QRect Where;
        QSize Drawn_For;
    } Sharp_[2];
    // At the current paint: a picture was drawn enlarged, and every one so
    // drawn was covered by its sharp part.
    bool Sharp_Wanted_ = false;
    bool Sharp_Covered_ = true;
    bool Sharp_Shown_ = false;
    QString Message_;
    bool Stretch_ = false;
    double Zoom_ = 1.0;
    QTimer Smooth_Timer;
};

// How the two versions share one pane.
enum class T_Blend_Mode {
    Overlay,     // the modified picture over the base, partly transparent
    Blink,       // one version at a time
    Swipe,       // the base left of a divider, the modified picture right of it
    Differences, // the modified picture washed out, the changed pixels in colour
};

// Both versions in one pane, aligned at their top-left corners as the
// converter aligns them, the modified picture moved by an offset.
class T_Blend_Image : public TPane_Image {
public:
    explicit T_Blend_Image(QWidget* parent = nullptr);

    void Set_Pictures(const QImage& Base, const QImage& Modified);
    const QImage& Modified() const { return Modified_.Picture(); }
    void Set_Mode(T_Blend_Mode Mode);
    T_Blend_Mode Mode() const { return Mode_; }
    // Shifts the modified picture against the base, in picture pixels.
    void Set_Offset(const QPoint& Offset);
    QPoint Offset() const { return Offset_; }
    // Overlay: how opaque the modified picture is, 0 to 1.
    void Set_Opacity(double Opacity);
    double Opacity() const { return Opacity_; }
    // Blink: which version shows.
    void Set_Showing_Modified(bool Modified);
    bool Showing_Modified() const { return Showing_Modified_; }
    // Swipe: the divider's place in content pixels from the content's left.
    void Set_Divider(double X);
    double Divider() const { return Divider_; }
    // Differences: what changed, over the same area as the content.
    void Set_Difference(std::shared_ptr<const T_Difference> Difference);
    const T_Difference* Difference() const { return Difference_.get(); }

    QRect Content_Rect() const override;
    const QImage& Sharp_Picture(int Picture) const override;

protected:
    bool Paint_Content(QPainter& Painter, const QRect& Exposed, const QRect& Target) override;
    bool Make_Smooth_Copies(const QSize& Target) override;

private:
    // The changed pixels in colour, over the area of the content.
    void Paint_Change_Tiles(QPainter& Painter, const QRect& Exposed, const QRect& Target);
    const QImage& Tile_Picture(std::size_t Index);

    T_Picture_Drawer Modified_;
    std::shared_ptr<const T_Difference> Difference_;
    // The tiles' changes as coloured pictures, made when first drawn.
    std::vector<QImage> Tile_Pictures;
    T_Blend_Mode Mode_ = T_Blend_Mode::Overlay;
    QPoint Offset_;
    double Opacity_ = 0.5;
    bool Showing_Modified_ = false;
    double Divider_ = 0;
};
