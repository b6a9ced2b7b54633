// Parts of the pictures that a comparison leaves out: rectangles and a mask,
// in the base picture's pixels. A pixel left out is never a change, so it
// counts in no total and belongs to no region. The command line and the
// window load them through the functions here (and the mask's reader in
// imaging/ignore_mask.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct T_Ignore_Rectangle {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// One flag per pixel of a picture, rows from the top: non-zero is ignored.
struct T_Ignore_Mask {
    std::string Name; // the file it came from, for messages
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Ignored;
};

struct T_Ignore_Areas {
    std::vector<T_Ignore_Rectangle> Rectangles;
    // Shared: the options are copied for every pair compared.
    std::shared_ptr<const T_Ignore_Mask> Mask;

    bool Empty() const { return Rectangles.empty() && !Mask; }
    // Whether the pixel at (X, Y) of the base picture is left out.
    bool Ignores(std::int64_t X, std::int64_t Y) const;
    // Why the mask cannot go with a base picture of this size (a mask of
    // another size would leave out pixels the user did not mean); empty
    // when it fits or there is no mask.
    std::string Mask_Mismatch(int Base_Width, int Base_Height) const;
};

// "X,Y,W,H" (whole numbers, blanks allowed around them; the width and height
// at least 1). False with the reason, naming the text, in Error.
bool Parse_Ignore_Rectangle(const std::string& Text, T_Ignore_Rectangle& Rectangle,
                            std::string& Error);

// Adds the rectangles of a file: one "X,Y,W,H" a line; blank lines and
// lines (or line ends) after "#" are comments. False with the reason, the
// file's name and the line's number in Error; Areas is then as it was.
bool Load_Ignore_File(const std::string& Path, T_Ignore_Areas& Areas, std::string& Error);
