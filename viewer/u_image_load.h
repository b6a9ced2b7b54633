// Decoding of the pictures the panes show, and the limit on their size.
#pragma once

#include "picture_limit.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <string>

// Qt's own allocation limit in megabytes, set so that a picture of
// Max_Picture_Pixels decodes even at 64 bits per pixel (16-bit PNG). Qt's
// default of 256 MB refuses anything beyond about 8000 x 8000.
constexpr int Image_Allocation_Limit_MB = 2048;

// Sets Qt's image allocation limit to Image_Allocation_Limit_MB. Qt lets the
// environment variable QT_IMAGEIO_MAXALLOC override that call, but the program
// takes no configuration from the environment, so the variable is removed
// first. Qt reads the variable only once, when the first image is read;
// the program must therefore call this before anything reads an image (icons
// included). Returns true when the limit is in force afterwards. Calling it
// again is harmless.
bool Configure_Image_Limits();

enum class T_Picture_Load_Result { Loaded, Too_Large, Unreadable };

struct T_Loaded_Picture {
    T_Picture_Load_Result Result = T_Picture_Load_Result::Unreadable;
    QImage Image;       // null unless Loaded
    QSize Stored_Size;  // the size the file's header declares, when it could be read
    std::string Reason; // why an unreadable file could not be decoded, when known
    // The name of Qt's format that decoded the picture ("png", "jpeg", ...);
    // empty when the program's own decoders did.
    std::string Qt_Format;
};

// Decodes File_Name once: with Qt's decoders where Qt reads the format (they
// are the fastest and keep grey pictures at one byte a pixel), else with the
// program's own decoders of every registered format.
// With a Format_Hint (a path whose extension names a format): the decoder
// that recognises the file's content; failing that, the decoder of the hint's
// extension; failing that, the decoder of the file's own extension.
// Without a hint: the decoder of the file's own extension, and the one that
// recognises the content when the extension names none or the wrong one.
T_Loaded_Picture Load_Picture(const std::string& File_Name, const std::string& Format_Hint = {});

struct T_Raster;
// A picture of the program's decoders as a QImage that owns its pixels.
QImage To_QImage(T_Raster&& Raster);

// The Qt image format that decodes files with this registered extension
// (with or without the dot, any case), or an empty array when Qt has no
// decoder for it on this machine.
QByteArray Qt_Format_For_Extension(const std::string& Extension);
