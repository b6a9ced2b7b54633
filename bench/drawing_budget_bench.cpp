// What the drawing budget of a PDF page rests on: how fast a page of many
// operators is drawn, and what estimating the drawing work costs.
//   1. Qt's PDF module drawing an A3 sheet of 1, 5 and 10 million line
//      segments at the panes' resolution, and poppler drawing it small for
//      its signature: the drawing rate in steps a second
//   2. estimating the steps of every page of a 50-sheet set / drawing one
//      of its sheets
// Usage: varnolt_drawing_budget_bench [MILLIONS...]   (1 5 10 by default)
#include "bench/bench_timing.h"
#include "pdf/document_worker.h"
#include "pdf/pdf_drawing_work.h"
#include "pdf/pdf_page_render.h"
#include "pdf/poppler_small_pages.h"
#include "tests/pdf/test_pdf_writer.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QPdfDocument>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace {

using bench::Elapsed_Ms;

// An A3 sheet of Segments short line segments (a few millimetres, as a
// plan's are) in paths of 100, each segment a single operator: the drawing
// of a dense plan, many times over.
test::Pdf_Page Dense_Sheet(long Segments)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x(40, 1150), y(40, 800), step(-8, 8);
    std::string ops = "0.2 w ";
    ops.reserve(std::size_t(Segments) * 16);
    char part[64];
    int at_x = 0, at_y = 0;
    for (long segment = 0; segment < Segments; ++segment) {
        const bool starts = segment % 100 == 0;
        if (starts) {
            if (segment > 0)
                ops += "S\n";
            at_x = x(random);
            at_y = y(random);
        } else {
            at_x += step(random);
            at_y += step(random);
        }
        std::snprintf(part, sizeof part, "%d %d %s\n", at_x, at_y, starts ? "m" : "l");
        ops += part;
    }
    ops += "S\n";
    return {1191, 842, std::move(ops)};
}

// A sheet like those of a drawing set: the frame and 400 lines of its own.
test::Pdf_Page Set_Sheet(int Sheet)
{
    std::mt19937 random(unsigned(Sheet) * 7919u + 1);
    std::uniform_real_distribution<double> x(40, 1150), y(40, 800);
    std::ostringstream ops;
    ops << test::Sheet_Frame(1191, 842) << "0.5 w ";
    for (int line = 0; line < 400; ++line)
        ops << x(random) << " " << y(random) << " m " << x(random) << " " << y(random) << " l S ";
    return {1191, 842, ops.str()};
}

std::string Write(const QTemporaryDir& Folder, const std::string& Name,
                  const std::vector<test::Pdf_Page>& Pages)
{
    const std::string path = Folder.filePath(QString::fromStdString(Name)).toStdString();
    std::ofstream(path, std::ios::binary) << test::Make_Pdf(Pages);
    return path;
}

double Qt_Drawing_Ms(const std::string& File)
{
    QPdfDocument document;
    On_Document_Worker([&] { document.load(QString::fromStdString(File)); });
    QElapsedTimer timer;
    timer.start();
    Render_Pdf_Page(document, 0);
    return Elapsed_Ms(timer);
}

double Poppler_Small_Ms(const std::string& File)
{
    const std::unique_ptr<T_Poppler_Small_Pages> pages = T_Poppler_Small_Pages::Open(File);
    if (!pages)
        return -1;
    QElapsedTimer timer;
    timer.start();
    pages->Draw(0, 128 * 72.0 / 1191);
    return Elapsed_Ms(timer);
}

void Report_Drawing_Rate(const QTemporaryDir& Folder, long Millions)
{
    const std::string file = Write(Folder, "dense_" + std::to_string(Millions) + ".pdf",
                                   {Dense_Sheet(Millions * 1000000)});
    QElapsedTimer timer;
    timer.start();
    const std::vector<std::uint64_t> steps = Pdf_Page_Drawing_Steps(file);
    const double estimate_ms = Elapsed_Ms(timer);
    const double qt_ms = Qt_Drawing_Ms(file);
    const double poppler_ms = Poppler_Small_Ms(file);
    const double counted = steps.empty() ? 0 : double(steps[0]);
    std::printf("%2ld M segments: %.1f M steps, estimated in %7.0f ms; Qt draws in %7.0f ms "
                "(%.2f M steps/s), poppler small in %7.0f ms (%.2f M steps/s)\n",
                Millions, counted / 1e6, estimate_ms, qt_ms, counted / qt_ms / 1e3, poppler_ms,
                counted / poppler_ms / 1e3);
    std::printf("    the budget of %.0f M steps takes Qt about %.1f s at this rate\n",
                double(Pdf_Page_Step_Budget) / 1e6,
                double(Pdf_Page_Step_Budget) / (counted / qt_ms) / 1e3);
    std::fflush(stdout);
}

void Report_Estimate_Cost(const QTemporaryDir& Folder)
{
    std::vector<test::Pdf_Page> pages;
    for (int sheet = 0; sheet < 50; ++sheet)
        pages.push_back(Set_Sheet(sheet));
    const std::string file = Write(Folder, "set_50.pdf", pages);
    const double estimate = bench::Median_Ms(5, [&] { Pdf_Page_Drawing_Steps(file); });
    const double drawing = bench::Median_Of(5, [&] { return Qt_Drawing_Ms(file); });
    bench::Report("estimate, 50 sheets", estimate, "drawing one sheet", drawing);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir folder;
    Report_Estimate_Cost(folder);
    std::vector<long> millions;
    for (int arg = 1; arg < argc; ++arg)
        millions.push_back(std::atol(argv[arg]));
    if (millions.empty())
        millions = {1, 5, 10};
    for (long count : millions)
        Report_Drawing_Rate(folder, count);
    return 0;
}
