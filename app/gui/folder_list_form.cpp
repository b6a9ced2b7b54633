#include "folder_list_form.h"

#include "document_exporters.h"
#include "u_ole_automation.h"

#include <QHeaderView>
#include <QMetaObject>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum T_Column { File_Column = 0, Change_Column = 1 };

T_Pair_Settings Folder_Settings()
{
    T_Pair_Settings settings;
    settings.Make_Exporter = Create_Document_Exporter;
    return settings;
}

} // namespace

T_Folder_List_F::T_Folder_List_F(std::string Old_Folder, std::string New_Folder,
                                 T_Launch_Hooks Hooks, QWidget* parent)
    : QDialog(parent), Comparison(std::move(Old_Folder), std::move(New_Folder), Folder_Settings()),
      Hooks_(std::move(Hooks))
{
    setWindowTitle(QStringLiteral("Folders: %1 and %2")
                       .arg(QString::fromStdString(Comparison.Old_Folder()),
                            QString::fromStdString(Comparison.New_Folder())));
    auto* layout = new QVBoxLayout(this);
    Files_L = new QTreeWidget(this);
    Files_L->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Change")});
    Files_L->setRootIsDecorated(false);
    Files_L->header()->setSectionResizeMode(File_Column, QHeaderView::Stretch);
    layout->addWidget(Files_L);
    connect(Files_L, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* row) { Open_Row(row); });

    // A folder that cannot be read is not an empty one.
    if (!Comparison.Folder_Error().empty())
        new QTreeWidgetItem(Files_L, {QString::fromStdString(Comparison.Folder_Error()),
                                      QStringLiteral("cannot read the folder")});
    Outcomes_.resize(Comparison.Rows().size());
    for (const T_Folder_Row& row : Comparison.Rows()) {
        // A file on one side only is known at once; pairs wait for their measure.
        const std::string change = row.In_Old && row.In_New
                                       ? std::string("...")
                                       : Change_Words(row, Comparison.Measure(row));
        auto* item = new QTreeWidgetItem(
            Files_L, {QString::fromStdString(row.Name), QString::fromStdString(change)});
        item->setData(File_Column, Qt::UserRole, row.In_Old && row.In_New);
        Row_Items.push_back(item);
    }
    Files_L->setCurrentItem(Files_L->topLevelItem(0));
    resize(720, 480);
    Worker = std::thread([this] { Measure(); });
}

T_Folder_List_F::~T_Folder_List_F()
{
    Stop = true;
    Worker.join();
}

void T_Folder_List_F::Measure()
{
    // Drawings go through their application's automation server, which is
    // entered from this thread as well.
    T_Automation_Apartment apartment;
    const std::vector<T_Folder_Row>& rows = Comparison.Rows();
    for (std::size_t index = 0; index < rows.size() && !Stop; ++index) {
        T_Pair_Outcome outcome = Comparison.Measure(rows[index]);
        QMetaObject::invokeMethod(
            this, [this, index, outcome] { Show_Outcome(index, outcome); }, Qt::QueuedConnection);
    }
}

void T_Folder_List_F::Show_Outcome(std::size_t Row, const T_Pair_Outcome& Outcome)
{
    Outcomes_[Row] = Outcome;
    ++Measured_Rows;
    Row_Items[Row]->setText(Change_Column,
                            QString::fromStdString(Change_Words(Comparison.Rows()[Row], Outcome)));
}

void T_Folder_List_F::Open_Row(QTreeWidgetItem* Row)
{
    if (!Row || !Row->data(File_Column, Qt::UserRole).toBool())
        return;
    const auto found = std::find(Row_Items.begin(), Row_Items.end(), Row);
    if (found == Row_Items.end())
        return;
    const T_Folder_Row& row = Comparison.Rows()[std::size_t(found - Row_Items.begin())];
    Run_Diff(Comparison.Old_Path(row), Comparison.New_Path(row), Hooks_);
}

int Show_Folder_List(const std::string& Old_Folder, const std::string& New_Folder,
                     const T_Launch_Hooks& Hooks)
{
    T_Folder_List_F list(Old_Folder, New_Folder, Hooks);
    list.exec();
    return 0;
}
