// The raster formats that the image panes load directly, by extension, in
// registration order. The launcher decides by this list; the panes find the
// decoder for a file through it (see image_decoders.h).
#pragma once

#include "image_decoders.h"

#include <string>
#include <vector>

struct T_Image_Format {
    std::string Extension;   // lower case, without the dot
    std::string Description; // the format's own description, else its group's
    std::string Group;       // the description of the format's group
    T_Image_Decoder Decoder = T_Image_Decoder::None; // the decoder that reads it
};

// The 37 registered extensions, in registration order.
const std::vector<T_Image_Format>& Image_Format_Registry();

// True when the extension (with or without its dot, in any case) is registered.
bool Is_Registered_Image_Extension(const std::string& extension);

// The extension lower-cased in A to Z only, without a leading dot.
std::string Normalized_Extension(const std::string& extension);
