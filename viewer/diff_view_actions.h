// The diff view's controls: the toolbar (fit, compare, trim and shave, page
// sync, the compared image's actions, About, Close), the "View" row (zoom,
// the one-pane views, opacity, blink interval, offset) and the changes row
// (tolerance, anti-aliasing, Show changes, stepping through the changes).
// It builds them, gives each the object name of its control so it can be
// found by name, and holds the view's keys. What the controls do and when
// they are enabled is the view's to decide.
#pragma once

#include <QKeySequence>

#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QDoubleSpinBox;
class QShortcut;
class QSlider;
class QSpinBox;
class QToolBar;
class QVBoxLayout;
class QWidget;
class T_Shave_Edit;

class T_Diff_View_Actions {
public:
    // The actions belong to View, and the ones with keys work wherever the
    // focus is in it.
    explicit T_Diff_View_Actions(QWidget* View);
    T_Diff_View_Actions(const T_Diff_View_Actions&) = delete;
    T_Diff_View_Actions& operator=(const T_Diff_View_Actions&) = delete;

    // The toolbar, appended to Layout.
    void Build_Tool_Row(QVBoxLayout* Layout);
    // The "View" row, right under the toolbar.
    void Build_View_Row(QVBoxLayout* Layout);
    // The changes row, right under the "View" row: together they would not
    // fit the width of a laptop's screen.
    void Build_Changes_Row(QVBoxLayout* Layout);

    // A key of the view; it is passed over while a text field has the focus,
    // so typing into a field does not act on the pictures.
    QShortcut* Add_Key(const QKeySequence& Sequence, std::function<void()> Handler);

    // The shave field: Handler runs when the field is left or Enter is
    // pressed in it.
    void Set_Shave_Exit(std::function<void()> Handler);
    // The field's value as shown (text that is not an integer counts as 0).
    int Shave_Value() const;
    // Applies the field's rule to what was typed: not an integer or negative
    // gives 0, then the value is kept within [0, maximum].
    void Clean_Shave();
    void Set_Shave_Limit(int Maximum);

    // The toolbar.
    QToolBar* ToolBar1 = nullptr;
    QAction* Fit_A = nullptr;
    QAction* Compare_A = nullptr;
    QAction* Trim_Compared_A = nullptr;
    QSpinBox* Shave_E = nullptr;
    QAction* Sync_Pages_A = nullptr;
    QAction* Execute_Compared_Img_A = nullptr;
    QAction* Export_Compared_Img_A = nullptr;
    QAction* About_A = nullptr;
    QAction* Close_A = nullptr;
    // The "View" row.
    QToolBar* ToolBar2 = nullptr;
    QAction* Zoom_In_A = nullptr;
    QAction* Zoom_Out_A = nullptr;
    QAction* Zoom_100_A = nullptr;
    QAction* Side_By_Side_A = nullptr;
    QAction* Overlay_A = nullptr;
    QAction* Blink_A = nullptr;
    QAction* Swipe_A = nullptr;
    QAction* Differences_A = nullptr;
    QSlider* Opacity_S = nullptr;
    QDoubleSpinBox* Blink_Interval_E = nullptr;
    QAction* Reset_Offset_A = nullptr;
    // The changes row.
    QToolBar* ToolBar3 = nullptr;
    QSpinBox* Tolerance_E = nullptr;
    QCheckBox* Ignore_Antialiasing_C = nullptr;
    QCheckBox* Show_Changes_C = nullptr;
    QAction* Previous_Change_A = nullptr;
    QAction* Next_Change_A = nullptr;
    // The plain Left and Right keys, which move the swipe view's divider and
    // otherwise leave the arrows to scroll the pictures.
    std::vector<QShortcut*> Swipe_Keys;

private:
    // A toolbar action with its tooltip naming its keys.
    QAction* Add_Row_Action(QToolBar* Row, const char* Name, const QString& Caption,
                            const QString& Keys);

    QWidget* View_;
    T_Shave_Edit* Shave_Edit_ = nullptr;
};
