#include "decode_support.h"
namespace imaging {
#define PENDING(name) bool name(const u8*, std::size_t, T_Raster&, std::string& error, const T_Decode_Limits&) { return Fail(error, "not yet"); }
PENDING(Decode_Psp)
}
