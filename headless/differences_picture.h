// The differences of a pair as one picture: the modified version washed out
// to a light grey, removed ink in red, added ink in green, recoloured pixels
// in amber; what the comparison left out hatched in grey-blue stripes.
#pragma once

#include "differences/picture_difference.h"

#include <QImage>

QImage Differences_Picture(const QImage& Modified, const T_Difference& Difference, int Offset_X = 0,
                           int Offset_Y = 0, const T_Ignore_Areas& Ignore = {});

// The changes alone, to be laid over the modified picture shown washed out:
// an 8-bit picture of the area whose colour table holds a clear colour
// where nothing changed, the colours above, and the stripes. It is made
// without the pictures, from the comparison's changes alone.
QImage Differences_Overlay(const T_Difference& Difference, const T_Ignore_Areas& Ignore = {});
