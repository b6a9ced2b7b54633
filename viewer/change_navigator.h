// The differences of the two pictures shown, computed in the program: it
// asks for them in the background whenever the pictures or the settings
// change, outlines the change regions in every pane while Show changes is
// on, and steps from one change to the next, bringing it into view.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QObject;
class T_Diff_Session;
class T_Diff_View_Actions;
class T_Difference_Task;
class T_Pane_Grid;
struct T_Difference;

class T_Change_Navigator {
public:
    // The differences' settings are read from Controls' changes row.
    // Status_Changed runs when what the status line says may have changed;
    // Leave_Fit takes the view out of fit mode before a change is zoomed to.
    T_Change_Navigator(QObject* Owner, T_Pane_Grid& Panes, const T_Diff_View_Actions& Controls,
                       std::function<void()> Status_Changed, std::function<void()> Leave_Fit);
    ~T_Change_Navigator();
    T_Change_Navigator(const T_Change_Navigator&) = delete;
    T_Change_Navigator& operator=(const T_Change_Navigator&) = delete;

    // The session whose paged pair keeps the count of changes per page pair.
    void Set_Session(T_Diff_Session* Session) { Session_ = Session; }

    // Asks for the differences again (the pictures or a setting changed)
    // where they are wanted: the Differences view, Show changes, or stepping
    // through them.
    void Refresh_Differences();
    // Null until the differences of the current pictures are known.
    const T_Difference* Differences() const { return Difference_.get(); }
    const std::shared_ptr<const T_Difference>& Shared_Differences() const { return Difference_; }
    // Outlines the change regions in every pane while Show changes is on.
    void Show_Change_Frames();
    // Steps to the next or previous change region (wrapping around).
    void Step_Change(int Direction);
    int Current_Change() const { return Current_Change_; }
    // The changes' part of the status line.
    QString Change_Status() const;

private:
    bool Differences_Wanted() const;
    void Differences_Ready(std::shared_ptr<const T_Difference> Result);
    // Scrolls every pane, zooming out when needed, to the current region.
    void Reveal_Change();
    void Update_Status() { Status_Changed_(); }

    T_Pane_Grid& Panes_;
    const T_Diff_View_Actions& Controls_;
    std::function<void()> Status_Changed_;
    std::function<void()> Leave_Fit_;
    T_Diff_Session* Session_ = nullptr;
    std::unique_ptr<T_Difference_Task> Difference_Task;
    std::shared_ptr<const T_Difference> Difference_;
    int Current_Change_ = -1;
};
