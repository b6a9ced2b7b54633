// Choosing one of the program's decoders, by a file's signature or by a
// format name, and running it on a whole file's bytes, as the image plugin's
// handler does.
#include "imaging/image_decoders.h"

#include <QIODevice>

using namespace imaging;

namespace {

// The decoders in the order their signatures are tried, the most specific
// first. `Names` holds the reader name of the format registry, then the
// registered extensions that name the format too.
struct T_Decoder_Entry {
    T_Image_Decoder Decoder;
    const char* Names;
    bool (*Looks_Like)(const u8* data, std::size_t size); // null: no signature
    bool (*Decode)(const T_Source& source, QImage& out, std::string& error);
};

const T_Decoder_Entry Decoders[] = {
    {T_Image_Decoder::Eps, "eps", Looks_Like_Eps, Decode_Eps},
    {T_Image_Decoder::Psd, "psd pdd", Looks_Like_Psd, Decode_Psd},
    {T_Image_Decoder::Psp, "psp", Looks_Like_Psp, Decode_Psp},
    {T_Image_Decoder::Bitmap, "winbmp", Looks_Like_Bitmap, Decode_Bitmap},
#if VARNOLT_REFERENCE_DECODERS
    {T_Image_Decoder::Png, "libpng", Looks_Like_Png, Decode_Png},
    {T_Image_Decoder::Tiff, "libtiff", Looks_Like_Tiff, Decode_Tiff},
#endif
    {T_Image_Decoder::Metafile, "metafile wmf emf", Looks_Like_Metafile, Draw_Metafile},
    {T_Image_Decoder::Sgi, "sgi rgb rgba bw", Looks_Like_Sgi, Decode_Sgi},
    {T_Image_Decoder::Pcd, "pcd", Looks_Like_Pcd, Decode_Pcd},
    {T_Image_Decoder::Autodesk, "autodesk cel pic", Looks_Like_Autodesk, Decode_Autodesk},
    {T_Image_Decoder::Targa, "targa win vst vda icb", Looks_Like_Targa, Decode_Targa},
    {T_Image_Decoder::Pcx, "pcx pcc scr", Looks_Like_Pcx, Decode_Pcx},
    {T_Image_Decoder::Rla, "rla rpf", nullptr, Decode_Rla},
    {T_Image_Decoder::Cut, "cut", nullptr, Decode_Cut},
};

const T_Decoder_Entry* Entry_Of(T_Image_Decoder decoder)
{
    for (const auto& entry : Decoders)
        if (entry.Decoder == decoder)
            return &entry;
    return nullptr;
}

} // namespace

T_Image_Decoder Detect_Image_Decoder(const u8* data, std::size_t size)
{
    for (const auto& entry : Decoders)
        if (data && size >= 4 && entry.Looks_Like && entry.Looks_Like(data, size))
            return entry.Decoder;
    return T_Image_Decoder::None;
}

T_Image_Decoder Detect_Image_Decoder(QIODevice* device)
{
    if (!device || !device->isOpen() || !device->isReadable())
        return T_Image_Decoder::None;
    // The Photo-CD signature lies at 0x800, the deepest of all.
    const QByteArray head = device->peek(4096);
    return Detect_Image_Decoder(reinterpret_cast<const u8*>(head.constData()),
                                static_cast<std::size_t>(head.size()));
}

T_Image_Decoder Decoder_For_Format(const std::string& name)
{
    for (const auto& entry : Decoders)
        if ((" " + std::string(entry.Names) + " ").find(" " + name + " ") != std::string::npos)
            return entry.Decoder;
    return T_Image_Decoder::None;
}

std::string Format_Of_Decoder(T_Image_Decoder decoder)
{
    const T_Decoder_Entry* entry = Entry_Of(decoder);
    return entry ? std::string(entry->Names).substr(0, std::string(entry->Names).find(' '))
                 : std::string();
}

bool Decode_Picture(const QByteArray& data, T_Image_Decoder decoder, const std::string& palette,
                    const T_Decode_Limits& limits, QImage& out, std::string& error)
{
    out = QImage();
    const T_Source source{reinterpret_cast<const u8*>(data.constData()),
                          static_cast<std::size_t>(data.size()), limits, palette};
    if (source.Size == 0)
        return Fail(error, "The file is empty.");
    const T_Image_Decoder by_content = Detect_Image_Decoder(source.Data, source.Size);
    const T_Decoder_Entry* entry =
        Entry_Of(by_content != T_Image_Decoder::None ? by_content : decoder);
    if (!entry)
        return Fail(error, "The picture's format is not recognised.");
    if (!entry->Decode(source, out, error)) {
        out = QImage();
        return false;
    }
    Settle_Alpha(out, false);
    return true;
}
