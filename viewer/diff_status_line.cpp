#include "viewer/diff_status_line.h"

#include "viewer/change_navigator.h"
#include "viewer/pane_grid.h"
#include "viewer/vcs_view_image_frame.h"

#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString Colour_Text(const QImage& Picture, const QPoint& At)
{
    if (!QRect(QPoint(0, 0), Picture.size()).contains(At))
        return QStringLiteral("none");
    return Picture.pixelColor(At).name(QColor::HexRgb).toUpper();
}

} // namespace

T_Diff_Status_Line::T_Diff_Status_Line(QWidget* View, QVBoxLayout* Layout, const T_Pane_Grid& Panes,
                                       const T_Change_Navigator& Changes)
    : Panes_(Panes), Changes_(Changes)
{
    Status_L = new QLabel(View);
    Status_L->setObjectName(QStringLiteral("Status_L"));
    Status_L->setContentsMargins(4, 1, 4, 1);
    Status_L->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A narrow view (the change list beside it, a large scale factor) takes
    // the line onto a second one rather than cutting off its end.
    Status_L->setWordWrap(true);
    Layout->addWidget(Status_L);
}

void T_Diff_Status_Line::Set_Hover(TView_Image_Frame* Pane, QPointF At) { Pointer.Rest(Pane, At); }

void T_Diff_Status_Line::Pointer_Left(const TView_Image_Frame* Pane) { Pointer.Leave(Pane); }

QString T_Diff_Status_Line::Pixel_Status() const
{
    if (!Pointer.Known())
        return {};
    // The inspector reads base picture points; over the modified version's
    // own pane the mouse is on a modified picture point, which the offset
    // puts elsewhere on the base.
    QPointF hover = Pointer.Picture_Point();
    if (Pointer.Pane() == Panes_.View_Image_Frame2)
        hover += QPointF(Panes_.Offset());
    const QPoint at(int(std::floor(hover.x())), int(std::floor(hover.y())));
    const TView_Image_Frame* base_pane = Panes_.View_Image_Frame1;
    const TView_Image_Frame* modified_pane = Panes_.View_Image_Frame2;
    const QImage base = base_pane->Image1 ? base_pane->Image1->Picture() : QImage();
    const QImage modified = modified_pane->Image1 ? modified_pane->Image1->Picture() : QImage();
    // The modified picture is read where the offset puts it.
    return QStringLiteral("x %1, y %2: base %3, modified %4")
        .arg(at.x())
        .arg(at.y())
        .arg(Colour_Text(base, at), Colour_Text(modified, at - Panes_.Offset()));
}

void T_Diff_Status_Line::Update()
{
    auto size_text = [](const TView_Image_Frame* pane) {
        return pane->Picture_Width() > 0 ? QStringLiteral("%1 x %2")
                                               .arg(pane->Picture_Width())
                                               .arg(pane->Picture_Height())
                                         : QStringLiteral("none");
    };
    const QPoint offset = Panes_.Offset();
    QStringList parts;
    parts << QStringLiteral("Zoom %1%").arg(std::lround(Panes_.Current_Scale() * 1000) / 10.0)
          << QStringLiteral("Offset %1, %2").arg(offset.x()).arg(offset.y())
          << QStringLiteral("Base %1, modified %2")
                 .arg(size_text(Panes_.View_Image_Frame1), size_text(Panes_.View_Image_Frame2));
    if (QString changes = Changes_.Change_Status(); !changes.isEmpty())
        parts << changes;
    for (const std::function<QString()>& note : Notes)
        if (QString text = note(); !text.isEmpty())
            parts << text;
    if (QString pixel = Pixel_Status(); !pixel.isEmpty())
        parts << pixel;
    Status_L->setText(parts.join(QStringLiteral("   |   ")));
    // The label is named "Status" for screen readers, which then read that
    // name instead of its text; the text goes with it as its description.
    Status_L->setAccessibleDescription(Status_L->text());
    if (On_Update)
        On_Update();
}
