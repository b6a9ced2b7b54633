#include "viewer/u_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

QString Chosen_Save_Name(QWidget* Parent, const QString& File_Name, const QString& Filter,
                         const QString& Default_Ext)
{
    // The dialog adds the extension itself, so that replacing an existing
    // file is confirmed for the name actually written, not for the one typed.
    QFileDialog dialog(Parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setObjectName(QStringLiteral("Save_Dialog"));
    if (!Filter.isEmpty())
        dialog.setNameFilter(Filter);
    dialog.setDefaultSuffix(Default_Ext);
    const QFileInfo preset(File_Name);
    if (!File_Name.isEmpty()) {
        dialog.setDirectory(preset.absolutePath());
        dialog.selectFile(preset.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

bool T_File_Dialog::Execute(QWidget* parent)
{
    QString chosen = Kind == T_Kind::Open
                         ? QFileDialog::getOpenFileName(parent, QString(), FileName, Filter)
                         : Chosen_Save_Name(parent, FileName, Filter, DefaultExt);
    if (chosen.isEmpty())
        return false;
    if (Kind == T_Kind::Save && QFileInfo(chosen).suffix().isEmpty() && !DefaultExt.isEmpty())
        chosen += QLatin1Char('.') + DefaultExt;
    FileName = chosen;
    return true;
}
