// The raster formats that the image panes load directly, by extension, in
// registration order. The launcher decides by this list; the panes find the
// image readers for a file's extension through it.
#pragma once

#include <string>
#include <vector>

struct T_Image_Format {
    std::string Extension;   // lower case, without the dot
    std::string Description; // the format's own description, else its group's
    std::string Group;       // the description of the format's group
    // The names of the image readers for this extension, to be tried in this
    // order: Qt's own where it has one, or the program's own handler first
    // where Qt reads only some variants and some wrongly (Targa).
    std::vector<std::string> Readers;
};

// The 37 registered extensions, in registration order.
const std::vector<T_Image_Format>& Image_Format_Registry();

// True when the extension (with or without its dot, in any case) is registered.
bool Is_Registered_Image_Extension(const std::string& extension);

// The readers registered for an extension (with or without its dot, any
// case); empty when the extension is not registered.
std::vector<std::string> Readers_For_Extension(const std::string& extension);
