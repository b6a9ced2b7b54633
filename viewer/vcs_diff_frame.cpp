#include "vcs_diff_frame.h"

#include "U_Msg.h"
#include "U_ShellOp.h"
#include "os_platform.h"
#include "difference_task.h"
#include "drawn_pages.h"
#include "file_names.h"
#include "page_pairing_task.h"
#include "page_tab_marks.h"
#include "u_blend_frame.h"
#include "u_image_compare.h"
#include "u_pane_synchronizer.h"
#include "u_zoom.h"
#include "u_run_progress.h"
#include "vcs_diff_pagelist_frame.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>
#include <future>

namespace {

const std::string Missing_Version_Caption = "(none)";

// A page drawn a moment ago is taken as it was drawn; anything else is
// decoded from its file.
T_Loaded_Picture Load_Shown_Picture(const std::string& File, const std::string& Hint = {})
{
    QImage drawn = Take_Drawn_Page(File);
    if (drawn.isNull())
        return Load_Picture(File, Hint);
    T_Loaded_Picture picture;
    picture.Result = T_Picture_Load_Result::Loaded;
    picture.Image = drawn;
    picture.Stored_Size = drawn.size();
    picture.Qt_Format = "png"; // what the file holds, for the converter
    return picture;
}

// The integer value of a field's text; false when it is not an integer.
bool Parse_Integer(const QString& text, int& value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

} // namespace

// Accepts digits and signs while typing; the rule is applied when the field
// is left (or Enter is pressed), not keystroke by keystroke, so the user can
// type over the value freely.
class T_Shave_Edit : public QSpinBox {
public:
    explicit T_Shave_Edit(QWidget* parent) : QSpinBox(parent) {}
    std::function<void()> On_Exit;
    // The value the field holds outside an edit; Escape returns to it.
    void Commit() { Value_Before_Edit = value(); }

protected:
    QValidator::State validate(QString& text, int&) const override
    {
        for (QChar c : text)
            if (!c.isDigit() && c != QLatin1Char('+') && c != QLatin1Char('-') &&
                c != locale().decimalPoint().front())
                return QValidator::Invalid;
        int value = 0;
        return Parse_Integer(text, value) && value >= minimum() && value <= maximum()
                   ? QValidator::Acceptable
                   : QValidator::Intermediate;
    }
    void fixup(QString&) const override {}
    void focusInEvent(QFocusEvent* event) override
    {
        Commit();
        QSpinBox::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        if (On_Exit)
            On_Exit();
        Commit();
        QSpinBox::focusOutEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // Escape abandons the edit; it must not reach the window, where it
        // would close the comparison.
        if (event->key() == Qt::Key_Escape) {
            setValue(Value_Before_Edit);
            lineEdit()->setText(textFromValue(Value_Before_Edit));
            event->accept();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && On_Exit)
            On_Exit();
        QSpinBox::keyPressEvent(event);
    }

private:
    int Value_Before_Edit = 0;
};

TView_diff_frame::TView_diff_frame(QWidget* Owner, const std::string& Left_File,
                                   const std::string& Left_Caption, const std::string& Right_File,
                                   const std::string& Right_Caption, TNotifyEvent Close_Handler,
                                   T_Converter_Kind Converter_Kind, T_Paged_Kind Paged_Kind,
                                   T_Exporter_Factory Make_Exporter)
    : QWidget(Owner), SaveDialog1(std::make_unique<T_File_Dialog>(T_File_Dialog::T_Kind::Save))
{
    Build_Controls();
    CloseHandler = std::move(Close_Handler);
    Close_A->setVisible(static_cast<bool>(CloseHandler));
    Session_ = std::make_unique<T_Diff_Session>(
        Left_File, Right_File, Converter_Kind, Paged_Kind,
        T_Session_Seams{std::move(Make_Exporter), [this] { return Keep_Going(); }});
    ViewMode_ = T_View_Mode::Actual_Size;
    if (!Open_Session()) {
        Unload();
        return;
    }
    Show_Page_Tabs();
    Load_Panes(Left_Caption, Right_Caption.empty() ? Right_File : Right_Caption);
    Set_Busy(false);
    Set_Shave_Limit();
    Set_Compared_Row(false);
    Update_Status();
    // The background work starts once the window is up: until then both
    // cores belong to what the user waits for.
    QTimer::singleShot(0, this, [this] {
        if (ViewMode_ == T_View_Mode::None)
            return;
        Start_Content_Pairing();
        Refresh_Differences();
    });
    // Keys scroll the base version; the shave field is not where typing starts.
    if (View_Image_Frame1->ScrollBox1)
        View_Image_Frame1->ScrollBox1->setFocus();
}

TView_diff_frame::~TView_diff_frame() { Unload(); }

bool TView_diff_frame::Open_Session()
{
    T_Work_Result opened;
    if (Session_->ConverterKind != T_Converter_Kind::None) {
        QString name = QString::fromStdString(File_Name_Part(Session_->RightFile));
        Run_Guarded(QStringLiteral("Converting %1...").arg(name),
                    [&] { opened = Session_->Open(); });
    } else {
        opened = Session_->Open();
    }
    Report(opened);
    Open_Stopped_ = opened.Stopped();
    return opened.Done();
}

void TView_diff_frame::Show_Page_Tabs()
{
    if (!Session_->Is_Paged())
        return;
    LeftTabs = View_Image_Frame1->Create_Page_Tabs();
    RightTabs = View_Image_Frame2->Create_Page_Tabs();
    LeftTabs->Fill_Pages(Session_->Pages(T_Side::Left));
    RightTabs->Fill_Pages(Session_->Pages(T_Side::Right));
    LeftTabs->On_Page_Change = [this](std::int32_t page) { Left_Page_Change(page); };
    RightTabs->On_Page_Change = [this](std::int32_t page) { Right_Page_Change(page); };
}

void TView_diff_frame::Start_Content_Pairing()
{
    if (Session_->PagedKind != T_Paged_Kind::Pdf)
        return;
    Pairing_Task = std::make_unique<T_Page_Pairing_Task>(
        this, Session_->LeftFile, Session_->RightFile,
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
    Mark_Page_Tabs(*LeftTabs->TabControl1, T_Side::Left, Pairing.Left, Pairing.Pairs.Left_To_Right,
                   RightTabs->Page_List());
    Mark_Page_Tabs(*RightTabs->TabControl1, T_Side::Right, Pairing.Right,
                   Pairing.Pairs.Right_To_Left, LeftTabs->Page_List());
    Session_->Set_Content_Pairing(std::move(Pairing));
}

void TView_diff_frame::Load_Panes(const std::string& Left_Caption, const std::string& Right_Caption)
{
    auto sync = [this](TMyScrollBox* sender) { Sync_Scroll(sender); };
    const std::string left_display = Session_->Left_Display;
    const std::string right_display = Session_->Right_Display;
    // The base version is read with the modified file's format as a hint, so
    // a base file without its format's extension still loads.
    // A null device stands for a version that does not exist (a file added
    // or deleted in version control): its pane stays empty.
    bool left_exists = !os::Is_Null_Device(Session_->LeftFile);
    bool right_exists = !os::Is_Null_Device(Session_->RightFile);
    // Both pictures decode at the same time, on two cores: the window then
    // waits only for the slower one.
    std::future<T_Loaded_Picture> left_picture;
    if (left_exists)
        left_picture = std::async(std::launch::async, [left_display, hint = Session_->RightFile] {
            return Load_Shown_Picture(left_display, hint);
        });
    if (right_exists)
        View_Image_Frame2->Load_File(right_display, Right_Caption,
                                     Load_Shown_Picture(right_display), sync);
    else
        View_Image_Frame2->Show_Missing_Version(Missing_Version_Caption, sync);
    if (left_exists)
        View_Image_Frame1->Load_File(left_display, Left_Caption, left_picture.get(), sync);
    else
        View_Image_Frame1->Show_Missing_Version(Missing_Version_Caption, sync);
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

    ToolBar1 = new QToolBar(this);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar1->setMovable(false);
    layout->addWidget(ToolBar1);

    auto add = [this](const char* caption, void (TView_diff_frame::*handler)(), bool wide) {
        QAction* action = new QAction(QString::fromLatin1(caption), this);
        ToolBar1->addAction(action);
        connect(action, &QAction::triggered, this, handler);
        if (wide)
            ToolBar1->widgetForAction(action)->setMinimumWidth(127);
        return action;
    };
    Fit_A = add("Fit to window", &TView_diff_frame::Fit_AExecute, false);
    Fit_A->setCheckable(true);
    ToolBar1->addSeparator();
    Compare_A = add("Compare_A", &TView_diff_frame::Compare_AExecute, false);
    Compare_A->setCheckable(true);
    // Ctrl+M works wherever the focus is in this view, not on the toolbar alone.
    Compare_A->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    Compare_A->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(Compare_A);
    Trim_Compared_A = add("Trim compared", &TView_diff_frame::Trim_Compared_AExecute, true);
    Trim_Compared_A->setCheckable(true);

    auto* shave = new T_Shave_Edit(ToolBar1);
    shave->On_Exit = [this] { Shave_EExit(); };
    Shave_E = shave;
    Shave_E->setRange(0, INT_MAX); // no limit until the first picture is known
    Shave_E->setValue(15);
    shave->Commit();
    Shave_E->setFixedWidth(60);
    Shave_E->setToolTip(QStringLiteral("Pixels shaved off every edge before trimming"));
    ToolBar1->addWidget(Shave_E);
    ToolBar1->addSeparator();
    Sync_Pages_A = add("Sync pages", &TView_diff_frame::Sync_Pages_AExecute, false);
    Sync_Pages_A->setCheckable(true);
    Sync_Pages_A->setChecked(true);
    ToolBar1->addSeparator();
    Execute_Compared_Img_A =
        add("Execute compared image", &TView_diff_frame::Execute_Compared_Img_AExecute, true);
    ToolBar1->addSeparator();
    Export_Compared_Img_A =
        add("Export compared image", &TView_diff_frame::Export_Compared_Img_AExecute, true);
    ToolBar1->addSeparator();
    About_A = add("About", &TView_diff_frame::About_AExecute, true);
    ToolBar1->addSeparator();
    Close_A = add("Close", &TView_diff_frame::Close_AExecute, true);

    auto* grid_panel = new QWidget(this);
    GridPanel1 = new QGridLayout(grid_panel);
    GridPanel1->setContentsMargins(0, 0, 0, 0);
    GridPanel1->setSpacing(2);
    View_Image_Frame1 = new TView_Image_Frame(grid_panel);
    View_Image_Frame2 = new TView_Image_Frame(grid_panel);
    View_Image_Frame3 = new TView_Image_Frame(grid_panel);
    View_Image_Frame4 = new T_Blend_Frame(grid_panel);
    GridPanel1->addWidget(View_Image_Frame1, 0, 0);
    GridPanel1->addWidget(View_Image_Frame2, 0, 1);
    GridPanel1->addWidget(View_Image_Frame3, 1, 0);
    // The one-pane views span the width where the two versions were.
    GridPanel1->addWidget(View_Image_Frame4, 0, 0, 1, 2);
    GridPanel1->setColumnStretch(0, 1);
    GridPanel1->setColumnStretch(1, 1);
    View_Image_Frame3->setVisible(false);
    View_Image_Frame4->setVisible(false);
    layout->addWidget(grid_panel, 1);
    Synchronizer = std::make_unique<T_Pane_Synchronizer>(std::vector<TView_Image_Frame*>{
        View_Image_Frame1, View_Image_Frame2, View_Image_Frame3, View_Image_Frame4});
    for (TView_Image_Frame* pane : {View_Image_Frame1, View_Image_Frame2, View_Image_Frame3,
                                    static_cast<TView_Image_Frame*>(View_Image_Frame4)}) {
        pane->On_Zoom_Wheel = [this](TView_Image_Frame* from, int steps, QPoint at) {
            double zoom = Current_Scale();
            for (int step = 0; step < std::abs(steps); ++step)
                zoom = steps > 0 ? Zoomed_In(zoom) : Zoomed_Out(zoom);
            Zoom_To(zoom, from, at);
        };
        pane->On_Hover = [this](TView_Image_Frame* from, QPointF at) { Hover(from, at); };
    }
    Build_View_Row(layout);
}

void TView_diff_frame::Set_Save_Dialog(std::unique_ptr<T_File_Dialog> Dialog)
{
    SaveDialog1 = std::move(Dialog);
}

bool TView_diff_frame::Compared_Shown() const { return !View_Image_Frame3->isHidden(); }

bool TView_diff_frame::Trim_Checked() const { return Trim_Compared_A->isChecked(); }

int TView_diff_frame::Shave_Value() const
{
    int value = 0;
    return Parse_Integer(Shave_E->text(), value) && value > 0 ? value : 0;
}

// The shave limit follows the base picture; where the base version does not
// exist, the modified one is the only picture to shave.
const TView_Image_Frame* TView_diff_frame::Shave_Reference() const
{
    return View_Image_Frame1->Is_Missing_Version() ? View_Image_Frame2 : View_Image_Frame1;
}

void TView_diff_frame::Set_Shave_Limit()
{
    const TView_Image_Frame* pane = Shave_Reference();
    Shave_E->setMaximum(Shave_Limit(pane->Picture_Width(), pane->Picture_Height()));
    static_cast<T_Shave_Edit*>(Shave_E)->Commit();
}

T_Compare_Input TView_diff_frame::Compare_Input(bool Left)
{
    TView_Image_Frame* pane = Left ? View_Image_Frame1 : View_Image_Frame2;
    if (pane->Picture_Width() == 0)
        return {};
    std::string word = Converter_Word_For_File(pane->Get_File_Name(), pane->Decoded_Format());
    if (!word.empty())
        return {pane->Get_File_Name(), word};
    return {pane->Picture_As_Png(), "png"};
}

void TView_diff_frame::Unload()
{
    // Closes both documents and quits the exporter's application now, not
    // when the window goes.
    Pairing_Task.reset();
    if (Session_)
        Session_->Exporter.reset();
    ViewMode_ = T_View_Mode::None;
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
        for (QAction* action : {Fit_A, Compare_A, Trim_Compared_A, Sync_Pages_A})
            action->setEnabled(false);
        Shave_E->setEnabled(false);
        if (running) {
            Execute_Compared_Img_A->setEnabled(false);
            Export_Compared_Img_A->setEnabled(false);
        }
        return;
    }
    Fit_A->setEnabled(true);
    Sync_Pages_A->setEnabled(Session_ && Session_->Is_Paged());
    Update_Compare_State();
    Execute_Compared_Img_A->setEnabled(Compared_Shown());
    Export_Compared_Img_A->setEnabled(Compared_Shown());
}

void TView_diff_frame::Update_Compare_State()
{
    Compare_A->setChecked(Compared_Shown());
    Trim_Compared_A->setEnabled(true);
    Shave_E->setEnabled(true);
    QString missing = Missing_Picture_Reason();
    Compare_A->setEnabled(missing.isEmpty());
    if (!missing.isEmpty()) {
        Compare_A->setToolTip(missing);
        Compare_A->setText(QString::fromStdString(Get_Msg(cap_Image_Compare)));
        return;
    }
    bool same_size = View_Image_Frame1->Picture_Width() == View_Image_Frame2->Picture_Width() &&
                     View_Image_Frame1->Picture_Height() == View_Image_Frame2->Picture_Height();
    Compare_A->setText(QString::fromStdString(
        Get_Msg(same_size ? cap_Image_Compare : cap_Image_Compare_Size_Is_Different)));
    Compare_A->setToolTip(Compare_A->text() + QStringLiteral(" (Ctrl+M)"));
}

QString TView_diff_frame::Missing_Picture_Reason() const
{
    for (const TView_Image_Frame* pane : {View_Image_Frame1, View_Image_Frame2}) {
        if (pane->View_Mode() != T_View_Mode::None && pane->Picture_Width() > 0)
            continue;
        QString side =
            pane == View_Image_Frame1 ? QStringLiteral("base") : QStringLiteral("modified");
        return pane->Is_Missing_Version()
                   ? QStringLiteral("Nothing to compare: the %1 version does not exist.").arg(side)
                   : QStringLiteral("Nothing to compare: the %1 version could not be shown.")
                         .arg(side);
    }
    return {};
}

void TView_diff_frame::Set_Compared_Row(bool Shown)
{
    GridPanel1->setRowStretch(0, 1);
    GridPanel1->setRowStretch(1, Shown ? 1 : 0);
}

void TView_diff_frame::Show_Compared(const std::string& File)
{
    if (Compared_Shown()) {
        View_Image_Frame3->Reload_File(File);
        return;
    }
    View_Image_Frame3->Load_File(File, "Compared image", std::string(),
                                 [this](TMyScrollBox* sender) { Sync_Scroll(sender); });
    View_Image_Frame3->Set_View_Mode(ViewMode_);
    View_Image_Frame3->Set_Zoom(Synchronizer->Zoom());
    View_Image_Frame3->setVisible(true);
    Set_Compared_Row(true);
    // Lay the grid out now, so the pane's scroll range is known before the
    // other panes take over its position.
    GridPanel1->activate();
    Sync_Scroll(View_Image_Frame3->ScrollBox1);
}

void TView_diff_frame::Hide_Compared()
{
    View_Image_Frame3->setVisible(false);
    Set_Compared_Row(false);
    Set_Busy(false);
}

void TView_diff_frame::Run_Guarded(const QString& Activity, const std::function<void()>& Work)
{
    T_Run_Progress progress(isVisible() ? window() : nullptr, Activity);
    struct T_Restore {
        TView_diff_frame* Frame;
        T_Run_Progress* Outer;
        ~T_Restore()
        {
            Frame->Progress = Outer;
            --Frame->Running;
            if (Frame->ViewMode_ != T_View_Mode::None)
                Frame->Set_Busy(false);
        }
    } restore{this, Progress};
    Progress = &progress;
    ++Running;
    Set_Busy(true);
    Work();
}

bool TView_diff_frame::Keep_Going()
{
    QCoreApplication::processEvents();
    return !Close_Pending && (!Progress || Progress->Keep_Going());
}

void TView_diff_frame::Recompare()
{
    Session_->Trim = Trim_Checked();
    Session_->Shave = Shave_Value();
    Run_Guarded(QStringLiteral("Comparing..."), [this] {
        T_Work_Result compared =
            Compare_Images(*Session_, Compare_Input(true), Compare_Input(false));
        if (compared.Done())
            Show_Compared(compared.File);
        else
            Report(compared);
    });
    Finish_Pending_Close();
}

void TView_diff_frame::Request_Close() { Close_Pending = true; }

void TView_diff_frame::Finish_Pending_Close()
{
    if (Close_Pending && Running == 0 && CloseHandler) {
        Close_Pending = false;
        CloseHandler(this);
    }
}

void TView_diff_frame::Fit_AExecute()
{
    ViewMode_ = ViewMode_ == T_View_Mode::Actual_Size ? T_View_Mode::Fit : T_View_Mode::Actual_Size;
    View_Image_Frame1->Set_View_Mode(ViewMode_);
    View_Image_Frame2->Set_View_Mode(ViewMode_);
    if (Compared_Shown())
        View_Image_Frame3->Set_View_Mode(ViewMode_);
    View_Image_Frame4->Set_View_Mode(ViewMode_);
    Fit_A->setChecked(ViewMode_ == T_View_Mode::Fit);
    Update_Status();
}

void TView_diff_frame::Compare_AExecute()
{
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
        Open_With_Associated(View_Image_Frame3->Get_File_Name());
}

void TView_diff_frame::Export_Compared_Img_AExecute()
{
    SaveDialog1->DefaultExt = QStringLiteral("png");
    SaveDialog1->Filter = QStringLiteral("PNG (*.png)");
    SaveDialog1->FileName = QString::fromStdString(Session_->RightFile + "_compared.png");
    if (!Compared_Shown() || Running != 0 || !SaveDialog1->Execute(this))
        return;
    std::string target = SaveDialog1->FileName.toStdString();
    if (View_Image_Frame3->Copy_File_To(target))
        Show_In_Folder(target);
}

void TView_diff_frame::About_AExecute()
{
    if (About_Handler)
        About_Handler();
}

void TView_diff_frame::Close_AExecute()
{
    if (CloseHandler)
        CloseHandler(Close_A);
}

void TView_diff_frame::Shave_EExit()
{
    int value = 0;
    if (!Parse_Integer(Shave_E->text(), value) || value < 0)
        value = 0;
    Shave_E->setValue(std::min(value, Shave_E->maximum()));
}

// ---- Page navigation

void TView_diff_frame::Left_Page_Change(int Page_Index) { Page_Change(T_Side::Left, Page_Index); }

void TView_diff_frame::Right_Page_Change(int Page_Index) { Page_Change(T_Side::Right, Page_Index); }

void TView_diff_frame::Page_Change(T_Side Side, int Page_Index)
{
    // A page that fails to export leaves the side on its previous page,
    // while its tab strip shows the new tab.
    T_Work_Result page = Session_->Show_Page(Side, Page_Index);
    if (!page.Done()) {
        Report(page);
        return;
    }
    bool left = Side == T_Side::Left;
    (left ? View_Image_Frame1 : View_Image_Frame2)->Reload_File(page.File);
    Show_Blend_Pictures();
    Refresh_Differences();
    TDiff_Pagelist_Frame* other = left ? RightTabs : LeftTabs;
    if (Sync_Pages_A->isChecked() && other) {
        // Pages paired by what they show follow their counterpart; a sheet
        // without one leaves the other side where it is.
        if (Session_->Content_Pairing()) {
            other->Select_Index(Session_->Content_Counterpart(Side, Page_Index));
        } else if (std::int32_t id = Session_->Page_ID(Side, Page_Index); id >= 0) {
            other->Select_Page_ID(id);
        }
    }
    if (Compared_Shown())
        Recompare();
    else
        Update_Compare_State();
}

void TView_diff_frame::Sync_Scroll(TMyScrollBox* Sender) { Synchronizer->Follow(Sender); }

void TView_diff_frame::Copy_Scroll_Pos(TMyScrollBox* From, TMyScrollBox* To)
{
    T_Pane_Synchronizer::Copy_Position(From, To);
}
