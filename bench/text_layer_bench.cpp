// What reading the text of one changed word costs as a page's text grows:
// the old and the new version of a page of 1,600 words, one word changed,
// against the same on a page of 100 words. Each run opens both versions'
// text layers afresh, as the change list does for a new pair, reads the
// page's words and takes the text of the changed word's box on each side.
// Wall and CPU time (the document worker's included), medians of five runs.
// Usage: varnolt_text_layer_bench   (run by bench/run.sh)
#include "bench/bench_timing.h"
#include "pdf/pdf_drawn_file.h"
#include "pdf/pdf_region_text.h"
#include "tests/pdf/test_pdf_writer.h"

#include <QElapsedTimer>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Runs = 5, Words_A_Line = 20;
// The word that differs between the versions: the first of the last line.
constexpr const char *Old_Word = "w0000", *New_Word = "x9999";

double Cpu_Ms() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

// A page of `words` words in lines of twenty, small type filling an A4
// sheet as a dense schedule does; the first word of the last line is
// `changed`.
std::string Page_Of_Words(int words, const std::string& changed)
{
    const int lines = (words + Words_A_Line - 1) / Words_A_Line;
    std::string content;
    for (int line = 0; line < lines; ++line) {
        std::string text;
        for (int word = line * Words_A_Line; word < std::min(words, (line + 1) * Words_A_Line);
             ++word) {
            char name[16];
            std::snprintf(name, sizeof name, "w%04d", word);
            const bool last_line_first = line == lines - 1 && word == line * Words_A_Line;
            text += (text.empty() ? "" : " ") + (last_line_first ? changed : std::string(name));
        }
        content +=
            "BT /F1 6 Tf 30 " + std::to_string(810 - 9.5 * line) + " Td (" + text + ") Tj ET\n";
    }
    return test::Make_Pdf({{595, 842, content, test::Helvetica_Font}});
}

struct T_Cost {
    double Wall = 0, Cpu = 0;
};

// Both versions' text of the changed word, read from fresh text layers.
T_Cost Changed_Word_Cost(const QTemporaryDir& folder, int words)
{
    const std::string old_file =
        folder.filePath(QStringLiteral("old_%1.pdf").arg(words)).toStdString();
    const std::string new_file =
        folder.filePath(QStringLiteral("new_%1.pdf").arg(words)).toStdString();
    std::ofstream(old_file, std::ios::binary) << Page_Of_Words(words, Old_Word);
    std::ofstream(new_file, std::ios::binary) << Page_Of_Words(words, New_Word);
    // The window has looked at both files before it reads their text.
    Pdf_Drawn_File(old_file);
    Pdf_Drawn_File(new_file);
    std::vector<double> walls, cpus;
    std::string texts;
    std::size_t read = 0;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = Cpu_Ms();
        T_Pdf_Text_Layer old_layer(old_file), new_layer(new_file);
        const T_Page_Words& old_page = old_layer.Words(0);
        const T_Page_Words& new_page = new_layer.Words(0);
        T_Rectangle box{0, 0, 1, 1};
        for (const T_Page_Word& word : old_page.Words)
            if (word.Text == Old_Word)
                box = {int(word.Left) + 2, int(word.Top) + 2, 4, 4};
        texts = Text_In(old_page, box) + " -> " + Text_In(new_page, box);
        cpus.push_back(Cpu_Ms() - cpu);
        walls.push_back(bench::Elapsed_Ms(timer));
        read = old_page.Words.size();
    }
    std::printf("(%d words a page: %zu read, the changed word %s)\n", words, read, texts.c_str());
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const T_Cost small = Changed_Word_Cost(folder, 100);
    const T_Cost large = Changed_Word_Cost(folder, 1600);
    bench::Report("a changed word, 1,600-word page, wall", large.Wall, "on a 100-word page, wall",
                  small.Wall);
    bench::Report("a changed word, 1,600-word page, CPU", large.Cpu, "on a 100-word page, CPU",
                  small.Cpu);
    return 0;
}
