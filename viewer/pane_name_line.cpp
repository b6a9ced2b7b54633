#include "viewer/pane_name_line.h"

#include "platform/os_platform.h"
#include "vocabulary/file_names.h"
#include "viewer/vcs_view_image_frame.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString Line_Name = QStringLiteral("Pane_File_Name");

QLabel* Name_Line(TView_Image_Frame& Pane)
{
    if (auto* line = Pane.findChild<QLabel*>(Line_Name, Qt::FindDirectChildrenOnly))
        return line;
    auto* layout = qobject_cast<QBoxLayout*>(Pane.layout());
    if (!layout || !Pane.Caption_E)
        return nullptr;
    auto* line = new QLabel(&Pane);
    line->setObjectName(Line_Name);
    line->setTextFormat(Qt::PlainText);
    line->setContentsMargins(4, 1, 4, 1);
    // Under the caption: the caption stays where it always was.
    layout->insertWidget(layout->indexOf(Pane.Caption_E) + 1, line);
    return line;
}

void Show_Name(TView_Image_Frame* Pane, const std::string& File, const QString& Side)
{
    if (!Pane)
        return;
    QLabel* line = Name_Line(*Pane);
    if (!line)
        return;
    if (File.empty() || os::Is_Null_Device(File)) {
        line->hide();
        return;
    }
    const QString name = QString::fromStdString(File_Name_Part(File));
    line->setText(name);
    line->setToolTip(QString::fromStdString(File));
    line->setAccessibleName(Side + QStringLiteral(" file"));
    line->setAccessibleDescription(QString::fromStdString(File));
    line->show();
}

} // namespace

void Show_Pane_File_Names(QWidget& View, const std::string& Base_File,
                          const std::string& Modified_File)
{
    Show_Name(View.findChild<TView_Image_Frame*>(QStringLiteral("View_Image_Frame1")), Base_File,
              QStringLiteral("Base"));
    Show_Name(View.findChild<TView_Image_Frame*>(QStringLiteral("View_Image_Frame2")),
              Modified_File, QStringLiteral("Modified"));
}
