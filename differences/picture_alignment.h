// Comparing two pictures after laying one on the other: a drawing
// re-exported with its origin moved, a scan placed, scaled or turned a
// little, or a page with content inserted in its middle would otherwise show
// every line as removed and added. The window and the command line both
// compare through Compare_Aligned.
#pragma once

#include "differences/picture_difference.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class T_Align_Mode {
    Off,   // pixel (x, y) against pixel (x, y)
    Shift, // the whole modified picture moved (and, for scans, scaled and turned)
    Bands, // rows aligned as a line diff aligns lines: inserted and removed bands
};

// "off", "shift", "bands"; false for another word.
bool Parse_Align_Mode(const std::string& Word, T_Align_Mode& Mode);
const char* Align_Mode_Word(T_Align_Mode Mode);

// Rows present on one side only.
struct T_Row_Band {
    enum class T_Kind { Added, Removed };
    T_Kind Kind = T_Kind::Added;
    // Rows [From, To) of the modified picture (Added) or of the base (Removed).
    int From = 0;
    int To = 0;
};

// Columns present on one side only, within a stretch of rows whose content
// moved sideways (a table column widened pushes the columns right of it).
struct T_Column_Band {
    T_Row_Band::T_Kind Kind = T_Row_Band::T_Kind::Added;
    // Columns [From, To) of the modified picture (Added) or of the base
    // (Removed), through its rows [Top, Bottom).
    int From = 0;
    int To = 0;
    int Top = 0;
    int Bottom = 0;
};

// Base rows [Top, Bottom) compared column by column with the modified
// columns Column_Map gives for each base column (-1: a removed column).
struct T_Column_Block {
    int Top = 0;
    int Bottom = 0;
    std::vector<int> Column_Map;
};

struct T_Alignment {
    T_Align_Mode Mode = T_Align_Mode::Off;
    // False: the pictures were compared as they are (no clear match, or Off).
    bool Aligned = false;
    // An alignment was found, but the pair compared as it lies has fewer
    // changed pixels, or no more changes: that result stands.
    bool Did_Not_Help = false;
    // Shift: where base pixel (x, y) lies in the modified picture:
    // Scale * rotated(x, y) + (Dx, Dy), the rotation about the base's top
    // left, positive clockwise as shown.
    double Dx = 0;
    double Dy = 0;
    double Scale = 1;
    double Rotation_Degrees = 0;
    // Bands: the bands, top to bottom on each side, and for each base row
    // the modified row compared with it (-1: a removed row). Before the
    // rows are aligned, a clear sideways move of the whole modified picture
    // is taken off (Dx; Dy stays 0, as the rows take up a move down).
    std::vector<T_Row_Band> Bands;
    std::vector<int> Row_Map;
    // Bands: stretches of paired rows whose content moved sideways, aligned
    // column by column, and the columns present on one side only there.
    std::vector<T_Column_Block> Column_Blocks;
    std::vector<T_Column_Band> Column_Bands;

    // "aligned", "no clear match" or "did not help" (also "off").
    std::string Status() const;
    // One line for a person: "Aligned: modified shifted by 12, -7 px".
    std::string Summary() const;
    // Where a rectangle of the base's pixels lies in the modified picture.
    T_Rectangle To_Modified(const T_Rectangle& In_Base) const;
    // Bands: the width and height in the modified picture of the added band
    // that goes in at `In_Base`, a rectangle of no height (rows added) or no
    // width (columns added) in the base's pixels; its own size otherwise.
    std::pair<int, int> Added_Band_Size(const T_Rectangle& In_Base) const;

private:
    // Bands: the modified columns a rectangle of base columns lies on (its
    // left and width), through a column block its rows meet.
    std::pair<int, int> Columns_In_Modified(const T_Rectangle& In_Base) const;
};

struct T_Aligned_Difference {
    T_Alignment Alignment;
    // In the base's pixels, as Compare_Pictures gives it. Aligned by bands,
    // the added bands' ink counts among the changed pixels and each band is
    // an Added region of no height at the base row where it goes in (a band
    // of columns: of no width at the base column where it goes in).
    T_Difference Difference;
    // The modified picture as it was compared, on the base's pixels, when it
    // had to be redrawn (turned, scaled, moved by a fraction of a pixel, or
    // its rows rearranged); empty when it was compared as it is (with an
    // offset). Rows packed, 0xAARRGGBB.
    std::vector<std::uint32_t> Aligned_Pixels;
    int Aligned_Width = 0;
    int Aligned_Height = 0;
};

// Aligns the modified picture on the base as `Mode` says, then compares.
// `Options`' offset is replaced by the alignment's; its ignored areas stay
// in the base's pixels. An aligned result is taken only when it explains
// the pair better than the pair as it lies: fewer changed pixels and no
// more changes. Bands also try a whole-page move and take whichever of the
// two leaves fewer changed pixels. Otherwise (no clear match, or an
// alignment that did not help) the pictures are compared as they are and
// the alignment says so.
T_Aligned_Difference Compare_Aligned(const T_Pixels& Base, const T_Pixels& Modified,
                                     T_Align_Mode Mode, T_Difference_Options Options,
                                     const std::atomic<bool>* Cancel = nullptr);
