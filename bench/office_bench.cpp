// Where a user waits on a Visio pair opened through LibreOffice, each figure
// as a ratio against starting the office alone in the same process:
//   1. start to window shown  / starting the office helper and its office
//   2. one page switch        / the same office start
// Usage: varnolt_office_bench HELPER LEFT.vsd RIGHT.vsd   (run by bench/run.sh)
#include "automation/posix/office_bridge_registration.h"
#include "bench/bench_timing.h"
#include "automation/office_bridge_server.h"
#include "office/office_location.h"
#include "automation/u_exporters.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

using bench::Elapsed_Ms;
using bench::Median_Of;

void Report(const char* what, double measured, double base)
{
    bench::Report(what, measured, "office start alone", base);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: varnolt_office_bench HELPER LEFT.vsd RIGHT.vsd\n");
        return 2;
    }
    const std::string helper = argv[1], left = argv[2], right = argv[3];
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Prepare_Temp_Folder();
    Set_Program_Folder(std::filesystem::path(argv[0]).parent_path().parent_path().string());
    Set_Converter_Path(ProgramFolder() + "imagemagick/convert");
    if (!Register_Office_Bridge_Servers(helper)) {
        std::fprintf(stderr, "no office helper or no LibreOffice\n");
        return 1;
    }

    double office = Median_Of(3, [&] {
        QElapsedTimer timer;
        timer.start();
        std::string error;
        auto channel =
            Start_Office_Helper(helper, Temp_Dir(), office_location::Find_Soffice(), false, error);
        double started = Elapsed_Ms(timer);
        if (!channel)
            std::fprintf(stderr, "office did not start: %s\n", error.c_str());
        else
            channel->Close();
        return started;
    });

    double switched = 0;
    double window = Median_Of(3, [&] {
        QElapsedTimer timer;
        timer.start();
        TView_diff_frame frame(nullptr, left, "Base version", right, "", nullptr,
                               T_Converter_Kind::None, T_Paged_Kind::Visio);
        frame.resize(1600, 900);
        frame.show();
        QTest::qWaitForWindowExposed(&frame);
        frame.repaint();
        double shown = Elapsed_Ms(timer);
        // The second page, exported when first shown.
        frame.findChild<QAction*>(QStringLiteral("Sync_Pages_A"))->setChecked(false);
        timer.restart();
        frame.Right_Page_Change(1);
        frame.repaint();
        switched = std::max(switched, Elapsed_Ms(timer));
        return shown;
    });
    Report("start to window shown", window, office);
    Report("first switch to page 2", switched, office);
    return 0;
}
