// A small PDF writer for tests: pages of vector drawing in the PDF's own
// operators, optional page labels, written with a correct cross-reference
// table so that any reader accepts them.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace test {

struct Pdf_Page {
    double Width = 595;  // points: A4 portrait
    double Height = 842; // points
    // Content stream, e.g. "0 0 0 RG 2 w 100 100 200 150 re S".
    std::string Content;
    // The page's resources, e.g. Helvetica_Font for text set in /F1.
    std::string Resources = "<< >>";
    // The items of the page's annotation array, e.g. "<< /Type /Annot ... >>"
    // or "7 0 R" for one of the extra objects; none when empty.
    std::string Annotations;
};

// The number of extra object `index` (from 0) of a file of `pages` pages.
inline int Extra_Object(std::size_t pages, std::size_t index) { return int(3 + 2 * pages + index); }

// Resources that name Helvetica /F1, for text such as
// "BT /F1 24 Tf 100 700 Td (Sheet) Tj ET".
inline const char* Helvetica_Font =
    "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>";

// The drawing sheet every page of a test set shares: a border and a title
// block, in black.
inline std::string Sheet_Frame(double width = 595, double height = 842)
{
    std::ostringstream ops;
    ops << "0 0 0 RG 2 w 20 20 " << width - 40 << " " << height - 40 << " re S " << width - 220
        << " 20 200 60 re S " << width - 220 << " 50 m " << width - 20 << " 50 l S ";
    return ops.str();
}

// A filled rectangle in grey shade 0 (black) to 1 (white).
inline std::string Box(double x, double y, double w, double h, double shade = 0)
{
    std::ostringstream ops;
    ops << shade << " g " << x << " " << y << " " << w << " " << h << " re f ";
    return ops.str();
}

// An A4 sheet with the frame, a box that is the same on every such sheet,
// a word in Helvetica 24 at (x, y) in points from the bottom left (the
// PDF's way), and `more` drawn besides.
inline Pdf_Page Text_Page(const std::string& text, double x = 100, double y = 700,
                          const std::string& more = "")
{
    return {595, 842,
            Sheet_Frame() + Box(300, 300, 120, 80) + "BT /F1 24 Tf " + std::to_string(x) + " " +
                std::to_string(y) + " Td (" + text + ") Tj ET " + more,
            Helvetica_Font};
}

// The file's bytes; `labels`, when given, names every page (the document's
// page labels, one prefix per page).
inline std::string Make_Pdf(const std::vector<Pdf_Page>& pages,
                            const std::vector<std::string>& labels = {},
                            const std::vector<std::string>& extra_objects = {},
                            const std::string& catalog_entries = "")
{
    std::vector<std::string> objects; // object n is objects[n - 1]
    std::ostringstream catalog;
    catalog << "<< /Type /Catalog /Pages 2 0 R";
    if (!labels.empty()) {
        catalog << " /PageLabels << /Nums [";
        for (std::size_t i = 0; i < labels.size(); ++i)
            catalog << " " << i << " << /P (" << labels[i] << ") >>";
        catalog << " ] >>";
    }
    catalog << " " << catalog_entries << " >>";
    objects.push_back(catalog.str());
    std::ostringstream kids;
    for (std::size_t i = 0; i < pages.size(); ++i)
        kids << 3 + 2 * i << " 0 R ";
    objects.push_back("<< /Type /Pages /Kids [ " + kids.str() + "] /Count " +
                      std::to_string(pages.size()) + " >>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        std::ostringstream page;
        page << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " << pages[i].Width << " "
             << pages[i].Height << "] /Contents " << 4 + 2 * i << " 0 R /Resources "
             << pages[i].Resources;
        if (!pages[i].Annotations.empty())
            page << " /Annots [ " << pages[i].Annotations << " ]";
        page << " >>";
        objects.push_back(page.str());
        objects.push_back("<< /Length " + std::to_string(pages[i].Content.size()) +
                          " >>\nstream\n" + pages[i].Content + "\nendstream");
    }
    objects.insert(objects.end(), extra_objects.begin(), extra_objects.end());
    std::string file = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t n = 0; n < objects.size(); ++n) {
        offsets.push_back(file.size());
        file += std::to_string(n + 1) + " 0 obj\n" + objects[n] + "\nendobj\n";
    }
    std::size_t xref = file.size();
    file += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        std::string digits = std::to_string(offset);
        file += std::string(10 - digits.size(), '0') + digits + " 00000 n \n";
    }
    file += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
            " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return file;
}

// Writes the file of `pages` at `path` and gives `path` back.
inline std::string Write_Pdf(const std::string& path, const std::vector<Pdf_Page>& pages)
{
    std::ofstream(path, std::ios::binary) << Make_Pdf(pages);
    return path;
}

} // namespace test
