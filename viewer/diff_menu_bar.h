// The Diff window's menu bar: every control of the diff view's three toolbar
// rows and the window's own commands, grouped File, View, Go, Compare, Help.
// An entry mirrors its control: choosing it runs what the control runs, and
// it is enabled and checked exactly when the control is. An entry names its
// keys after a tab; keys the view already handles (its QShortcuts and
// action keys) are only named there, never registered a second time, since
// two registrations of one key make Qt fire neither.
#pragma once

#include <functional>

class QMenuBar;
class QWidget;
struct T_Recent_Pair;

struct T_Diff_Menu_Hooks {
    // Ends the program the way closing the window does.
    std::function<void()> Quit;
    // The window's commands on the pair; an unset one has no entry.
    // Open_Pair asks for another pair to open, Swap_Sides exchanges base
    // and modified, Reload reads both files again, Open_Recent opens a pair
    // of the "Recent pairs" submenu.
    std::function<void()> Open_Pair;
    std::function<void()> Swap_Sides;
    std::function<void()> Reload;
    std::function<void(const T_Recent_Pair&)> Open_Recent;
};

// Builds the menu bar of Window over the diff view View; the bar belongs to
// Window, which places it.
QMenuBar* Build_Diff_Menu_Bar(QWidget* Window, QWidget* View, T_Diff_Menu_Hooks Hooks);
