// The baseline of the PDF benchmarks: drawing the first page of each of
// two documents, as a page pair is drawn for the window, opening included.
#pragma once

#include "bench/bench_timing.h"
#include "pdf/pdf_page_render.h"

#include <QPdfDocument>

#include <string>

namespace bench {

// The median of three runs, in ms.
inline double One_Page_Pair_Ms(const std::string& Left, const std::string& Right)
{
    return Median_Ms(3, [&] {
        for (const std::string& file : {Left, Right}) {
            QPdfDocument document;
            document.load(QString::fromStdString(file));
            Render_Pdf_Page(document, 0);
        }
    });
}

} // namespace bench
