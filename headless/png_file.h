// Writing a picture as a PNG file, put in place only once every byte is
// out: a full disk leaves no partial file.
#pragma once

#include <QImage>

#include <string>

// The reason when it fails, empty when it is written. Compressed: quickly
// (see quick_png.h), for the many pictures of a report, which must not cost
// more than the comparison that made them.
std::string Save_Png(const QImage& Picture, const std::string& Path, bool Compressed = false);
