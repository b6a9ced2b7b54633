// What libpng checks of a PNG file, the same for both of the program's PNG
// readers, so that the window and --compare accept and refuse the same files.
#pragma once

#include <png.h>

// Every chunk's CRC stays checked, so a file damaged after it was written is
// refused. The zlib stream's own Adler-32 sum of the decompressed bytes is
// not: it costs a seventh of reading a screenshot, and it only finds a
// writer that compressed wrong data under correct CRCs.
inline void Skip_Stream_Checksum(png_structp Png)
{
#ifdef PNG_IGNORE_ADLER32
    png_set_option(Png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
}
