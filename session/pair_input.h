// A pair of files as the program takes it in: for each side the name the
// user gave, the name to read it by, and what kind of file it is, worked out
// once where the pair enters (the launcher, the pair pipeline) and handed to
// everything that compares or reports it.
#pragma once

#include "session/pair_kinds.h"

#include <cstddef>
#include <functional>
#include <string>

// Reads up to Bytes of a file's start; "" when it cannot be read.
using T_Start_Reader = std::function<std::string(const std::string& File, std::size_t Bytes)>;

struct T_Input_Side {
    std::string Path;     // as given; the null device for a version that does not exist
    std::string Readable; // the name to read it by (see Readable_Name)
    // By its name's extension (see Classify_File).
    T_Diff_Kind Kind = dk_Unsupported;
    T_Converter_Kind Converter = T_Converter_Kind::None;
    T_Paged_Kind Paged = T_Paged_Kind::None;
    bool Text_Document = false; // see Is_Text_Document
    // By its first bytes, once Read_Picture_Sides has read them.
    T_Picture_Side Picture;
    bool Picture_Known = false;

    bool Missing() const;
};

struct T_Pair_Input {
    T_Input_Side Old, New;
    // The side whose kind decides the pair's route: the modified file, or
    // the base when the modified version does not exist.
    const T_Input_Side& Decides() const { return New.Missing() ? Old : New; }
    // Pictures whose sides are each prepared by their own first bytes.
    bool Is_Picture_Pair() const
    {
        return Decides().Kind == dk_Image || Decides().Kind == dk_Convert;
    }
};

// The record of a pair; nothing is read (but a name Qt cannot spell gets
// its link). Both names must have passed the input check: a pipe's first
// bytes, once read, are gone.
T_Pair_Input Pair_Input_Of(const std::string& Old, const std::string& New);

// Reads the first bytes of each side that exists, once: a side already
// known is not read again.
void Read_Picture_Sides(T_Pair_Input& Input, const T_Start_Reader& Read = {});
