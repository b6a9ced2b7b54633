// The remembered choice whether pages open fitted to their pane, in the
// window around the diff view.
#include "tests/pdf/test_pdf_writer.h"
#include "tests/diff_view_support.h"
#include "viewer/fit_when_opened.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"
#include "app/gui/vcs_diff_form.h"
#include "viewer/vcs_diff_frame.h"

#include <QAction>
#include <QImage>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

class Fit_When_Opened : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        // The user's own settings stay untouched.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settings.Str()));
        QSettings().remove(QString());
    }
    std::unique_ptr<TDiff_F> Open_Pdf()
    {
        test::Write_File(dir / "a.pdf", test::Make_Pdf({{595, 842, test::Box(20, 20, 40, 30)}}));
        test::Write_File(dir / "b.pdf", test::Make_Pdf({{595, 842, test::Box(120, 20, 40, 30)}}));
        return std::make_unique<TDiff_F>(dir / "a.pdf", "Base version", dir / "b.pdf", "",
                                         T_Converter_Kind::None, T_Paged_Kind::Pdf);
    }
    std::unique_ptr<TDiff_F> Open_Png()
    {
        QImage image(2000, 1500, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.save(QString::fromStdString(dir / "a.png"));
        image.save(QString::fromStdString(dir / "b.png"));
        return std::make_unique<TDiff_F>(dir / "a.png", "Base version", dir / "b.png", "",
                                         T_Converter_Kind::None, T_Paged_Kind::None);
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Scratch_Dir settings;
    test::Msg_Recorder messages;
};

} // namespace

#ifndef VARNOLT_TEST_NO_PDF
TEST_F(Fit_When_Opened, PdfPagesOpenFittedUntilTheUserTurnsItOff)
{
    {
        auto window = Open_Pdf();
        ASSERT_EQ(window->View->ViewMode(), T_View_Mode::Fit);
        EXPECT_TRUE(test::Find_Action(*window->View, "Fit_A")->isChecked());
        QAction* choice = test::Find_Action(*window->View, "Fit_When_Opened_A");
        EXPECT_EQ(choice->text(), QStringLiteral("Fit pages when opened"));
        ASSERT_TRUE(choice->isChecked());
        choice->trigger();
    }
    EXPECT_FALSE(Fit_Pages_When_Opened());
    // The next pair opens at 100 %, and the box shows the stored choice.
    auto window = Open_Pdf();
    EXPECT_EQ(window->View->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_FALSE(test::Find_Action(*window->View, "Fit_When_Opened_A")->isChecked());
    EXPECT_FALSE(test::Find_Action(*window->View, "Fit_A")->isChecked());
}
#endif

TEST_F(Fit_When_Opened, PicturesOpenAtActualSizeWhateverTheChoice)
{
    Set_Fit_Pages_When_Opened(true);
    auto window = Open_Png();
    EXPECT_EQ(window->View->ViewMode(), T_View_Mode::Actual_Size);
    EXPECT_FALSE(test::Find_Action(*window->View, "Fit_A")->isChecked());
    EXPECT_TRUE(test::Find_Action(*window->View, "Fit_When_Opened_A")->isChecked());
}
