// The kinds of input a comparison handles, as the launcher classifies them
// and the diff session and view act on them, and the modes of a view.
#pragma once

#include <cstdint>
#include <string>

// How a picture that the panes cannot read reaches them: the converter turns
// it into PNG first, reading it in this format.
enum class T_Converter_Kind : std::uint8_t {
    None = 0, // the panes read the input themselves
    Svg = 1,
    J2k = 2,
    Ppm = 3,
};

// A document of several pages, exported page by page by an application.
enum class T_Paged_Kind : std::uint8_t {
    None = 0, // a pair of pictures
    Visio = 1,
    Kompas = 2,
    Pdf = 3, // drawn inside the program
};

// How the panes show their pictures; None while a view has no picture to
// show (never loaded, or its opening failed).
enum class T_View_Mode : std::uint8_t {
    None = 0,
    Actual_Size = 1,
    Fit = 2,
};

// What opening a document in its application came to.
enum class T_Open_Result : int {
    Ok = 0,
    No_File = 1,          // there is no such file; the application was not asked
    Automation_Error = 2, // the application refused it, with its message
};

// The extensions of the formats the converter turns into PNG, and the kind
// each selects.
struct T_Converter_Input {
    const char* Extension;
    T_Converter_Kind Kind;
};
extern const T_Converter_Input Converter_Input_Table[4];

// The kind for a lower-case extension; None when the converter has no part
// in showing it.
T_Converter_Kind Converter_Kind_For_Extension(const std::string& extension);

// The converter's input format for a kind ("svg", "j2k", "ppm"), or "" for
// None.
std::string Converter_Format(T_Converter_Kind kind);
