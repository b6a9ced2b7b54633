// An ignore mask read from a picture file: every pixel that is not fully
// transparent is left out of the comparison (see ignore_areas.h).
#pragma once

#include "differences/ignore_areas.h"

#include <string>

// Reads the picture at Path (UTF-8) as Areas' mask. False with the reason in
// Error, Areas as it was: the file cannot be read as a picture, or no pixel
// of it is transparent (a picture without transparency would leave out
// everything, and every pair would pass unseen).
bool Load_Ignore_Mask(const std::string& Path, T_Ignore_Areas& Areas, std::string& Error);
