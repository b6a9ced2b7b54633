#include "U_ShellOp.h"
#include "test_support.h"
#include "u_program_paths.h"
#include "u_temp_files.h"
#include "vcs_diff_form.h"
#include "vcs_diff_frame.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class Diff_Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Set_Converter_Path(std::string(VARNOLT_BUILD_DIR) + "/imagemagick/convert");
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.save(QString::fromStdString(dir / "a.png"));
        image.setPixelColor(10, 10, Qt::black);
        image.save(QString::fromStdString(dir / "b.png"));
    }
    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
};

} // namespace

TEST_F(Diff_Window, IsADiffWindowThatCannotShrinkBelowItsMinimum)
{
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", 0, 0);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Diff"));
    EXPECT_EQ(window.minimumSize(), QSize(400, 200));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window.View->ViewMode(), 1);
}

TEST_F(Diff_Window, AViewThatFailsToOpenIsNeverShown)
{
    test::Write_File(dir / "a.svg", "not svg");
    test::Write_File(dir / "b.svg", "not svg either");
    // Returns at once: no modal loop runs for a failed view.
    Show_Diff_Form(dir / "a.svg", "Base version", dir / "b.svg", "", 1, 0);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, "Image convert fail!\r\nFile may be corrupted.");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Diff_Window, ClosingWhileTheConverterRunsStopsItAndThenCloses)
{
    std::string slow = dir / "slow convert";
    test::Write_File(slow, "#!/bin/sh\nsleep 30\n");
    std::filesystem::permissions(slow, std::filesystem::perms::owner_all);
    TDiff_F window(dir / "a.png", "Base version", dir / "b.png", "", 0, 0);
    window.show();
    Set_Converter_Path(slow);
    Set_Process_Messages_Hook([] {
        QCoreApplication::processEvents();
        return true;
    });
    // The title-bar close arrives while the comparison waits for the child.
    QTimer::singleShot(300, &window, [&] { window.close(); });
    window.View->Compare_A->trigger();
    Set_Process_Messages_Hook({});
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.View->Is_Running());
    EXPECT_FALSE(window.View->Compared_Shown());
    EXPECT_TRUE(messages.Messages.empty());
}
