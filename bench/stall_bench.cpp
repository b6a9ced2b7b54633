// How long the window's thread stops answering while a 50-sheet A3 drawing
// set is opened against a revision in which every sheet differs (the
// revision letter changes in every title block, so no sheet pairs as
// identical), and while 50 page keys are pressed 0.2 s apart. A heartbeat
// timer on the window's thread notes the longest gap between its beats;
// each figure is a ratio against drawing one page pair in the same run.
// Usage: varnolt_stall_bench [SHEETS]   (50 at first)
#include "bench/bench_timing.h"
#include "bench/pdf_pair_timing.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "pdf/pdf_page_render.h"
#include "pdf/pdf_page_signatures.h"
#include "tests/pdf/test_pdf_writer.h"
#include "viewer/change_list.h"
#include "viewer/vcs_diff_frame.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPdfDocument>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

using bench::Elapsed_Ms;
using bench::Median_Of;
using bench::Report;

// The longest time between two beats of a 10 ms timer on this thread.
class T_Heartbeat {
public:
    T_Heartbeat()
    {
        QObject::connect(&Timer_, &QTimer::timeout, [this] {
            Longest_ = std::max(Longest_, Elapsed_Ms(Since_));
            Since_.restart();
        });
        Timer_.start(10);
        Since_.start();
    }
    // Starts a new measure.
    void Reset()
    {
        Longest_ = 0;
        Since_.restart();
    }
    double Longest() const { return std::max(Longest_, Elapsed_Ms(Since_)); }

private:
    QTimer Timer_;
    QElapsedTimer Since_;
    double Longest_ = 0;
};

void Run_Events_For(int Ms)
{
    QEventLoop loop;
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A sheet: frame, a few hundred lines, a title block with its text and the
// revision letter.
test::Pdf_Page Sheet(int sheet, char revision)
{
    std::mt19937 random(static_cast<unsigned>(sheet) * 7919u + 1);
    std::uniform_real_distribution<double> x(40, 1150), y(120, 800);
    std::ostringstream ops;
    ops << test::Sheet_Frame(1191, 842) << "0.5 w ";
    for (int line = 0; line < 400; ++line)
        ops << x(random) << " " << y(random) << " m " << x(random) << " " << y(random) << " l S ";
    ops << "900 40 250 60 re S BT /F1 10 Tf 910 80 Td (SHEET " << sheet + 1
        << " GEARBOX HOUSING 100-200-" << sheet << ") Tj ET BT /F1 18 Tf 1120 50 Td (" << revision
        << ") Tj ET";
    return {1191, 842, ops.str(), test::Helvetica_Font}; // A3 landscape
}

std::string Write_Set(const QString& folder, const char* name, int sheets, char revision)
{
    std::vector<test::Pdf_Page> pages;
    for (int sheet = 0; sheet < sheets; ++sheet)
        pages.push_back(Sheet(sheet, revision));
    std::string path = (folder + QLatin1Char('/') + QLatin1String(name)).toStdString();
    std::ofstream(path, std::ios::binary) << test::Make_Pdf(pages);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    // "--write-sets FOLDER [SHEETS]" only writes the two sets, for a look at
    // them in the program itself.
    if (argc > 2 && std::string(argv[1]) == "--write-sets") {
        const int sheets = argc > 3 ? std::max(2, std::atoi(argv[3])) : 50;
        const QString folder = QString::fromLocal8Bit(argv[2]);
        std::printf("%s\n%s\n", Write_Set(folder, "plan_revA.pdf", sheets, 'A').c_str(),
                    Write_Set(folder, "plan_revB.pdf", sheets, 'B').c_str());
        return 0;
    }
    const int sheets = argc > 1 ? std::max(2, std::atoi(argv[1])) : 50;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Prepare_Temp_Folder();
    Set_Program_Folder(std::filesystem::path(argv[0]).parent_path().parent_path().string());
    QTemporaryDir folder;
    const std::string left = Write_Set(folder.path(), "plan_revA.pdf", sheets, 'A');
    const std::string right = Write_Set(folder.path(), "plan_revB.pdf", sheets, 'B');

    const double one_pair = bench::One_Page_Pair_Ms(left, right);
    // What pairing these sets takes at the least: every sheet of both drawn
    // small for its signature.
    const std::atomic<bool> never(false);
    const double signatures = Median_Of(3, [&] {
        QElapsedTimer timer;
        timer.start();
        Pdf_Pair_Signatures(left, right, never);
        return Elapsed_Ms(timer);
    });

    T_Heartbeat heartbeat;
    QElapsedTimer started;
    started.start();
    TView_diff_frame frame(nullptr, left, "Base version", right, "", nullptr,
                           T_Converter_Kind::None, T_Paged_Kind::Pdf);
    T_Change_List list(frame.Context(), nullptr);
    frame.resize(1200, 800);
    frame.show();
    list.show();
    // Open: until the pages are paired, the differences found and the
    // change list's text read.
    heartbeat.Reset();
    QElapsedTimer waited;
    waited.start();
    double paired = 0;
    while ((!frame.Session().Content_Pairing() || !frame.Differences() || list.Reading_Texts()) &&
           waited.elapsed() < 300000) {
        Run_Events_For(20);
        if (paired == 0 && frame.Session().Content_Pairing())
            paired = Elapsed_Ms(started);
    }
    const double opening = heartbeat.Longest();
    Report("longest stall while opening", opening, "drawing one page pair", one_pair);
    // No sheet is a twin of one in the other set: every page is paired by
    // its drawing.
    Report("start to pages paired", paired, "drawing one page pair", one_pair);
    Report("signatures of both sets", signatures, "drawing one page pair", one_pair);

    // 50 page keys 0.2 s apart, each asking for the next sheet.
    heartbeat.Reset();
    const int keys = std::min(50, sheets - 1);
    for (int key = 1; key <= keys; ++key) {
        QTimer::singleShot(0, &frame, [&frame, key] { frame.Left_Page_Change(key); });
        Run_Events_For(200);
    }
    QElapsedTimer after_last;
    after_last.start();
    while (frame.Session().Page(T_Side::Left) != keys && after_last.elapsed() < 300000)
        Run_Events_For(10);
    const double last_shown = Elapsed_Ms(after_last);
    while (!frame.Differences() && after_last.elapsed() < 300000)
        Run_Events_For(10);
    const double last_compared = Elapsed_Ms(after_last);
    const double paging = heartbeat.Longest();
    Report("longest stall while paging", paging, "drawing one page pair", one_pair);
    Report("last key to last sheet shown", last_shown, "drawing one page pair", one_pair);
    Report("last key to last sheet compared", last_compared, "drawing one page pair", one_pair);
    std::printf("(one page pair drawn: %.1f ms; sheets: %d; keys: %d)\n", one_pair, sheets, keys);
    QDir(QString::fromStdString(Temp_Dir())).removeRecursively();
    return 0;
}
