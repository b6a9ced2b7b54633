// The files of two folders as a version-control client's folder comparison
// hands them over, for review: each with its verdict and measure, identical
// ones hidden on request; opening a row shows the usual comparison window
// (a file on one side only against the null device), and closing it returns
// to the list.
#pragma once

#include "session/folder_comparison.h"
#include "session/row_workers.h"
#include "app/u_diff_launcher.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class T_Folder_List_F : public QDialog {
public:
    enum T_Column { Path_Column, Verdict_Column, Pixels_Column, Share_Column, Regions_Column };

    // Lists the files at once; the change of each pair present on both
    // sides is measured on Workers other threads (several pairs at once),
    // through the same pair pipeline as the window and --compare, and
    // filled in as it is known.
    T_Folder_List_F(std::string Old_Folder, std::string New_Folder, T_Launch_Hooks Hooks,
                    QWidget* parent = nullptr, unsigned Workers = Default_Workers());
    ~T_Folder_List_F() override;

    QTreeWidget* Files_L = nullptr;
    QCheckBox* Hide_Identical_C = nullptr;
    QLabel* Progress_L = nullptr; // "Comparing 12 of 200 ...", then the summary
    QLabel* Hint_L = nullptr;

    // Opens the comparison window of a row's pair, captioned with its path;
    // the row is current and selected again when the window is closed.
    void Open_Row(QTreeWidgetItem* Row);
    // The comparison's rows, and the verdict of each once measured.
    const std::vector<T_Folder_Row>& Rows() const { return Comparison.Rows(); }
    const std::vector<std::optional<T_Pair_Outcome>>& Outcomes() const { return Outcomes_; }
    bool Measured() const { return Measured_Rows == Comparison.Rows().size(); }
    // The list's item of the comparison's row of that name; nullptr when none.
    QTreeWidgetItem* Item_Of(const std::string& Name) const;

private:
    void Measure(std::size_t Row);
    void Show_Outcome(std::size_t Row, const T_Pair_Outcome& Outcome);
    void Show_Progress();
    // Hides or shows a row by the checkbox; the current row is left visible
    // while it is measured, so that nothing vanishes under the cursor.
    void Apply_Filter(QTreeWidgetItem* Item, bool Keep_Current);
    void Apply_Filter_To_All();

    T_Folder_Comparison Comparison;
    T_Launch_Hooks Hooks_;
    std::vector<std::optional<T_Pair_Outcome>> Outcomes_;
    std::vector<QTreeWidgetItem*> Row_Items; // one per row of the comparison
    std::size_t Measured_Rows = 0;
    std::unique_ptr<T_Row_Workers> Workers_;
};

// Shows the list of two folders modally; 0 when it was closed.
int Show_Folder_List(const std::string& Old_Folder, const std::string& New_Folder,
                     const T_Launch_Hooks& Hooks);
