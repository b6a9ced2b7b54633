// Keeps the image panes of a diff view in step.
#pragma once

#include <vector>

class TMyScrollBox;
class TView_Image_Frame;

// Knows the panes of one view and, when the user moves one of them, moves
// the others to the same place. Positions are copied only where they
// differ, and never raise the scroll boxes' OnScroll, so panes that follow
// each other do not cascade. It holds the panes' order, not their state:
// a pane without a scroll box yet (not loaded) is passed over.
class T_Pane_Synchronizer {
public:
    explicit T_Pane_Synchronizer(std::vector<TView_Image_Frame*> Panes);

    // Moves every other pane to the position of the pane that owns Sender;
    // a scroll box of no known pane is ignored.
    void Follow(TMyScrollBox* Sender) const;

    static void Copy_Position(TMyScrollBox* From, TMyScrollBox* To);

private:
    std::vector<TView_Image_Frame*> Panes_;
};
