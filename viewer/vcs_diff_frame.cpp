#include "viewer/vcs_diff_frame.h"

#include "vocabulary/U_Msg.h"
#include "engine/U_ShellOp.h"
#include "platform/os_platform.h"
#include "viewer/change_navigator.h"
#include "viewer/diff_status_line.h"
#include "viewer/export_name.h"
#include "session/drawing_page_pairing.h"
#include "viewer/find_bar.h"
#include "viewer/region_text_tips.h"
#include "viewer/ignore_align_controls.h"
#include "viewer/view_row_controller.h"
#include "vocabulary/file_names.h"
#include "viewer/page_pairing_task.h"
#include "viewer/page_switch.h"
#include "viewer/sharp_zoom.h"
#include "viewer/page_tab_marks.h"
#include "viewer/u_blend_frame.h"
#include "engine/u_image_compare.h"
#include "viewer/u_pane_synchronizer.h"
#include "viewer/u_zoom.h"
#include "viewer/u_run_progress.h"
#include "viewer/shown_place_watch.h"
#include "viewer/vcs_diff_pagelist_frame.h"
#include "viewer/zoom_box.h"

#include <QAction>
#include <QScopedValueRollback>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>
#include <tuple>

namespace {

const std::string Missing_Version_Caption = "(none)";

} // namespace

TView_diff_frame::TView_diff_frame(QWidget* Owner, const std::string& Left_File,
                                   const std::string& Left_Caption, const std::string& Right_File,
                                   const std::string& Right_Caption, TNotifyEvent Close_Handler,
                                   T_Converter_Kind Converter_Kind, T_Paged_Kind Paged_Kind,
                                   T_Exporter_Factory Make_Exporter)
    : QWidget(Owner), Actions(this),
      SaveDialog1(std::make_unique<T_File_Dialog>(T_File_Dialog::T_Kind::Save))
{
    Model_ = std::make_unique<T_Comparison_Model>(Left_File, Right_File, Converter_Kind, Paged_Kind,
                                                  T_Session_Seams{std::move(Make_Exporter), {}},
                                                  this, [this] { Changes->Differences_Ready(); });
    Build_Controls();
    CloseHandler = std::move(Close_Handler);
    Actions.Close_A->setVisible(static_cast<bool>(CloseHandler));
    Page_Switch_ = std::make_unique<T_Page_Switch>(
        this, *Model_, [this](T_Drawn_Pages Drawn) { Show_Drawn_Pages(std::move(Drawn)); });
    Ignore_Align_->Set_Model(Model_.get());
    Panes->Use_State(Model_->View);
    Panes->Set_View_Mode(T_View_Mode::Actual_Size);
    Captions_[0] = Left_Caption;
    Captions_[1] = Right_Caption.empty() ? Right_File : Right_Caption;
    Open_Session();
}

T_Diff_View_Context TView_diff_frame::Context()
{
    return {*this, *Model_, Changes->Current(), *Panes};
}

T_Current_Change& TView_diff_frame::Current() { return Changes->Current(); }

void TView_diff_frame::When_Opened(std::function<void()> Opened)
{
    if (Opening_)
        Opened_Listeners_.push_back(std::move(Opened));
    else
        Opened();
}

void TView_diff_frame::Open_Session()
{
    if (!Session().Opening_Runs_Converter()) {
        Finish_Opening(Model_->Open());
        return;
    }
    // The window is shown once the pair is open; until then the view is
    // built but empty, and events go on: nothing waits here.
    Opening_ = true;
    QString name = QString::fromStdString(File_Name_Part(Session().RightFile));
    Start_Run(
        QStringLiteral("Converting %1...").arg(name),
        [this](T_Run_Watch& Watch) { return Model_->Open(&Watch); },
        [this](const T_Work_Result& Result) { Finish_Opening(Result); });
}

void TView_diff_frame::Finish_Opening(const T_Work_Result& Opened)
{
    Report(Opened);
    Open_Stopped_ = Opened.Stopped();
    if (Opened.Done())
        Show_Opened_Pair();
    else
        Unload();
    Opening_ = false;
    // A listener may close the view: the list is taken first.
    for (const std::function<void()>& listener : std::exchange(Opened_Listeners_, {}))
        listener();
}

void TView_diff_frame::Show_Opened_Pair()
{
    Show_Page_Tabs();
    Load_Panes(Captions_[0], Captions_[1]);
    // Once the panes hold their picture controls; the window places the bar.
    Find_Bar_ = Add_Find_Bar(Context());
    Region_Tips_ = new T_Region_Text_Tips(Context());
    new T_Sharp_Zoom(Context(), [this] { return Drawing_Pages(); });
    Set_Busy(false);
    Set_Shave_Limit();
    Set_Compared_Row(false);
    Update_Status();
    // The background work starts once the window is up: until then both
    // cores belong to what the user waits for.
    QTimer::singleShot(0, this, [this] {
        if (ViewMode() == T_View_Mode::None)
            return;
        Start_Content_Pairing();
        Refresh_Differences();
    });
    // Keys scroll the base version; the shave field is not where typing starts.
    if (Panes->View_Image_Frame1->ScrollBox1)
        Panes->View_Image_Frame1->ScrollBox1->setFocus();
}

TView_diff_frame::~TView_diff_frame()
{
    // A run still going is stopped and waited for before the session it
    // works on goes; it reports nothing then.
    Run.reset();
    Progress.reset();
    Unload();
}

void TView_diff_frame::Show_Page_Tabs()
{
    if (!Session().Is_Paged())
        return;
    // A version that does not exist has no pages and no tabs; the other's
    // pages are all on that side only.
    for (auto [side, pane, tabs, name] :
         {std::tuple{T_Side::Left, Panes->View_Image_Frame1, &LeftTabs, "LeftTabs"},
          std::tuple{T_Side::Right, Panes->View_Image_Frame2, &RightTabs, "RightTabs"}}) {
        if (Model_->Missing(side))
            continue;
        *tabs = pane->Create_Page_Tabs();
        (*tabs)->setObjectName(QString::fromLatin1(name));
        (*tabs)->Fill_Pages(Session().Pages(side));
        (*tabs)->On_Page_Change = [this, side](std::int32_t page) { Page_Change(side, page); };
    }
    if (!LeftTabs || !RightTabs) {
        TDiff_Pagelist_Frame* tabs = LeftTabs ? LeftTabs : RightTabs;
        Mark_All_One_Sided(*tabs->TabControl1, LeftTabs ? T_Side::Left : T_Side::Right);
        return;
    }
    // Drawings' pages pair by their names from the start: the sheets that
    // changed places are known before any page but the first is exported.
    if (Session().PagedKind != T_Paged_Kind::Pdf)
        Mark_Page_Pairs(Pair_Drawing_Pages_By_Name(Session()));
}

void TView_diff_frame::Mark_Page_Pairs(const T_Content_Pairing& Pairing)
{
    Mark_Page_Tabs(*LeftTabs->TabControl1, T_Side::Left, Pairing.Left, Pairing.Left_Moved,
                   Pairing.Pairs.Left_To_Right, RightTabs->Page_List());
    Mark_Page_Tabs(*RightTabs->TabControl1, T_Side::Right, Pairing.Right, Pairing.Right_Moved,
                   Pairing.Pairs.Right_To_Left, LeftTabs->Page_List());
}

void TView_diff_frame::Start_Content_Pairing()
{
    T_Diff_Session& session = Session();
    // A document on one side only has nothing to pair.
    if (Model_->Missing(T_Side::Left) || Model_->Missing(T_Side::Right))
        return;
    T_Page_Pairing_Task::T_Work work;
    if (session.PagedKind == T_Paged_Kind::Pdf)
        work = Pdf_Pairing_Work(session.LeftFile, session.RightFile);
    else if (session.Is_Paged() && Drawing_Pages_Left_Over(session))
        // Drawings pair by their page names as they are opened; exporting
        // every page of both is worth it only for pages left without a
        // namesake, and is done apart from the pages the window shows.
        work = [left = session.LeftFile, right = session.RightFile, kind = session.PagedKind,
                make = session.Seams().Make_Exporter](const std::atomic<bool>& Stop) {
            return Pair_Drawing_Pages_Apart(left, right, kind, make, Stop);
        };
    if (!work)
        return;
    Pairing_Task = std::make_unique<T_Page_Pairing_Task>(
        this, std::move(work),
        [this](T_Content_Pairing pairing) { Apply_Content_Pairing(std::move(pairing)); });
}

void TView_diff_frame::Apply_Content_Pairing(T_Content_Pairing Pairing)
{
    // Signatures of documents that changed on disk since they were opened
    // would pair pages that are not the ones shown.
    if (!LeftTabs || !RightTabs ||
        static_cast<int>(Pairing.Left.size()) != LeftTabs->Page_List().Count() ||
        static_cast<int>(Pairing.Right.size()) != RightTabs->Page_List().Count())
        return;
    Mark_Page_Pairs(Pairing);
    Model_->Set_Content_Pairing(std::move(Pairing));
}

void TView_diff_frame::Load_Panes(const std::string& Left_Caption, const std::string& Right_Caption)
{
    auto sync = [this](TMyScrollBox* sender) { Sync_Scroll(sender); };
    // A version that does not exist (a file added or deleted in version
    // control) leaves its pane empty.
    for (auto [side, pane, caption] :
         {std::tuple{T_Side::Right, Panes->View_Image_Frame2, &Right_Caption},
          std::tuple{T_Side::Left, Panes->View_Image_Frame1, &Left_Caption}}) {
        if (Model_->Missing(side))
            pane->Show_Missing_Version(Missing_Version_Caption, sync);
        else
            pane->Load_File(Model_->Display(side), *caption, Model_->Picture(side), sync);
    }
}

void TView_diff_frame::Report(const T_Work_Result& Result)
{
    if (Result.Outcome == T_Work_Result::T_Outcome::Failed && !Result.Message.empty())
        Show_Msg(Result.Message);
}

void TView_diff_frame::Build_Controls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Actions.Build_Tool_Row(layout);

    Panes = new T_Pane_Grid(this);
    layout->addWidget(Panes, 1);
    for (TView_Image_Frame* pane :
         {Panes->View_Image_Frame1, Panes->View_Image_Frame2, Panes->View_Image_Frame3,
          static_cast<TView_Image_Frame*>(Panes->View_Image_Frame4)}) {
        pane->On_Zoom_Wheel = [this](TView_Image_Frame* from, int steps, QPoint at) {
            double zoom = Current_Scale();
            for (int step = 0; step < std::abs(steps); ++step)
                zoom = steps > 0 ? Zoomed_In(zoom) : Zoomed_Out(zoom);
            Zoom_To(zoom, from, at);
        };
        pane->On_Hover = [this](TView_Image_Frame* from, QPointF at) { View_Row->Hover(from, at); };
    }

    Actions.Build_View_Row(layout);
    Actions.Build_Changes_Row(layout);
    Changes = std::make_unique<T_Change_Navigator>(
        *Model_, *Panes, Actions, [this] { Update_Status(); }, [this] { Fit_AExecute(); });
    Status_Line = std::make_unique<T_Diff_Status_Line>(this, layout, *Panes, *Changes);
    // A damaged document shown from a copy rebuilt from it says so.
    Status_Line->Notes.push_back([this] {
        const bool old_repaired = Session().Repaired(T_Side::Left);
        const bool new_repaired = Session().Repaired(T_Side::Right);
        if (old_repaired && new_repaired)
            return tr("both documents repaired");
        if (old_repaired || new_repaired)
            return old_repaired ? tr("old document repaired") : tr("new document repaired");
        return QString();
    });
    Connect_Controls();
    Ignore_Align_ = std::make_unique<T_Ignore_Align_Controls>(
        *Actions.ToolBar3, *Panes, *Changes, *Status_Line, [this] { Refresh_Differences(); });
    View_Row = std::make_unique<T_View_Row_Controller>(Actions, *Panes, *Changes, *Status_Line,
                                                       [this] { Fit_AExecute(); });
    View_Row->Add_Shortcuts();
    Add_Zoom_Box(Actions, *Panes, *View_Row, *Status_Line, [this] { Fit_AExecute(); });
    Place_Watch = std::make_unique<T_Shown_Place_Watch>(*Panes, *Status_Line);
    Show_Layout(T_Pane_Layout::Side_By_Side);
}

void TView_diff_frame::Connect_Controls()
{
    connect(Actions.Fit_A, &QAction::triggered, this, &TView_diff_frame::Fit_AExecute);
    connect(Actions.Compare_A, &QAction::triggered, this, &TView_diff_frame::Compare_AExecute);
    connect(Actions.Trim_Compared_A, &QAction::triggered, this,
            &TView_diff_frame::Trim_Compared_AExecute);
    Actions.Set_Shave_Exit([this] { Shave_EExit(); });
    connect(Actions.Sync_Pages_A, &QAction::triggered, this,
            &TView_diff_frame::Sync_Pages_AExecute);
    connect(Actions.Execute_Compared_Img_A, &QAction::triggered, this,
            &TView_diff_frame::Execute_Compared_Img_AExecute);
    connect(Actions.Export_Compared_Img_A, &QAction::triggered, this,
            &TView_diff_frame::Export_Compared_Img_AExecute);
    connect(Actions.About_A, &QAction::triggered, this, &TView_diff_frame::About_AExecute);
    connect(Actions.Close_A, &QAction::triggered, this, &TView_diff_frame::Close_AExecute);

    connect(Actions.Zoom_In_A, &QAction::triggered, this, [this] { Zoom_In(); });
    connect(Actions.Zoom_Out_A, &QAction::triggered, this, [this] { Zoom_Out(); });
    connect(Actions.Zoom_100_A, &QAction::triggered, this, [this] { Zoom_100(); });
    const std::pair<QAction*, T_Pane_Layout> layouts[] = {
        {Actions.Side_By_Side_A, T_Pane_Layout::Side_By_Side},
        {Actions.Overlay_A, T_Pane_Layout::Overlay},
        {Actions.Blink_A, T_Pane_Layout::Blink},
        {Actions.Swipe_A, T_Pane_Layout::Swipe},
        {Actions.Differences_A, T_Pane_Layout::Differences}};
    // A screen reader toggles the button, which checks the action without
    // triggering it; the view then follows its check, once a click's own
    // trigger (which comes after the check) has had its turn.
    for (const auto& [action, layout] : layouts) {
        connect(action, &QAction::triggered, this, [this, layout] { Show_Layout(layout); });
        connect(action, &QAction::toggled, this, [this, layout](bool checked) {
            if (checked)
                QTimer::singleShot(0, this, [this, layout] {
                    if (Layout() != layout && ViewMode() != T_View_Mode::None)
                        Show_Layout(layout);
                });
        });
    }
    connect(Actions.Opacity_S, &QSlider::valueChanged, this,
            [this](int value) { Panes->Set_Opacity(value / 100.0); });
    connect(Actions.Blink_Interval_E, &QDoubleSpinBox::valueChanged, this, [this](double seconds) {
        Panes->Set_Blink_Interval(int(std::lround(seconds * 1000)));
    });
    connect(Actions.Reset_Offset_A, &QAction::triggered, this, [this] { Reset_Offset(); });

    connect(Actions.Tolerance_E, &QSpinBox::valueChanged, this, [this] { Refresh_Differences(); });
    connect(Actions.Ignore_Antialiasing_C, &QCheckBox::toggled, this,
            [this] { Refresh_Differences(); });
    connect(Actions.Show_Changes_C, &QCheckBox::toggled, this,
            [this] { Changes->Show_Change_Frames(); });
    connect(Actions.Previous_Change_A, &QAction::triggered, this, [this] { Step_Change(-1); });
    connect(Actions.Next_Change_A, &QAction::triggered, this, [this] { Step_Change(1); });
}

void TView_diff_frame::Set_Save_Dialog(std::unique_ptr<T_File_Dialog> Dialog)
{
    SaveDialog1 = std::move(Dialog);
}

bool TView_diff_frame::Compared_Shown() const { return Panes->Compared_Shown(); }

bool TView_diff_frame::Version_Unread() const
{
    // A page of a document that could not be drawn is an error of that page
    // alone; the document itself was read.
    if (Session().Is_Paged())
        return false;
    return !Panes->View_Image_Frame1->Load_Error().empty() ||
           !Panes->View_Image_Frame2->Load_Error().empty();
}

bool TView_diff_frame::Trim_Checked() const { return Actions.Trim_Compared_A->isChecked(); }

int TView_diff_frame::Shave_Value() const { return Actions.Shave_Value(); }

// The shave limit follows the base picture; where the base version does not
// exist, the modified one is the only picture to shave.
const TView_Image_Frame* TView_diff_frame::Shave_Reference() const
{
    return Panes->View_Image_Frame1->Is_Missing_Version() ? Panes->View_Image_Frame2
                                                          : Panes->View_Image_Frame1;
}

void TView_diff_frame::Set_Shave_Limit()
{
    const TView_Image_Frame* pane = Shave_Reference();
    Actions.Set_Shave_Limit(Shave_Limit(pane->Picture_Width(), pane->Picture_Height()));
}

T_Compare_Input TView_diff_frame::Compare_Input(bool Left)
{
    return Model_->Compare_Input(Left ? T_Side::Left : T_Side::Right);
}

void TView_diff_frame::Unload()
{
    // Closes both documents and quits the exporter's application now, not
    // when the window goes.
    Pairing_Task.reset();
    Page_Switch_.reset();
    if (Model_)
        Model_->Close_Documents();
    Panes->Set_View_Mode(T_View_Mode::None);
    Set_Busy(true);
}

void TView_diff_frame::Set_Busy(bool Busy)
{
    // Besides the controls that start a comparison, the page tabs and the
    // compared-image actions wait while work runs: they would act on a pair
    // that is about to change.
    bool running = Busy && Running > 0;
    for (TDiff_Pagelist_Frame* tabs : {LeftTabs, RightTabs})
        if (tabs)
            tabs->setEnabled(!running);
    if (Busy) {
        for (QAction* action :
             {Actions.Fit_A, Actions.Compare_A, Actions.Trim_Compared_A, Actions.Sync_Pages_A})
            action->setEnabled(false);
        Actions.Shave_E->setEnabled(false);
        if (running) {
            Actions.Execute_Compared_Img_A->setEnabled(false);
            Actions.Export_Compared_Img_A->setEnabled(false);
        }
        return;
    }
    Actions.Fit_A->setEnabled(true);
    Actions.Sync_Pages_A->setEnabled(Model_ && Session().Is_Paged());
    Update_Compare_State();
    Actions.Execute_Compared_Img_A->setEnabled(Compared_Shown());
    Actions.Export_Compared_Img_A->setEnabled(Compared_Shown());
}

void TView_diff_frame::Update_Compare_State()
{
    QAction* compare = Actions.Compare_A;
    compare->setChecked(Compared_Shown());
    Actions.Trim_Compared_A->setEnabled(true);
    Actions.Shave_E->setEnabled(true);
    QString missing = Missing_Picture_Reason();
    compare->setEnabled(missing.isEmpty());
    if (!missing.isEmpty()) {
        compare->setToolTip(missing);
        compare->setText(QString::fromStdString(Get_Msg(cap_Image_Compare)));
        return;
    }
    const TView_Image_Frame* base = Panes->View_Image_Frame1;
    const TView_Image_Frame* modified = Panes->View_Image_Frame2;
    bool same_size = base->Picture_Width() == modified->Picture_Width() &&
                     base->Picture_Height() == modified->Picture_Height();
    compare->setText(QString::fromStdString(
        Get_Msg(same_size ? cap_Image_Compare : cap_Image_Compare_Size_Is_Different)));
    compare->setToolTip(compare->text() + QStringLiteral(" (Ctrl+M)"));
}

QString TView_diff_frame::Missing_Picture_Reason() const
{
    for (const TView_Image_Frame* pane : {Panes->View_Image_Frame1, Panes->View_Image_Frame2}) {
        if (pane->View_Mode() != T_View_Mode::None && pane->Picture_Width() > 0)
            continue;
        QString side =
            pane == Panes->View_Image_Frame1 ? QStringLiteral("base") : QStringLiteral("modified");
        return pane->Is_Missing_Version()
                   ? QStringLiteral("Nothing to compare: the %1 version does not exist.").arg(side)
                   : QStringLiteral("Nothing to compare: the %1 version could not be shown.")
                         .arg(side);
    }
    return {};
}

void TView_diff_frame::Set_Compared_Row(bool Shown) { Panes->Set_Compared_Row(Shown); }

void TView_diff_frame::Show_Compared(const std::string& File) { Panes->Show_Compared(File); }

void TView_diff_frame::Hide_Compared()
{
    Panes->Hide_Compared();
    Set_Busy(false);
}

void TView_diff_frame::Start_Run(const QString& Activity, T_Background_Run::T_Work Work,
                                 T_Background_Run::T_Finished Ended)
{
    ++Running;
    Set_Busy(true);
    Progress = std::make_unique<T_Run_Progress>(isVisible() ? window() : nullptr, Activity, [this] {
        if (Run)
            Run->Stop();
    });
    Run = std::make_unique<T_Background_Run>(
        this, std::move(Work), [this, ended = std::move(Ended)](const T_Work_Result& Result) {
            // The report is a copy of its own: the run may go before it.
            Run.reset();
            Progress.reset();
            // The busy state ends also when showing the result throws.
            auto end = [this] {
                --Running;
                if (ViewMode() != T_View_Mode::None)
                    Set_Busy(false);
            };
            try {
                ended(Result);
            } catch (...) {
                end();
                throw;
            }
            end();
            Finish_Pending_Close();
        });
}

void TView_diff_frame::Recompare()
{
    if (Run)
        return;
    // The inputs are taken here, where the pictures live (one may be
    // written out as a PNG); the worker only runs the converter.
    const T_Compare_Input left = Compare_Input(true);
    const T_Compare_Input right = Compare_Input(false);
    Session().Trim = Trim_Checked();
    Session().Shave = Shave_Value();
    // What a handler throws the application shows as such; the converter
    // throws on its thread, where the program's handler does not reach.
    auto thrown = std::make_shared<std::string>();
    Start_Run(
        QStringLiteral("Comparing..."),
        [this, left, right, thrown](T_Run_Watch& Watch) {
            try {
                return Compare_Images(Session(), left, right, &Watch);
            } catch (const std::exception& error) {
                *thrown = error.what();
                return T_Work_Result::Failure(error.what());
            }
        },
        [this, thrown](const T_Work_Result& Compared) {
            if (Compared.Done())
                Show_Compared(Compared.File);
            else if (!thrown->empty())
                Show_Exception(*thrown);
            else
                Report(Compared);
        });
}

void TView_diff_frame::Request_Close()
{
    Close_Pending = true;
    if (Run)
        Run->Stop();
}

void TView_diff_frame::Finish_Pending_Close()
{
    if (Close_Pending && Running == 0 && CloseHandler) {
        Close_Pending = false;
        CloseHandler(this);
    }
}

void TView_diff_frame::Fit_AExecute()
{
    Panes->Toggle_Fit();
    Actions.Fit_A->setChecked(ViewMode() == T_View_Mode::Fit);
    Update_Status();
}

void TView_diff_frame::Compare_AExecute()
{
    if (Run)
        return;
    if (Compared_Shown())
        Hide_Compared();
    else
        Recompare();
}

void TView_diff_frame::Trim_Compared_AExecute()
{
    // The action's check has already been inverted by the click.
    if (Compared_Shown())
        Recompare();
}

void TView_diff_frame::Sync_Pages_AExecute()
{
    // The check is read at each page switch.
}

void TView_diff_frame::Execute_Compared_Img_AExecute()
{
    if (Compared_Shown() && Running == 0)
        if (std::string error;
            !Open_With_Associated(Panes->View_Image_Frame3->Get_File_Name(), error))
            Show_Msg(error);
}

void TView_diff_frame::Export_Compared_Img_AExecute()
{
    SaveDialog1->DefaultExt = QStringLiteral("png");
    SaveDialog1->Filter = QStringLiteral("PNG (*.png)");
    SaveDialog1->FileName = QString::fromStdString(Suggested_Export_Name(
        Session().RightFile, Session().Is_Paged() ? Session().Page(T_Side::Right) : -1));
    if (!Compared_Shown() || Running != 0 || !SaveDialog1->Execute(this))
        return;
    std::string target = SaveDialog1->FileName.toStdString();
    // The export never takes the place of a version being compared (or of
    // a device), whatever the dialog was told.
    std::error_code error;
    const std::filesystem::path chosen = os::Utf8_Path(target);
    const std::filesystem::file_status status = std::filesystem::status(chosen, error);
    bool refused = std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
    for (const std::string* version : {&Session().LeftFile, &Session().RightFile})
        refused = refused || std::filesystem::equivalent(chosen, os::Utf8_Path(*version), error);
    if (refused) {
        Show_Msg("The compared image cannot be saved over a file being compared:\r\n" + target);
        return;
    }
    if (Panes->View_Image_Frame3->Copy_File_To(target)) {
        // An export is the user's own file, not one of the program's private ones.
        os::Give_User_Permissions(target);
        Show_In_Folder(target);
    }
}

void TView_diff_frame::About_AExecute()
{
    if (About_Handler)
        About_Handler();
}

void TView_diff_frame::Close_AExecute()
{
    if (CloseHandler)
        CloseHandler(Actions.Close_A);
}

void TView_diff_frame::Shave_EExit() { Actions.Clean_Shave(); }

// ---- Page navigation

void TView_diff_frame::Left_Page_Change(int Page_Index) { Page_Change(T_Side::Left, Page_Index); }

void TView_diff_frame::Right_Page_Change(int Page_Index) { Page_Change(T_Side::Right, Page_Index); }

void TView_diff_frame::Show_Side_Picture(T_Side Side)
{
    TView_Image_Frame* pane =
        Side == T_Side::Left ? Panes->View_Image_Frame1 : Panes->View_Image_Frame2;
    pane->Reload_File(Model_->Display(Side), Model_->Picture(Side));
}

void TView_diff_frame::Page_Change(T_Side Side, int Page_Index)
{
    // The other strip's tab moved by the switch below calls back here. The
    // tabs are disabled while a comparison runs, which reads the pages the
    // session shows; a switch asked for anyway is not carried out then.
    if (Following_Page || Run)
        return;
    const T_Side other_side = Side == T_Side::Left ? T_Side::Right : T_Side::Left;
    TDiff_Pagelist_Frame* other_tabs = Side == T_Side::Left ? RightTabs : LeftTabs;
    int other_page = -1;
    if (Actions.Sync_Pages_A->isChecked() && other_tabs) {
        other_page = Session().Counterpart(Side, Page_Index);
        if (other_page == Session().Page(other_side))
            other_page = -1;
    }
    const int left = Side == T_Side::Left ? Page_Index : other_page;
    const int right = Side == T_Side::Left ? other_page : Page_Index;
    // An exporter driving an application of its own is driven from this
    // thread alone: a page that fails to export leaves the side on its
    // previous page, while its tab strip shows the new tab; the other side
    // then stays.
    if (!Model_->Draws_Pages_Apart()) {
        Report(Model_->Show_Pages(left, right));
        const bool moved = Session().Page(Side) == Page_Index;
        if (moved)
            Show_Side_Picture(Side);
        if (other_page >= 0 && Session().Page(other_side) == other_page) {
            {
                QScopedValueRollback<bool> following(Following_Page, true);
                other_tabs->Select_Index(other_page);
            }
            Show_Side_Picture(other_side);
        }
        if (moved)
            Show_Switched_Pages();
        return;
    }
    // The tabs move at once; the pages are drawn in the background, and
    // only the last switch asked for is shown.
    if (other_page >= 0) {
        QScopedValueRollback<bool> following(Following_Page, true);
        other_tabs->Select_Index(other_page);
    }
    for (auto [side, page] : {std::pair{T_Side::Left, left}, std::pair{T_Side::Right, right}})
        if (page >= 0)
            Show_Page_Placeholder(side, page);
    Panes->Show_Blend_Pictures();
    Page_Switch_->Request(left, right);
}

bool TView_diff_frame::Drawing_Pages() const { return Page_Switch_ && Page_Switch_->Busy(); }

void TView_diff_frame::Show_Page_Placeholder(T_Side Side, int Page_Index)
{
    TView_Image_Frame* pane =
        Side == T_Side::Left ? Panes->View_Image_Frame1 : Panes->View_Image_Frame2;
    T_Loaded_Picture sheet;
    sheet.Image = Page_Placeholder(Session(), Side, Page_Index,
                                   QSize(pane->Picture_Width(), pane->Picture_Height()));
    if (sheet.Image.isNull())
        return;
    sheet.Result = T_Picture_Load_Result::Loaded;
    pane->Reload_File(std::string(), sheet);
    // The marks found on the page before belong to it, not to this one.
    if (pane->Image1)
        pane->Image1->Set_Change_Frames({});
}

void TView_diff_frame::Show_Drawn_Pages(T_Drawn_Pages Drawn)
{
    // A page that fails to draw leaves the side on its previous page, and
    // its tab strip goes back to that page.
    const T_Work_Result shown = Model_->Take_Pages(Drawn);
    bool moved = false;
    for (T_Side side : {T_Side::Left, T_Side::Right}) {
        const int asked = Drawn.Page[side == T_Side::Left ? 0 : 1];
        if (asked < 0)
            continue;
        moved = moved || Session().Page(side) == asked;
        Show_Side_Picture(side);
        TDiff_Pagelist_Frame* tabs = side == T_Side::Left ? LeftTabs : RightTabs;
        if (Session().Page(side) != asked && tabs && Session().Page(side) >= 0) {
            QScopedValueRollback<bool> following(Following_Page, true);
            tabs->Select_Index(Session().Page(side));
        }
    }
    Report(shown);
    Panes->Show_Blend_Pictures();
    if (moved)
        Show_Switched_Pages();
}

void TView_diff_frame::Show_Switched_Pages()
{
    Panes->Show_Blend_Pictures();
    Refresh_Differences();
    if (Compared_Shown())
        Recompare();
    else
        Update_Compare_State();
}

void TView_diff_frame::Sync_Scroll(TMyScrollBox* Sender) { Panes->Sync_Scroll(Sender); }

void TView_diff_frame::Copy_Scroll_Pos(TMyScrollBox* From, TMyScrollBox* To)
{
    T_Pane_Synchronizer::Copy_Position(From, To);
}

// ---- The View row, through its controller

double TView_diff_frame::Current_Scale() const { return Panes->Current_Scale(); }

void TView_diff_frame::Zoom_To(double Zoom, TView_Image_Frame* Pane, const QPoint& At)
{
    View_Row->Zoom_To(Zoom, Pane, At);
}

void TView_diff_frame::Zoom_In() { View_Row->Zoom_In(); }

void TView_diff_frame::Zoom_Out() { View_Row->Zoom_Out(); }

void TView_diff_frame::Zoom_100() { View_Row->Zoom_100(); }

void TView_diff_frame::Show_Layout(T_Pane_Layout Layout) { View_Row->Show_Layout(Layout); }

void TView_diff_frame::Blink_Pause_Or_Toggle() { Panes->Blink_Pause_Or_Toggle(); }

void TView_diff_frame::Step_Opacity(int Percent) { View_Row->Step_Opacity(Percent); }

void TView_diff_frame::Step_Divider(int Direction) { Panes->Step_Divider(Direction); }

void TView_diff_frame::Nudge_Offset(const QPoint& Step) { View_Row->Nudge_Offset(Step); }

void TView_diff_frame::Reset_Offset() { View_Row->Reset_Offset(); }

void TView_diff_frame::Update_Status()
{
    if (Status_Line)
        Status_Line->Update();
}

void TView_diff_frame::Refresh_Differences()
{
    if (!Changes)
        return;
    Changes->Refresh_Differences();
    // Pages that were not drawn cannot be judged: their tabs say so.
    if (const std::string& failure = Model().Drawing_Failure(); !failure.empty())
        for (TDiff_Pagelist_Frame* tabs : {LeftTabs, RightTabs})
            if (tabs)
                Mark_Undrawn_Page(*tabs->TabControl1, tabs->TabControl1->currentIndex(),
                                  QString::fromStdString(failure));
}

const T_Difference* TView_diff_frame::Differences() const { return Changes->Differences(); }

void TView_diff_frame::Step_Change(int Direction) { Changes->Step_Change(Direction); }

int TView_diff_frame::Current_Change() const { return Changes->Current_Change(); }

void TView_diff_frame::Show_Change(int Index) { Changes->Go_To_Change(Index); }

void TView_diff_frame::Add_Changes_Listener(QObject* Context, std::function<void()> Listener)
{
    Changes->Add_Listener(Context, std::move(Listener));
}

void TView_diff_frame::Add_To_Changes_Row(QAction* Action) { Actions.ToolBar3->addAction(Action); }
