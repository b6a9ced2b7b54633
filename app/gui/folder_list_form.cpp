#include "app/gui/folder_list_form.h"

#include "pdf/document_exporters.h"
#include "platform/os_platform.h"
#include "app/pair_sequence.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The comparison's row of an item (-1 for the line of a folder that could
// not be read), and the number a numeric column sorts by.
constexpr int Row_Role = Qt::UserRole;
constexpr int Sort_Role = Qt::UserRole + 1;

// Sorts the numeric columns by their numbers ("9" before "1,000"); a cell
// without a number (not measured in pixels, not measured yet) comes first.
class T_Folder_Item : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& Other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, Sort_Role), theirs = Other.data(column, Sort_Role);
        if (!mine.isValid() && !theirs.isValid())
            return QTreeWidgetItem::operator<(Other);
        if (!mine.isValid() || !theirs.isValid())
            return !mine.isValid();
        return mine.toDouble() < theirs.toDouble();
    }
};

T_Pair_Settings Folder_Settings()
{
    T_Pair_Settings settings;
    settings.Make_Exporter = Create_Document_Exporter;
    return settings;
}

void Set_Number(QTreeWidgetItem* Item, int Column, const std::string& Text, double Number)
{
    Item->setText(Column, QString::fromStdString(Text));
    Item->setData(Column, Sort_Role, Number);
}

void Show_Columns(QTreeWidgetItem* Item, const T_Folder_Columns& Columns,
                  const T_Pair_Outcome& Outcome)
{
    using F = T_Folder_List_F;
    Item->setText(F::Verdict_Column, QString::fromStdString(Columns.Verdict));
    if (Columns.In_Pixels) {
        Set_Number(Item, F::Pixels_Column, Columns.Changed_Pixels, double(Outcome.Changed_Pixels));
        Set_Number(Item, F::Regions_Column, Columns.Regions, double(Outcome.Regions));
    }
    if (Columns.Has_Share)
        Set_Number(Item, F::Share_Column, Columns.Share, Outcome.Changed_Share);
    // The reason is long: the whole row shows it when pointed at.
    if (!Columns.Reason.empty())
        for (int column = 0; column < Item->columnCount(); ++column)
            Item->setToolTip(column, QString::fromStdString(Columns.Reason));
}

} // namespace

T_Folder_List_F::T_Folder_List_F(std::string Old_Folder, std::string New_Folder,
                                 T_Launch_Hooks Hooks, QWidget* parent, unsigned Workers)
    : QDialog(parent), Comparison(std::move(Old_Folder), std::move(New_Folder), Folder_Settings()),
      Hooks_(std::move(Hooks))
{
    setWindowTitle(QStringLiteral("Folders: %1 and %2")
                       .arg(QString::fromStdString(Comparison.Old_Folder()),
                            QString::fromStdString(Comparison.New_Folder())));
    Files_L = new QTreeWidget(this);
    Files_L->setHeaderLabels({QStringLiteral("Path"), QStringLiteral("Verdict"),
                              QStringLiteral("Changed pixels"), QStringLiteral("Share"),
                              QStringLiteral("Regions")});
    Files_L->setRootIsDecorated(false);
    Files_L->setUniformRowHeights(true);
    Files_L->header()->setSectionResizeMode(Path_Column, QHeaderView::Stretch);
    Files_L->header()->setStretchLastSection(false);
    for (int column : {Pixels_Column, Share_Column, Regions_Column})
        Files_L->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    Hide_Identical_C = new QCheckBox(QStringLiteral("Hide identical"), this);
    Hide_Identical_C->setChecked(true);
    Progress_L = new QLabel(this);
    Hint_L = new QLabel(QStringLiteral("Enter or double-click opens a file's comparison."), this);

    auto* top = new QHBoxLayout;
    top->addWidget(Progress_L, 1);
    top->addWidget(Hide_Identical_C);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Files_L);
    layout->addWidget(Hint_L);
    setTabOrder(Files_L, Hide_Identical_C);
    connect(Files_L, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* row) { Open_Row(row); });
    connect(Hide_Identical_C, &QCheckBox::toggled, this, [this] { Apply_Filter_To_All(); });

    // A folder that cannot be read is not an empty one.
    if (!Comparison.Folder_Error().empty()) {
        auto* item = new T_Folder_Item(
            Files_L, {QString::fromStdString(Comparison.Folder_Error()), QStringLiteral("error")});
        item->setData(Path_Column, Row_Role, -1);
    }
    Outcomes_.resize(Comparison.Rows().size());
    for (const T_Folder_Row& row : Comparison.Rows()) {
        // A pair waits for its measure; a file on one side only is known to
        // be added or removed at once, and the worker opens it later (a
        // document, to count its pages: too slow to wait for here).
        auto* item = new T_Folder_Item(Files_L, {QString::fromStdString(row.Name)});
        item->setData(Path_Column, Row_Role, int(Row_Items.size()));
        T_Pair_Outcome known;
        known.Verdict = row.In_Old ? T_Verdict::Only_Old : T_Verdict::Only_New;
        if (row.In_Old && row.In_New)
            item->setText(Verdict_Column, QStringLiteral("..."));
        else
            Show_Columns(item, Folder_Columns(row, known), known);
        for (int column : {Pixels_Column, Share_Column, Regions_Column})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        Row_Items.push_back(item);
    }
    Files_L->setSortingEnabled(true);
    Files_L->sortByColumn(Path_Column, Qt::AscendingOrder);
    Files_L->setCurrentItem(Files_L->topLevelItem(0));
    Files_L->setFocus();
    Show_Progress();
    resize(820, 520);
    Files_L->setColumnWidth(Verdict_Column, 90);
    for (int column : {Pixels_Column, Share_Column, Regions_Column})
        Files_L->setColumnWidth(column, 115);
    Workers_ = std::make_unique<T_Row_Workers>(Comparison.Rows().size(), Workers,
                                               [this](std::size_t row) { Measure(row); });
}

T_Folder_List_F::~T_Folder_List_F()
{
    // No pair is started any more; those under way end before the list
    // they report to goes.
    Workers_.reset();
}

// On a worker thread.
void T_Folder_List_F::Measure(std::size_t Row)
{
    T_Pair_Outcome outcome = Comparison.Measure(Comparison.Rows()[Row]);
    QMetaObject::invokeMethod(
        this, [this, Row, outcome] { Show_Outcome(Row, outcome); }, Qt::QueuedConnection);
}

void T_Folder_List_F::Show_Outcome(std::size_t Row, const T_Pair_Outcome& Outcome)
{
    Outcomes_[Row] = Outcome;
    ++Measured_Rows;
    Show_Columns(Row_Items[Row], Folder_Columns(Comparison.Rows()[Row], Outcome), Outcome);
    Apply_Filter(Row_Items[Row], true);
    Show_Progress();
}

void T_Folder_List_F::Show_Progress()
{
    const std::size_t total = Comparison.Rows().size();
    if (Measured_Rows < total) {
        Progress_L->setText(QStringLiteral("Comparing %1 of %2 ...")
                                .arg(QString::fromStdString(Grouped(Measured_Rows + 1)),
                                     QString::fromStdString(Grouped(total))));
        return;
    }
    std::vector<T_Folder_Change> changes;
    for (std::size_t row = 0; row < total; ++row)
        changes.push_back(Folder_Change(Comparison.Rows()[row], *Outcomes_[row]));
    Progress_L->setText(QString::fromStdString(Folder_Summary(changes)));
}

void T_Folder_List_F::Apply_Filter(QTreeWidgetItem* Item, bool Keep_Current)
{
    const int row = Item->data(Path_Column, Row_Role).toInt();
    const bool identical =
        row >= 0 && Outcomes_[std::size_t(row)] &&
        Folder_Change(Comparison.Rows()[std::size_t(row)], *Outcomes_[std::size_t(row)]) ==
            T_Folder_Change::Identical;
    const bool hide = identical && Hide_Identical_C->isChecked();
    if (hide && Keep_Current && Item == Files_L->currentItem())
        return;
    Item->setHidden(hide);
}

void T_Folder_List_F::Apply_Filter_To_All()
{
    for (QTreeWidgetItem* item : Row_Items)
        Apply_Filter(item, false);
    // The cursor stays on a visible row: the one it was on, or the first.
    QTreeWidgetItem* current = Files_L->currentItem();
    if (current && current->isHidden()) {
        QTreeWidgetItem* first = nullptr;
        for (int index = 0; index < Files_L->topLevelItemCount() && !first; ++index)
            if (!Files_L->topLevelItem(index)->isHidden())
                first = Files_L->topLevelItem(index);
        Files_L->setCurrentItem(first);
    }
}

QTreeWidgetItem* T_Folder_List_F::Item_Of(const std::string& Name) const
{
    for (std::size_t row = 0; row < Row_Items.size(); ++row)
        if (Comparison.Rows()[row].Name == Name)
            return Row_Items[row];
    return nullptr;
}

void T_Folder_List_F::Open_Row(QTreeWidgetItem* Row)
{
    const int index = Row ? Row->data(Path_Column, Row_Role).toInt() : -1;
    if (index < 0 || std::size_t(index) >= Row_Items.size())
        return;
    const T_Folder_Row& row = Comparison.Rows()[std::size_t(index)];
    // The panes are captioned with the file's place in the folders, not with
    // the temporary names a version-control client made for it; titles given
    // on the command line belong to no single file of the list.
    T_Launch_Hooks hooks = Hooks_;
    hooks.Left_Title = row.Name + " (old)";
    hooks.Right_Title = row.Name + " (new)";
    // The list is a review of many files: a row of a kind the window does
    // not show is refused in one box, without the About box after it.
    hooks.Version_Control_Viewer = true;
    Run_Diff_Sequence(row.In_Old ? Comparison.Old_Path(row) : os::Null_Device(),
                      row.In_New ? Comparison.New_Path(row) : os::Null_Device(), hooks);
    Files_L->setCurrentItem(Row);
    Row->setSelected(true);
    Files_L->scrollToItem(Row);
    Files_L->setFocus();
}

int Show_Folder_List(const std::string& Old_Folder, const std::string& New_Folder,
                     const T_Launch_Hooks& Hooks)
{
    T_Folder_List_F list(Old_Folder, New_Folder, Hooks);
    list.exec();
    return 0;
}
