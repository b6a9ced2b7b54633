// The zoom box and the status line give the scale the pages are shown at,
// measured on the window's own pixels, after every change of the layout:
// the change list shown, hidden or dragged wider, the window resized, the
// sides swapped. Registered a second time with QT_SCALE_FACTOR=2, where the
// same must hold on a screen of two device pixels per pixel.
#include "tests/pdf/test_pdf_writer.h"
#include "tests/diff_view_support.h"
#include "tests/test_support.h"
#include "tests/viewer/view_test_support.h"
#include "app/gui/vcs_diff_form.h"
#include "app/pair_sequence.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"
#include "viewer/zoom_box.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRegularExpression>
#include <QSplitter>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Both versions are black sheets (a small change in the middle): the base
// pane's picture is the black run across its visible area.
test::Pdf_Page Black_Sheet(double width, double height, double change_x)
{
    return {width, height, test::Box(0, 0, width, height) + test::Box(change_x, 300, 40, 30, 1),
            "<< >>", ""};
}

// How wide the base pane draws its picture, in the window's pixels (device
// pixels over the screen's density), per picture pixel.
double Measured_Scale(const TView_diff_frame& view)
{
    TView_Image_Frame* pane = test::Find_Pane(view, "View_Image_Frame1");
    const QPixmap shot = pane->ScrollBox1->viewport()->grab();
    const QImage image = shot.toImage();
    const int row = image.height() / 4;
    int width = 0;
    while (width < image.width() && qGray(image.pixel(width, row)) < 60)
        ++width;
    return width / shot.devicePixelRatio() / pane->Picture_Width();
}

// The scale a text such as "24.9 %" or "... Zoom 24.9% ..." gives; -1 if none.
double Scale_In(const QString& text, const QString& before)
{
    const QRegularExpression number(QRegularExpression::escape(before) +
                                    QStringLiteral("([0-9.]+) ?%"));
    const QRegularExpressionMatch found = number.match(text);
    return found.hasMatch() ? found.captured(1).toDouble() / 100 : -1;
}

// What the zoom box and the status line say against what is shown: empty
// when both say it within the box's one decimal.
std::string Mismatch(const TView_diff_frame& view)
{
    const double shown = Measured_Scale(view);
    const double boxed =
        Scale_In(test::Find<T_Zoom_Box>(view, "Zoom_Box")->currentText(), QString());
    const double status =
        Scale_In(test::Find<QLabel>(view, "Status_L")->text(), QStringLiteral("Zoom "));
    if (shown > 0 && std::abs(boxed - shown) < 0.002 && std::abs(status - shown) < 0.002)
        return {};
    return "shown " + std::to_string(shown) + ", zoom box " + std::to_string(boxed) +
           ", status line " + std::to_string(status);
}

bool Says_The_Shown_Scale(const TView_diff_frame& view)
{
    return test::Wait_For([&] { return Mismatch(view).empty(); }, 3000);
}

// The screen's density the run was registered with (1 unless told).
double Expected_Density()
{
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    return factor.isEmpty() ? 1.0 : factor.toDouble();
}

class Shown_Scale : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(VARNOLT_TEST_CONVERTER);
        // A portrait sheet against a landscape revision: swapped, the base
        // pane fits another shape.
        test::Write_File(dir / "a.pdf", test::Make_Pdf({Black_Sheet(595, 842, 200)}));
        test::Write_File(dir / "b.pdf", test::Make_Pdf({Black_Sheet(842, 595, 260)}));
    }
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

} // namespace

#ifndef VARNOLT_TEST_NO_PDF
TEST_F(Shown_Scale, FollowsTheChangeListAndTheWindowSize)
{
    TDiff_F window(dir / "a.pdf", "Base version", dir / "b.pdf", "", T_Converter_Kind::None,
                   T_Paged_Kind::Pdf);
    window.resize(1100, 1000);
    window.show();
    ASSERT_TRUE(test::Settled(*window.View));
    EXPECT_EQ(window.devicePixelRatioF(), Expected_Density());
    ASSERT_EQ(window.View->ViewMode(), T_View_Mode::Fit);
    const TView_diff_frame& view = *window.View;
    EXPECT_TRUE(Says_The_Shown_Scale(view)) << "opened: " << Mismatch(view);

    // Each step changes the scale shown; once the layout has taken it, the
    // box and the line say it.
    auto step = [&](const char* what, const std::function<void()>& change) {
        const double before = Measured_Scale(view);
        change();
        ASSERT_TRUE(test::Wait_For([&] { return Measured_Scale(view) != before; }, 3000)) << what;
        EXPECT_TRUE(Says_The_Shown_Scale(view)) << what << ": " << Mismatch(view);
    };
    // A pair with changes opens its change list beside the panes.
    QAction* list = window.Change_List_Action();
    auto* panel = window.findChild<QWidget*>(QStringLiteral("Change_List_Panel"));
    ASSERT_TRUE(test::Wait_For([&] {
        return list->isChecked() && panel->isVisible() &&
               window.View->width() + panel->width() <= window.width();
    }));
    EXPECT_TRUE(Says_The_Shown_Scale(view)) << "list opened: " << Mismatch(view);
    step("list hidden", [&] { list->trigger(); });
    step("list shown", [&] { list->trigger(); });
    auto* splitter = window.findChild<QSplitter*>(QStringLiteral("Diff_Splitter"));
    step("list wider", [&] {
        const QList<int> sizes = splitter->sizes();
        splitter->setSizes({sizes[0] - 150, sizes[1] + 150});
    });
    step("window smaller", [&] { window.resize(820, 560); });
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_F(Shown_Scale, FollowsTheSidesSwapped)
{
    T_Launch_Hooks hooks;
    hooks.Show_Diff_Form = Show_Diff_Form;
    hooks.Show_About = [] {};
    hooks.Word_Diff = [](const std::string&, const std::string&) { return false; };
    hooks.Pair_Opening = Announce_Diff_Pair;
    hooks.Take_Pair_Request = Take_Diff_Form_Request;
    // Each window, once its differences are known, is checked; the first
    // swaps its sides, the second closes.
    std::vector<std::string> seen;
    std::vector<int> widths;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* window = dynamic_cast<TDiff_F*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible() || window->property("checked").toBool() ||
            !window->View->Differences())
            return;
        window->setProperty("checked", true);
        Says_The_Shown_Scale(*window->View);
        seen.push_back(Mismatch(*window->View));
        widths.push_back(test::Find_Pane(*window->View, "View_Image_Frame1")->Picture_Width());
        if (seen.size() == 1)
            test::Find_Action(*window, "Menu_Swap_Sides")->trigger();
        else
            window->close();
    });
    poll.start(20);
    Run_Diff_Sequence(dir / "a.pdf", dir / "b.pdf", hooks);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "");
    EXPECT_EQ(seen[1], "") << "after Swap";
    // The landscape sheet is the base now.
    EXPECT_GT(widths[1], widths[0]);
    EXPECT_TRUE(messages.Messages.empty());
}
#endif
