#include "headless/share_text.h"

#include <cmath>
#include <cstdio>

namespace {

// Value with Decimals decimals, or with two significant digits when that
// would print a non-zero value as zero.
std::string Fixed_Keeping_Nonzero(double Value, int Decimals)
{
    if (Value > 0 && Value < 0.5 * std::pow(10.0, -Decimals))
        Decimals = int(-std::floor(std::log10(Value))) + 1;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", Decimals, Value);
    return text;
}

} // namespace

std::string Share_Json_Number(double Share) { return Fixed_Keeping_Nonzero(Share, 6); }

std::string Share_Percent(double Share) { return Fixed_Keeping_Nonzero(Share * 100, 2); }
