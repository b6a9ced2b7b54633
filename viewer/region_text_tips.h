// Tooltips on the change regions in the panes of a PDF pair: hovering an
// outlined region (all of them while Show changes is on, else the current
// change) tells the text it covers on each side, as its change list row does.
#pragma once

#include "viewer/diff_view_context.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

class T_Change_List_Text;
class TPane_Image;
struct T_Difference;
struct T_Page_Pair_Text;

class T_Region_Text_Tips : public QObject {
public:
    // Watches the panes of View that show the versions.
    explicit T_Region_Text_Tips(const T_Diff_View_Context& View);
    ~T_Region_Text_Tips() override;

    // The tooltip at At, a point of Image (a pane's picture control); empty
    // where no outlined region lies or the pair has no text.
    QString Tip_At(const TPane_Image& Image, QPoint At);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // The change region under the content point of Image at At, in the
    // base's pixels; -1 for none.
    int Region_At(const T_Difference& Difference, const TPane_Image& Image, QPoint At) const;
    bool Outlined(int Region) const;

    T_Diff_View_Context View_;
    std::unique_ptr<T_Change_List_Text> Texts_;
    // The texts of the differences last asked about, at the offset then.
    std::shared_ptr<const T_Difference> Texts_Of_;
    QPoint Texts_Offset_;
    std::shared_ptr<const T_Page_Pair_Text> Texts_Shown_;
};
