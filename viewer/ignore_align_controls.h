// The changes row's last controls: parts of the base picture the
// differences leave out (loaded from a rectangles file or a mask picture,
// drawn hatched in every pane), and how the modified picture is laid on the
// base before it is compared (the one-pane views then show it laid so, and
// the status line says what was done).
#pragma once

#include "differences/picture_alignment.h"

#include <QRegion>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QObject;
class QComboBox;
class QToolBar;
class QToolButton;
class QWidget;
class T_Change_Navigator;
class T_Comparison_Model;
class T_Diff_Status_Line;
class T_File_Dialog;
class T_Pane_Grid;
struct T_Aligned_Difference;
struct T_Ignore_Areas;

// The rectangles and the mask's ignored pixels as one region, in the base's
// pixels.
QRegion Ignored_Region(const T_Ignore_Areas& Areas);

class T_Ignore_Align_Controls {
public:
    // Adds the controls at the end of Row. Refresh asks for the differences
    // again once a setting changed.
    T_Ignore_Align_Controls(QToolBar& Row, T_Pane_Grid& Panes, T_Change_Navigator& Changes,
                            T_Diff_Status_Line& Status_Line, std::function<void()> Refresh);
    ~T_Ignore_Align_Controls();
    T_Ignore_Align_Controls(const T_Ignore_Align_Controls&) = delete;
    T_Ignore_Align_Controls& operator=(const T_Ignore_Align_Controls&) = delete;

    void Set_Model(T_Comparison_Model* Model) { Model_ = Model; }

    // Replaces the ignore regions by those of the file at Path: a mask
    // picture, or a text file of "X,Y,W,H" lines. A file that cannot be used
    // is reported in a message naming it and leaves the regions as they were.
    bool Load_Ignore(const QString& Path);
    void Clear_Ignore();
    // Asks for a file to load (the button's click).
    void Choose_Ignore_File();
    // Rectangles, and a mask as one more.
    int Ignore_Count() const;

    // The open dialog; tests put one in that answers by itself.
    std::unique_ptr<T_File_Dialog> Open_Dialog;

    QToolButton* Ignore_B = nullptr;
    QAction* Load_Ignore_A = nullptr;
    QAction* Clear_Ignore_A = nullptr;
    QComboBox* Align_C = nullptr;

private:
    void Align_Chosen();
    // Runs whenever the differences may have changed: takes over a new
    // alignment and marks the ignored parts in the panes again (a pane may
    // have a new picture).
    void Follow_Differences();
    void Apply_Alignment(const T_Aligned_Difference* Aligned);
    void Mark_Ignored();
    QString Ignore_Status() const;
    QString Align_Status() const;
    QWidget* View() const;

    T_Pane_Grid& Panes_;
    T_Change_Navigator& Changes_;
    T_Diff_Status_Line& Status_Line_;
    std::function<void()> Refresh_;
    // Lives as long as these controls: the changes' listener goes with it.
    std::unique_ptr<QObject> Alive_;
    T_Comparison_Model* Model_ = nullptr;
    QRegion Ignored_;
    // The result whose alignment the panes show; compared by identity only.
    const T_Aligned_Difference* Applied_ = nullptr;
    // The offset was set by the alignment, not by the user.
    bool Offset_From_Alignment = false;
    bool Following = false;
};
