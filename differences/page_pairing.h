// Pairing the pages of two versions of a document by what they show, for
// documents whose pages carry no identifier that survives an edit: sheets
// are inserted, deleted and reordered between revisions, and a page must be
// compared with its true counterpart, not with the page at its position.
#pragma once

#include <cstdint>
#include <vector>

// A small picture of a page's ink, enough to tell pages apart and to find
// the same sheet again after an edit.
struct T_Page_Signature {
    // Side of the grey picture, in cells.
    static constexpr int Cells = 32;
    // Ink per cell (0 white to 1 black), Cells x Cells in rows from the top,
    // of the page fitted into the square (the page is stretched, so the
    // cells of a portrait and a landscape page both fill it).
    std::vector<float> Ink;
    // The share of all ink in each row and each column of cells (each sums
    // to 1; all 0 on an empty page).
    std::vector<float> Row_Profile;
    std::vector<float> Column_Profile;
    // Width / height of the page.
    double Aspect = 1.0;
    // Equal nonzero hashes mean the pages show exactly the same: a hash of
    // the page's full-resolution picture, or of what the page is drawn
    // from. 0: not known.
    std::uint64_t Content_Hash = 0;
    // A hash of a drawing of the page at a resolution fixed by its paper
    // size (the full one, or a small one for the signature): nonzero hashes
    // that differ mean the pages differ; equal ones prove nothing when the
    // drawing was small. 0: not known.
    std::uint64_t Sketch_Hash = 0;
    // The picture's size in pixels. Both sides' pages are drawn at one
    // resolution, so sizes compare as paper sizes; 0 when unknown.
    int Width = 0, Height = 0;
};

// The signature of a page from its grey picture (0 black to 255 white, one
// byte per pixel, rows from the top, `stride` bytes apart).
T_Page_Signature Make_Page_Signature(const std::uint8_t* grey, int width, int height, int stride,
                                     std::uint64_t content_hash);

// How unlike two pages look: 0 for the same ink, about 1 for pages with
// nothing in common; pages of different shape are further apart. Cells
// weigh by the square root of their ink, so that a filled shape does not
// outweigh line work. Pages of one shape whose paper sizes differ (A3 and
// A2) are also compared with the smaller laid on the larger at the scale of
// their pixels, and the nearer of the two readings counts.
double Page_Distance(const T_Page_Signature& a, const T_Page_Signature& b);

// For each page of `own`, the page of `other` with the same content hash,
// the k-th such page to the k-th (which keeps them in order); -1 for none
// and for a hash of 0 (unknown).
std::vector<int> Same_Hash_Pages(const std::vector<std::uint64_t>& own,
                                 const std::vector<std::uint64_t>& other);

// When two pages count as the same sheet. A distance alone cannot say: an
// edited sheet of a sparse drawing may be further from its old self than
// two dense sheets of text are from each other. So each page is measured
// against its alternatives: the median of its distances to the other pages
// of its own document (other sheets for certain) and to the other
// document's pages but its nearest. Leaving a page alone costs half of
// Ratio times that median, held between half the Floor and half the
// Ceiling, and the pairing of least total cost (the pairs' distances plus
// the costs of the pages left alone) is taken. Two pages thus pair when
// their distance is below the sum of their two halves, about Ratio times
// what an unrelated sheet is from them, when nothing else claims them more
// cheaply: the assignment is the global form of "each is the other's
// nearest". The Ceiling holds also where there are no alternatives (one page
// against one), so that unrelated documents of one page do not pair; the
// Floor lets identical pages pair in documents whose pages are all alike.
//
// Measured on drawn sets of six sheets at 150 dpi (tests/differences/
// drawn_sheets.h): a sheet's distance from its old self is 0.10 with a
// filled box of 1 % of its area added, 0.33 with 5 %, 0.00 after all
// sheets gained a frame and title block, 0.20 to 0.30 on paper grown from
// A3 to A2 at the drawing's scale and 0.03 to 0.05 with the drawing grown
// with it, while the nearest other sheet of the set is 0.50 to 0.67 away.
// One page against one (nothing taken out): 0.04 to 0.35 for those edits,
// 0.74 for a page of another drawing without the frame; sheets sharing one
// frame are 0.30 to 0.43 apart and do pair then, as nothing tells them
// from an edit. A sheet turned to landscape is 1.2 to 1.4 from anything.
struct T_Pairing_Rule {
    double Ratio = 0.6;
    double Ceiling = 0.5;
    double Floor = 0.05;
};

// Which page of the other side each page is paired with, -1 for none.
struct T_Page_Pairing {
    std::vector<int> Left_To_Right;
    std::vector<int> Right_To_Left;
};

// The pairing of least total cost under the rule. Among equally good
// pairings pages keep their order (a blank page pairs with the blank page at
// its own position). The distances are taken without the ink that most
// pages of both sides share (a drawing set's frame and title block), which
// would otherwise make every sheet look like every other; with fewer than
// four pages in all nothing is taken out. Pages that show exactly the same
// (equal nonzero content hashes, the k-th such page on the left with the
// k-th on the right) pair first, and only the rest are assigned; such a page
// may come without cells (an empty Ink: not drawn, as its hash already names
// its counterpart), and then nothing is read from it. Long sets (hundreds of
// pages) pair the rest in bands along the documents, so that thousands of
// pages pair in seconds.
T_Page_Pairing Pair_Pages(const std::vector<T_Page_Signature>& left,
                          const std::vector<T_Page_Signature>& right,
                          const T_Pairing_Rule& rule = {});
