// The change list's text columns: what text each change region of a pair of
// PDF pages covers on each side, read from the pages' text layers, and a
// tooltip on each row with both texts. Pairs of pictures have no text; their
// text columns are hidden.
#pragma once

#include "pdf/page_pair_text.h"

#include <QPoint>
#include <QString>

#include <memory>

class QTreeWidget;
class T_Comparison_Model;

class T_Change_List_Text {
public:
    T_Change_List_Text();
    ~T_Change_List_Text();

    // The text of Difference's regions on the pages Model shows, the
    // modified page placed at Offset in the base's pixels; null for a pair
    // that is not of PDF documents.
    std::shared_ptr<const T_Page_Pair_Text> Text_Of(const T_Comparison_Model& Model,
                                                    const T_Difference& Difference, QPoint Offset);

private:
    // Each side's document, kept while the view shows it: stepping through
    // pages reads each page's text once.
    std::unique_ptr<T_Pdf_Text_Layer> Layers_[2];
};

// "Old text: ...\nNew text: ...", "(none)" standing for an empty side: the
// tooltip of a region's row, and of the region in the panes.
QString Region_Text_Tip(const T_Region_Text& Text);

// Fills the rows' text columns and tooltips, titles the columns (a side
// without a text layer says so), and shows them only when there is Text.
void Show_Region_Texts(QTreeWidget& Rows, const T_Page_Pair_Text* Text);
