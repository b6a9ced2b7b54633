// PNG and JPEG files decoded row by row, the rows as Load_Picture's
// picture holds them once converted to 32 bits, for the comparison that
// compares the rows as they arrive.
#pragma once

#include "differences/streamed_difference.h"

#include <memory>
#include <string>

// The rows of a PNG or JPEG file, or null when the file is of another kind
// or one that decodes only whole or otherwise than Load_Picture decodes it
// row by row: an interlaced PNG, a JPEG in CMYK or turned by its EXIF
// orientation, a JPEG whose name another reader claims first, a picture over
// the size limit. Builds without the reference decoders have none.
std::unique_ptr<T_Row_Source> Open_Picture_Rows(const std::string& File_Name);
