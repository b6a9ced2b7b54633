// A changed share as the reports write it. A share rounded to nothing would
// read as "unchanged" beside a verdict of "different" (one pixel of a
// 4000 x 4000 picture is 0.00000006), so a share that is not zero always
// keeps digits enough to show it.
#pragma once

#include <string>

// The share (0..1) as a JSON number: six decimals, more for a share too
// small to show in six (0.0000000625), never an exponent.
std::string Share_Json_Number(double Share);

// The share in percent, without the sign: two decimals, more for a share
// too small to show in two ("0.0000063").
std::string Share_Percent(double Share);
