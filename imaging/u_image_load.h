// Decoding of the pictures the panes show, and the limit on their size.
#pragma once

#include "vocabulary/picture_limit.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <string>

class T_Page_Store;

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
    // The name of the image format that decoded the picture: Qt's own ("png",
    // "jpeg", "gif", "bmp", "tiff", ...) or one of the program's image
    // handlers ("targa", "pcx", "metafile", ...; see image_decoders.h).
    std::string Qt_Format;
    // Turned or mirrored after decoding, as the file's header asks (EXIF
    // orientation): the file as stored is not the picture shown.
    bool Oriented = false;
};

// Decodes File_Name through QImageReader: with Qt's own readers (PNG,
// GIF, JPEG, BMP, ICO, TIFF, ...) or the program's image handlers for the
// other registered formats. The formats are tried in this order until one
// reads the picture:
// with a Format_Hint (a path whose extension names a format; the left pane
// passes the right file's path, so that a base file without extension
// loads), the format that recognises the file's content, then the formats of
// the hint's extension, then those of the file's own extension;
// without a hint, the formats of the file's own extension, then the one that
// recognises the content (when the extension names none or the wrong one).
// A file with the signature of one of the program's own formats goes to that
// handler alone: every Windows bitmap, and where the reference libraries are
// built in (not on Windows), every PNG and TIFF.
// A picture whose declared size exceeds Max_Picture_Pixels (or a side of
// Max_Picture_Side) is refused before decoding, as Too_Large.
// Safe to call from several threads at once.
T_Loaded_Picture Load_Picture(const std::string& File_Name, const std::string& Format_Hint = {});

// A page of Pages (may be null) that is in memory is taken as it was drawn,
// without decoding its PNG; anything else goes through Load_Picture.
T_Loaded_Picture Load_Drawn_Or_Decoded(const T_Page_Store* Pages, const std::string& File_Name,
                                       const std::string& Format_Hint = {});
