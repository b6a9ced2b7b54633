#include "vcs_diff_form.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

// A plain window naming the two files; the diff view takes its place.
void Show_Diff_Form(const std::string& left, const std::string& left_caption,
                    const std::string& right, const std::string&, unsigned char converter_kind,
                    unsigned char paged_kind)
{
    QDialog window;
    window.setWindowTitle(QStringLiteral("Diff"));
    window.setMinimumSize(400, 200);
    window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(&window);
    auto* text = new QLabel(QStringLiteral("%1:\n%2\n\nModified version:\n%3\n\n(converter kind %4, "
                                           "paged kind %5)")
                                .arg(QString::fromStdString(left_caption),
                                     QString::fromStdString(left), QString::fromStdString(right))
                                .arg(converter_kind)
                                .arg(paged_kind),
                            &window);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    layout->addWidget(buttons);
    window.setWindowState(Qt::WindowMaximized);
    window.exec();
}
