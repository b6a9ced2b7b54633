// Where the mouse rests over a picture pane, for the pixel read-out.
#pragma once

#include <QPointF>
#include <QPointer>

class TView_Image_Frame;

// The mouse is kept as a point of the pane's visible area, not as a picture
// point: a zoom by key, Fit, a scroll or another page moves the picture under
// a resting mouse, and the picture point under it is read again from that
// place. Once the mouse has left the picture, the last point read stays (it
// may be copied from the status line) until the mouse comes back.
class T_Pointer_Place {
public:
    // The mouse over Pane's picture, at picture point At.
    void Rest(TView_Image_Frame* Pane, QPointF At);
    // The mouse left Pane's picture.
    void Leave(const TView_Image_Frame* Pane);
    // False until the mouse was first over a picture.
    bool Known() const { return Known_; }
    // The pane the point was read on; null once it is gone.
    const TView_Image_Frame* Pane() const;
    // The picture point under the resting mouse now, or the last one read
    // before it left.
    QPointF Picture_Point() const;

private:
    QPointer<TView_Image_Frame> Pane_;
    QPointF Viewport_At;
    // Kept up to date by every reading, for when the mouse leaves.
    mutable QPointF Last_Read;
    bool Known_ = false;
    bool Resting = false;
};
