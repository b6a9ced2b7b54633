// The differences between two versions of a picture, computed in the
// program: which pixels were added, removed or recoloured, grouped into
// change regions that a reviewer can step through, with moved shapes told
// apart from shapes that were removed in one place and added in another.
#pragma once

#include "differences/ignore_areas.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A picture in memory: 32-bit pixels 0xAARRGGBB in native byte order (the
// layout of QImage::Format_RGB32 and Format_ARGB32), rows `Stride` bytes
// apart.
struct T_Pixels {
    const std::uint8_t* Data = nullptr;
    int Width = 0;
    int Height = 0;
    std::ptrdiff_t Stride = 0;
};

enum class T_Pixel_Change : std::uint8_t {
    Same = 0,
    Removed = 1, // ink only in the base
    Added = 2,   // ink only in the modified picture
    Changed = 3, // both have something there, in colours that differ
};

struct T_Difference_Options {
    // 0 to 100: how far apart two colours may be and still count as the
    // same, in steps of a perceptual (YIQ) colour distance; 100 accepts
    // every pair. It applies to opacity on the same scale: a pixel whose
    // opacity differs by more than Tolerance % of full opacity is changed,
    // whatever the colours under it (so opaque white against transparent is
    // a change at every tolerance below 100).
    int Tolerance = 10;
    // Does not count a pixel as changed when it is an anti-aliased edge
    // pixel in either picture, so re-rendered lines and text do not light up.
    bool Ignore_Antialiasing = true;
    // Where the modified picture's top left lies in the base's pixels.
    int Offset_X = 0;
    int Offset_Y = 0;
    // Changed pixels this close (in picture pixels) belong to one region.
    int Region_Gap = 16;
    // A removed shape whose ink reappears this close with the same shape is
    // one moved change.
    int Move_Reach = 64;
    // Pixels that count as unchanged whatever they show (a date stamp, a
    // rendered clock), in the base's pixels.
    T_Ignore_Areas Ignore;
    // Pages whose drawing keeps its place when the paper grows (a sheet
    // redrawn from A3 on A2): of two sizes, the smaller is compared as laid
    // at the top left of a blank sheet of the larger's size, so that only
    // ink the other page lacks counts there. The sizes still differ: the
    // paper size changed (Paper_Size_Differs).
    bool Pages_On_Larger_Sheet = false;
};

// A square block of the comparison's area where something changed: one
// T_Pixel_Change per pixel, rows from the top. Blocks without any change are
// not kept, so identical areas cost nothing.
struct T_Change_Tile {
    static constexpr int Side = 64;
    int Left = 0; // in the area's pixels
    int Top = 0;
    std::vector<std::uint8_t> Changes; // Side * Side, clipped tiles padded with Same
};

struct T_Change_Region {
    enum class T_Kind { Added, Removed, Changed, Moved };
    T_Kind Kind = T_Kind::Changed;
    // Bounding box in the area's pixels (for a moved shape: both places).
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    std::size_t Pixels = 0; // changed pixels inside
    // Moved: how far the shape went, from the base to the modified picture.
    int Dx = 0;
    int Dy = 0;
};

// A rectangle of pixels.
struct T_Rectangle {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// One edit as a reviewer names it: the regions of one word or line, of one
// retouched spot, or the two places of a shape that moved.
struct T_Change {
    enum class T_Kind { Added, Removed, Changed, Moved, Moved_Changed };
    T_Kind Kind = T_Kind::Changed;
    // Where it lies in the base and in the modified picture as compared, in
    // the area's pixels (the same box twice, save for moved shapes).
    T_Rectangle Old_Box;
    T_Rectangle New_Box;
    // Moved: how far the shape went, from the base to the modified picture.
    int Dx = 0;
    int Dy = 0;
    std::size_t Pixels = 0; // changed pixels of its regions
    // Its regions, as indexes into the difference's Regions, in their order.
    std::vector<std::size_t> Regions;

    bool Is_Move() const { return Kind == T_Kind::Moved || Kind == T_Kind::Moved_Changed; }
};

// "added", "removed", "changed", "moved", "moved and changed".
const char* Change_Kind_Word(T_Change::T_Kind Kind);
// "3 changes (1 moved)", "1 change", "no changes": moved counts moved
// shapes, changed or not.
std::string Changes_Summary(const std::vector<T_Change>& Changes);
std::string Changes_Summary(std::size_t Changes, std::size_t Moved);

struct T_Difference {
    // The area compared: the union of both pictures, in the base's pixels
    // (the left or top is negative when the offset moves the modified
    // picture beyond the base's top left). What lies outside one picture
    // counts as added or removed.
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    std::vector<T_Change_Tile> Tiles; // ordered by Top, then Left
    std::size_t Changed_Pixels = 0;
    // Ordered top to bottom, then left to right.
    std::vector<T_Change_Region> Regions;
    // The regions grouped into edits, top to bottom, then left to right.
    std::vector<T_Change> Changes;
    // False when the computation was cancelled before it ended.
    bool Complete = true;
    // The two pictures' own sizes. Pixels of one picture that the other
    // does not cover are all counted (as added or removed area), so that
    // two pictures of different sizes never pass for the same; of pages
    // laid on the larger sheet, only the ink there is.
    int Base_Width = 0, Base_Height = 0;
    int Modified_Width = 0, Modified_Height = 0;

    // The pictures were pages of two paper sizes, the smaller laid on a
    // sheet of the larger (T_Difference_Options::Pages_On_Larger_Sheet).
    bool On_Larger_Sheet = false;

    bool Size_Differs() const
    {
        return Base_Width != Modified_Width || Base_Height != Modified_Height;
    }

    bool Paper_Size_Differs() const { return On_Larger_Sheet && Size_Differs(); }

    double Changed_Share() const
    {
        return Width > 0 && Height > 0 ? double(Changed_Pixels) / (double(Width) * Height) : 0.0;
    }
    // The change of one pixel of the area (Same outside every tile).
    T_Pixel_Change At(int X, int Y) const;
};

// Compares the two pictures on all cores. `Cancel`, when given and set,
// ends the work early (the result is then not Complete).
T_Difference Compare_Pictures(const T_Pixels& Base, const T_Pixels& Modified,
                              const T_Difference_Options& Options,
                              const std::atomic<bool>* Cancel = nullptr);
