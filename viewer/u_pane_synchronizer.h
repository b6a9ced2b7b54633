// Keeps the image panes of a diff view in step.
#pragma once

#include "viewer/row_pairing.h"

#include <QPoint>
#include <QPointF>

#include <vector>

class TMyScrollBox;
class TView_Image_Frame;

// Knows the panes of one view and, when the user moves one of them, moves
// the others to the same place; it also holds the zoom factor they share.
// Positions are copied only where they differ, and never raise the scroll
// boxes' OnScroll, so panes that follow each other do not cascade. A pane
// without a scroll box yet (not loaded) is passed over. With a pairing of
// rows (bands inserted or removed), the modified pane shows the rows that
// face the base's rather than the same position.
class T_Pane_Synchronizer {
public:
    explicit T_Pane_Synchronizer(std::vector<TView_Image_Frame*> Panes);

    // Moves every other pane to the position of the pane that owns Sender;
    // a scroll box of no known pane is ignored.
    void Follow(TMyScrollBox* Sender) const;

    static void Copy_Position(TMyScrollBox* From, TMyScrollBox* To);

    // From now on Modified_Pane (the one that shows the modified picture as
    // it is) scrolls vertically to the rows Pairing gives for the others';
    // the identity pairing restores equal positions. The modified pane is
    // brought in step with the base at once.
    void Pair_Rows(T_Row_Pairing Pairing, TView_Image_Frame* Modified_Pane);
    const T_Row_Pairing& Row_Pairing() const { return Pairing_; }

    double Zoom() const { return *Zoom_; }
    // Keeps the shared zoom in Zoom (the comparison model's) from now on,
    // carrying the current one over.
    void Keep_Zoom_In(double& Zoom);
    // Gives every pane the zoom factor and scrolls `Pane` so that the content
    // point `Content` (in picture pixels) lies under `At`, a point of its
    // viewport; the other panes then take its position.
    void Zoom_Keeping(double Zoom, TView_Image_Frame* Pane, const QPointF& Content,
                      const QPoint& At);
    // Brings a pane shown later (the compared or the blended pane) to the
    // shared zoom and to the position of `Reference`.
    void Bring_In_Step(TView_Image_Frame* Pane, const TView_Image_Frame* Reference) const;

private:
    bool Pairs_Rows() const { return Modified_Pane_ && !Pairing_.Identity(); }
    // Follow across the pairing: Sender's top row taken to the other side.
    void Follow_Paired(const TView_Image_Frame* Sender) const;

    std::vector<TView_Image_Frame*> Panes_;
    T_Row_Pairing Pairing_;
    TView_Image_Frame* Modified_Pane_ = nullptr;
    double Own_Zoom_ = 1.0;
    double* Zoom_ = &Own_Zoom_;
};
