#include "app/gui/U_About_Varnolt.h"

#include "engine/U_ShellOp.h"
#include "platform/os_platform.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

const char* const Maker_Web_Site = "https://www.quorbit.example/varnolt";

std::string Usage_Text()
{
    return std::string("Usage:\r\n") + "varnolt" + os::Executable_Suffix() +
           " OldFile NewFile\r\n"
           "\r\n"
           "Support for common image format (BMP, GIF, JPG, PNG, PSD, SVG etc.),\r\n"
#ifdef _WIN32
           "MS Visio drawings (need MS Visio to be installed)\r\n"
#else
           // Visio drawings, DXF drawings and Word documents are read
           // through LibreOffice here.
           "MS Visio, DXF and Word files (need LibreOffice to be installed)\r\n"
#endif
           "KOMPAS-Graphics CDW drawings (need Kompas to be installed)";
}

TAbout_F::TAbout_F(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(378, 283);

    Panel1 = new QFrame(this);
    Panel1->setGeometry(11, 8, 339, 105);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);

    ProductName_L = new QLabel(QStringLiteral("Varnolt"), Panel1);
    ProductName_L->move(16, 21);
    QFont bold = ProductName_L->font();
    bold.setBold(true);
    ProductName_L->setFont(bold);
    Version_L = new QLabel(QStringLiteral("Version 1.4"), Panel1);
    Version_L->move(16, 40);
    Maker_L = new QLabel(QStringLiteral("Quorbit software"), Panel1);
    Maker_L->move(16, 59);

    const QString site = QString::fromLatin1(Maker_Web_Site);
    www_main_l = new QLabel(Panel1);
    www_main_l->setText(QStringLiteral("<a href=\"%1\" style=\"color:blue\">%1</a>").arg(site));
    www_main_l->setTextFormat(Qt::RichText);
    www_main_l->setCursor(Qt::PointingHandCursor);
    www_main_l->setOpenExternalLinks(false);
    www_main_l->move(16, 78);
    www_main_l->adjustSize();
    connect(www_main_l, &QLabel::linkActivated, this,
            [](const QString& link) { Shell_Open(link.toStdString()); });

    Info_M = new QPlainTextEdit(this);
    Info_M->setGeometry(11, 119, 339, 126);
    Info_M->setReadOnly(true);
    Info_M->setPlainText(QString::fromStdString(Usage_Text()).remove(QLatin1Char('\r')));
    QPalette face = Info_M->palette();
    face.setColor(QPalette::Base, palette().color(QPalette::Window));
    Info_M->setPalette(face);

    OK_B = new QPushButton(QStringLiteral("OK"), this);
    OK_B->setGeometry(144, 251, 75, 25);
    OK_B->setDefault(true);
    connect(OK_B, &QPushButton::clicked, this, &QDialog::accept);
}

void Show_About()
{
    TAbout_F box;
    box.exec();
}
