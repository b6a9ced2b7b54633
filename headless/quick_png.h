// A PNG encoder for the many pictures of a report: one fixed row filter
// ("up", which suits screenshots and drawings: their rows repeat) and
// zlib's fastest run-length deflate. Qt's writer tries every filter on
// every row, which costs several times the comparison that made the picture.
#pragma once

#include <QImage>

#include <string>

// The PNG file's bytes; 8-bit RGB, or RGBA when the picture has alpha.
// Empty for a null picture.
std::string Quick_Png(const QImage& Picture);
