// Keyboard reach and accessible names of the diff view: Tab visits every
// toolbar button, field and pane in reading order, and screen readers get a
// name for each control whose caption does not say what it is.
#pragma once

class QWidget;

// Applies both to the built view View (page tabs included, so call it once
// the pair is open).
void Make_Diff_View_Accessible(QWidget* View);
