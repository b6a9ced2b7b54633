// An image pane of the diff view: a scroll box with the picture, an optional
// page tab strip under it and a one-line caption at the bottom.
#pragma once

#include "document_kinds.h"
#include "u_image_load.h"

#include <QImage>
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
    Q_OBJECT

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

// The control that draws the picture. The picture is never centred: it is
// drawn from the top left, at 1:1 unless stretching is on or it is larger
// than the control, in which case it is scaled to fit, keeping its aspect
// ratio (Picture_Draw_Rect).
//
// Large drawings make painting the expensive part, so the picture is decoded
// once per load and a scaled copy is kept for the current drawn size; a paint
// only copies the exposed part of that copy (or of the picture at 1:1), and
// scrolling moves pixels without rescaling. Reducing a big picture smoothly
// takes a noticeable moment, so while the size keeps changing (a window being
// resized) a fast copy is drawn and the smooth one is made once the size has
// settled. Enlarged pictures are scaled without smoothing on purpose: each
// pixel of a small picture stays a crisp block, which is what a difference
// viewer needs to show.
class TPane_Image : public QWidget {
    Q_OBJECT

public:
    explicit TPane_Image(QWidget* parent = nullptr);

    void Set_Picture(const QImage& Picture, const QString& Message);
    const QImage& Picture() const { return Picture_; }
    // Text drawn instead of a picture that could not be shown; empty otherwise.
    const QString& Message() const { return Message_; }

    void Set_Stretch(bool Stretch);
    bool Stretch() const { return Stretch_; }

    // Where the picture is drawn in this control's pixels.
    QRect Draw_Rect() const;
    // How many scaled copies were made since the picture was set (diagnostics).
    int Scaled_Copies_Made() const { return Scaled_Copies; }

protected:
    void paintEvent(class QPaintEvent* event) override;

private:
    const QImage& Scaled_For(const QSize& size);
    void Make_Smooth_Copy();

    QImage Picture_;
    QString Message_;
    bool Stretch_ = false;
    QImage Scaled_;
    bool Scaled_Is_Smooth = false;
    int Scaled_Copies = 0;
    QTimer Smooth_Timer;
};

// The drawing rule: the rectangle from (0, 0) in which a picture of size
// Picture is drawn inside a client of size Client. Sizes are truncated.
QRect Picture_Draw_Rect(const QSize& Picture, const QSize& Client, bool Stretch);

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
// drag; releasing the button over this pane's scroll box moves the view by
// the distance dragged (the picture follows the hand) and raises OnScroll.
// A release anywhere else cancels the pan.
class TView_Image_Frame : public QWidget {
    Q_OBJECT

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
    // Actual_Size: with scroll bars; Fit: fit to the visible area.
    void Set_View_Mode(T_View_Mode Mode);
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
    // The shown picture written as PNG into the private folder, once per
    // shown file; empty when there is no picture or it cannot be written.
    std::string Picture_As_Png();
    // Why the shown file could not be shown; empty when it was.
    std::string Load_Error() const { return Load_Error_; }
    TDiff_Pagelist_Frame* Page_Tabs() const { return Page_Tabs_; }

    // Built by the first Load_File; null before it.
    TMyScrollBox* ScrollBox1 = nullptr;
    TPane_Image* Image1 = nullptr;
    QLineEdit* Caption_E = nullptr;

protected:
    bool eventFilter(QObject* watched, class QEvent* event) override;

private:
    void Build_Controls(const std::string& Caption, TMyScrollBox::TNotifyEvent Scroll_Handler);
    bool Show_Picture(const T_Loaded_Picture& Picture);
    void Apply_Geometry();
    void Image1MouseDown(class QMouseEvent* event);
    void Image1MouseMove(class QMouseEvent* event);
    void Image1MouseUp(class QMouseEvent* event);
    void Image1DragDrop(int X, int Y);
    void Update_Hover_Cursor();

    QVBoxLayout* Layout_ = nullptr;
    TDiff_Pagelist_Frame* Page_Tabs_ = nullptr;
    std::string File_Name_;
    std::string Load_Error_;
    std::string Decoded_Format_;
    std::string Png_Copy_;
    bool Missing_Version = false;
    T_View_Mode View_Mode_ = T_View_Mode::None;
    std::int32_t Drag_Start_X = 0;
    std::int32_t Drag_Start_Y = 0;
    bool Dragging = false;
};
