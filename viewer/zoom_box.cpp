#include "viewer/zoom_box.h"

#include "viewer/diff_status_line.h"
#include "viewer/diff_view_actions.h"
#include "viewer/pane_grid.h"
#include "viewer/u_zoom.h"
#include "viewer/view_row_controller.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QToolBar>

#include <cmath>

namespace {

const int Preset_Percents[] = {25, 50, 100, 200, 400, 800};
const QString Fit_Text = QStringLiteral("Fit");

} // namespace

std::optional<T_Zoom_Choice> Parsed_Zoom_Choice(const QString& Text)
{
    QString text = Text.trimmed();
    if (text.compare(Fit_Text, Qt::CaseInsensitive) == 0)
        return T_Zoom_Choice{true, 1.0};
    if (text.endsWith(QLatin1Char('%')))
        text.chop(1);
    bool number = false;
    const double percent = text.trimmed().toDouble(&number);
    if (!number || !std::isfinite(percent) || percent <= 0)
        return std::nullopt;
    return T_Zoom_Choice{false, percent / 100.0};
}

QString Zoom_Text(double Zoom)
{
    return QStringLiteral("%1 %").arg(std::round(Zoom * 1000) / 10.0);
}

T_Zoom_Box::T_Zoom_Box(QWidget* Parent) : QComboBox(Parent)
{
    setObjectName(QStringLiteral("Zoom_Box"));
    setAccessibleName(QStringLiteral("Zoom"));
    setToolTip(QStringLiteral("Zoom: choose a preset or type a percentage and press Enter"));
    setEditable(true);
    // Typed zooms are applied, not collected into the list.
    setInsertPolicy(QComboBox::NoInsert);
    addItem(Fit_Text);
    for (int percent : Preset_Percents)
        addItem(Zoom_Text(percent / 100.0));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMinimumContentsLength(7);
    Show_Zoom(1.0);
    // No completion: "20" typed must not become the "200 %" it begins.
    setCompleter(nullptr);
    // The typing field and the list of presets are controls of their own
    // for a screen reader, which asks each for its name.
    lineEdit()->setAccessibleName(QStringLiteral("Zoom"));
    view()->setAccessibleName(QStringLiteral("Zoom presets"));
    connect(this, &QComboBox::textActivated, this, [this](const QString& text) { Choose(text); });
    // Enter on text that is not in the list activates nothing by itself;
    // on a preset's text both run, and a second identical choice changes
    // nothing.
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this] { Choose(currentText()); });
}

void T_Zoom_Box::Show_Zoom(double Zoom)
{
    Shown_ = Zoom;
    setEditText(Zoom_Text(Zoom));
}

void T_Zoom_Box::Choose(const QString& Text)
{
    std::optional<T_Zoom_Choice> choice = Parsed_Zoom_Choice(Text);
    if (!choice) {
        Show_Zoom(Shown_);
        return;
    }
    if (On_Choice)
        On_Choice(*choice);
}

T_Zoom_Box* Add_Zoom_Box(T_Diff_View_Actions& Actions, T_Pane_Grid& Panes,
                         T_View_Row_Controller& View_Row, T_Diff_Status_Line& Status_Line,
                         std::function<void()> Toggle_Fit)
{
    auto* box = new T_Zoom_Box(Actions.ToolBar2);
    Actions.ToolBar2->addSeparator();
    Actions.ToolBar2->addWidget(box);
    box->On_Choice = [&Panes, &View_Row, &Status_Line, box,
                      Toggle_Fit = std::move(Toggle_Fit)](const T_Zoom_Choice& choice) {
        if (Panes.View_Mode() == T_View_Mode::None) {
            box->Show_Zoom(Panes.Current_Scale());
            return;
        }
        if (!choice.Fit)
            View_Row.Zoom_Centred(choice.Zoom);
        else if (Panes.View_Mode() != T_View_Mode::Fit)
            Toggle_Fit();
        // A choice that changed nothing (Fit while fitted, a zoom clamped to
        // the one shown) still shows the zoom rather than the typed text.
        Status_Line.Update();
    };
    Status_Line.On_Update = [&Panes, box] { box->Show_Zoom(Panes.Current_Scale()); };
    return box;
}
