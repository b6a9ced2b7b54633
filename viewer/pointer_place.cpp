#include "viewer/pointer_place.h"

#include "viewer/vcs_view_image_frame.h"

namespace {

// The point of Picture's control that shows picture point At: the inverse of
// TPane_Image::Content_Point.
QPointF Control_Point(const TPane_Image& Picture, QPointF At)
{
    const QRect target = Picture.Draw_Rect();
    const QRect content = Picture.Content_Rect();
    if (target.isEmpty() || content.isEmpty())
        return {};
    return QPointF(target.left() + (At.x() - content.left()) * target.width() / content.width(),
                   target.top() + (At.y() - content.top()) * target.height() / content.height());
}

} // namespace

void T_Pointer_Place::Rest(TView_Image_Frame* Pane, QPointF At)
{
    Pane_ = Pane;
    Known_ = true;
    Last_Read = At;
    Resting = Pane && Pane->Image1 && Pane->ScrollBox1;
    if (Resting)
        Viewport_At =
            Pane->Image1->mapTo(Pane->ScrollBox1->viewport(), Control_Point(*Pane->Image1, At));
}

void T_Pointer_Place::Leave(const TView_Image_Frame* Pane)
{
    if (Pane != Pane_)
        return;
    Last_Read = Picture_Point();
    Resting = false;
}

const TView_Image_Frame* T_Pointer_Place::Pane() const { return Pane_; }

QPointF T_Pointer_Place::Picture_Point() const
{
    if (!Resting || !Pane_ || !Pane_->Image1 || !Pane_->isVisible())
        return Last_Read;
    const TPane_Image& picture = *Pane_->Image1;
    Last_Read = picture.Content_Point(
        picture.mapFrom(Pane_->ScrollBox1->viewport(), Viewport_At).toPoint());
    return Last_Read;
}
