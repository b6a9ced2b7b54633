// The differences of the two pictures shown, as the comparison model holds
// them: it asks the model for them whenever the pictures or the settings
// change, outlines the change regions in every pane while Show changes is
// on, and steps from one change to the next, bringing it into view.
#pragma once

#include "viewer/current_change.h"

#include <QString>

#include <functional>
#include <memory>

class T_Comparison_Model;
class T_Diff_View_Actions;
class T_Pane_Grid;
struct T_Difference;

class T_Change_Navigator {
public:
    // The differences of Model are shown; its paged pair keeps the count of
    // changes per page pair. The differences' settings are read from
    // Controls' changes row. Status_Changed runs when what the status line
    // says may have changed; Leave_Fit takes the view out of fit mode before
    // a change is zoomed to.
    T_Change_Navigator(T_Comparison_Model& Model, T_Pane_Grid& Panes,
                       const T_Diff_View_Actions& Controls, std::function<void()> Status_Changed,
                       std::function<void()> Leave_Fit);
    T_Change_Navigator(const T_Change_Navigator&) = delete;
    T_Change_Navigator& operator=(const T_Change_Navigator&) = delete;

    // The current change, which the view's parts choose through.
    T_Current_Change& Current() { return Current_; }
    const T_Current_Change& Current() const { return Current_; }
    // The model's differences of the current pictures have come in.
    void Differences_Ready();

    // Asks for the differences again (the pictures or a setting changed)
    // where they are wanted: the Differences view, Show changes, or stepping
    // through them.
    void Refresh_Differences();
    // Null until the differences of the current pictures are known.
    const T_Difference* Differences() const;
    std::shared_ptr<const T_Difference> Shared_Differences() const;
    // Outlines the change regions in every pane while Show changes is on.
    void Show_Change_Frames();
    // Steps to the next or previous change (wrapping around).
    void Step_Change(int Direction);
    // Makes region Index the current change and centres it in every pane,
    // zoomed in or out as far as it takes to show it whole.
    void Go_To_Change(int Index);
    // Listener runs whenever the differences or the current change may have
    // changed (after the panes' outlines were set), for as long as Context
    // lives.
    void Add_Listener(QObject* Context, std::function<void()> Listener)
    {
        Current_.Add_Listener(Context, std::move(Listener));
    }
    // The current region (see T_Current_Change::Region).
    int Current_Change() const { return Current_.Region(); }
    // The changes' part of the status line.
    QString Change_Status() const;

private:
    // The changes found, without what the page is.
    QString Changes_Words() const;
    bool Differences_Wanted() const;
    // Outlines and brings into view what was chosen.
    void Show_Current(bool Zoom_In);
    // Scrolls every pane, zooming out when needed (and in, with Zoom_In),
    // to the current change.
    void Reveal_Change(bool Zoom_In);
    void Update_Status() { Status_Changed_(); }

    T_Comparison_Model& Model_;
    T_Pane_Grid& Panes_;
    const T_Diff_View_Actions& Controls_;
    std::function<void()> Status_Changed_;
    std::function<void()> Leave_Fit_;
    T_Current_Change Current_;
};
