// The diff view: a toolbar over three image panes (base, modified, compared).
// It renders one comparison model (the diff session, the decoded pictures
// and their differences, from the comparison's start to its close) and
// forwards the user's actions to it. It is composed of parts
// with one job each: the controls (T_Diff_View_Actions), the panes
// (T_Pane_Grid), the changes found (T_Change_Navigator) and the status line
// (T_Diff_Status_Line); the view connects them, and decides alone what is
// enabled (Set_Busy, Update_Compare_State). Its further parts (the find bar,
// the change list, the tips, ...) see only its context: the model, the
// current change, the panes, and the controls by their names.
//
// A pair whose opening runs the converter opens in the background: the view
// is built at once, and filled when the pair is open (see When_Opened).
#pragma once

#include "session/background_run.h"
#include "session/comparison_model.h"
#include "viewer/diff_view_actions.h"
#include "viewer/diff_view_context.h"
#include "pdf/document_exporters.h"
#include "vocabulary/document_kinds.h"
#include "viewer/pane_grid.h"
#include "viewer/u_file_dialog.h"
#include "viewer/vcs_view_image_frame.h"

#include <QPointF>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QVBoxLayout;
class T_Change_Navigator;
class T_Current_Change;
class T_Diff_Status_Line;
class T_Find_Bar;
class T_Region_Text_Tips;
class T_Ignore_Align_Controls;
struct T_Difference;
class TDiff_Pagelist_Frame;
class T_Page_Pairing_Task;
class T_Page_Switch;
struct T_Drawn_Pages;
class T_Run_Progress;
class T_Shown_Place_Watch;
class T_View_Row_Controller;

class TView_diff_frame : public QWidget {
public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    // Opens the pair: converts, or starts the exporter and shows the first
    // pages, then loads both panes. A conversion runs in the background
    // (Opening() until it reports); otherwise the pair is open on return.
    // ViewMode() is None once that failed; the failure has been reported by
    // then. Make_Exporter makes the exporter of a paged pair.
    TView_diff_frame(QWidget* Owner, const std::string& Left_File, const std::string& Left_Caption,
                     const std::string& Right_File, const std::string& Right_Caption,
                     TNotifyEvent Close_Handler, T_Converter_Kind Converter_Kind,
                     T_Paged_Kind Paged_Kind,
                     T_Exporter_Factory Make_Exporter = Create_Document_Exporter);
    ~TView_diff_frame() override;

    T_View_Mode ViewMode() const { return Panes->View_Mode(); }
    // True while the pair is being opened in the background.
    bool Opening() const { return Opening_; }
    // Opened runs once the opening has reported, done or not (at once when
    // it has already), on this thread, for as long as the view lives.
    void When_Opened(std::function<void()> Opened);
    // True when the opening was stopped by the user (Cancel): no view, and
    // nothing went wrong.
    bool Open_Stopped() const { return Open_Stopped_; }
    bool Compared_Shown() const;
    // True when a pane shows a version it could not read (damaged, too
    // large) instead of its picture.
    bool Version_Unread() const;
    // True while a converter run or a page export is in progress.
    bool Is_Running() const { return Running > 0; }
    // Stops the running work and closes the view once it has reported.
    void Request_Close();
    // Shows the About box; set by the window that holds the view.
    std::function<void()> About_Handler;

    // Replaces the save dialog of "Export compared image" (tests).
    void Set_Save_Dialog(std::unique_ptr<T_File_Dialog> Dialog);

    // What the view's parts see of it.
    T_Diff_View_Context Context();
    T_Current_Change& Current();
    // The comparison this view shows.
    T_Comparison_Model& Model() { return *Model_; }
    const T_Comparison_Model& Model() const { return *Model_; }
    T_Diff_Session& Session() { return Model_->Session(); }
    const T_Diff_Session& Session() const { return Model_->Session(); }

    bool Trim_Checked() const;
    // The shave field's value as shown (text that is not an integer counts
    // as 0).
    int Shave_Value() const;
    // What the converter reads for one side (see T_Comparison_Model).
    T_Compare_Input Compare_Input(bool Left);
    // Shows a compared image in the third pane.
    void Show_Compared(const std::string& File);
    void Hide_Compared();
    // Starts a converter run for the compared image of the pictures shown
    // and returns at once; the image is shown when the run reports. Does
    // nothing while another run is in progress.
    void Recompare();
    void Set_Busy(bool Busy);
    void Update_Compare_State();
    // Why Compare cannot run (a pane without a picture); empty when it can.
    QString Missing_Picture_Reason() const;
    void Set_Compared_Row(bool Shown);
    void Unload();

    // Page navigation and scroll synchronisation.
    void Left_Page_Change(int Page_Index);
    void Right_Page_Change(int Page_Index);
    // True from a page switch until its pages are shown.
    bool Drawing_Pages() const;
    void Sync_Scroll(TMyScrollBox* Sender);
    static void Copy_Scroll_Pos(TMyScrollBox* From, TMyScrollBox* To);

    // The "View" row: zoom, one-pane views, alignment, and the status line.
    void Zoom_In();
    void Zoom_Out();
    void Zoom_100();
    // Zooms every pane to Zoom (within the steps' range), keeping the
    // picture point under At, a point of Pane's viewport, where it is.
    void Zoom_To(double Zoom, TView_Image_Frame* Pane, const QPoint& At);
    // The scale the panes show now: the fitted scale in fit mode.
    double Current_Scale() const;
    void Show_Layout(T_Pane_Layout Layout);
    T_Pane_Layout Layout() const { return Panes->Layout(); }
    // Shifts the modified picture against the base, in picture pixels.
    void Nudge_Offset(const QPoint& Step);
    void Reset_Offset();
    QPoint Offset() const { return Panes->Offset(); }
    // Blink: pauses the blinking, or once paused shows the other version.
    void Blink_Pause_Or_Toggle();
    void Step_Opacity(int Percent);
    void Step_Divider(int Direction);
    void Update_Status();
    // The differences of the two pictures shown, computed in the program.
    // Asks for them again (the pictures or a setting changed) where they are
    // wanted: the Differences view, Show changes, or stepping through them.
    void Refresh_Differences();
    // Null until the differences of the current pictures are known.
    const T_Difference* Differences() const;
    // Steps to the next or previous change (wrapping around).
    void Step_Change(int Direction);
    // The current region: the one chosen, or the current change's first.
    int Current_Change() const;
    // Makes region Index the current change and centres it in every pane.
    void Show_Change(int Index);
    // Listener runs whenever the differences or the current change may
    // have changed, for as long as Context lives.
    void Add_Changes_Listener(QObject* Context, std::function<void()> Listener);
    // The ignore regions and the alignment of the changes row.
    T_Ignore_Align_Controls& Ignore_Align() { return *Ignore_Align_; }
    // Puts Action at the end of the changes row.
    void Add_To_Changes_Row(QAction* Action);
    // The find bar, which the window holding the view places (it is
    // hidden until Ctrl+F), and the change regions' text tooltips; null
    // when the pair could not be opened.
    T_Find_Bar* Find_Bar() const { return Find_Bar_; }
    T_Region_Text_Tips* Region_Tips() const { return Region_Tips_; }

    // Action handlers.
    void Fit_AExecute();
    void Compare_AExecute();
    void Trim_Compared_AExecute();
    void Sync_Pages_AExecute();
    void Execute_Compared_Img_AExecute();
    void Export_Compared_Img_AExecute();
    void About_AExecute();
    void Close_AExecute();
    void Shave_EExit();

private:
    void Build_Controls();
    // Connects the controls to what they do.
    void Connect_Controls();
    // Opens the pair, at once or (a conversion) on a worker thread, under a
    // "Please wait" window that offers Cancel; Finish_Opening gets the result.
    void Open_Session();
    void Finish_Opening(const T_Work_Result& Opened);
    // Builds the parts that show an open pair.
    void Show_Opened_Pair();
    void Show_Page_Tabs();
    // Pages of documents without stable page identifiers (PDF) are paired
    // by what they show, in the background; so are drawings' pages left
    // without a namesake on the other side, names winning where they match.
    // The tabs then mark each page as the same, changed, moved, added or
    // removed, and the synced switch follows that pairing.
    void Start_Content_Pairing();
    void Apply_Content_Pairing(T_Content_Pairing Pairing);
    // Marks both tab strips by a pairing: the same, changed, moved, added,
    // removed (see Mark_Page_Tabs).
    void Mark_Page_Pairs(const T_Content_Pairing& Pairing);
    void Load_Panes(const std::string& Left_Caption, const std::string& Right_Caption);
    // Shows a page on one side and, with Sync pages, its counterpart on the
    // other: both drawn at once, the other tab strip moved without calling
    // back, the differences and the compared image asked for once.
    void Page_Change(T_Side Side, int Page_Index);
    // Shows the pages a switch drew; a side whose page failed goes back to
    // the page it showed, its tab too.
    void Show_Drawn_Pages(T_Drawn_Pages Drawn);
    // After a switch: the one-pane views, the differences and the compared
    // image follow the pages shown.
    void Show_Switched_Pages();
    // A blank sheet of the page's size in the side's pane until it is drawn.
    void Show_Page_Placeholder(T_Side Side, int Page_Index);
    void Show_Side_Picture(T_Side Side);
    // Reports a failed step; a stopped one has nobody to tell.
    static void Report(const T_Work_Result& Result);
    // Starts work that waits for a child on a worker thread and returns at
    // once. Until it reports, the controls that could start more work stay
    // disabled and a close request stops the child; once the wait lasts, a
    // small window names the work (Activity) and offers Cancel, which stops
    // the child too. Ended gets the result on this thread, before the busy
    // state ends and a pending close is carried out.
    void Start_Run(const QString& Activity, T_Background_Run::T_Work Work,
                   T_Background_Run::T_Finished Ended);
    void Finish_Pending_Close();
    const TView_Image_Frame* Shave_Reference() const;
    void Set_Shave_Limit();

    std::unique_ptr<T_Comparison_Model> Model_;
    // The parts: the controls, the panes, the changes found, the status line.
    T_Diff_View_Actions Actions;
    T_Pane_Grid* Panes = nullptr;
    std::unique_ptr<T_Change_Navigator> Changes;
    std::unique_ptr<T_Diff_Status_Line> Status_Line;
    std::unique_ptr<T_View_Row_Controller> View_Row;
    std::unique_ptr<T_Ignore_Align_Controls> Ignore_Align_;
    // The page tab strips of a paged pair, under the two versions' panes.
    TDiff_Pagelist_Frame* LeftTabs = nullptr;
    TDiff_Pagelist_Frame* RightTabs = nullptr;
    T_Find_Bar* Find_Bar_ = nullptr;
    T_Region_Text_Tips* Region_Tips_ = nullptr;

    bool Open_Stopped_ = false;
    bool Opening_ = false;
    std::vector<std::function<void()>> Opened_Listeners_;
    std::string Captions_[2];
    TNotifyEvent CloseHandler;
    std::unique_ptr<T_File_Dialog> SaveDialog1;
    int Running = 0;
    bool Close_Pending = false;
    // The converter run in progress and its progress window; null between
    // runs. Declared after the model, whose session the run works on.
    std::unique_ptr<T_Background_Run> Run;
    std::unique_ptr<T_Run_Progress> Progress;
    std::unique_ptr<T_Page_Pairing_Task> Pairing_Task;
    std::unique_ptr<T_Page_Switch> Page_Switch_;
    // Set while Page_Change moves the other side's tab strip.
    bool Following_Page = false;
    // Last: it unhooks itself from the panes before the status line goes.
    std::unique_ptr<T_Shown_Place_Watch> Place_Watch;
};
