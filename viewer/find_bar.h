// The find bar of the diff view of a PDF pair: finds a text on both
// versions' pages, the pages shown first, then the others (switching to
// them), outlines each occurrence in its pane, and makes the change that
// holds the occurrence gone to the current one. Opened by Ctrl+F (the
// view's action "Find_A"); F3 and Shift+F3 step through the occurrences,
// Escape closes it. A pair of pictures has no text to find: the bar says so.
#pragma once

#include "differences/picture_alignment.h"
#include "session/u_diff_session.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class T_Pane_Grid;
class T_Pdf_Text_Layer;
class TView_diff_frame;

// An occurrence of the text: on which side's page, where in its picture.
struct T_Text_Hit {
    T_Side Side = T_Side::Left;
    int Page = 0;
    T_Rectangle Box;
};

class T_Find_Bar : public QWidget {
public:
    // Hidden at first; placed by the caller. Panes are View's.
    T_Find_Bar(TView_diff_frame& View, T_Pane_Grid& Panes);
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

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // Finds the field's text anew and goes to its first occurrence from the
    // pages shown on.
    void Search();
    // Every occurrence on every page of both documents, in page order, the
    // base version's first on each page.
    std::vector<T_Text_Hit> Find_All(const QString& Query, bool& Any_Text_Layer);
    int First_From_Shown_Pages() const;
    void Go_To(int Index);
    // Makes the change holding the current occurrence the view's current
    // change, once the differences of the pages shown are known.
    void Select_Change();
    void Show_Outlines();
    void Reveal_Hit(const T_Text_Hit& Hit);
    void Say(const QString& Message);

    TView_diff_frame& View_;
    T_Pane_Grid& Panes_;
    QLineEdit* Field_ = nullptr;
    QLabel* Message_ = nullptr;
    std::unique_ptr<T_Pdf_Text_Layer> Layers_[2];
    QString Query_;
    std::vector<T_Text_Hit> Hits_;
    int Current_ = -1;
    bool Change_Pending_ = false;
};

// Builds the find bar of View, hidden, for the window to place by the panes,
// and the view's actions that open it ("Find_A", Ctrl+F) and step through
// what it found (F3, Shift+F3). Their keys work in the whole window, the
// bar included wherever it is placed.
T_Find_Bar* Add_Find_Bar(TView_diff_frame& View, T_Pane_Grid& Panes);
