#include "decode_support.h"
namespace imaging {
#define PENDING(name) bool name(const u8*, std::size_t, T_Raster&, std::string& error, const T_Decode_Limits&) { return Fail(error, "not yet"); }
PENDING(Decode_Metafile) PENDING(Decode_Eps) PENDING(Decode_Rla) PENDING(Decode_Autodesk) PENDING(Decode_Pcd) PENDING(Decode_Psp)
bool Decode_Cut(const u8*, std::size_t, const std::string&, T_Raster&, std::string& error, const T_Decode_Limits&) { return Fail(error, "not yet"); }
bool Looks_Like_Metafile(const u8*, std::size_t) { return false; }
bool Looks_Like_Autodesk(const u8*, std::size_t) { return false; }
bool Looks_Like_Pcd(const u8*, std::size_t) { return false; }
}
