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
    // A hash of the page's full-resolution picture: equal hashes mean the
    // page shows exactly the same.
    std::uint64_t Content_Hash = 0;
};

// The signature of a page from its grey picture (0 black to 255 white, one
// byte per pixel, rows from the top, `stride` bytes apart).
T_Page_Signature Make_Page_Signature(const std::uint8_t* grey, int width, int height, int stride,
                                     std::uint64_t content_hash);

// How unlike two pages look: 0 for the same ink, about 1 for pages with
// nothing in common; pages of different shape are further apart.
double Page_Distance(const T_Page_Signature& a, const T_Page_Signature& b);

// Leaving a page without a counterpart costs this much: two pages are paired
// only when they are closer than twice this. Within a drawing set (its frame
// and title block taken out, see Pair_Pages) an edited sheet stays below
// about 0.4 and another sheet comes out above about 0.6.
constexpr double Unpaired_Page_Cost = 0.25;

// Which page of the other side each page is paired with, -1 for none.
struct T_Page_Pairing {
    std::vector<int> Left_To_Right;
    std::vector<int> Right_To_Left;
};

// The pairing of least total cost: the distances of the paired pages plus
// Unpaired_Page_Cost for every page left alone. Among equally good pairings
// pages keep their order (a blank page pairs with the blank page at its
// own position). The distances are taken without the ink that most pages of
// both sides share (a drawing set's frame and title block), which would
// otherwise make every sheet look like every other; with fewer than four
// pages in all nothing is taken out.
T_Page_Pairing Pair_Pages(const std::vector<T_Page_Signature>& left,
                          const std::vector<T_Page_Signature>& right,
                          double unpaired_cost = Unpaired_Page_Cost);
