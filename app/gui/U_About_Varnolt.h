// The About box: product, version, the maker's site and the usage text.
#pragma once

#include <QDialog>

#include <string>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The usage text: six lines joined by CR LF.
std::string Usage_Text();
extern const char* const Maker_Web_Site;

class TAbout_F : public QDialog {
public:
    explicit TAbout_F(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel* ProductName_L;
    QLabel* Version_L;
    QLabel* Maker_L;
    QLabel* www_main_l;
    QPlainTextEdit* Info_M;
    QPushButton* OK_B;
};

// Shows the About box modally; returns when it has been closed.
void Show_About();
