#include "viewer/u_run_progress.h"

#include <QProgressDialog>

T_Run_Progress::T_Run_Progress(QWidget* Parent, const QString& Activity,
                               std::function<void()> Cancel)
    : Parent_(Parent), Activity_(Activity), Cancel_(std::move(Cancel))
{
    Delay.setSingleShot(true);
    QObject::connect(&Delay, &QTimer::timeout, &Delay, [this] { Show(); });
    Delay.start(Delay_Ms);
}

T_Run_Progress::~T_Run_Progress() { delete Dialog; }

void T_Run_Progress::Show()
{
    Dialog = new QProgressDialog(Activity_, QStringLiteral("Cancel"), 0, 0, Parent_);
    Dialog->setWindowTitle(QStringLiteral("Please wait"));
    Dialog->setWindowModality(Qt::ApplicationModal);
    Dialog->setMinimumDuration(0);
    Dialog->setAutoReset(false);
    Dialog->setAutoClose(false);
    // The button, Escape and the title bar's close all end up here; the
    // window hides itself, and goes when the wait has ended.
    QObject::connect(Dialog, &QProgressDialog::canceled, Dialog, [this] {
        if (Cancel_)
            Cancel_();
    });
    Dialog->show();
}
