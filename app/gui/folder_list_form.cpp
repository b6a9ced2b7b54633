#include "folder_list_form.h"

#include "folder_files.h"
#include "picture_compare.h"
#include "u_image_load.h"

#include <QHeaderView>
#include <QMetaObject>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum T_Column { File_Column = 0, Change_Column = 1 };

// How a pair present on both sides differs, in a few words.
QString Change_Of(const std::string& Old, const std::string& New)
{
    T_Converter_Kind converter;
    T_Paged_Kind paged;
    if (Classify_File(New, converter, paged) == dk_Image) {
        T_Loaded_Picture a = Load_Picture(Old, New), b = Load_Picture(New);
        if (a.Result != T_Picture_Load_Result::Loaded || b.Result != T_Picture_Load_Result::Loaded)
            return QStringLiteral("cannot be read");
        const T_Difference difference =
            Compare_Decoded_Pictures(a.Image, b.Image, T_Difference_Options());
        if (difference.Changed_Pixels == 0)
            return QStringLiteral("identical");
        return QStringLiteral("%1 px changed (%2 %), %3 regions")
            .arg(QLocale(QLocale::English).toString(qulonglong(difference.Changed_Pixels)))
            .arg(difference.Changed_Share() * 100, 0, 'f', 2)
            .arg(difference.Regions.size());
    }
    // Documents and other files: whether their bytes differ.
    return Same_Bytes(Old, New) ? QStringLiteral("identical") : QStringLiteral("changed");
}

} // namespace

T_Folder_List_F::T_Folder_List_F(std::string Old_Folder, std::string New_Folder,
                                 T_Launch_Hooks Hooks, QWidget* parent)
    : QDialog(parent), Old_Folder_(std::move(Old_Folder)), New_Folder_(std::move(New_Folder)),
      Hooks_(std::move(Hooks))
{
    setWindowTitle(
        QStringLiteral("Folders: %1 and %2")
            .arg(QString::fromStdString(Old_Folder_), QString::fromStdString(New_Folder_)));
    auto* layout = new QVBoxLayout(this);
    Files_L = new QTreeWidget(this);
    Files_L->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Change")});
    Files_L->setRootIsDecorated(false);
    Files_L->header()->setSectionResizeMode(File_Column, QHeaderView::Stretch);
    layout->addWidget(Files_L);
    connect(Files_L, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* row) { Open_Row(row); });

    std::error_code old_error, new_error;
    const std::set<std::string> old_files = Files_Below(Old_Folder_, &old_error);
    const std::set<std::string> new_files = Files_Below(New_Folder_, &new_error);
    // A folder that cannot be read is not an empty one.
    for (auto [folder, error] : {std::pair{&Old_Folder_, &old_error}, {&New_Folder_, &new_error}})
        if (*error)
            new QTreeWidgetItem(Files_L, {QString::fromStdString(*folder),
                                          QStringLiteral("cannot read the folder (%1)")
                                              .arg(QString::fromStdString(error->message()))});
    std::set<std::string> all = old_files;
    all.insert(new_files.begin(), new_files.end());
    std::vector<std::string> both;
    for (const std::string& name : all) {
        const bool in_old = old_files.count(name) > 0, in_new = new_files.count(name) > 0;
        auto* row = new QTreeWidgetItem(
            Files_L, {QString::fromStdString(name),
                      in_old && in_new ? QStringLiteral("...")
                      : in_old         ? QStringLiteral("removed (only in the old folder)")
                                       : QStringLiteral("added (only in the new folder)")});
        row->setData(File_Column, Qt::UserRole, in_old && in_new);
        if (in_old && in_new)
            both.push_back(name);
    }
    Files_L->setCurrentItem(Files_L->topLevelItem(0));
    resize(720, 480);
    Worker = std::thread([this, both] { Measure(both); });
}

T_Folder_List_F::~T_Folder_List_F()
{
    Stop = true;
    Worker.join();
}

void T_Folder_List_F::Measure(std::vector<std::string> Names)
{
    for (const std::string& name : Names) {
        if (Stop)
            return;
        QString change = Change_Of(Path_In(Old_Folder_, name), Path_In(New_Folder_, name));
        QMetaObject::invokeMethod(
            this,
            [this, name, change] {
                const auto rows =
                    Files_L->findItems(QString::fromStdString(name), Qt::MatchExactly, File_Column);
                for (QTreeWidgetItem* row : rows)
                    row->setText(Change_Column, change);
            },
            Qt::QueuedConnection);
    }
}

void T_Folder_List_F::Open_Row(QTreeWidgetItem* Row)
{
    if (!Row || !Row->data(File_Column, Qt::UserRole).toBool())
        return;
    const std::string name = Row->text(File_Column).toStdString();
    Run_Diff(Path_In(Old_Folder_, name), Path_In(New_Folder_, name), Hooks_);
}

int Show_Folder_List(const std::string& Old_Folder, const std::string& New_Folder,
                     const T_Launch_Hooks& Hooks)
{
    T_Folder_List_F list(Old_Folder, New_Folder, Hooks);
    list.exec();
    return 0;
}
