// The diff view: a toolbar over three image panes (base, modified, compared),
// and the run-time state of one comparison from its start to its close.
#pragma once

#include "u_file_dialog.h"
#include "u_image_compare.h"
#include "u_multi_page_const.h"
#include "vcs_diff_frame_const.h"
#include "vcs_view_image_frame.h"

#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QGridLayout;
class QSpinBox;
class QToolBar;
class QToolButton;
class TDiff_Pagelist_Frame;
class T_Pane_Synchronizer;

// Makes the exporter of a paged kind (1 Visio, 2 KOMPAS); nullptr when the
// program has none for it, which the view reports like a missing server.
using T_Exporter_Factory =
    std::function<std::unique_ptr<T_Base_Multipage_Wrapper>(unsigned char paged_kind)>;
void Set_Exporter_Factory(T_Exporter_Factory factory);

// The shave field: an integer field that accepts any signed number while
// typing and applies its rule when left: not an integer or negative gives 0,
// then the value is kept within [0, maximum].
class T_Shave_Edit;

class TView_diff_frame : public QWidget, public T_Compare_Source {
public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    // Opens the pair: converts, or starts the exporter and shows the first
    // pages, then loads both panes. ViewMode() is 0 afterwards when that
    // failed; the failure has been reported by then.
    TView_diff_frame(QWidget* Owner, const std::string& Left_File, const std::string& Left_Caption,
                     const std::string& Right_File, const std::string& Right_Caption,
                     TNotifyEvent Close_Handler, unsigned char Converter_Kind,
                     unsigned char Paged_Kind);
    ~TView_diff_frame() override;

    std::uint8_t ViewMode() const { return ViewMode_; }
    bool Compared_Shown() const;
    // True while a converter run or a page export is in progress.
    bool Is_Running() const { return Running > 0; }
    // Asks the view to close as soon as the running work has been stopped.
    void Request_Close();
    // Shows the About box; set by the window that holds the view.
    std::function<void()> About_Handler;

    // Replaces the save dialog of "Export compared image" (tests).
    void Set_Save_Dialog(std::unique_ptr<T_File_Dialog> Dialog);

    // What the comparison engine reads and calls.
    std::string LeftImage() const override { return LeftImage_; }
    std::string RightImage() const override { return RightImage_; }
    unsigned char ConverterKind() const override { return ConverterKind_; }
    unsigned char PagedKind() const override { return PagedKind_; }
    int LeftPage() const override { return LeftPage_; }
    int RightPage() const override { return RightPage_; }
    bool Trim_Checked() const override;
    int Shave_Value() const override;
    T_Compare_Files_Cash& CompareCache() override { return CompareCache_; }
    T_Compare_Input Compare_Input(bool Left) override;
    void Show_Compared(const std::string& File) override;
    int Open_Doc(const std::string& File, int& Doc_Index, std::string& Error_Text) override;
    int Left_Picture_Width() const override;
    int Left_Picture_Height() const override;
    void Set_Shave_Max(int Maximum) override;

    void Hide_Compared();
    void Recompare();
    void Set_Busy(bool Busy);
    void Update_Compare_State();
    // Why Compare cannot run (a pane without a picture); empty when it can.
    QString Missing_Picture_Reason() const;
    void Set_Compared_Row(bool Shown);
    void Unload();

    // Page navigation and scroll synchronisation.
    bool Open_Pages(int Left_Page, int Right_Page, std::string& Left_Page_File,
                    std::string& Right_Page_File);
    bool Fetch_Page(int Doc_Index, const std::string& Prefix, TDiff_Pagelist_Frame* Tabs,
                    int Page_Index, std::string& Page_File);
    void Left_Page_Change(int Page_Index);
    void Right_Page_Change(int Page_Index);
    void Sync_Scroll(TMyScrollBox* Sender);
    static void Copy_Scroll_Pos(TMyScrollBox* From, TMyScrollBox* To);

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

    // Controls.
    QToolBar* ToolBar1 = nullptr;
    QGridLayout* GridPanel1 = nullptr;
    TView_Image_Frame* View_Image_Frame1 = nullptr; // base version
    TView_Image_Frame* View_Image_Frame2 = nullptr; // modified version
    TView_Image_Frame* View_Image_Frame3 = nullptr; // compared image
    QAction* Fit_A = nullptr;
    QAction* Compare_A = nullptr;
    QAction* Trim_Compared_A = nullptr;
    QAction* Sync_Pages_A = nullptr;
    QAction* Execute_Compared_Img_A = nullptr;
    QAction* Export_Compared_Img_A = nullptr;
    QAction* About_A = nullptr;
    QAction* Close_A = nullptr;
    QSpinBox* Shave_E = nullptr;
    TDiff_Pagelist_Frame* LeftTabs = nullptr;
    TDiff_Pagelist_Frame* RightTabs = nullptr;

    // State.
    std::string LeftFile;
    std::string RightFile;
    std::unique_ptr<T_Base_Multipage_Wrapper> Exporter;
    int LeftDoc = -1;
    int RightDoc = -1;

private:
    void Build_Controls();
    bool Open_Inputs(std::string& Left_Display, std::string& Right_Display);
    void Page_Change(bool Left, int Page_Index);
    // Runs work that waits for a child or a server: the controls that could
    // start more work stay disabled, a close request stops the child, and
    // the busy state ends also when the work throws.
    // While the wait lasts, a small window names the work (Activity) and
    // offers Cancel, which stops the child like a close request does.
    void Run_Guarded(const QString& Activity, const std::function<void()>& Work);
    void Finish_Pending_Close();
    const TView_Image_Frame* Shave_Reference() const;

    std::string LeftImage_;
    std::string RightImage_;
    unsigned char ConverterKind_ = 0;
    unsigned char PagedKind_ = 0;
    int LeftPage_ = -1;
    int RightPage_ = -1;
    std::uint8_t ViewMode_ = 0;
    T_Compare_Files_Cash CompareCache_;
    TNotifyEvent CloseHandler;
    std::unique_ptr<T_File_Dialog> SaveDialog1;
    std::unique_ptr<T_Pane_Synchronizer> Synchronizer;
    int Running = 0;
    bool Close_Pending = false;
};
