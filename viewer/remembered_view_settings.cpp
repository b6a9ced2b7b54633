#include "viewer/remembered_view_settings.h"

#include "viewer/change_list.h"
#include "viewer/change_list_width.h"
#include "differences/picture_difference.h"
#include "session/comparison_model.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

const QString Tolerance_Key = QStringLiteral("comparison/tolerance");
const QString Antialiasing_Key = QStringLiteral("comparison/ignore_antialiasing");
const QString Layout_Key = QStringLiteral("comparison/view");
const QString Opacity_Key = QStringLiteral("comparison/overlay_opacity");
const QString Blink_Key = QStringLiteral("comparison/blink_interval");
const QString Show_Changes_Key = QStringLiteral("comparison/show_changes");
const QString Align_Key = QStringLiteral("comparison/align");
const QString List_Shown_Key = QStringLiteral("comparison/change_list_shown");
const QString List_Width_Key = QStringLiteral("comparison/change_list_width");

// The views by the names they are stored under, with their actions' object
// names; names rather than numbers, so that a view added later cannot make
// an old setting mean another view.
struct T_Layout_Name {
    T_Pane_Layout Layout;
    const char* Stored;
    const char* Action;
};
constexpr std::array<T_Layout_Name, 5> Layout_Names{{
    {T_Pane_Layout::Side_By_Side, "side_by_side", "Side_By_Side_A"},
    {T_Pane_Layout::Overlay, "overlay", "Overlay_A"},
    {T_Pane_Layout::Blink, "blink", "Blink_A"},
    {T_Pane_Layout::Swipe, "swipe", "Swipe_A"},
    {T_Pane_Layout::Differences, "differences", "Differences_A"},
}};

// The stored whole number when it is one within [Low, High].
std::optional<int> Stored_Int(const QSettings& Settings, const QString& Key, int Low, int High)
{
    bool number = false;
    const int value = Settings.value(Key).toString().trimmed().toInt(&number);
    if (!number || value < Low || value > High)
        return std::nullopt;
    return value;
}

std::optional<bool> Stored_Bool(const QSettings& Settings, const QString& Key)
{
    const QString text = Settings.value(Key).toString().trimmed().toLower();
    if (text == QStringLiteral("true"))
        return true;
    if (text == QStringLiteral("false"))
        return false;
    return std::nullopt;
}

T_Pane_Layout Stored_Layout(const QSettings& Settings)
{
    const QString name = Settings.value(Layout_Key).toString();
    for (const T_Layout_Name& layout : Layout_Names)
        if (name == QLatin1String(layout.Stored))
            return layout.Layout;
    return T_Pane_Layout::Side_By_Side;
}

double Stored_Blink_Seconds(const QSettings& Settings)
{
    bool number = false;
    const double seconds = Settings.value(Blink_Key).toString().toDouble(&number);
    return number && std::isfinite(seconds) && seconds >= 0.1 && seconds <= 5.0 ? seconds : 0.5;
}

// Stored as the command line's words for the modes. Aligning by bands
// rearranges a pair's rows; it suits the pair it was chosen for, so a later
// pair opens with at most a shift (settings of earlier versions may still
// hold "bands").
T_Align_Mode Remembered_Align(T_Align_Mode Mode)
{
    return Mode == T_Align_Mode::Bands ? T_Align_Mode::Shift : Mode;
}

T_Align_Mode Stored_Align(const QSettings& Settings)
{
    T_Align_Mode mode = T_Align_Mode::Off;
    return Parse_Align_Mode(Settings.value(Align_Key).toString().toStdString(), mode)
               ? Remembered_Align(mode)
               : T_Align_Mode::Off;
}

void Store(const QString& Key, const QVariant& Value) { QSettings().setValue(Key, Value); }

template <class T> T* Named(QWidget& View, const char* Name)
{
    return View.findChild<T*>(QString::fromLatin1(Name));
}

// The one-pane views show both versions in one; with one of them missing
// there is nothing to lay over, blink or tell apart.
bool Shows_Both_Versions(const T_Comparison_Model& Model)
{
    return !Model.Missing(T_Side::Left) && !Model.Missing(T_Side::Right);
}

void Apply(const T_Remembered_View_Settings& Settings, QWidget& View,
           const T_Comparison_Model& Model, T_Change_List& List)
{
    Named<QSpinBox>(View, "Tolerance_E")->setValue(Settings.Tolerance);
    Named<QCheckBox>(View, "Ignore_Antialiasing_C")->setChecked(Settings.Ignore_Antialiasing);
    Named<QSlider>(View, "Opacity_S")->setValue(Settings.Opacity_Percent);
    Named<QDoubleSpinBox>(View, "Blink_Interval_E")->setValue(Settings.Blink_Seconds);
    Named<QCheckBox>(View, "Show_Changes_C")->setChecked(Settings.Show_Changes);
    auto* align = Named<QComboBox>(View, "Align_C");
    align->setCurrentIndex(
        std::max(0, align->findData(QString::fromLatin1(Align_Mode_Word(Settings.Align)))));
    if (Settings.Layout != T_Pane_Layout::Side_By_Side && Shows_Both_Versions(Model))
        for (const T_Layout_Name& layout : Layout_Names)
            if (layout.Layout == Settings.Layout)
                Named<QAction>(View, layout.Action)->trigger();
    if (Settings.Change_List_Shown)
        List.Show_As_Chosen(*Settings.Change_List_Shown);
}

// From here on each change the user makes is stored as it is made.
void Store_Changes(QWidget& View, T_Change_List& List)
{
    QObject::connect(Named<QSpinBox>(View, "Tolerance_E"), &QSpinBox::valueChanged, &View,
                     [](int value) { Store(Tolerance_Key, value); });
    QObject::connect(Named<QCheckBox>(View, "Ignore_Antialiasing_C"), &QCheckBox::toggled, &View,
                     [](bool on) { Store(Antialiasing_Key, on); });
    QObject::connect(Named<QSlider>(View, "Opacity_S"), &QSlider::valueChanged, &View,
                     [](int value) { Store(Opacity_Key, value); });
    QObject::connect(Named<QDoubleSpinBox>(View, "Blink_Interval_E"), &QDoubleSpinBox::valueChanged,
                     &View, [](double seconds) { Store(Blink_Key, seconds); });
    QObject::connect(Named<QCheckBox>(View, "Show_Changes_C"), &QCheckBox::toggled, &View,
                     [](bool on) { Store(Show_Changes_Key, on); });
    auto* align = Named<QComboBox>(View, "Align_C");
    QObject::connect(align, &QComboBox::currentIndexChanged, &View, [align] {
        T_Align_Mode mode = T_Align_Mode::Off;
        Parse_Align_Mode(align->currentData().toString().toStdString(), mode);
        Store(Align_Key, QString::fromLatin1(Align_Mode_Word(Remembered_Align(mode))));
    });
    for (const T_Layout_Name& layout : Layout_Names)
        QObject::connect(
            Named<QAction>(View, layout.Action), &QAction::triggered, &View,
            [stored = QString::fromLatin1(layout.Stored)] { Store(Layout_Key, stored); });
    // The list's own opening, the first time changes show, is not a choice.
    QObject::connect(List.Toggle_Action(), &QAction::triggered, &List,
                     [](bool shown) { Store(List_Shown_Key, shown); });
}

} // namespace

T_Remembered_View_Settings Remembered_View_Settings()
{
    const QSettings settings;
    T_Remembered_View_Settings remembered{};
    const T_Difference_Options defaults;
    remembered.Tolerance = Stored_Int(settings, Tolerance_Key, 0, 100).value_or(defaults.Tolerance);
    remembered.Ignore_Antialiasing =
        Stored_Bool(settings, Antialiasing_Key).value_or(defaults.Ignore_Antialiasing);
    remembered.Layout = Stored_Layout(settings);
    remembered.Opacity_Percent = Stored_Int(settings, Opacity_Key, 0, 100).value_or(50);
    remembered.Blink_Seconds = Stored_Blink_Seconds(settings);
    remembered.Show_Changes = Stored_Bool(settings, Show_Changes_Key).value_or(false);
    remembered.Align = Stored_Align(settings);
    remembered.Change_List_Shown = Stored_Bool(settings, List_Shown_Key);
    remembered.Change_List_Width =
        Stored_Int(settings, List_Width_Key, 1, Largest_Change_List_Width);
    return remembered;
}

void Remember_View_Settings(QWidget& View, const T_Comparison_Model& Model, T_Change_List& List,
                            QSplitter& Splitter)
{
    const T_Remembered_View_Settings settings = Remembered_View_Settings();
    // A view that failed to open shows nothing to set.
    if (Model.View.Mode != T_View_Mode::None)
        Apply(settings, View, Model, List);
    Store_Changes(View, List);
    Keep_Change_List_Width(Splitter, List, settings.Change_List_Width,
                           [](int width) { Store(List_Width_Key, width); });
}
