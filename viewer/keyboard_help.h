// The "Keyboard shortcuts" window: a table of every key of the Diff window,
// read from its menu bar's entries (so it follows them) and completed by the
// keys of the panes and page tabs that no entry stands for.
#pragma once

class QDialog;
class QMenuBar;
class QWidget;

// Shows the window for the menu bar Menus of Window, making it on first use;
// Escape closes it.
QDialog* Show_Keyboard_Help(QWidget* Window, const QMenuBar& Menus);
