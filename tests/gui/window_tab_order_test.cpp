// Every control of the comparison window, the change list and the zoom box
// included, is reached with Tab, and each one a screen reader can land on
// says what it is.
#include "viewer/change_list.h"
#include "tests/diff_view_support.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "app/gui/vcs_diff_form.h"
#include "viewer/vcs_diff_frame.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <set>

namespace {

// The controls Tab should visit: shown, enabled and taking the focus by Tab.
std::set<QWidget*> Tab_Stops(QWidget& window)
{
    std::set<QWidget*> stops;
    for (QWidget* widget : window.findChildren<QWidget*>())
        if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
            !widget->focusProxy())
            stops.insert(widget);
    return stops;
}

QString Spoken_Name(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

} // namespace

TEST(Window_Tab_Order, EveryControlIsReachedWithTabAndNamed)
{
    Prepare_Temp_Folder();
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.save(QString::fromStdString(dir / "a.png"));
    image.setPixelColor(20, 20, Qt::black);
    image.save(QString::fromStdString(dir / "b.png"));
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", T_Converter_Kind::None,
                   T_Paged_Kind::None);
    window.resize(1280, 800);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Change_List->Rows()->isVisible(); }));

    std::set<QWidget*> missed = Tab_Stops(window);
    ASSERT_TRUE(missed.count(window.Change_List->Rows()));
    ASSERT_TRUE(missed.count(window.findChild<QComboBox*>(QStringLiteral("Zoom_Box"))));
    const std::size_t stops = missed.size();
    for (QWidget* stop : missed)
        EXPECT_FALSE(Spoken_Name(stop).isEmpty())
            << stop->metaObject()->className() << " " << stop->objectName().toStdString()
            << " has no name";

    QWidget* start = test::Find<QWidget>(*window.View, "Tolerance_E");
    start->setFocus(Qt::TabFocusReason);
    for (std::size_t step = 0; step < 2 * stops && !missed.empty(); ++step) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        missed.erase(focus);
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    for (QWidget* control : missed)
        ADD_FAILURE() << control->metaObject()->className() << " "
                      << control->objectName().toStdString() << " ("
                      << Spoken_Name(control).toStdString() << ") is not reached with Tab";
}
