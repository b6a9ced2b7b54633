#include "app/gui/message_box_presenter.h"

#include <QApplication>
#include <QMessageBox>

void T_Message_Box_Presenter::Present(T_Msg_Kind kind, const std::string& caption,
                                      const std::string& text)
{
    QMessageBox::Icon icon = kind == T_Msg_Kind::Plain     ? QMessageBox::NoIcon
                             : kind == T_Msg_Kind::Warning ? QMessageBox::Warning
                                                           : QMessageBox::Critical;
    QString body = QString::fromStdString(text);
    body.remove(QLatin1Char('\r'));
    QMessageBox box(icon, QString::fromStdString(caption), body, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}
