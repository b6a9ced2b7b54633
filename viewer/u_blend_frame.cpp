#include "viewer/u_blend_frame.h"

#include <QLineEdit>

void T_Blend_Frame::Show_Pair(const QImage& Base, const QImage& Modified,
                              TMyScrollBox::TNotifyEvent Scroll_Handler)
{
    if (!Image1) {
        Build_Controls(std::string(), std::move(Scroll_Handler));
        if (On_Blend_Built)
            On_Blend_Built(*Blend());
    }
    Blend()->Set_Pictures(Base, Modified);
    Apply_Geometry();
}

void T_Blend_Frame::Set_Caption(const QString& Caption)
{
    if (Caption_E)
        Caption_E->setText(Caption);
}

void T_Blend_Frame::Set_Offset(const QPoint& Offset)
{
    if (!Blend())
        return;
    Blend()->Set_Offset(Offset);
    Apply_Geometry();
}
