// The main window that holds one comparison.
#pragma once

#include "document_kinds.h"

#include <QDialog>

#include <string>

class TView_diff_frame;

// The window around the diff view: caption "Diff", no minimizing, at least
// 400 x 200. Closing it while the converter runs stops the converter first.
class TDiff_F : public QDialog {
public:
    TDiff_F(const std::string& left, const std::string& left_caption, const std::string& right,
            const std::string& right_caption, T_Converter_Kind converter_kind,
            T_Paged_Kind paged_kind, QWidget* parent = nullptr);

    TView_diff_frame* View = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
};

// Creates the main window for the pair and shows it maximized and modally;
// returns when it has been closed, or at once when the view could not be
// set up (its failure has been reported then).
bool Show_Diff_Form(const std::string& left, const std::string& left_caption,
                    const std::string& right, const std::string& right_caption,
                    T_Converter_Kind converter_kind, T_Paged_Kind paged_kind);
