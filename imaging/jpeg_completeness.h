// Whether a JPEG file cut short would be shown with made-up pixels: JPEG
// readers fill what is missing with grey and report success, so the same
// cut file would be "identical" to itself and a cut copy "changed" in its
// missing rows.
#pragma once

#include <string>

// True when the file ends before its end-of-image marker and its picture
// data does not reach the end of the picture (a file that lacks only the
// final marker shows whole and is not cut short).
bool Jpeg_Cut_Short(const std::string& File_Name);
