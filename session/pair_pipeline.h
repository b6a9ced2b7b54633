// One pair from its files to its verdict: classify the pair, prepare each
// side by its own kind, decode, compute the differences, judge. The window,
// the folder list and the comparison without a window all go through here,
// so that a pair gets the same verdict and the same count wherever it is
// compared.
#pragma once

#include "automation/office_text_compare.h"
#include "pdf/page_pair_text.h"
#include "differences/picture_alignment.h"
#include "differences/picture_difference.h"
#include "imaging/u_image_load.h"
#include "session/compared_pair.h"
#include "session/difference_task.h"
#include "session/pair_input.h"
#include "session/u_diff_session.h"

#include <QImage>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// One pair of pictures, pages or files as the pipeline judged it, with the
// pictures it compared (for a report that shows them).
struct T_Compared_Pair : T_Pair_Findings {
    QImage Base;     // the base picture, for a report that shows both
    QImage Modified; // the modified picture, for a picture of the differences
    // The modified picture as it was compared, on the base's pixels, when
    // the alignment had to redraw it (turned, scaled, moved by a fraction
    // of a pixel, its rows or columns rearranged); null otherwise. A
    // picture of the differences shows this one, where the changes lie.
    QImage Compared_Modified;
};

// The options for comparing a session's pages: PDF pages, and drawings
// drawn from a PDF, keep their drawing in place when the paper grows, and
// are laid on the larger sheet where the paper sizes differ.
T_Difference_Options Page_Comparison_Options(T_Difference_Options Options,
                                             const T_Diff_Session& Session);

// The verdict of a whole pair of files, over all its pairs of pictures.
struct T_Pair_Outcome {
    T_Verdict Verdict = T_Verdict::Identical;
    std::size_t Changed_Pixels = 0; // over every pair of pictures
    std::size_t Regions = 0;
    int Compared_Pictures = 0;
    double Changed_Share = 0; // of the last pair of pictures (the only one of a picture pair)
    std::string Error;        // the first error, one line
    int Pages = 0;            // of a file on one side only (see T_Compared_Pair)

    void Add(const T_Compared_Pair& Pair);
};

struct T_Pair_Settings {
    T_Difference_Options Differences;
    // Files that are neither pictures nor documents (text, data) are
    // compared by their bytes; otherwise they are an error.
    bool Bytes_Otherwise = false;
    // Pictures and documents with the same bytes are judged identical once
    // the file is shown sound (by its structure, else one side decoded),
    // without decoding both; such pairs hold no pictures, so this is for
    // runs that need none of an identical pair. Pictures aligned or moved
    // against each other are compared the whole way.
    bool Same_Bytes_First = false;
    T_Exporter_Factory Make_Exporter;
    // Pairs of pictures keep their two pictures (for a picture of the
    // differences, a report that shows them). Without it, two PNG or JPEG files are compared while
    // they are read, in the memory of a few rows, and no pair holds its picture.
    bool Keep_Modified_Picture = true;
    // Pairs of two PNG files that a browser shows as they are stored (whole,
    // without Exif) are compared while read all the same: a report copies
    // such files, and draws their changes from the comparison alone.
    bool Stream_Stored_Pngs = false;
    // Several pairs compared at once each read their two files on one
    // thread, so that N pairs take N cores; a lone pair reads them on two.
    bool One_Thread_Per_Pair = false;
    // Lay the modified picture on the base before comparing (whole pictures
    // are needed, so pairs are then never compared while they are read).
    T_Align_Mode Align = T_Align_Mode::Off;
    // Compares two documents (Word, Writer, RTF) by their text, when set;
    // without it they are not supported. False with the reason.
    std::function<bool(const std::string& Old, const std::string& New, T_Text_Changes& Changes,
                       std::string& Error)>
        Compare_Text;
    // Reads the start of a file that tells a picture's kind; empty: from the
    // file itself.
    T_Start_Reader Read_File_Start;
    // Called with each pair of pictures, page or one-sided file as it is
    // judged (documents have several).
    std::function<void(const T_Compared_Pair&)> On_Pair;
};

// The name that stands for a version that does not exist (the null device,
// on every system the program runs on).
inline constexpr const char* No_Version = "/dev/null";

// Compares the files Old and New (the null device for a version that does
// not exist), reported under Old_Name and New_Name.
T_Pair_Outcome Compare_Pair(const std::string& Old, const std::string& New,
                            const std::string& Old_Name, const std::string& New_Name,
                            const T_Pair_Settings& Settings);

// A picture or page as a pane shows it: its file, and the store of the
// document it is a page of (null for a picture).
struct T_Shown_File {
    std::string File;
    T_Page_Store* Pages = nullptr;
};

// The two pictures of an opened pair of pictures or pages, decoded as the
// panes show them (the base with the modified file's name as hint; a page
// drawn in memory is taken from its store, and let go unwritten afterwards).
// Sets the sizes, the modified picture and the differences, or Error.
T_Compared_Pair Compare_Shown_Pictures(const T_Shown_File& Old_Display,
                                       const T_Shown_File& New_Display, const std::string& New_File,
                                       const T_Difference_Options& Options, T_Compared_Pair Names,
                                       T_Align_Mode Align = T_Align_Mode::Off,
                                       const T_Settle_Differences& Settle = {});

// The same for two pictures decoded already.
T_Compared_Pair Compare_Decoded_Pair(const T_Loaded_Picture& Old_Picture,
                                     const T_Loaded_Picture& New_Picture,
                                     const T_Difference_Options& Options, T_Compared_Pair Pair,
                                     T_Align_Mode Align = T_Align_Mode::Off,
                                     const T_Settle_Differences& Settle = {});

// Why a pair of page pictures cannot be judged: a page whose source holds
// something to draw came out as one flat colour. Empty when both were drawn.
std::string Blank_Page_Error(const T_Compared_Pair& Pair, const QImage& Old_Picture,
                             const QImage& New_Picture);
