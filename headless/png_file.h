// Writing a picture as a PNG file, put in place only once every byte is
// out: a full disk leaves no partial file.
#pragma once

#include <QImage>

#include <string>

// The reason when it fails, empty when it is written. Compressed spends
// more time for a smaller file (pictures kept in a report).
std::string Save_Png(const QImage& Picture, const std::string& Path, bool Compressed = false);
