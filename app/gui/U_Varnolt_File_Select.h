// The dialog that asks for the two files when the command line lacks one.
#pragma once

#include "viewer/u_file_dialog.h"

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

// The file-open dialog is one instance shared by both browse buttons, so
// that it starts with the name last chosen. Tests replace it.
using T_Open_Dialog = T_File_Dialog;

class TFile_Select_F : public QDialog {
public:
    explicit TFile_Select_F(std::unique_ptr<T_Open_Dialog> open_dialog = nullptr,
                            QWidget* parent = nullptr);
    ~TFile_Select_F() override;

    // Fills the fields from the command line: the right one only when the
    // left one is filled too.
    void Prefill(const std::string& left, const std::string& right);

    QLabel* Label1;
    QLineEdit* Left_E;
    QPushButton* Button1;
    QLabel* Label2;
    QLineEdit* Right_E;
    QPushButton* Button2;
    QPushButton* OK_B;
    QPushButton* Cancel_B;
    std::unique_ptr<T_Open_Dialog> OpenDialog1;

private:
    void Edit_Change();
    void Browse(QLineEdit* edit);
};

// Asks for both files. True on OK, with both names set from the fields;
// false on Cancel or close, leaving them unchanged.
bool Select_Files(std::string& left, std::string& right);
