// The differences of two pictures that arrive row by row, decoded from their
// files as these are read: each band of rows is compared as soon as both
// pictures have it, so that memory holds a few bands of each picture and,
// around the changes only, the pixels by which the kinds of the changes and
// the moved shapes are judged at the end. An identical pair is done when
// both files were read once.
#pragma once

#include "differences/picture_difference.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// A picture read from the top down.
class T_Row_Source {
public:
    virtual ~T_Row_Source() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Writes the picture's next `Count` rows, Width() pixels 0xAARRGGBB each
    // (as T_Pixels holds them), `Stride` bytes apart from `Rows` on. False
    // when the picture cannot be read on (the file is damaged).
    virtual bool Read_Rows(std::uint8_t* Rows, std::ptrdiff_t Stride, int Count) = 0;
};

// Where the two sources are decoded: each on a thread of its own, working
// ahead of the comparison (one pair on two cores), or on the comparison's
// thread as it needs their rows (one core per pair, for several pairs
// compared at once).
enum class T_Stream_Threads { Decoders_Apart, One_Thread };

// What Compare_Pictures gives for the whole pictures, each source read as
// `Threads` says while the bands are compared. Empty when that answer
// cannot be promised: a source failed or has no pixels, the options place
// the modified picture at an offset, or the test of a moved shape needs
// pixels that were not kept. The caller then compares the whole pictures.
std::optional<T_Difference>
Compare_Streamed(T_Row_Source& Base, T_Row_Source& Modified, const T_Difference_Options& Options,
                 T_Stream_Threads Threads = T_Stream_Threads::Decoders_Apart);
