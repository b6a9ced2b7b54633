#include "app/gui/U_Varnolt_File_Select.h"

#include "platform/os_platform.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

bool Names_A_File(const QLineEdit* edit)
{
    return !edit->text().isEmpty() && os::File_Exists(edit->text().toStdString());
}

} // namespace

TFile_Select_F::TFile_Select_F(std::unique_ptr<T_Open_Dialog> open_dialog, QWidget* parent)
    : QDialog(parent),
      OpenDialog1(open_dialog ? std::move(open_dialog)
                              : std::make_unique<T_File_Dialog>(T_File_Dialog::T_Kind::Open))
{
    setWindowTitle(QStringLiteral("Varnolt - select files"));
    Label1 = new QLabel(QStringLiteral("Select left (base) file"), this);
    Left_E = new QLineEdit(this);
    Button1 = new QPushButton(QStringLiteral("..."), this);
    Label2 = new QLabel(QStringLiteral("Select right (modified) file"), this);
    Right_E = new QLineEdit(this);
    Button2 = new QPushButton(QStringLiteral("..."), this);
    OK_B = new QPushButton(QStringLiteral("OK"), this);
    Cancel_B = new QPushButton(QStringLiteral("Cancel"), this);
    for (QPushButton* browse : {Button1, Button2})
        browse->setFixedWidth(45);
    // The fields' labels sit above them and the buttons show only "...":
    // screen readers get names that say what each one is for.
    Left_E->setAccessibleName(QStringLiteral("Base file"));
    Right_E->setAccessibleName(QStringLiteral("Modified file"));
    Button1->setAccessibleName(QStringLiteral("Browse for the base file"));
    Button2->setAccessibleName(QStringLiteral("Browse for the modified file"));
    OK_B->setMinimumWidth(137);
    Cancel_B->setMinimumWidth(121);
    OK_B->setDefault(true);
    OK_B->setAutoDefault(true);
    Cancel_B->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Left_E, 1, 0);
    grid->addWidget(Button1, 1, 1);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(Right_E, 3, 0);
    grid->addWidget(Button2, 3, 1);
    grid->setColumnStretch(0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OK_B);
    buttons->addSpacing(31);
    buttons->addWidget(Cancel_B);
    buttons->addStretch(1);
    grid->setRowMinimumHeight(4, 12);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    resize(595, 166);

    setTabOrder(Left_E, Button1);
    setTabOrder(Button1, Right_E);
    setTabOrder(Right_E, Button2);
    setTabOrder(Button2, OK_B);
    setTabOrder(OK_B, Cancel_B);

    connect(Left_E, &QLineEdit::textChanged, this, &TFile_Select_F::Edit_Change);
    connect(Right_E, &QLineEdit::textChanged, this, &TFile_Select_F::Edit_Change);
    connect(Button1, &QPushButton::clicked, this, [this] { Browse(Left_E); });
    connect(Button2, &QPushButton::clicked, this, [this] { Browse(Right_E); });
    connect(OK_B, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel_B, &QPushButton::clicked, this, &QDialog::reject);
}

TFile_Select_F::~TFile_Select_F() = default;

void TFile_Select_F::Prefill(const std::string& left, const std::string& right)
{
    if (left.empty())
        return;
    Left_E->setText(QString::fromStdString(left));
    if (!right.empty())
        Right_E->setText(QString::fromStdString(right));
}

void TFile_Select_F::Edit_Change()
{
    OK_B->setEnabled(Names_A_File(Left_E) && Names_A_File(Right_E));
}

void TFile_Select_F::Browse(QLineEdit* edit)
{
    if (!edit->text().isEmpty())
        OpenDialog1->FileName = edit->text();
    if (OpenDialog1->Execute(this))
        edit->setText(OpenDialog1->FileName);
}

bool Select_Files(std::string& left, std::string& right)
{
    TFile_Select_F dialog;
    dialog.Prefill(left, right);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    left = dialog.Left_E->text().toStdString();
    right = dialog.Right_E->text().toStdString();
    return true;
}
