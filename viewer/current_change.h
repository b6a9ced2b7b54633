// Which change of the pictures shown is the current one, as the parts of the
// diff view see it: a whole change (one edit, as the change list's rows name
// them) or one region of it, chosen from its row under its change. Previous
// and Next step change by change; where the differences were not grouped,
// every region is a change of its own. The parts choose through it and are
// told when the differences or the choice may have changed; what a choice
// shows in the panes is left to the one who showed it (the navigator).
#pragma once

#include "differences/picture_difference.h"

#include <QPointer>
#include <QRect>

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

class QObject;
class T_Comparison_Model;

class T_Current_Change {
public:
    // Shown runs after each choice, asked to zoom in (a row chosen) or not
    // (a step).
    T_Current_Change(T_Comparison_Model& Model, std::function<void(bool Zoom_In)> Shown);
    T_Current_Change(const T_Current_Change&) = delete;
    T_Current_Change& operator=(const T_Current_Change&) = delete;

    const T_Comparison_Model& Model() const { return Model_; }

    // How many changes the steps go through; 0 until the differences are known.
    int Count() const;
    // The current change, -1 for none.
    int Change() const;
    // The region chosen, or the current change's first region; -1 for none.
    int Region() const;
    // True when a whole change is current, not one region of it.
    bool Whole() const { return Whole_ && Region() >= 0; }
    // The change that holds Region; -1 for none.
    int Change_Of_Region(int Region) const;
    // True when Region is current: the chosen one, or one of the current
    // change's.
    bool Is_Current(int Region) const;
    // The regions that are current, in their order; none for none.
    std::vector<std::size_t> Current_Regions() const;
    // What a choice brings into view, in the base's pixels: the change's
    // places in both versions, or the region's box. Empty for none.
    QRect Box() const;

    // Makes the change Index (or the region Index) current and shows it,
    // zoomed in or out as far as it takes to show it whole.
    void Choose_Change(int Index);
    void Choose_Region(int Index);
    // Steps to the next (Direction 1) or previous change (-1), wrapping
    // around; the zoom is left alone unless the change does not fit.
    void Step(int Direction);

    // Listener runs whenever the differences or the current change may have
    // changed, for as long as Context lives.
    void Add_Listener(QObject* Context, std::function<void()> Listener)
    {
        Listeners_.push_back({Context, std::move(Listener)});
    }
    // Tells the listeners (after the panes show what changed).
    void Notify() const;

private:
    const T_Difference* Difference() const;
    // The regions of change Index: its own, or the region alone where the
    // differences were not grouped.
    std::vector<std::size_t> Regions_Of(const T_Difference& Difference, int Index) const;
    void Set(int Region, bool Whole, bool Zoom_In);

    T_Comparison_Model& Model_;
    std::function<void(bool Zoom_In)> Shown_;
    bool Whole_ = true;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> Listeners_;
};
