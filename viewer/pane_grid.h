// The diff view's panes: the base and the modified version side by side,
// the compared image under them, and the pane of the one-pane views
// (overlay, blink, swipe, differences) in the place of the two versions.
// It keeps the panes in step (view mode, zoom, position), and holds the
// offset of the modified picture against the base.
#pragma once

#include "session/view_state.h"

#include "vocabulary/document_kinds.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

class QGridLayout;
class T_Blend_Frame;
class T_Pane_Synchronizer;
class TMyScrollBox;
class TView_Image_Frame;

// How the two versions are laid out: in two panes, or in one.
enum class T_Pane_Layout { Side_By_Side, Overlay, Blink, Swipe, Differences };

class T_Pane_Grid : public QWidget {
public:
    explicit T_Pane_Grid(QWidget* Parent);
    ~T_Pane_Grid() override;

    QGridLayout* GridPanel1 = nullptr;
    TView_Image_Frame* View_Image_Frame1 = nullptr; // base version
    TView_Image_Frame* View_Image_Frame2 = nullptr; // modified version
    TView_Image_Frame* View_Image_Frame3 = nullptr; // compared image
    T_Blend_Frame* View_Image_Frame4 = nullptr;     // both versions in one pane

    // None until the view has opened its pair, and again once it is unloaded;
    // the panes take the mode when they load and when Fit is toggled.
    T_View_Mode View_Mode() const { return State_->Mode; }
    void Set_View_Mode(T_View_Mode Mode) { State_->Mode = Mode; }
    // Shows the view state State (the comparison model's) from now on,
    // carrying the current mode, zoom and offset over.
    void Use_State(T_View_State& State);
    // Between fit and actual size, in every pane that shows something.
    void Toggle_Fit();
    T_Pane_Synchronizer& Synchronizer() const { return *Synchronizer_; }
    // Moves the other panes to where the pane of Sender is.
    void Sync_Scroll(TMyScrollBox* Sender) const;
    // The pane the zoom buttons zoom about and the status line reads.
    TView_Image_Frame* Main_Pane() const;
    // The scale the panes show now: the fitted scale in fit mode.
    double Current_Scale() const;

    // The compared image, in the row under the two versions.
    bool Compared_Shown() const;
    void Show_Compared(const std::string& File);
    void Hide_Compared();
    void Set_Compared_Row(bool Shown);

    T_Pane_Layout Layout() const { return Layout_; }
    // Shows the two versions side by side or in one pane, Opacity being the
    // overlay's share of the modified version.
    void Show_Layout(T_Pane_Layout Layout, double Opacity);
    // Gives the one-pane view the pictures the two panes show now.
    void Show_Blend_Pictures();
    void Set_Opacity(double Opacity);
    void Set_Blink_Interval(int Milliseconds);
    // Blink: pauses the blinking, or once paused shows the other version.
    void Blink_Pause_Or_Toggle();
    // Swipe: moves the divider by a hundredth of the picture's width.
    void Step_Divider(int Direction);
    // Swipe: the divider follows the mouse over the one-pane view.
    void Follow_Hover(TView_Image_Frame* Pane, QPointF At);
    // Shifts the modified picture against the base, in picture pixels.
    QPoint Offset() const { return {State_->Offset_X, State_->Offset_Y}; }
    void Set_Offset(const QPoint& Offset);
    // The modified picture redrawn on the base's pixels by an alignment:
    // the one-pane views show it in place of the modified pane's picture.
    // A null picture gives them the modified pane's again.
    void Set_Aligned_Modified(const QImage& Picture);
    const QImage& Aligned_Modified() const { return Aligned_Modified_; }

private:
    void Blink_Tick();

    std::unique_ptr<T_Pane_Synchronizer> Synchronizer_;
    T_View_State Own_State_;
    T_View_State* State_ = &Own_State_;
    T_Pane_Layout Layout_ = T_Pane_Layout::Side_By_Side;
    QTimer Blink_Timer;
    bool Blink_Paused = false;
    QImage Aligned_Modified_;
};
