// The diff view's status line: the zoom, the offset between the versions,
// both pictures' sizes, the changes found, and the pixel inspector (both
// versions' colours under the mouse).
#pragma once

#include "viewer/pointer_place.h"

#include <QPointF>
#include <QString>

#include <functional>
#include <vector>

class QLabel;
class QVBoxLayout;
class QWidget;
class T_Change_Navigator;
class T_Pane_Grid;
class TView_Image_Frame;

class T_Diff_Status_Line {
public:
    // The line is appended to Layout, under the panes.
    T_Diff_Status_Line(QWidget* View, QVBoxLayout* Layout, const T_Pane_Grid& Panes,
                       const T_Change_Navigator& Changes);
    T_Diff_Status_Line(const T_Diff_Status_Line&) = delete;
    T_Diff_Status_Line& operator=(const T_Diff_Status_Line&) = delete;

    // The mouse over Pane's picture at picture point At, for the pixel
    // inspector, which reads the point under the resting mouse again at
    // every update (a zoom, a scroll, another page move the picture under it).
    void Set_Hover(TView_Image_Frame* Pane, QPointF At);
    // The mouse left Pane's picture: the inspector keeps its last point.
    void Pointer_Left(const TView_Image_Frame* Pane);
    // Says again what the panes and the changes show now.
    void Update();

    QLabel* Status_L = nullptr;
    // Further parts of the line, after the changes; an empty text says
    // nothing.
    std::vector<std::function<QString()>> Notes;
    // Runs after every update, for controls that show the zoom too.
    std::function<void()> On_Update;

private:
    // The pixel inspector's part of the line.
    QString Pixel_Status() const;

    const T_Pane_Grid& Panes_;
    const T_Change_Navigator& Changes_;
    T_Pointer_Place Pointer;
};
