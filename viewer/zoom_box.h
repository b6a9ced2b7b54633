// The zoom box of the "View" row: an editable list of zoom presets ("Fit",
// 25 % to 800 %) that also takes a typed percentage ("150", "150 %"), and
// shows the zoom the panes have after any change (buttons, wheel, Fit).
#pragma once

#include <QComboBox>
#include <QString>

#include <functional>
#include <optional>

class T_Diff_Status_Line;
class T_Diff_View_Actions;
class T_Pane_Grid;
class T_View_Row_Controller;

// What the box was asked for: fit to the pane, or a zoom factor.
struct T_Zoom_Choice {
    bool Fit = false;
    double Zoom = 1.0;
};

// "Fit" (any case), or a positive percentage with or without " %"; nothing
// for anything else.
std::optional<T_Zoom_Choice> Parsed_Zoom_Choice(const QString& Text);
// A zoom factor as the box shows it: "150 %", "37.5 %" (one decimal at most).
QString Zoom_Text(double Zoom);

class T_Zoom_Box : public QComboBox {
public:
    explicit T_Zoom_Box(QWidget* Parent);

    // Runs with what the user chose or typed (Enter); text that is not a
    // zoom puts the current zoom back instead.
    std::function<void(const T_Zoom_Choice& Choice)> On_Choice;
    // Shows the panes' zoom without asking for it.
    void Show_Zoom(double Zoom);

private:
    void Choose(const QString& Text);

    double Shown_ = 1.0;
};

// Puts a zoom box at the end of the "View" row and connects it: a choice
// zooms every pane about the main pane's centre (Toggle_Fit enters fit
// mode), and every update of the status line shows the zoom again.
T_Zoom_Box* Add_Zoom_Box(T_Diff_View_Actions& Actions, T_Pane_Grid& Panes,
                         T_View_Row_Controller& View_Row, T_Diff_Status_Line& Status_Line,
                         std::function<void()> Toggle_Fit);
