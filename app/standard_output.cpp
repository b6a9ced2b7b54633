#include "app/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

int Code_After_Output(int Code)
{
    // A failure of this last flush tells its reason; one of a flush before
    // (each pair's line goes out as it is judged) is known only to have
    // happened.
    errno = 0;
    std::cout.flush();
    // The streams write through the C library's own buffer.
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout.good();
    if (written)
        return Code;
    const int error = errno;
    std::cerr << "varnolt: cannot write the standard output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
    return 2;
}
