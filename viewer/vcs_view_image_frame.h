// An image pane of the diff view: a scroll box with the picture, an optional
// page tab strip under it and a one-line caption at the bottom.
#pragma once

#include "vocabulary/document_kinds.h"
#include "imaging/u_image_load.h"
#include "viewer/u_pane_image.h"

#include <QScrollArea>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QLineEdit;
class QVBoxLayout;
class TDiff_Pagelist_Frame;

// A scroll area that tells scrolling by the user from scrolling by code.
// OnScroll is raised after the view has moved, for every scroll-bar action of
// the user (arrows, page clicks, slider drags, wheel, keys) and by
// Notify_Scroll, which a pane calls at the end of a pan. Positions set from
// code (Set_Horz_Position, Set_Vert_Position or the scroll bars' setValue)
// never raise it, so panes that copy each other's position do not cascade.
class TMyScrollBox : public QScrollArea {
public:
    using TNotifyEvent = std::function<void(TMyScrollBox* Sender)>;

    explicit TMyScrollBox(QWidget* parent = nullptr);

    TNotifyEvent OnScroll;
    // Raises OnScroll when a handler is set.
    virtual void Notify_Scroll();

    // Absolute pixel offsets of the view. Setting one is limited to
    // 0 .. Horz_Max() / Vert_Max() and raises no OnScroll.
    int Horz_Position() const;
    int Vert_Position() const;
    void Set_Horz_Position(int Position);
    void Set_Vert_Position(int Position);
    // The largest position: the content's extent minus the visible size, or 0.
    int Horz_Max() const;
    int Vert_Max() const;
    // True when at least one of the two scroll bars is shown.
    bool Has_Visible_Scroll_Bar() const;

private:
    void Scroll_Bar_Action(class QScrollBar* Bar);

    class QScrollBar* Pending_Bar = nullptr;
};

// One image pane. It is empty (view mode None, no child controls) until its
// first Load_File, which builds the scroll box, the picture control and the
// caption line and sets the view mode to Actual_Size. Controls are owned by the pane.
//
// For the frame that holds three panes:
//   - optional, paged drawings only: Create_Page_Tabs(), before or after the
//     first load; keep the returned strip and set its On_Page_Change;
//   - Load_File(file, caption, format hint, scroll handler) once per pane
//     (the left pane gets the right document's path as format hint);
//   - Reload_File(file) for every later picture (page switches, a compared
//     image that is already shown);
//   - Set_View_Mode(Actual_Size or Fit) when the user toggles fit to window;
//   - read View_Mode(), Picture_Width(), Picture_Height() and ScrollBox1
//     (with its positions) for the compare state and the scroll sync.
// A picture that cannot be shown (unreadable, or more than Max_Picture_Pixels)
// is reported once with a message box naming the file, and the pane shows the
// same text in place of the picture; Load_File and Reload_File return false
// and the picture's width and height are 0.
//
// Panning: with a scroll bar visible, a left press on the picture starts a
// drag (the middle button always does); the picture follows the hand while
// the mouse moves, raising OnScroll at every step so that other panes follow
// live. Releasing the button over this pane's scroll box keeps the position
// (a click without movement raises OnScroll once more); a release anywhere
// else returns to where the drag started.
class TView_Image_Frame : public QWidget {
public:
    explicit TView_Image_Frame(QWidget* parent = nullptr);

    // Shows File_Name. On the first load it builds the controls, with Caption
    // (File_Name when empty) in the caption line and Scroll_Handler as the
    // scroll box's OnScroll; later loads keep caption, handler and view mode.
    // Format_Hint: see Load_Picture. Returns true when the picture decoded.
    bool Load_File(const std::string& File_Name, const std::string& Caption = {},
                   const std::string& Format_Hint = {},
                   TMyScrollBox::TNotifyEvent Scroll_Handler = {});
    // The same, with a picture decoded beforehand (Load_Picture) from
    // File_Name, so that two panes can decode at the same time.
    bool Load_File(const std::string& File_Name, const std::string& Caption,
                   const T_Loaded_Picture& Picture, TMyScrollBox::TNotifyEvent Scroll_Handler);
    // Shows that this version does not exist (a file added or deleted in
    // version control): the pane is built with Caption and stays empty,
    // without any message.
    void Show_Missing_Version(const std::string& Caption,
                              TMyScrollBox::TNotifyEvent Scroll_Handler = {});
    bool Is_Missing_Version() const { return Missing_Version; }
    // Shows another file in a loaded pane by its own extension. The scroll
    // positions stay, limited to the new picture. Returns true when it decoded.
    bool Reload_File(const std::string& File_Name);
    // The same with the picture the comparison model decoded from File_Name
    // (a page drawn a moment ago is never decoded again).
    bool Reload_File(const std::string& File_Name, const T_Loaded_Picture& Picture);
    // Actual_Size: with scroll bars; Fit: fit to the visible area.
    void Set_View_Mode(T_View_Mode Mode);
    // Widget pixels per picture pixel at actual size; the scroll positions
    // are left to the caller.
    void Set_Zoom(double Zoom);
    double Zoom() const { return Image1 ? Image1->Zoom() : 1.0; }
    // Creates the page tab strip (once; a second call returns the same one).
    TDiff_Pagelist_Frame* Create_Page_Tabs();
    // Copies the shown file to Destination, overwriting it. No message.
    bool Copy_File_To(const std::string& Destination) const;
    std::string Get_File_Name() const { return File_Name_; }

    // None until the first load, then Actual_Size or Fit.
    T_View_Mode View_Mode() const { return View_Mode_; }
    // The shown picture's size; 0 when none could be shown.
    int Picture_Width() const;
    int Picture_Height() const;
    // The Qt format that decoded the shown picture ("png", "jpeg", ...);
    // empty when the program's own decoders did or nothing is shown.
    const std::string& Decoded_Format() const { return Decoded_Format_; }
    // Why the shown file could not be shown; empty when it was.
    std::string Load_Error() const { return Load_Error_; }
    TDiff_Pagelist_Frame* Page_Tabs() const { return Page_Tabs_; }

    // Built by the first Load_File; null before it.
    TMyScrollBox* ScrollBox1 = nullptr;
    TPane_Image* Image1 = nullptr;
    QLineEdit* Caption_E = nullptr;

    // Ctrl + wheel over the picture: steps (positive to zoom in) and the
    // point of the scroll box's viewport to zoom about.
    std::function<void(TView_Image_Frame* Pane, int Steps, QPoint At)> On_Zoom_Wheel;
    // The mouse over the picture, at a content point (picture pixels).
    std::function<void(TView_Image_Frame* Pane, QPointF At)> On_Hover;
    // The picture control moved or changed size in the pane (a scroll, a
    // zoom, a new size of the pane in fit mode, the pane shown).
    std::function<void(TView_Image_Frame* Pane)> On_Picture_Moved;
    // The mouse left the picture control.
    std::function<void(TView_Image_Frame* Pane)> On_Pointer_Left;

protected:
    bool eventFilter(QObject* watched, class QEvent* event) override;
    void Build_Controls(const std::string& Caption, TMyScrollBox::TNotifyEvent Scroll_Handler);
    // The control that draws: one picture here.
    virtual TPane_Image* Make_Picture_Control() { return new TPane_Image; }
    void Apply_Geometry();

private:
    bool Show_Picture(const T_Loaded_Picture& Picture);
    // The file as messages name it: the version's name first where a client
    // gave one.
    std::string Named_File() const;
    bool Zoom_Wheel(class QWheelEvent* event);
    void Image1MouseDown(class QMouseEvent* event);
    void Image1MouseMove(class QMouseEvent* event);
    void Image1MouseUp(class QMouseEvent* event);
    // The end of a pan, the button let go at a screen point over the pane.
    void Image1DragDrop(const QPoint& Global);
    // Scrolls to where the drag started plus the hand's way from there.
    void Pan_To(const QPoint& Global);
    void Update_Hover_Cursor();

    QVBoxLayout* Layout_ = nullptr;
    TDiff_Pagelist_Frame* Page_Tabs_ = nullptr;
    std::string File_Name_;
    std::string Load_Error_;
    // The version's name as the client gave it (git's path and object
    // name), when it is not the file's: git hands over a temporary copy,
    // whose name tells the user nothing.
    std::string Version_Name_;
    std::string Decoded_Format_;
    bool Missing_Version = false;
    T_View_Mode View_Mode_ = T_View_Mode::None;
    std::int32_t Drag_Start_X = 0;
    std::int32_t Drag_Start_Y = 0;
    // Where the hand started, in screen pixels, and the scroll position then.
    QPoint Drag_Start_Global;
    QPoint Drag_Start_Scroll;
    Qt::MouseButton Drag_Button = Qt::NoButton;
    bool Dragging = false;
    bool Drag_Moved = false;
    // The part of a wheel notch not yet turned into a zoom step.
    int Zoom_Wheel_Rest = 0;
};
