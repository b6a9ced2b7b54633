// Whether a GIF file was cut short inside a picture's data: Qt's GIF reader
// shows the rows that arrived and fills the rest, so a cut file would pass
// for a whole picture.
#pragma once

#include <string>

// True when the file ends inside a block (a picture's data or an
// extension); a file that lacks only its closing trailer is whole, as
// viewers show it.
bool Gif_Cut_Short(const std::string& File_Name);
