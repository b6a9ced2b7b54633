// The find bar of the diff view of a PDF pair: finds a text on both
// versions' pages, the pages shown first, then the others (switching to
// them), outlines each occurrence in its pane, and makes the change that
// holds the occurrence gone to the current one. Opened by Ctrl+F (the
// view's action "Find_A"); F3 and Shift+F3 step through the occurrences,
// Escape closes it. A pair of pictures has no text to find: the bar says so.
// The pages are read on the document worker while the window goes on; the
// hits are shown when they arrive, and a newer search drops an older one.
#pragma once

#include "session/latest_task.h"
#include "viewer/diff_view_context.h"
#include "viewer/pair_text_search.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;

class T_Find_Bar : public QWidget {
public:
    // Hidden at first; placed by the caller.
    explicit T_Find_Bar(const T_Diff_View_Context& View);
    ~T_Find_Bar() override;

    // Shows the bar with the focus in its field, the text selected.
    void Open();
    // Goes to the next occurrence (Direction 1) or the previous one (-1),
    // wrapping around.
    void Step(int Direction);
    // What the bar says: "Not found", "2 of 5", "No text layer", or nothing.
    QString Message() const;
    const std::vector<T_Text_Hit>& Hits() const { return Hits_; }
    int Current_Hit() const { return Current_; }
    // True from a search until its hits are shown.
    bool Searching() const { return Search_.Busy(); }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // Finds the field's text anew; its first occurrence from the pages shown
    // on is gone to when the hits arrive.
    void Search();
    void Show_Hits(T_Text_Hits Found);
    int First_From_Shown_Pages() const;
    void Go_To(int Index);
    // Makes the change holding the current occurrence the view's current
    // change, once the differences of the pages shown are known.
    void Select_Change();
    void Show_Outlines();
    void Reveal_Hit(const T_Text_Hit& Hit);
    void Say(const QString& Message);

    T_Diff_View_Context View_;
    QLineEdit* Field_ = nullptr;
    QLabel* Message_ = nullptr;
    // Kept while the view shows the pair: each page is read once. Shared
    // with the search under way, which may outlive a newer one's start.
    std::shared_ptr<T_Pair_Text_Search> Texts_;
    T_Latest_Task<T_Text_Hits> Search_;
    QString Query_;
    std::vector<T_Text_Hit> Hits_;
    int Current_ = -1;
    bool Change_Pending_ = false;
};

// Builds the find bar of View, hidden, for the window to place by the panes,
// and the view's actions that open it ("Find_A", Ctrl+F) and step through
// what it found (F3, Shift+F3). Their keys work in the whole window, the
// bar included wherever it is placed.
T_Find_Bar* Add_Find_Bar(const T_Diff_View_Context& View);
