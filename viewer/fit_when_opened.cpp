#include "viewer/fit_when_opened.h"

#include "session/comparison_model.h"
#include "viewer/pane_grid.h"

#include <QAction>
#include <QSettings>
#include <QToolBar>

namespace {

const QString Fit_Pages_Key = QStringLiteral("view/fit_pages_when_opened");

} // namespace

bool Fit_Pages_When_Opened() { return QSettings().value(Fit_Pages_Key, true).toBool(); }

void Set_Fit_Pages_When_Opened(bool Fit) { QSettings().setValue(Fit_Pages_Key, Fit); }

QAction* Add_Fit_When_Opened_Action(QWidget& View)
{
    auto* row = View.findChild<QToolBar*>(QStringLiteral("ToolBar2"));
    auto* action = new QAction(QStringLiteral("Fit pages when opened"), row);
    action->setObjectName(QStringLiteral("Fit_When_Opened_A"));
    action->setCheckable(true);
    action->setChecked(Fit_Pages_When_Opened());
    action->setToolTip(QStringLiteral(
        "Show the pages of PDFs and drawings fitted to the pane when a comparison opens"));
    QObject::connect(action, &QAction::toggled, action,
                     [](bool checked) { Set_Fit_Pages_When_Opened(checked); });
    row->addAction(action);
    return action;
}

void Fit_If_Chosen(const T_Diff_View_Context& View)
{
    if (View.Panes.View_Mode() != T_View_Mode::Actual_Size || !View.Model.Session().Is_Paged() ||
        !Fit_Pages_When_Opened())
        return;
    if (auto* fit = View.View.findChild<QAction*>(QStringLiteral("Fit_A")))
        fit->trigger();
}
