// A libFuzzer target for one of the program's image handlers, chosen at build
// time by FUZZ_DECODER (a T_Image_Decoder name). The input goes through
// Decode_Picture, as the image plugin's handler runs it. The limits are small so
// that the fuzzer's memory limit catches leaks and runaway allocations rather
// than large pictures.
#include "imaging/image_decoders.h"

#include <QImage>

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    T_Decode_Limits limits;
    limits.Max_Pixels = 1024ull * 1024ull;
    limits.Max_Draw_Work = 20'000'000;
    QImage image;
    std::string error;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    bool ok = Decode_Picture(bytes, T_Image_Decoder::FUZZ_DECODER, {}, limits, image, error);
    // A handler's answer must be consistent either way.
    if (ok == image.isNull() || (!ok && error.empty()))
        __builtin_trap();
    return 0;
}
