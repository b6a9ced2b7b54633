#include "viewer/change_list.h"

#include "viewer/change_list_rows.h"
#include "viewer/change_list_text.h"
#include "viewer/change_list_width.h"
#include "viewer/change_region_colour.h"
#include "viewer/current_change.h"
#include "viewer/pane_grid.h"
#include "session/comparison_model.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Region_Role = Qt::UserRole;
constexpr int Sort_Role = Qt::UserRole + 1;
constexpr int Change_Role = Qt::UserRole + 2;
// Texts longer than this are cut short in their cell, whole in the tooltip.
constexpr int Text_Column_Width = 110;
// Past this many rows the pictures are left out: cutting them would keep
// the window waiting, and nobody reads that far for pictures.
constexpr int Thumbnail_Row_Limit = 1000;

// A row that sorts numeric columns by number, not by their text.
class T_Change_Item : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& Other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, Sort_Role), theirs = Other.data(column, Sort_Role);
        if (mine.typeId() == QMetaType::QString || theirs.typeId() == QMetaType::QString)
            return mine.toString() < theirs.toString();
        return mine.toDouble() < theirs.toDouble();
    }
};

// Rows as tall as their pictures with a margin, whatever the font: a row
// height taken from the text alone lets the pictures of neighbouring rows
// touch or overlap.
class T_Thumbnail_Row_Delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(Option, Index);
        size.setHeight(std::max(size.height(), T_Change_List::Thumbnail_Side +
                                                   2 * T_Change_List::Thumbnail_Margin));
        return size;
    }
};

QIcon Colour_Swatch(const QColor& Colour)
{
    QPixmap swatch(12, 12);
    swatch.fill(Colour);
    QPainter(&swatch).drawRect(0, 0, 11, 11);
    return QIcon(swatch);
}

} // namespace

T_Change_List::T_Change_List(const T_Diff_View_Context& View, QWidget* Parent)
    : QWidget(Parent), View_(View),
      Texts_(std::make_unique<T_Change_List_Text>(
          this, [this](T_Change_List_Text::T_Text Text) { Show_Texts(Text.get()); }))
{
    setObjectName(QStringLiteral("Change_List_Panel"));
    setWindowTitle(QStringLiteral("Changes"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    Toggle_ = new QAction(QStringLiteral("Change list"), this);
    Toggle_->setObjectName(QStringLiteral("Change_List_A"));
    Toggle_->setCheckable(true);
    Toggle_->setToolTip(QStringLiteral("Show or hide the list of changes"));
    connect(Toggle_, &QAction::toggled, this, [this](bool shown) { setVisible(shown); });
    connect(Toggle_, &QAction::triggered, this, [this] { User_Chose_ = true; });

    auto* title_row = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("<b>Changes</b>"), this);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("Change_List_Close"));
    close->setText(QStringLiteral("x"));
    close->setToolTip(QStringLiteral("Hide the list of changes"));
    close->setAccessibleName(QStringLiteral("Hide the change list"));
    close->setAutoRaise(true);
    // Hiding by the button is the same choice as by the action.
    connect(close, &QToolButton::clicked, this, [this] {
        if (Toggle_->isChecked())
            Toggle_->trigger();
    });
    title_row->addWidget(title, 1);
    title_row->addWidget(close);
    layout->addLayout(title_row);

    Empty_ = new QLabel(this);
    Empty_->setObjectName(QStringLiteral("Change_List_Empty_L"));
    Empty_->setWordWrap(true);
    layout->addWidget(Empty_);

    Rows_ = new QTreeWidget(this);
    Rows_->setObjectName(QStringLiteral("Change_List"));
    Rows_->setAccessibleName(QStringLiteral("Change list"));
    Rows_->setRootIsDecorated(false);
    Rows_->setUniformRowHeights(true);
    Rows_->setAllColumnsShowFocus(true);
    Rows_->setSelectionMode(QAbstractItemView::SingleSelection);
    Rows_->setIconSize(QSize(Thumbnail_Side, Thumbnail_Side));
    Rows_->setItemDelegate(new T_Thumbnail_Row_Delegate(Rows_));
    QStringList titles;
    for (int column = 0; column < Change_Column_Count; ++column)
        titles << Change_Column_Title(T_Change_Column(column));
    Rows_->setHeaderLabels(titles);
    Rows_->setSortingEnabled(true);
    Rows_->sortByColumn(int(T_Change_Column::Number), Qt::AscendingOrder);
    Rows_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The texts are elided at a fixed width, so the size still shows.
    for (int column : {int(T_Change_Column::Old_Text), int(T_Change_Column::New_Text)}) {
        Rows_->header()->setSectionResizeMode(column, QHeaderView::Interactive);
        Rows_->header()->resizeSection(column, Text_Column_Width);
    }
    Rows_->setTextElideMode(Qt::ElideRight);
    layout->addWidget(Rows_, 1);
    // Clicks and the arrow keys move the current row; Enter and double
    // clicks choose the row again, bringing it back into view.
    connect(Rows_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* row) { Choose(row); });
    connect(Rows_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* row) {
        if (row)
            Choose_Again(row);
    });

    setMinimumWidth(180);
    hide();
    View_.Current.Add_Listener(this, [this] { Follow_View(); });
    Follow_View();
}

T_Change_List::~T_Change_List() = default;

QSize T_Change_List::sizeHint() const
{
    return {Default_Change_List_Width, QWidget::sizeHint().height()};
}

void T_Change_List::Show_As_Chosen(bool Shown)
{
    User_Chose_ = true;
    Toggle_->setChecked(Shown);
}

int T_Change_List::Region_Of(const QTreeWidgetItem* Row)
{
    return Row ? Row->data(int(T_Change_Column::Number), Region_Role).toInt() : -1;
}

int T_Change_List::Change_Of(const QTreeWidgetItem* Row)
{
    const QVariant change = Row ? Row->data(int(T_Change_Column::Number), Change_Role) : QVariant();
    return change.isValid() ? change.toInt() : -1;
}

QTreeWidgetItem* T_Change_List::Region_Row(const T_Difference& Difference, std::size_t Index,
                                           const QImage& Base, const QImage& Modified) const
{
    const T_Comparison_Model& model = View_.Model;
    // The alignment that found these differences, for the added bands' sizes.
    const T_Aligned_Difference* aligned = model.Aligned();
    const T_Alignment* alignment =
        aligned && &aligned->Difference == &Difference ? &aligned->Alignment : nullptr;
    const T_Change_Region& region = Difference.Regions[Index];
    const T_Change_Row texts = Make_Change_Row(Difference, Index, alignment);
    auto* row = new T_Change_Item;
    for (int column = 0; column < Change_Column_Count; ++column) {
        row->setText(column, texts.Texts[std::size_t(column)]);
        row->setData(column, Sort_Role, texts.Keys[std::size_t(column)]);
    }
    row->setData(int(T_Change_Column::Number), Region_Role, int(Index));
    for (int column :
         {int(T_Change_Column::Size), int(T_Change_Column::Position), int(T_Change_Column::Pixels)})
        row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    row->setIcon(int(T_Change_Column::Kind), Colour_Swatch(Change_Region_Colour(region.Kind)));
    if (int(Index) < Thumbnail_Row_Limit) {
        // Cut at the screen's own density, so the pictures stay sharp on a
        // high-density screen.
        const double density = devicePixelRatioF();
        QImage thumbnail =
            Change_Thumbnail(Difference, region, Base, Modified, View_.Panes.Offset(),
                             int(std::lround(Thumbnail_Side * density)));
        thumbnail.setDevicePixelRatio(density);
        if (!thumbnail.isNull())
            row->setIcon(int(T_Change_Column::Number), QIcon(QPixmap::fromImage(thumbnail)));
    }
    return row;
}

namespace {

// A change's row over the rows of its regions: the first region's picture
// and colour stand for it. A change of one region is that region's row,
// with the change's kind and move.
QTreeWidgetItem* Change_Row(const T_Difference& Difference, std::size_t Index,
                            QList<QTreeWidgetItem*> Region_Rows)
{
    const T_Change_Row texts = Make_Change_Group_Row(Difference, Index);
    QTreeWidgetItem* first = Region_Rows.front();
    if (Region_Rows.size() == 1) {
        for (T_Change_Column column :
             {T_Change_Column::Number, T_Change_Column::Kind, T_Change_Column::Moved}) {
            first->setText(int(column), texts.Texts[std::size_t(column)]);
            first->setData(int(column), Sort_Role, texts.Keys[std::size_t(column)]);
        }
        first->setData(int(T_Change_Column::Number), Change_Role, int(Index));
        return first;
    }
    auto* row = new T_Change_Item;
    for (int column = 0; column < Change_Column_Count; ++column) {
        row->setText(column, texts.Texts[std::size_t(column)]);
        row->setData(column, Sort_Role, texts.Keys[std::size_t(column)]);
    }
    for (int column :
         {int(T_Change_Column::Size), int(T_Change_Column::Position), int(T_Change_Column::Pixels)})
        row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    row->setData(int(T_Change_Column::Number), Region_Role,
                 first->data(int(T_Change_Column::Number), Region_Role));
    row->setData(int(T_Change_Column::Number), Change_Role, int(Index));
    row->setIcon(int(T_Change_Column::Number), first->icon(int(T_Change_Column::Number)));
    row->setIcon(int(T_Change_Column::Kind), first->icon(int(T_Change_Column::Kind)));
    row->addChildren(Region_Rows);
    return row;
}

} // namespace

void T_Change_List::Follow_View()
{
    QScopedValueRollback<bool> following(Following_, true);
    std::shared_ptr<const T_Difference> difference = View_.Model.Shared_Differences();
    if (!Filled_ || difference != Shown_) {
        Shown_ = difference;
        Filled_ = true;
        Fill_Rows(difference.get());
    }
    Select_Current();
}

void T_Change_List::Fill_Rows(const T_Difference* Difference)
{
    Rows_->clear();
    const T_Comparison_Model& model = View_.Model;
    if (!Difference) {
        const std::string& failure = model.Drawing_Failure();
        Empty_->setText(!failure.empty() ? QString::fromStdString(failure)
                        : model.Missing(T_Side::Left) || model.Missing(T_Side::Right)
                            ? QStringLiteral("Nothing to compare: one version does not exist.")
                            : QStringLiteral("Finding differences..."));
    } else if (Difference->Regions.empty())
        Empty_->setText(QStringLiteral("No differences"));
    Empty_->setVisible(!Difference || Difference->Regions.empty());
    if (!Difference) {
        Texts_->Drop();
        Show_Region_Texts(*Rows_, nullptr);
    }
    Rows_->setVisible(!Empty_->isVisible());
    if (!Difference)
        return;
    const QImage& base = model.Picture(T_Side::Left).Image;
    const QImage& modified = model.Picture(T_Side::Right).Image;
    // Sorting while rows are added would move them about once per row.
    Rows_->setSortingEnabled(false);
    QList<QTreeWidgetItem*> rows;
    if (Difference->Changes.empty()) {
        for (std::size_t index = 0; index < Difference->Regions.size(); ++index)
            rows.push_back(Region_Row(*Difference, index, base, modified));
    }
    bool nested = false;
    for (std::size_t index = 0; index < Difference->Changes.size(); ++index) {
        QList<QTreeWidgetItem*> region_rows;
        for (std::size_t region : Difference->Changes[index].Regions)
            if (region < Difference->Regions.size())
                region_rows.push_back(Region_Row(*Difference, region, base, modified));
        if (region_rows.empty())
            continue;
        nested |= region_rows.size() > 1;
        rows.push_back(Change_Row(*Difference, index, std::move(region_rows)));
    }
    Rows_->setRootIsDecorated(nested);
    Rows_->addTopLevelItems(rows);
    // The text arrives later: the rows are usable meanwhile.
    if (T_Change_List_Text::Has_Text(model)) {
        Show_Texts_Being_Read(*Rows_);
        Texts_->Request(model, Shown_, View_.Panes.Offset());
    } else {
        Texts_->Drop();
        Show_Region_Texts(*Rows_, nullptr);
    }
    Rows_->setSortingEnabled(true);
    // The panel opens by itself when there is something to list, unless the
    // user has shown or hidden it already.
    if (!User_Chose_ && !Difference->Regions.empty())
        Toggle_->setChecked(true);
}

bool T_Change_List::Reading_Texts() const { return Texts_->Reading(); }

void T_Change_List::Show_Texts(const T_Page_Pair_Text* Text)
{
    // Sorting while the cells change would move the rows about once each.
    const bool sorted = Rows_->isSortingEnabled();
    Rows_->setSortingEnabled(false);
    Show_Region_Texts(*Rows_, Text);
    Rows_->setSortingEnabled(sorted);
}

void T_Change_List::Select_Current()
{
    const T_Current_Change& chosen = View_.Current;
    const int current = chosen.Region();
    const int change = chosen.Whole() ? chosen.Change() : -1;
    // The change's row when the whole change is current, else the row of
    // the region within its change.
    for (int at = 0; at < Rows_->topLevelItemCount(); ++at) {
        QTreeWidgetItem* row = Rows_->topLevelItem(at);
        const bool whole = change >= 0 && Change_Of(row) == change;
        QTreeWidgetItem* found =
            whole || (Change_Of(row) < 0 && Region_Of(row) == current) ? row : nullptr;
        for (int child = 0; !found && child < row->childCount(); ++child)
            if (Region_Of(row->child(child)) == current)
                found = row->child(child);
        if (!found)
            continue;
        Rows_->setCurrentItem(found);
        Rows_->scrollToItem(found);
        return;
    }
    Rows_->setCurrentItem(nullptr);
    Rows_->clearSelection();
}

void T_Change_List::Choose(QTreeWidgetItem* Row)
{
    // Rows selected to follow the view do not act on it again.
    if (Following_ || !Row)
        return;
    QScopedValueRollback<bool> following(Following_, true);
    Choose_Again(Row);
}

void T_Change_List::Choose_Again(const QTreeWidgetItem* Row)
{
    // A change's row stands for the whole change, a region's row under it
    // for that region alone.
    if (const int change = Change_Of(Row); change >= 0)
        View_.Current.Choose_Change(change);
    else
        View_.Current.Choose_Region(Region_Of(Row));
}
