// What a part of the diff view sees of it: the comparison it renders, the
// current change, the panes, and the view's widget, whose controls and page
// tabs the part finds by their names. The parts never see the view itself:
// it builds them, and they do not call back into it.
#pragma once

class QWidget;
class T_Comparison_Model;
class T_Current_Change;
class T_Pane_Grid;

struct T_Diff_View_Context {
    QWidget& View;
    T_Comparison_Model& Model;
    T_Current_Change& Current;
    T_Pane_Grid& Panes;
};
