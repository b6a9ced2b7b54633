// Measures where a user waits, each figure as a ratio against a baseline run
// in the same process, so that a busy machine skews both sides alike:
//   1. start to window shown        / decoding both pictures alone
//   2. fit-mode repaint of a pane   / painting an already scaled picture
//   3. a comparison run             / running the same convert line directly
//   4. zoomed repaint of a pane     / painting a picture of the pane's size
// Usage: varnolt_bench LEFT.png RIGHT.png   (run by bench/run.sh)
#include "engine/U_ShellOp.h"
#include "bench/bench_timing.h"
#include "engine/batch_dialect.h"
#include "engine/u_image_compare.h"
#include "imaging/u_image_load.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTest>

#include <cstdio>
#include <filesystem>

using bench::Median_Ms;
using bench::Report;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: varnolt_bench LEFT.png RIGHT.png\n");
        return 2;
    }
    const std::string left = argv[1], right = argv[2];
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Configure_Image_Limits();
    QApplication application(argc, argv);
    Prepare_Temp_Folder();
    Set_Program_Folder(std::filesystem::path(argv[0]).parent_path().parent_path().string());
    Set_Converter_Path(ProgramFolder() + "imagemagick/convert");

    // 1. Start to window shown, against decoding both files.
    double decode = Median_Ms(3, [&] {
        Load_Picture(left);
        Load_Picture(right);
    });
    std::unique_ptr<TView_diff_frame> frame;
    // The previous view is closed before the clock starts: its background
    // work (the differences) is not part of opening the next one.
    double window = bench::Median_Of(3, [&] {
        frame.reset();
        QApplication::processEvents();
        QElapsedTimer part;
        part.start();
        frame =
            std::make_unique<TView_diff_frame>(nullptr, left, "Base version", right, "", nullptr,
                                               T_Converter_Kind::None, T_Paged_Kind::None);
        double built = part.nsecsElapsed() / 1e6;
        frame->resize(2040, 760);
        frame->show();
        QTest::qWaitForWindowExposed(frame.get());
        frame->repaint();
        std::printf("  (view built in %.1f ms, shown %.1f ms later)\n", built,
                    part.nsecsElapsed() / 1e6 - built);
        return part.nsecsElapsed() / 1e6;
    });
    Report("start to window shown", window, "decoding both files", decode);

    // 2. A fit-mode repaint of a 1000 x 700 pane, against a plain paint of
    // a picture scaled to the same size beforehand.
    TView_Image_Frame pane;
    pane.resize(1000, 700);
    pane.Load_File(left);
    pane.Set_View_Mode(T_View_Mode::Fit);
    pane.show();
    QTest::qWaitForWindowExposed(&pane);
    // Until the smooth copy for the fitted size is made on another thread,
    // paints reduce the picture directly; the figure is for the paints after.
    double first_fit = Median_Ms(1, [&] { pane.Image1->repaint(); });
    if (!QTest::qWaitFor([&] { return pane.Image1->Scaled_Copies_Made() > 0; }, 120000))
        std::fprintf(stderr, "the smooth copy for the fitted size was not made in 2 minutes\n");
    double fit = Median_Ms(21, [&] { pane.Image1->repaint(); });
    QImage scaled = pane.Image1->Picture().scaled(pane.Image1->size(), Qt::KeepAspectRatio);
    QImage canvas(pane.Image1->size(), QImage::Format_ARGB32_Premultiplied);
    double plain = Median_Ms(21, [&] {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, scaled);
    });
    Report("fit-mode repaint 1000x700", fit, "plain paint of scaled copy", plain);
    Report("  the first, before smoothing", first_fit, "plain paint of scaled copy", plain);

    // 3. A comparison run through the view, against the same converter line.
    double compare = Median_Ms(3, [&] {
        frame->Session().CompareCache.Clear();
        if (frame->Compared_Shown())
            frame->Hide_Compared();
        frame->findChild<QAction*>(QStringLiteral("Compare_A"))->trigger();
        // The converter runs in the background; the run ends with the pane.
        if (!QTest::qWaitFor([&] { return frame->Compared_Shown(); }, 600000))
            std::fprintf(stderr, "the compared image did not come in 10 minutes\n");
    });
    std::string output = Temp_Path("direct.compared.png");
    std::string line = Compare_Command_Line(Posix_Sh_Dialect(), ConverterPath(), false, 0,
                                            {left, "png"}, {right, "png"}, output);
    double direct = Median_Ms(3, [&] {
        if (std::system(line.c_str()) < 0)
            std::fprintf(stderr, "could not run the converter\n");
    });
    Report("comparison run", compare, "the convert line alone", direct);

    // 4. A repaint of a 1000 x 700 pane zoomed to 2.0 and to 0.8, scrolled
    // to the middle of the picture, against a plain paint of a 1000 x 700
    // crop of the picture. A fresh pane, so that the only smooth copy it
    // makes is the one for 0.8; the figure is for the paints after it.
    pane.hide();
    TView_Image_Frame zoomed;
    zoomed.resize(1000, 700);
    zoomed.Load_File(left);
    zoomed.show();
    if (!QTest::qWaitForWindowExposed(&zoomed))
        std::fprintf(stderr, "the zoomed pane was not shown\n");
    auto zoomed_repaint = [&](double zoom) {
        zoomed.Set_Zoom(zoom);
        zoomed.ScrollBox1->Set_Horz_Position(zoomed.ScrollBox1->Horz_Max() / 2);
        zoomed.ScrollBox1->Set_Vert_Position(zoomed.ScrollBox1->Vert_Max() / 2);
        zoomed.Image1->repaint();
        return Median_Ms(21, [&] { zoomed.Image1->repaint(); });
    };
    double enlarged = zoomed_repaint(2.0);
    zoomed.Set_Zoom(0.8);
    zoomed.Image1->repaint();
    if (!QTest::qWaitFor([&] { return zoomed.Image1->Scaled_Copies_Made() > 0; }, 120000))
        std::fprintf(stderr, "the smooth copy for 0.8 was not made in 2 minutes\n");
    double reduced = zoomed_repaint(0.8);
    QImage crop = zoomed.Image1->Picture().copy(0, 0, 1000, 700);
    QImage crop_canvas(crop.size(), QImage::Format_ARGB32_Premultiplied);
    double crop_plain = Median_Ms(21, [&] {
        QPainter painter(&crop_canvas);
        painter.drawImage(0, 0, crop);
    });
    Report("zoom 2.0 repaint 1000x700", enlarged, "plain paint of 1000x700 picture", crop_plain);
    Report("zoom 0.8 repaint 1000x700", reduced, "plain paint of 1000x700 picture", crop_plain);
    return 0;
}
