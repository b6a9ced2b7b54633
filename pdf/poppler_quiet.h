// poppler tells the standard error what it finds amiss in a file. The file
// is read as well as it can be and Qt's module, which shows the pages, says
// what matters, so nothing of poppler's is said. Only for the files that
// use poppler.
#pragma once

#include <poppler-global.h>

#include <string>

inline void Keep_Poppler_Quiet()
{
    [[maybe_unused]] static const bool quiet =
        (poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr), true);
}
