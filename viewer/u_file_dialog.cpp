#include "viewer/u_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

bool T_File_Dialog::Execute(QWidget* parent)
{
    QString chosen = Kind == T_Kind::Open
                         ? QFileDialog::getOpenFileName(parent, QString(), FileName, Filter)
                         : QFileDialog::getSaveFileName(parent, QString(), FileName, Filter,
                                                        nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return false;
    if (Kind == T_Kind::Save && QFileInfo(chosen).suffix().isEmpty() && !DefaultExt.isEmpty())
        chosen += QLatin1Char('.') + DefaultExt;
    FileName = chosen;
    return true;
}
