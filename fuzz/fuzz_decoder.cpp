// A libFuzzer target for one decoder, chosen at build time by FUZZ_DECODER
// (a T_Image_Decoder name). The limits are small so that the fuzzer's memory
// limit catches leaks and runaway allocations rather than large pictures.
#include "image_decoders.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    T_Decode_Limits limits;
    limits.Max_Pixels = 1024ull * 1024ull;
    limits.Max_Draw_Work = 20'000'000;
    T_Raster raster;
    std::string error;
    bool ok = Decode_With(T_Image_Decoder::FUZZ_DECODER, data, size, raster, error, limits);
    // A decoder's answer must be consistent either way.
    if (ok != !raster.Pixels.empty() || (!ok && error.empty()) ||
        (ok && raster.Pixels.size() != static_cast<std::size_t>(raster.Width) * raster.Height * 4))
        __builtin_trap();
    return 0;
}
