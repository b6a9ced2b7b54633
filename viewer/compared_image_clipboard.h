// "Copy compared image": the compared picture shown, put on the clipboard
// as an image, for pasting into a review note or a mail.
#pragma once

class QAction;
class QWidget;

// Adds the command to View (the diff view) as the action
// "Copy_Compared_Img_A", enabled exactly when exporting the compared image
// is. It has no key of its own: the window that holds the view gives it one.
QAction* Add_Copy_Compared_Action(QWidget& View);
