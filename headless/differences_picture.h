// The differences of a pair as one picture: the modified version washed out
// to a light grey, removed ink in red, added ink in green, recoloured pixels
// in amber; what the comparison left out hatched in grey-blue stripes.
#pragma once

#include "differences/picture_difference.h"

#include <QImage>

QImage Differences_Picture(const QImage& Modified, const T_Difference& Difference, int Offset_X = 0,
                           int Offset_Y = 0, const T_Ignore_Areas& Ignore = {});
