// The pane of the one-pane views: both versions drawn in one place.
#pragma once

#include "viewer/vcs_view_image_frame.h"

#include <functional>

class T_Blend_Frame : public TView_Image_Frame {
public:
    explicit T_Blend_Frame(QWidget* parent = nullptr) : TView_Image_Frame(parent) {}

    // Shows the two pictures (built on the first call, with the scroll
    // handler); later calls replace them and keep the mode and position.
    void Show_Pair(const QImage& Base, const QImage& Modified,
                   TMyScrollBox::TNotifyEvent Scroll_Handler);
    // The drawing control; null before the first Show_Pair.
    T_Blend_Image* Blend() const { return static_cast<T_Blend_Image*>(Image1); }
    void Set_Caption(const QString& Caption);
    // Moves the modified picture against the base; the pane's extent follows.
    void Set_Offset(const QPoint& Offset);
    // Told once the drawing control exists (at the first Show_Pair).
    std::function<void(T_Blend_Image& Blend)> On_Blend_Built;

protected:
    TPane_Image* Make_Picture_Control() override { return new T_Blend_Image; }
};
