// The main window that holds one comparison.
#pragma once

#include "document_kinds.h"

#include <QDialog>

#include <functional>
#include <string>

class QAction;
class T_Change_List;
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
    void Quit();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    bool Quitting = false;
};

// Creates the main window for the pair and shows it maximized and modally;
// returns when it has been closed, or at once when the view could not be
// set up (its failure has been reported then).
bool Show_Diff_Form(const std::string& left, const std::string& left_caption,
                    const std::string& right, const std::string& right_caption,
                    T_Converter_Kind converter_kind, T_Paged_Kind paged_kind);
