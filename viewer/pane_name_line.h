// The line under a version pane's caption that names the pane's own file:
// the caption may be a role ("Base version") or a title given by a
// version-control client, and the reviewer must still see which file is
// where, also after the sides were swapped.
#pragma once

#include <string>

class QWidget;

// Shows the file name of File (without its folder; the full name is the
// line's tooltip) under the caption of the base (View_Image_Frame1) and the
// modified (View_Image_Frame2) pane of View, the diff view. A version that
// does not exist (the null device, empty) gets no line. Called again, the
// lines are replaced.
void Show_Pane_File_Names(QWidget& View, const std::string& Base_File,
                          const std::string& Modified_File);
