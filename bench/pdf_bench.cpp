// Where a user waits on a pair of long PDF drawing sets, each figure as a
// ratio against a baseline run in the same process:
//   1. start to window shown       / drawing one page pair
//   2. start to pages paired       / drawing every page of both once
//   3. a page switch, both sides following (to the next sheet, and to a far
//      one) / drawing one page
//   4. all pages of one set as PNG / the same with poppler's pdftoppm
// and, first, the time and size of one sheet written at a few PNG levels.
// Usage: varnolt_pdf_bench [PAGES]   (run by bench/run.sh; 50 pages at first)
#include "bench/bench_timing.h"
#include "bench/pdf_pair_timing.h"
#include "differences/content_pairing.h"
#include "pdf/pdf_exporter.h"
#include "pdf/pdf_page_render.h"
#include "pdf/pdf_page_signatures.h"
#include "imaging/page_store.h"
#include "tests/pdf/test_pdf_writer.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"
#include "viewer/vcs_diff_frame.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageWriter>
#include <QPdfDocument>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace {

using bench::Elapsed_Ms;
using bench::Median_Of;
using bench::Report;

// Runs the event loop for a while, sleeping in it as a user's window does:
// processEvents() alone returns at once when nothing is queued, and a loop
// around it would take a core from the work being waited for.
void Run_Events_For(int Ms)
{
    QEventLoop loop;
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A sheet of a drawing set: the frame, a title block and a few hundred lines
// of its own, like a dimensioned plan.
test::Pdf_Page Drawing_Sheet(int sheet)
{
    std::mt19937 random(static_cast<unsigned>(sheet) * 7919u + 1);
    std::uniform_real_distribution<double> x(40, 1150), y(40, 800);
    std::ostringstream ops;
    ops << test::Sheet_Frame(1191, 842) << "0.5 w ";
    for (int line = 0; line < 400; ++line)
        ops << x(random) << " " << y(random) << " m " << x(random) << " " << y(random) << " l S ";
    return {1191, 842, ops.str()}; // A3 landscape
}

std::string Write_Set(const QString& folder, const char* name, const std::vector<int>& sheets)
{
    std::vector<test::Pdf_Page> pages;
    for (int sheet : sheets)
        pages.push_back(Drawing_Sheet(sheet));
    std::string path = (folder + QLatin1Char('/') + QLatin1String(name)).toStdString();
    std::ofstream(path, std::ios::binary) << test::Make_Pdf(pages);
    return path;
}

// The time and size of one A3 sheet written as PNG at zlib levels 0, 1, 2
// and 6 (Qt's writer maps a quality q to level (100 - q) * 9 / 91).
void Report_Png_Levels(const std::string& file)
{
    QPdfDocument document;
    document.load(QString::fromStdString(file));
    const QImage sheet = Render_Pdf_Page(document, 0);
    for (auto [level, quality] : {std::pair{0, 90}, {1, 89}, {2, 79}, {6, 39}}) {
        const QString name = QString::fromStdString(Temp_Path(".png"));
        const double ms = Median_Of(3, [&] {
            QElapsedTimer timer;
            timer.start();
            QImageWriter writer(name, "png");
            writer.setQuality(quality);
            writer.write(sheet);
            return Elapsed_Ms(timer);
        });
        std::printf("PNG zlib level %d, %dx%d sheet: %.0f ms, %.2f MB\n", level, sheet.width(),
                    sheet.height(), ms, double(QFileInfo(name).size()) / 1e6);
    }
    std::fflush(stdout);
}

double Render_All(const std::string& file)
{
    QElapsedTimer timer;
    timer.start();
    QPdfDocument document;
    document.load(QString::fromStdString(file));
    for (int page = 0; page < document.pageCount(); ++page)
        Render_Pdf_Page(document, page);
    return Elapsed_Ms(timer);
}

} // namespace

int main(int argc, char** argv)
{
    const int pages = argc > 1 ? std::atoi(argv[1]) : 50;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Prepare_Temp_Folder();
    Set_Program_Folder(std::filesystem::path(argv[0]).parent_path().parent_path().string());
    Set_Converter_Path(ProgramFolder() + "imagemagick/convert");
    QTemporaryDir folder;
    // Revision b: one sheet inserted near the front, the rest as they were.
    std::vector<int> a, b{0, 1000};
    for (int sheet = 0; sheet < pages; ++sheet)
        a.push_back(sheet);
    b.insert(b.end(), a.begin() + 1, a.end() - 1);
    std::string left = Write_Set(folder.path(), "rev_a.pdf", a);
    std::string right = Write_Set(folder.path(), "rev_b.pdf", b);
    Report_Png_Levels(left);

    double one_pair = bench::One_Page_Pair_Ms(left, right);
    double all_pages = Median_Of(3, [&] { return Render_All(left) + Render_All(right); });

    double window = 0, paired = 0;
    Median_Of(3, [&] {
        QElapsedTimer timer;
        timer.start();
        TView_diff_frame frame(nullptr, left, "Base version", right, "", nullptr,
                               T_Converter_Kind::None, T_Paged_Kind::Pdf);
        frame.show();
        QApplication::processEvents();
        window = Elapsed_Ms(timer);
        while (!frame.Session().Content_Pairing())
            Run_Events_For(20);
        paired = Elapsed_Ms(timer);
        return paired;
    });
    const std::atomic<bool> never(false);
    double pairing = 0;
    double signatures = Median_Of(3, [&] {
        QElapsedTimer timer;
        timer.start();
        const T_Pair_Signatures both = Pdf_Pair_Signatures(left, right, never);
        const double drawn = Elapsed_Ms(timer);
        Pair_By_Content(both.Left, both.Right);
        pairing = Elapsed_Ms(timer) - drawn;
        return drawn;
    });
    Report("start to window shown", window, "drawing one page pair", one_pair);
    Report("start to pages paired", paired, "drawing one page pair", one_pair);
    Report("start to pages paired", paired, "drawing every page once", all_pages);
    Report("signatures of both sets", signatures, "drawing one page pair", one_pair);
    Report("pairing by the signatures", pairing, "drawing one page pair", one_pair);

    // Page switches once the pages are paired, each from a settled window
    // (the previous pair's differences known, as when a reviewer has looked
    // at it): to the next sheet, and a jump to a sheet far away. Against
    // drawing one such page in the same run.
    double one_page = Median_Of(3, [&] {
        QPdfDocument document;
        document.load(QString::fromStdString(left));
        QElapsedTimer timer;
        timer.start();
        Render_Pdf_Page(document, pages / 2);
        return Elapsed_Ms(timer);
    });
    {
        TView_diff_frame frame(nullptr, left, "Base version", right, "", nullptr,
                               T_Converter_Kind::None, T_Paged_Kind::Pdf);
        frame.show();
        auto settle = [&] {
            QElapsedTimer waited;
            waited.start();
            while ((!frame.Session().Content_Pairing() || !frame.Differences()) &&
                   waited.elapsed() < 120000)
                Run_Events_For(20);
            QElapsedTimer idle;
            idle.start();
            while (idle.elapsed() < 1000)
                Run_Events_For(20);
        };
        auto switch_to = [&](int sheet) {
            settle();
            QElapsedTimer timer;
            timer.start();
            frame.Left_Page_Change(sheet);
            return Elapsed_Ms(timer);
        };
        std::vector<double> next, jump;
        for (int sheet : {pages / 2, pages / 2 + 1, pages / 2 + 2, pages / 2 + 3, pages / 2 + 4})
            next.push_back(switch_to(sheet));
        next.erase(next.begin()); // the first one jumped there
        for (int sheet : {7, 31, 13, 43, 19})
            jump.push_back(switch_to(sheet % pages));
        auto median = [](std::vector<double> times) {
            std::sort(times.begin(), times.end());
            return times[times.size() / 2];
        };
        Report("a page switch to the next sheet", median(next), "drawing one page", one_page);
        Report("a page switch to a far sheet", median(jump), "drawing one page", one_page);
    }

    // QtPdf against poppler, both writing every page of one set as PNG.
    QElapsedTimer timer;
    timer.start();
    {
        auto exporter = Make_Exporter<T_Pdf_Multipage_Wrapper>();
        int doc = -1;
        std::string error;
        exporter->Open_Doc(left, doc, error);
        exporter->Export_Pages(doc, Temp_Path("qtpdf"), -1, error, false);
        // Pages are held in memory until read by name: write them all.
        T_Page_List drawn;
        exporter->Get_Page_List(doc, drawn);
        T_Page_Store* pages = exporter->Page_Store(doc);
        for (int page = 0; page < drawn.Count(); ++page)
            pages->Write(page, error);
        pages->Finish_Writes();
    }
    double qtpdf = Elapsed_Ms(timer);
    timer.restart();
    std::string poppler = "pdftoppm -r 150 -png '" + left + "' '" + Temp_Path("poppler") + "'";
    if (std::system(poppler.c_str()) == 0)
        Report("all pages as PNG with QtPdf", qtpdf, "the same with pdftoppm", Elapsed_Ms(timer));
    QDir(QString::fromStdString(Temp_Dir())).removeRecursively();
    return 0;
}
