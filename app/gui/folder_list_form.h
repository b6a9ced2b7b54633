// The files of two folders that differ, are added or are removed, as a
// version-control client's folder comparison hands them over; opening one
// shows the usual comparison window, and closing it returns to the list.
#pragma once

#include "folder_comparison.h"
#include "u_diff_launcher.h"

#include <QDialog>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

class QTreeWidget;
class QTreeWidgetItem;

class T_Folder_List_F : public QDialog {
public:
    // Lists the files at once; the change of each pair present on both
    // sides is measured on another thread, through the same pair pipeline
    // as the window and --compare, and filled in as it is known.
    T_Folder_List_F(std::string Old_Folder, std::string New_Folder, T_Launch_Hooks Hooks,
                    QWidget* parent = nullptr);
    ~T_Folder_List_F() override;

    QTreeWidget* Files_L = nullptr;

    // Opens the comparison window of a row's pair (nothing for a file that
    // is on one side only).
    void Open_Row(QTreeWidgetItem* Row);
    // The verdict of each row once measured, in the rows' order.
    const std::vector<std::optional<T_Pair_Outcome>>& Outcomes() const { return Outcomes_; }
    bool Measured() const { return Measured_Rows == Comparison.Rows().size(); }

private:
    void Measure();
    void Show_Outcome(std::size_t Row, const T_Pair_Outcome& Outcome);

    T_Folder_Comparison Comparison;
    T_Launch_Hooks Hooks_;
    std::vector<std::optional<T_Pair_Outcome>> Outcomes_;
    std::vector<QTreeWidgetItem*> Row_Items; // one per row of the comparison
    std::size_t Measured_Rows = 0;
    std::atomic<bool> Stop{false};
    std::thread Worker;
};

// Shows the list of two folders modally; 0 when it was closed.
int Show_Folder_List(const std::string& Old_Folder, const std::string& New_Folder,
                     const T_Launch_Hooks& Hooks);
