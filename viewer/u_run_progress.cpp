#include "u_run_progress.h"

#include <QProgressDialog>

T_Run_Progress::T_Run_Progress(QWidget* Parent, const QString& Activity)
    : Parent_(Parent), Activity_(Activity)
{
    Clock.start();
}

T_Run_Progress::~T_Run_Progress() { delete Dialog; }

bool T_Run_Progress::Keep_Going()
{
    if (!Dialog && !Canceled && Clock.elapsed() >= Delay_Ms) {
        Dialog = new QProgressDialog(Activity_, QStringLiteral("Cancel"), 0, 0, Parent_);
        Dialog->setWindowTitle(QStringLiteral("Please wait"));
        Dialog->setWindowModality(Qt::ApplicationModal);
        Dialog->setMinimumDuration(0);
        Dialog->setAutoReset(false);
        Dialog->setAutoClose(false);
        QObject::connect(Dialog, &QProgressDialog::canceled, [this] { Canceled = true; });
        Dialog->show();
    }
    // Closing the window counts as Cancel too.
    if (Dialog && Dialog->wasCanceled())
        Canceled = true;
    return !Canceled;
}
