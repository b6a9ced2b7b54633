#include "viewer/compared_image_clipboard.h"

#include "vocabulary/U_Msg.h"
#include "viewer/vcs_view_image_frame.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

namespace {

void Copy_Compared(const QWidget& View)
{
    const auto* pane = View.findChild<TView_Image_Frame*>(QStringLiteral("View_Image_Frame3"));
    if (!pane)
        return;
    const QString file = QString::fromStdString(pane->Get_File_Name());
    QImageReader reader(file);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        Show_Msg("The compared image could not be read:\r\n" + file.toStdString());
        return;
    }
    QGuiApplication::clipboard()->setImage(picture);
}

} // namespace

QAction* Add_Copy_Compared_Action(QWidget& View)
{
    auto* copy = new QAction(QStringLiteral("Copy compared image"), &View);
    copy->setObjectName(QStringLiteral("Copy_Compared_Img_A"));
    QObject::connect(copy, &QAction::triggered, &View, [&View] { Copy_Compared(View); });
    if (auto* exported = View.findChild<QAction*>(QStringLiteral("Export_Compared_Img_A"))) {
        auto follow = [copy, exported] { copy->setEnabled(exported->isEnabled()); };
        follow();
        QObject::connect(exported, &QAction::changed, copy, follow);
    } else {
        copy->setEnabled(false);
    }
    return copy;
}
