// The main window that holds one comparison.
#pragma once

#include "vocabulary/document_kinds.h"
#include "app/pair_request.h"
#include "app/gui/reopen_state.h"

#include <QDialog>

#include <functional>
#include <string>

class QAction;
class T_Change_List;
class T_File_Change_Bar;
struct T_Pair_Drop;
class TView_diff_frame;

// The window around the diff view: caption "Diff", no minimizing, at least
// 400 x 200. Closing it while the converter runs stops the converter first.
class TDiff_F : public QDialog {
public:
    TDiff_F(const std::string& left, const std::string& left_caption, const std::string& right,
            const std::string& right_caption, T_Converter_Kind converter_kind,
            T_Paged_Kind paged_kind, QWidget* parent = nullptr);

    ~TDiff_F() override;

    TView_diff_frame* View = nullptr;
    // The change list beside the view, in a splitter: the window is a
    // dialog (it runs modally), which has no dock areas.
    T_Change_List* Change_List = nullptr;
    // The checkable action that shows and hides the change list.
    QAction* Change_List_Action() const;
    // Ends the program once the window has closed after Quit; by default it
    // closes every other window (the folder list), as the user would.
    std::function<void()> On_Quit;
    // Closes the window as Close does, then runs On_Quit.
    void Quit_Program();

    // The pair as the user named it (not the private copy a paged base is
    // shown from): the files watched for changes on disk, and the version
    // kept when one file is dropped. By default the files shown.
    void Set_User_Pair(const std::string& Left, const std::string& Right);
    // The bar that says a file changed on disk; hidden until one does.
    T_File_Change_Bar* Change_Bar = nullptr;
    // Closes the window asking for Request to be opened next; while work
    // runs it says so and returns false instead.
    bool Request_Pair(const T_Pair_Request& Request);
    // File > Open pair...: asks for two files, starting from the pair
    // shown, and opens them as Request_Pair does; Cancel keeps this pair.
    void Open_Other_Pair();
    // Opens what was dropped, or says why not.
    void Pair_Dropped(const T_Pair_Drop& Drop);
    // What the window asked for as it closed (None: closed for good), and
    // how it looked then.
    T_Pair_Request Next_Request;
    T_Reopen_State Reopen_State;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // The change list, the menus and the bars around the view, once its
    // pair is open (or failed to open).
    void Build_Around_View(const std::string& Left, const std::string& Right);

    bool Quitting = false;
    std::string User_Left;
    std::string User_Right;
};

// Creates the main window for the pair and shows it maximized and modally
// once the pair is open; returns when it has been closed, or as soon as the
// view could not be set up (its failure has been reported then).
bool Show_Diff_Form(const std::string& left, const std::string& left_caption,
                    const std::string& right, const std::string& right_caption,
                    T_Converter_Kind converter_kind, T_Paged_Kind paged_kind);

// Gives the next window Show_Diff_Form opens the user's names of its pair.
void Announce_Diff_Pair(const std::string& left, const std::string& right);
// Runs Up once the next window Show_Diff_Form opens is on the screen; a
// window that could not be set up forgets it.
void Expect_Diff_Form_Up(std::function<void()> Up);
// What the last window Show_Diff_Form showed asked to open next; the next
// window then takes its place and, for the same files, its view.
T_Pair_Request Take_Diff_Form_Request();
// True when the last window Show_Diff_Form showed still held a version it
// could not read as it closed.
bool Last_Diff_Form_Version_Unread();
