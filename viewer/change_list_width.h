// The change list's share of the window: it starts narrow beside the view,
// at the width the user last gave it or else at Default_Change_List_Width,
// at most a quarter of the window, so the pictures keep the room. Dragging
// the splitter's handle resizes it, and the new width is handed on to be
// remembered.
#pragma once

#include <functional>
#include <optional>

class QSplitter;
class QWidget;

// In logical pixels.
constexpr int Default_Change_List_Width = 300;
// Wider than any screen the list would be shown on; a stored width beyond
// it is not one the user gave.
constexpr int Largest_Change_List_Width = 8000;

// The list's width in a splitter Total logical pixels wide: Stored (the
// user's own, kept to half of it) or the default (kept to a quarter), never
// below Minimum.
int Change_List_Width(int Total, int Minimum, std::optional<int> Stored);

// Sizes List, the last widget of Splitter, whenever it is shown or the
// splitter changes size; Resized gets the width the user drags it to.
void Keep_Change_List_Width(QSplitter& Splitter, QWidget& List, std::optional<int> Stored,
                            std::function<void(int)> Resized);
