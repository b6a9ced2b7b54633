#include "viewer/vcs_view_image_frame.h"

#include "vocabulary/U_Msg.h"
#include "vocabulary/pane_captions.h"
#include "platform/os_platform.h"
#include "imaging/u_image_load.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_pagelist_frame.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include <filesystem>

namespace {

QString Display_Text(const std::string& text)
{
    return QString::fromStdString(text).remove(QLatin1Char('\r'));
}

} // namespace

// ---------------------------------------------------------------- scroll box

TMyScrollBox::TMyScrollBox(QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    // A dark surround shows where a white drawing ends, which matters when
    // two versions differ in size.
    setBackgroundRole(QPalette::Dark);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        // actionTriggered is emitted only for user actions, before the value
        // moves; the view has moved once valueChanged follows. The scroll
        // area's own handler was connected first, so it has run by then.
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, bar](int) { Scroll_Bar_Action(bar); });
        connect(bar, &QScrollBar::valueChanged, this, [this, bar](int) {
            if (Pending_Bar != bar)
                return;
            Pending_Bar = nullptr;
            Notify_Scroll();
        });
    }
}

void TMyScrollBox::Scroll_Bar_Action(QScrollBar* Bar)
{
    if (Bar->sliderPosition() == Bar->value()) {
        // Nothing will move (an arrow pressed at the end of the range); the
        // action is still the user's, so the owner hears of it now.
        Pending_Bar = nullptr;
        Notify_Scroll();
        return;
    }
    Pending_Bar = Bar;
}

void TMyScrollBox::Notify_Scroll()
{
    if (OnScroll)
        OnScroll(this);
}

int TMyScrollBox::Horz_Position() const { return horizontalScrollBar()->value(); }
int TMyScrollBox::Vert_Position() const { return verticalScrollBar()->value(); }
void TMyScrollBox::Set_Horz_Position(int Position) { horizontalScrollBar()->setValue(Position); }
void TMyScrollBox::Set_Vert_Position(int Position) { verticalScrollBar()->setValue(Position); }
int TMyScrollBox::Horz_Max() const { return horizontalScrollBar()->maximum(); }
int TMyScrollBox::Vert_Max() const { return verticalScrollBar()->maximum(); }

bool TMyScrollBox::Has_Visible_Scroll_Bar() const
{
    return horizontalScrollBar()->isVisible() || verticalScrollBar()->isVisible();
}

// ---------------------------------------------------------------- pane

TView_Image_Frame::TView_Image_Frame(QWidget* parent) : QWidget(parent)
{
    resize(532, 371);
    Layout_ = new QVBoxLayout(this);
    Layout_->setContentsMargins(0, 0, 0, 0);
    Layout_->setSpacing(0);
}

TDiff_Pagelist_Frame* TView_Image_Frame::Create_Page_Tabs()
{
    if (Page_Tabs_)
        return Page_Tabs_;
    Page_Tabs_ = new TDiff_Pagelist_Frame(this);
    // Docked parts from the bottom up: caption line, tab strip, scroll box.
    const int caption_at = Caption_E ? Layout_->indexOf(Caption_E) : -1;
    if (caption_at >= 0)
        Layout_->insertWidget(caption_at, Page_Tabs_);
    else
        Layout_->addWidget(Page_Tabs_);
    return Page_Tabs_;
}

void TView_Image_Frame::Build_Controls(const std::string& Caption,
                                       TMyScrollBox::TNotifyEvent Scroll_Handler)
{
    Caption_E = new QLineEdit(this);
    Caption_E->setReadOnly(true);
    // Read-only: it can be clicked to copy the name, but Tab passes it by.
    Caption_E->setFocusPolicy(Qt::ClickFocus);
    // Its text is the file's name or title; a screen reader says what it is.
    Caption_E->setAccessibleName(QStringLiteral("Caption"));
    QPalette caption_palette = Caption_E->palette();
    caption_palette.setColor(QPalette::Base, caption_palette.color(QPalette::Button));
    Caption_E->setPalette(caption_palette);
    Caption_E->setText(QString::fromStdString(Caption.empty() ? File_Name_ : Caption));
    Caption_E->setCursorPosition(0);

    ScrollBox1 = new TMyScrollBox(this);
    if (Scroll_Handler)
        ScrollBox1->OnScroll = std::move(Scroll_Handler);
    Image1 = Make_Picture_Control();
    ScrollBox1->setWidget(Image1);
    ScrollBox1->viewport()->installEventFilter(this);

    Layout_->insertWidget(0, ScrollBox1, 1);
    Layout_->addWidget(Caption_E);

    Image1->installEventFilter(this);
    Set_View_Mode(T_View_Mode::Actual_Size);
}

bool TView_Image_Frame::Load_File(const std::string& File_Name, const std::string& Caption,
                                  const std::string& Format_Hint,
                                  TMyScrollBox::TNotifyEvent Scroll_Handler)
{
    return Load_File(File_Name, Caption, Load_Picture(File_Name, Format_Hint),
                     std::move(Scroll_Handler));
}

bool TView_Image_Frame::Load_File(const std::string& File_Name, const std::string& Caption,
                                  const T_Loaded_Picture& Picture,
                                  TMyScrollBox::TNotifyEvent Scroll_Handler)
{
    // Painting is held off rather than hiding the pane: a hidden pane would
    // give its space away in the layout and take it back after the load.
    setUpdatesEnabled(false);
    File_Name_ = File_Name;
    if (!Image1) {
        Build_Controls(Caption, std::move(Scroll_Handler));
        if (!Caption.empty() && Caption != File_Name && Caption != Base_Version_Caption)
            Version_Name_ = Caption;
    }
    const bool loaded = Show_Picture(Picture);
    setUpdatesEnabled(true);
    if (!loaded)
        Show_Msg(Load_Error_);
    return loaded;
}

void TView_Image_Frame::Show_Missing_Version(const std::string& Caption,
                                             TMyScrollBox::TNotifyEvent Scroll_Handler)
{
    Missing_Version = true;
    File_Name_.clear();
    if (!Image1)
        Build_Controls(Caption, std::move(Scroll_Handler));
    Image1->Set_Picture(QImage(), QString());
    Apply_Geometry();
}

bool TView_Image_Frame::Reload_File(const std::string& File_Name)
{
    if (!Image1)
        return Load_File(File_Name);
    return Reload_File(File_Name, Load_Picture(File_Name));
}

bool TView_Image_Frame::Reload_File(const std::string& File_Name, const T_Loaded_Picture& Picture)
{
    if (!Image1)
        return Load_File(File_Name, {}, Picture, {});
    setUpdatesEnabled(false);
    File_Name_ = File_Name;
    const bool loaded = Show_Picture(Picture);
    setUpdatesEnabled(true);
    if (!loaded)
        Show_Msg(Load_Error_);
    return loaded;
}

std::string TView_Image_Frame::Named_File() const
{
    if (Version_Name_.empty())
        return File_Name_;
    return Version_Name_ + " (read from " + File_Name_ + ")";
}

bool TView_Image_Frame::Show_Picture(const T_Loaded_Picture& picture)
{
    Decoded_Format_ = picture.Qt_Format;
    switch (picture.Result) {
    case T_Picture_Load_Result::Loaded:
        Load_Error_.clear();
        break;
    case T_Picture_Load_Result::Too_Large:
        Load_Error_ = Get_Msg(cap_Image_Too_Large) + "\r\nFile: " + Named_File() +
                      "\r\nSize: " + std::to_string(picture.Stored_Size.width()) + " x " +
                      std::to_string(picture.Stored_Size.height()) + " pixels (at most " +
                      std::to_string(Max_Picture_Pixels) + " pixels can be shown)";
        break;
    case T_Picture_Load_Result::Unreadable: {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(os::Utf8_Path(File_Name_), ec);
        Load_Error_ = Get_Msg(cap_Image_Unreadable) + "\r\nFile: " + Named_File() + "\r\nSize: " +
                      (ec ? std::string("file not found") : std::to_string(bytes) + " bytes");
        if (!picture.Reason.empty())
            Load_Error_ += "\r\n" + picture.Reason;
        break;
    }
    }
    Image1->Set_Picture(picture.Image, Display_Text(Load_Error_));
    Apply_Geometry();
    return picture.Result == T_Picture_Load_Result::Loaded;
}

void TView_Image_Frame::Set_View_Mode(T_View_Mode Mode)
{
    if (Mode == View_Mode_)
        return;
    View_Mode_ = Mode;
    Apply_Geometry();
}

void TView_Image_Frame::Set_Zoom(double Zoom)
{
    if (!Image1 || Image1->Zoom() == Zoom)
        return;
    Image1->Set_Zoom(Zoom);
    Apply_Geometry();
}

void TView_Image_Frame::Apply_Geometry()
{
    if (!Image1)
        return;
    const bool fit = View_Mode_ == T_View_Mode::Fit;
    Image1->Set_Stretch(fit);
    // In fit mode the control fills the visible area, so there is nothing to
    // scroll. At actual size it takes the picture's size and sits at the top
    // left. A pane without a picture fills the area to show its message.
    if (fit || Image1->Content_Rect().isEmpty()) {
        ScrollBox1->setWidgetResizable(true);
    } else {
        ScrollBox1->setWidgetResizable(false);
        Image1->resize(Image1->Zoomed_Size());
    }
}

int TView_Image_Frame::Picture_Width() const { return Image1 ? Image1->Picture().width() : 0; }

int TView_Image_Frame::Picture_Height() const { return Image1 ? Image1->Picture().height() : 0; }

bool TView_Image_Frame::Copy_File_To(const std::string& Destination) const
{
    if (File_Name_.empty() || Destination.empty())
        return false;
    // Through the platform layer: it replaces the target in one step, also
    // where the C++ library cannot copy over an existing file.
    return os::Copy_File_Replace(File_Name_, Destination);
}

bool TView_Image_Frame::eventFilter(QObject* watched, QEvent* event)
{
    if (ScrollBox1 && watched == ScrollBox1->viewport() && event->type() == QEvent::Wheel)
        return Zoom_Wheel(static_cast<QWheelEvent*>(event)) || QWidget::eventFilter(watched, event);
    if (watched == Image1) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            Image1MouseDown(static_cast<QMouseEvent*>(event));
            break;
        case QEvent::MouseMove:
            Image1MouseMove(static_cast<QMouseEvent*>(event));
            break;
        case QEvent::MouseButtonRelease:
            Image1MouseUp(static_cast<QMouseEvent*>(event));
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (On_Picture_Moved)
                On_Picture_Moved(this);
            break;
        case QEvent::Leave:
            if (On_Pointer_Left)
                On_Pointer_Left(this);
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TView_Image_Frame::Zoom_Wheel(QWheelEvent* event)
{
    // Ctrl + wheel zooms; the plain wheel scrolls as it always has.
    if (!(event->modifiers() & Qt::ControlModifier) || !On_Zoom_Wheel)
        return false;
    // Fine wheels and touchpads send parts of a notch (120); they add up to
    // whole steps.
    Zoom_Wheel_Rest += event->angleDelta().y();
    const int steps = Zoom_Wheel_Rest / 120;
    Zoom_Wheel_Rest -= steps * 120;
    if (steps != 0)
        On_Zoom_Wheel(this, steps, event->position().toPoint());
    event->accept();
    return true;
}

void TView_Image_Frame::Image1MouseDown(QMouseEvent* event)
{
    // A left-button pan needs something to scroll, so it never starts in fit
    // mode; the middle button pans wherever there is room to.
    const bool left = event->button() == Qt::LeftButton && ScrollBox1->Has_Visible_Scroll_Bar();
    if (!left && event->button() != Qt::MiddleButton)
        return;
    const QPoint at = event->position().toPoint();
    Drag_Start_X = at.x();
    Drag_Start_Y = at.y();
    Drag_Start_Global = event->globalPosition().toPoint();
    Drag_Start_Scroll = QPoint(ScrollBox1->Horz_Position(), ScrollBox1->Vert_Position());
    Drag_Button = event->button();
    Dragging = true;
    Drag_Moved = false;
    Image1->setCursor(Qt::ClosedHandCursor);
}

void TView_Image_Frame::Pan_To(const QPoint& Global)
{
    // The picture follows the hand: dragging it left or up shows what lies
    // right or below. The scroll bars keep each position within its range.
    const QPoint way = Drag_Start_Global - Global;
    ScrollBox1->Set_Horz_Position(Drag_Start_Scroll.x() + way.x());
    ScrollBox1->Set_Vert_Position(Drag_Start_Scroll.y() + way.y());
    ScrollBox1->Notify_Scroll();
}

void TView_Image_Frame::Image1MouseMove(QMouseEvent* event)
{
    if (On_Hover)
        On_Hover(this, Image1->Content_Point(event->position().toPoint()));
    if (Dragging) {
        // The cursor tells whether letting go here keeps the position.
        const QWidget* viewport = ScrollBox1->viewport();
        const QPoint global = event->globalPosition().toPoint();
        Image1->setCursor(viewport->rect().contains(viewport->mapFromGlobal(global))
                              ? Qt::ClosedHandCursor
                              : Qt::ForbiddenCursor);
        Pan_To(global);
        Drag_Moved = true;
        return;
    }
    Update_Hover_Cursor();
    // Moving over a picture gives its pane the keyboard, so the arrow and page
    // keys scroll the picture under the mouse; only inside the active window.
    QWidget* start = parentWidget() ? parentWidget()->parentWidget() : nullptr;
    if (!start)
        return;
    QWidget* form = start->window();
    if (form && form == QApplication::activeWindow() && !ScrollBox1->hasFocus())
        ScrollBox1->setFocus(Qt::MouseFocusReason);
}

void TView_Image_Frame::Image1MouseUp(QMouseEvent* event)
{
    if (!Dragging || event->button() != Drag_Button)
        return;
    Dragging = false;
    Update_Hover_Cursor();
    // The drop counts only inside this pane's scroll box, on the picture or
    // beside it; a drop anywhere else, another pane included, returns to
    // where the drag started.
    const QPoint global = event->globalPosition().toPoint();
    const QWidget* viewport = ScrollBox1->viewport();
    if (!viewport->rect().contains(viewport->mapFromGlobal(global))) {
        if (Drag_Moved)
            Pan_To(Drag_Start_Global);
        return;
    }
    Image1DragDrop(global);
}

void TView_Image_Frame::Image1DragDrop(const QPoint& Global) { Pan_To(Global); }

void TView_Image_Frame::Update_Hover_Cursor()
{
    if (ScrollBox1->Has_Visible_Scroll_Bar())
        Image1->setCursor(Qt::OpenHandCursor);
    else
        Image1->unsetCursor();
}
