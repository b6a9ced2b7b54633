// The change list: a side panel titled "Changes" that lists every change
// of the pictures a diff view shows (its change regions grouped into the
// edits a reviewer names, each region a row under its change), with its
// kind (in its outline's colour), text, size, position, changed pixels, how
// far a moved shape went and a small picture of it. Choosing a row makes it the view's current
// change; stepping through the changes in the view moves the list's selection. It follows page
// switches and new differences.
#pragma once

#include "viewer/diff_view_context.h"

#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class T_Change_List_Text;
struct T_Difference;
struct T_Page_Pair_Text;

class T_Change_List : public QWidget {
public:
    // Side length of the rows' pictures, in logical pixels; every row is
    // as tall as a picture and a margin above and below it.
    static constexpr int Thumbnail_Side = 40;
    static constexpr int Thumbnail_Margin = 3;

    T_Change_List(const T_Diff_View_Context& View, QWidget* Parent);
    ~T_Change_List() override;

    // The checkable "Change list" action that shows and hides the panel.
    // Until the user uses it, the panel opens by itself the first time the
    // pair shows changes.
    QAction* Toggle_Action() const { return Toggle_; }
    // Shows or hides the panel as the user chose before (in an earlier
    // window): it then no longer opens by itself.
    void Show_As_Chosen(bool Shown);
    QTreeWidget* Rows() const { return Rows_; }
    // Narrow beside the pictures: the number, kind and size of a change
    // show, the further columns are a scroll or a wider panel away.
    QSize sizeHint() const override;
    // The line shown instead of the rows when there are none to list.
    QLabel* Empty_Line() const { return Empty_; }
    // The region index of a row: of a change's row, its first region.
    static int Region_Of(const QTreeWidgetItem* Row);
    // The change index of a change's row (its regions' rows are its
    // children); -1 for a region's row.
    static int Change_Of(const QTreeWidgetItem* Row);
    // True while the rows' text is being read (their text cells say so).
    bool Reading_Texts() const;

private:
    // Rebuilds the rows when the differences are new, then selects the
    // view's current change.
    void Follow_View();
    void Fill_Rows(const T_Difference* Difference);
    QTreeWidgetItem* Region_Row(const T_Difference& Difference, std::size_t Index,
                                const QImage& Base, const QImage& Modified) const;
    void Show_Texts(const T_Page_Pair_Text* Text);
    void Select_Current();
    void Choose(QTreeWidgetItem* Row);
    // Makes Row's change or region the view's current one.
    void Choose_Again(const QTreeWidgetItem* Row);

    T_Diff_View_Context View_;
    QAction* Toggle_ = nullptr;
    QTreeWidget* Rows_ = nullptr;
    QLabel* Empty_ = nullptr;
    std::unique_ptr<T_Change_List_Text> Texts_;
    // The differences the rows show; compared by identity.
    std::shared_ptr<const T_Difference> Shown_;
    bool Filled_ = false;
    bool Following_ = false;
    bool User_Chose_ = false;
};
