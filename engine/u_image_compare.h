// Conversion of inputs to PNG and the making of compared images with the
// converter, plus the opening of paged documents for the diff view.
//
// Every converter run goes through Run_Batch and counts as successful
// exactly when its output file exists afterwards; the converter's exit code
// and what it prints decide nothing.
#pragma once

#include "batch_dialect.h"
#include "converter_inputs.h"
#include "file_names.h"
#include "vcs_diff_frame_const.h"

#include <string>

// What the conversion and comparison read from the diff view and call back
// on it. The view implements it; the engine never sees a widget.
class T_Compare_Source {
public:
    virtual ~T_Compare_Source() = default;

    // The files a comparison reads: the raster inputs themselves (also when
    // they were converted for display), or the PNGs of the pages shown.
    virtual std::string LeftImage() const = 0;
    virtual std::string RightImage() const = 0;
    // What the converter reads for one side: the file whose picture the pane
    // shows, in the format the pane decoded it from; for a format that the
    // converter does not read as the pane shows it (Converter_Format_Word is
    // empty), a PNG of the pane's picture. An empty file when the side has
    // no picture.
    virtual T_Compare_Input Compare_Input(bool Left) = 0;
    // 0 none, 1 svg, 2 j2k, 3 ppm: the converter's input format.
    virtual unsigned char ConverterKind() const = 0;
    // 0 raster pair, 1 Visio drawing, 2 KOMPAS drawing.
    virtual unsigned char PagedKind() const = 0;
    // Pages shown, from 0; read only for paged documents.
    virtual int LeftPage() const = 0;
    virtual int RightPage() const = 0;
    // The "Trim compared" switch and the shave value as shown (text that is
    // not an integer counts as 0).
    virtual bool Trim_Checked() const = 0;
    virtual int Shave_Value() const = 0;
    virtual T_Compare_Files_Cash& CompareCache() = 0;
    // Shows a compared image in the third pane.
    virtual void Show_Compared(const std::string& file) = 0;
    // Opens a document in the view's exporter (its Open_Doc): 0 opened,
    // 1 no such file, 2 automation error with the server's message.
    virtual int Open_Doc(const std::string& file, int& doc_index, std::string& error_text) = 0;
    // Size of the picture in the left pane (0 when empty).
    virtual int Left_Picture_Width() const = 0;
    virtual int Left_Picture_Height() const = 0;
    // Sets the largest value the shave field accepts.
    virtual void Set_Shave_Max(int maximum) = 0;
};

// Produces the compared image of the view's current pair, from the cache
// when an earlier one still exists, and has the view show it; otherwise
// shows cap_Image_Compare_Fail.
void Compare_Images(T_Compare_Source& frame);

// Converts the right, then the left input to PNG in one batch run. On
// success replaces both names by the converted files and returns true;
// otherwise shows why (a picture declared larger than the panes show, an
// input that cannot be prepared, or cap_Image_Convert_Fail) and leaves the
// names unchanged.
bool Convert_Pair(T_Compare_Source& frame, std::string& right_name, std::string& left_name);

// One conversion: a fresh output name in Temp_Dir (an old file of that name
// is deleted) and the command line that writes it, for this system. The
// converter reads the input under a private name; an SVG is read as a copy
// whose references reach only files in its own folder. False with the
// reason in `error` when the input cannot be prepared.
bool Make_Convert_Command(unsigned char converter_kind, const std::string& input,
                          std::string& output, std::string& command, std::string& error);

// Refuses an input of a conversion whose header declares a picture larger
// than the panes show (Max_Picture_Pixels), before the converter spends
// minutes and gigabytes on it. False with the message for the user.
bool Check_Declared_Size(unsigned char converter_kind, const std::string& input,
                         std::string& message);

// Opens a document of a paged pair; shows cap_File_Not_Found or
// cap_Cant_Open_File with the name and the server's message on failure.
bool Open_Paged_Document(const std::string& file_name, int& doc_index, T_Compare_Source& frame);

// Bounds the shave field by the left picture: max(1, min(W, H) / 2 - 1).
void Set_Shave_Limit(T_Compare_Source& frame);
int Shave_Limit(int width, int height);

// --- The pieces of the command lines, pure text for tests of every dialect.

// The converter's input format for a converter kind ("svg", "j2k", "ppm"),
// or "" for kind 0 and unknown kinds.
std::string Converter_Format(unsigned char converter_kind);

// " -shave NxN -trim " with trim on, " " with trim off.
std::string Trim_Part(bool trim, int shave);

// The cache key of a trim setting: 0 with trim off, the shave value with
// trim on, and -1 for trim on with shave 0, which trims and so must not
// share the entry of trim off.
int Shave_Key(bool trim, int shave);

// The compare command line for one dialect. Each input is the private name
// the converter reads and its format (Converter_Read_Argument).
std::string Compare_Command_Line(const T_Batch_Dialect& dialect, const std::string& converter,
                                 bool trim, int shave, const T_Compare_Input& left,
                                 const T_Compare_Input& right, const std::string& output);

// The conversion command line for one dialect; `format` without ":".
std::string Convert_Command_Line(const T_Batch_Dialect& dialect, const std::string& converter,
                                 const std::string& format, const std::string& input,
                                 const std::string& output);

// An output name in Temp_Dir: a fresh base name, the file name part of
// `source` (shortened so the whole name stays within Max_File_Name_Bytes)
// and `ending`. An old file of that name is deleted.
std::string Output_Name(const std::string& source, const std::string& ending);
