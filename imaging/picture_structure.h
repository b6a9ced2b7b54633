// Whether a PNG or JPEG file is whole, told from its structure alone: two
// files with the same bytes show the same picture, and only a damaged file
// (an error on both sides) would make them anything but identical.
#pragma once

#include <string>

struct T_Picture_Structure {
    enum class T_Format { None, Png, Jpeg };
    T_Format Format = T_Format::None;
    bool Sound = false; // the structure holds together; false for any doubt
    int Width = 0, Height = 0;
    // A PNG or JPEG that carries Exif data, which may turn the picture as a
    // browser shows it.
    bool Exif = false;
    // A JPEG whose file ends before its end-of-image marker (cut short in a
    // download or a copy); not known for other files.
    bool Cut_Short = false;
};

// PNG: the signature, every chunk whole with its CRC, a valid header, the
// palette a palette picture needs, one run of image data, nothing unknown
// that a reader must understand, and the end chunk last. The image data is
// not inflated: its CRCs prove it is what the writer wrote.
// JPEG: the markers from start to end of image, each segment whole, a
// frame header of a kind the reader decodes, scans after it, and no
// orientation that would turn the picture as it is read.
// A JPEG that ends before its end-of-image marker is Cut_Short.
// Any other content, or anything unusual, is not sound: such a file must
// be decoded to be judged.
T_Picture_Structure Check_Picture_Structure(const std::string& File_Name);
