#include "viewer/diff_view_actions.h"

#include "viewer/flow_tool_bar.h"
#include "differences/picture_difference.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

// The integer value of a field's text; false when it is not an integer.
bool Parse_Integer(const QString& text, int& value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

// Keys act on the pictures, not on a field being typed into.
bool Typing()
{
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus);
}

} // namespace

// Accepts digits and signs while typing; the rule is applied when the field
// is left (or Enter is pressed), not keystroke by keystroke, so the user can
// type over the value freely.
class T_Shave_Edit : public QSpinBox {
public:
    explicit T_Shave_Edit(QWidget* parent) : QSpinBox(parent) {}
    std::function<void()> On_Exit;
    // The value the field holds outside an edit; Escape returns to it.
    void Commit() { Value_Before_Edit = value(); }

protected:
    QValidator::State validate(QString& text, int&) const override
    {
        for (QChar c : text)
            if (!c.isDigit() && c != QLatin1Char('+') && c != QLatin1Char('-') &&
                c != locale().decimalPoint().front())
                return QValidator::Invalid;
        int value = 0;
        return Parse_Integer(text, value) && value >= minimum() && value <= maximum()
                   ? QValidator::Acceptable
                   : QValidator::Intermediate;
    }
    void fixup(QString&) const override {}
    void focusInEvent(QFocusEvent* event) override
    {
        Commit();
        QSpinBox::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        if (On_Exit)
            On_Exit();
        Commit();
        QSpinBox::focusOutEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // Escape abandons the edit; it must not reach the window, where it
        // would close the comparison.
        if (event->key() == Qt::Key_Escape) {
            setValue(Value_Before_Edit);
            lineEdit()->setText(textFromValue(Value_Before_Edit));
            event->accept();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && On_Exit)
            On_Exit();
        QSpinBox::keyPressEvent(event);
    }

private:
    int Value_Before_Edit = 0;
};

T_Diff_View_Actions::T_Diff_View_Actions(QWidget* View) : View_(View) {}

void T_Diff_View_Actions::Build_Tool_Row(QVBoxLayout* Layout)
{
    ToolBar1 = new T_Flow_Tool_Bar(View_);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar1->setMovable(false);
    Layout->addWidget(ToolBar1);

    auto add = [this](const char* name, const char* caption, bool wide) {
        QAction* action = new QAction(QString::fromLatin1(caption), View_);
        action->setObjectName(QString::fromLatin1(name));
        ToolBar1->addAction(action);
        if (wide)
            ToolBar1->widgetForAction(action)->setMinimumWidth(127);
        return action;
    };
    Fit_A = add("Fit_A", "Fit to window", false);
    Fit_A->setCheckable(true);
    ToolBar1->addSeparator();
    Compare_A = add("Compare_A", "Compare_A", false);
    Compare_A->setCheckable(true);
    // Ctrl+M works wherever the focus is in this view, not on the toolbar alone.
    Compare_A->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    Compare_A->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    View_->addAction(Compare_A);
    Trim_Compared_A = add("Trim_Compared_A", "Trim compared", true);
    Trim_Compared_A->setCheckable(true);

    Shave_Edit_ = new T_Shave_Edit(ToolBar1);
    Shave_E = Shave_Edit_;
    Shave_E->setObjectName(QStringLiteral("Shave_E"));
    Shave_E->setRange(0, INT_MAX); // no limit until the first picture is known
    Shave_E->setValue(15);
    Shave_Edit_->Commit();
    Shave_E->setFixedWidth(60);
    Shave_E->setToolTip(QStringLiteral("Pixels shaved off every edge before trimming"));
    ToolBar1->addWidget(Shave_E);
    ToolBar1->addSeparator();
    Sync_Pages_A = add("Sync_Pages_A", "Sync pages", false);
    Sync_Pages_A->setCheckable(true);
    Sync_Pages_A->setChecked(true);
    ToolBar1->addSeparator();
    Execute_Compared_Img_A = add("Execute_Compared_Img_A", "Execute compared image", true);
    ToolBar1->addSeparator();
    Export_Compared_Img_A = add("Export_Compared_Img_A", "Export compared image", true);
    ToolBar1->addSeparator();
    About_A = add("About_A", "About", true);
    ToolBar1->addSeparator();
    Close_A = add("Close_A", "Close", true);
}

QAction* T_Diff_View_Actions::Add_Row_Action(QToolBar* Row, const char* Name,
                                             const QString& Caption, const QString& Keys)
{
    QAction* action = Row->addAction(Caption);
    action->setObjectName(QString::fromLatin1(Name));
    action->setToolTip(QStringLiteral("%1 (%2)").arg(Caption, Keys));
    return action;
}

void T_Diff_View_Actions::Build_View_Row(QVBoxLayout* Layout)
{
    ToolBar2 = new T_Flow_Tool_Bar(QStringLiteral("View"), View_);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar2->setMovable(false);
    Layout->insertWidget(1, ToolBar2);
    auto add = [this](const char* name, const QString& caption, const QString& keys) {
        return Add_Row_Action(ToolBar2, name, caption, keys);
    };
    Zoom_In_A = add("Zoom_In_A", QStringLiteral("Zoom in"), QStringLiteral("+ or Ctrl+wheel"));
    Zoom_Out_A = add("Zoom_Out_A", QStringLiteral("Zoom out"), QStringLiteral("- or Ctrl+wheel"));
    Zoom_100_A = add("Zoom_100_A", QStringLiteral("Zoom 100%"), QStringLiteral("1"));
    ToolBar2->addSeparator();
    // The one-pane views and side by side exclude each other.
    auto* layouts = new QActionGroup(View_);
    auto add_layout = [&](const char* name, const QString& caption, const QString& keys) {
        QAction* action = add(name, caption, keys);
        action->setCheckable(true);
        layouts->addAction(action);
        return action;
    };
    Side_By_Side_A =
        add_layout("Side_By_Side_A", QStringLiteral("Side by side"), QStringLiteral("S"));
    Overlay_A = add_layout("Overlay_A", QStringLiteral("Overlay"), QStringLiteral("O"));
    Blink_A = add_layout("Blink_A", QStringLiteral("Blink"), QStringLiteral("B; Space pauses"));
    Swipe_A =
        add_layout("Swipe_A", QStringLiteral("Swipe"), QStringLiteral("W; Left and Right move it"));
    Differences_A = add_layout("Differences_A", QStringLiteral("Differences"), QStringLiteral("D"));
    Side_By_Side_A->setChecked(true);

    Opacity_S = new QSlider(Qt::Horizontal, ToolBar2);
    Opacity_S->setObjectName(QStringLiteral("Opacity_S"));
    Opacity_S->setRange(0, 100);
    Opacity_S->setValue(50);
    Opacity_S->setFixedWidth(120);
    Opacity_S->setToolTip(QStringLiteral("Opacity of the modified version ([ and ])"));
    ToolBar2->addWidget(Opacity_S);
    Blink_Interval_E = new QDoubleSpinBox(ToolBar2);
    Blink_Interval_E->setObjectName(QStringLiteral("Blink_Interval_E"));
    Blink_Interval_E->setRange(0.1, 5.0);
    Blink_Interval_E->setSingleStep(0.1);
    Blink_Interval_E->setDecimals(1);
    Blink_Interval_E->setValue(0.5);
    Blink_Interval_E->setSuffix(QStringLiteral(" s"));
    Blink_Interval_E->setToolTip(QStringLiteral("Time each version shows while blinking"));
    ToolBar2->addWidget(Blink_Interval_E);
    ToolBar2->addSeparator();
    Reset_Offset_A = add("Reset_Offset_A", QStringLiteral("Reset offset"),
                         QStringLiteral("Alt+0; Alt+arrows move"));
}

void T_Diff_View_Actions::Build_Changes_Row(QVBoxLayout* Layout)
{
    ToolBar3 = new T_Flow_Tool_Bar(QStringLiteral("Changes"), View_);
    ToolBar3->setObjectName(QStringLiteral("ToolBar3"));
    ToolBar3->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar3->setMovable(false);
    Layout->insertWidget(Layout->indexOf(ToolBar2) + 1, ToolBar3);
    Tolerance_E = new QSpinBox(ToolBar3);
    Tolerance_E->setObjectName(QStringLiteral("Tolerance_E"));
    Tolerance_E->setRange(0, 100);
    Tolerance_E->setValue(T_Difference_Options().Tolerance);
    Tolerance_E->setPrefix(QStringLiteral("Tolerance "));
    Tolerance_E->setToolTip(
        QStringLiteral("How far colours may differ and still count as the same (0 to 100)"));
    ToolBar3->addWidget(Tolerance_E);
    Ignore_Antialiasing_C = new QCheckBox(QStringLiteral("Ignore anti-aliasing"), ToolBar3);
    Ignore_Antialiasing_C->setObjectName(QStringLiteral("Ignore_Antialiasing_C"));
    Ignore_Antialiasing_C->setChecked(true);
    Ignore_Antialiasing_C->setToolTip(
        QStringLiteral("Edge pixels of re-rendered lines and text do not count as changes"));
    ToolBar3->addWidget(Ignore_Antialiasing_C);
    Show_Changes_C = new QCheckBox(QStringLiteral("Show changes"), ToolBar3);
    Show_Changes_C->setObjectName(QStringLiteral("Show_Changes_C"));
    Show_Changes_C->setToolTip(QStringLiteral("Outline every change in every pane (C)"));
    ToolBar3->addWidget(Show_Changes_C);
    ToolBar3->addSeparator();
    Previous_Change_A =
        Add_Row_Action(ToolBar3, "Previous_Change_A", QStringLiteral("Previous change"),
                       QStringLiteral("Shift+F8 or P"));
    Next_Change_A = Add_Row_Action(ToolBar3, "Next_Change_A", QStringLiteral("Next change"),
                                   QStringLiteral("F8 or N"));
    Previous_Change_A->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8));
    Next_Change_A->setShortcut(QKeySequence(Qt::Key_F8));
    // The keys work wherever the focus is in this view, the pictures
    // included; on the toolbar alone they would reach only its own buttons.
    for (QAction* action : {Previous_Change_A, Next_Change_A}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        View_->addAction(action);
    }
}

QShortcut* T_Diff_View_Actions::Add_Key(const QKeySequence& Sequence, std::function<void()> Handler)
{
    auto* shortcut = new QShortcut(Sequence, View_);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, View_, [Handler = std::move(Handler)] {
        if (!Typing())
            Handler();
    });
    return shortcut;
}

void T_Diff_View_Actions::Set_Shave_Exit(std::function<void()> Handler)
{
    Shave_Edit_->On_Exit = std::move(Handler);
}

int T_Diff_View_Actions::Shave_Value() const
{
    int value = 0;
    return Parse_Integer(Shave_E->text(), value) && value > 0 ? value : 0;
}

void T_Diff_View_Actions::Clean_Shave()
{
    int value = 0;
    if (!Parse_Integer(Shave_E->text(), value) || value < 0)
        value = 0;
    Shave_E->setValue(std::min(value, Shave_E->maximum()));
}

void T_Diff_View_Actions::Set_Shave_Limit(int Maximum)
{
    Shave_E->setMaximum(Maximum);
    Shave_Edit_->Commit();
}
