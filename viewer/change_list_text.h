// The change list's text columns: what text each change region of a pair of
// PDF pages covers on each side, read from the pages' text layers, and a
// tooltip on each row with both texts. Pairs of pictures have no text; their
// text columns are hidden.
#pragma once

#include "pdf/page_pair_text.h"
#include "session/latest_task.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>

class QObject;
class QTreeWidget;
class T_Comparison_Model;

// Reading a text layer draws on the PDF library, which holds one lock for
// the whole process while any page is drawn: the text is read on a thread of
// its own and handed to the window's thread when it is there, so that the
// window never waits for pages being drawn elsewhere.
class T_Change_List_Text {
public:
    using T_Text = std::shared_ptr<const T_Page_Pair_Text>;
    using T_Delivered = std::function<void(T_Text Text)>;

    // Delivered runs on Receiver's thread, while Receiver lives.
    T_Change_List_Text(QObject* Receiver, T_Delivered Delivered);
    ~T_Change_List_Text();

    // True when Model shows a pair whose regions have text to read (PDF
    // documents, or drawings shown through PDF): its text columns are shown.
    static bool Has_Text(const T_Comparison_Model& Model);
    // Starts reading the text of Difference's regions on the pages Model
    // shows, the modified page placed at Offset in the base's pixels; what
    // was asked before and has not arrived is dropped. Delivers null for a
    // pair without text.
    void Request(const T_Comparison_Model& Model, std::shared_ptr<const T_Difference> Difference,
                 QPoint Offset);
    // Nothing asked before is delivered.
    void Drop() { Task_.Cancel(); }
    // From Request until its text is delivered.
    bool Reading() const { return Task_.Busy(); }

private:
    struct T_Layers;
    // Each side's document, kept while the view shows it: stepping through
    // pages reads each page's text once. Shared with the reading thread,
    // which a newer request may overtake while it still reads.
    std::shared_ptr<T_Layers> Layers_;
    T_Latest_Task<T_Text> Task_;
};

// What a text cell says until its text has been read.
QString Reading_Text_Placeholder();

// "Old text: ...\nNew text: ...", "(none)" standing for an empty side: the
// tooltip of a region's row, and of the region in the panes.
QString Region_Text_Tip(const T_Region_Text& Text);

// Fills the rows' text columns and tooltips, titles the columns (a side
// without a text layer says so), and shows them only when there is Text.
void Show_Region_Texts(QTreeWidget& Rows, const T_Page_Pair_Text* Text);
// Shows the text columns with every row saying that its text is being read.
void Show_Texts_Being_Read(QTreeWidget& Rows);
