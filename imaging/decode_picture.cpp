// Decoding a whole file's bytes with one of the program's decoders into a
// QImage, as the image plugin's handler does.
#include "image_decoders.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstring>

using namespace imaging;

namespace {

// The QImage takes over the decoded pixels instead of copying them: a large
// drawing is then held once, not twice, while it is shown.
QImage To_QImage(T_Raster&& Raster)
{
    auto* pixels = new std::vector<std::uint8_t>(std::move(Raster.Pixels));
    return QImage(
        pixels->data(), Raster.Width, Raster.Height, Raster.Width * 4,
        Raster.Has_Alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888,
        [](void* owned) { delete static_cast<std::vector<std::uint8_t>*>(owned); }, pixels);
}

// The TIFF preview of an EPS file, through Qt's TIFF reader; its size is
// checked against the limits before it is decoded.
bool Decode_Tiff_Preview(const QByteArray& tiff, const T_Decode_Limits& limits, QImage& out,
                         std::string& error)
{
    QBuffer buffer;
    buffer.setData(tiff);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "tiff");
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (size.isValid() && !Check_Raster_Size(size.width(), size.height(), limits, error))
        return false;
    if (limits.Max_Pixels == 0)
        return Fail(error, "The preview's size is unknown.");
    if (!reader.read(&out))
        return Fail(error, "The EPS file's TIFF preview cannot be read: " +
                               reader.errorString().toStdString());
    return true;
}

} // namespace

T_Image_Decoder Detect_Image_Decoder(QIODevice* device)
{
    if (!device || !device->isOpen() || !device->isReadable())
        return T_Image_Decoder::None;
    // The Photo-CD signature lies at 0x800, the deepest of all.
    const QByteArray head = device->peek(4096);
    return Detect_Image_Decoder(reinterpret_cast<const std::uint8_t*>(head.constData()),
                                static_cast<std::size_t>(head.size()));
}

bool Decode_Picture(const QByteArray& data, T_Image_Decoder decoder, const std::string& palette,
                    const T_Decode_Limits& limits, QImage& out, std::string& error)
{
    out = QImage();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    const auto size = static_cast<std::size_t>(data.size());
    if (size == 0)
        return Fail(error, "The file is empty.");
    const T_Image_Decoder by_content = Detect_Image_Decoder(bytes, size);
    if (by_content != T_Image_Decoder::None)
        decoder = by_content;
    T_Raster raster;
    bool ok = false;
    switch (decoder) {
    case T_Image_Decoder::None:
        return Fail(error, "The picture's format is not recognised.");
    case T_Image_Decoder::Metafile:
        return Draw_Metafile(bytes, size, out, error, limits);
    case T_Image_Decoder::Eps: {
        // Only the binary header of DOS EPS files points at a picture this
        // program can draw: a TIFF or a Windows metafile preview. PostScript
        // itself is not interpreted.
        if (size >= 30 && Get_U32_LE(bytes) == 0xC6D3D0C5) {
            const std::uint32_t wmf_at = Get_U32_LE(bytes + 12), wmf_len = Get_U32_LE(bytes + 16);
            const std::uint32_t tiff_at = Get_U32_LE(bytes + 20), tiff_len = Get_U32_LE(bytes + 24);
            auto inside = [size](std::uint32_t at, std::uint32_t len) {
                return len > 0 && at <= size && len <= size - at;
            };
            if (inside(tiff_at, tiff_len))
                return Decode_Tiff_Preview(data.mid(tiff_at, tiff_len), limits, out, error);
            if (inside(wmf_at, wmf_len))
                return Draw_Metafile(bytes + wmf_at, wmf_len, out, error, limits);
            if (tiff_len || wmf_len)
                return Fail(error, "The EPS file's preview lies outside the file.");
        } else if (size < 10 || std::memcmp(bytes, "%!PS-Adobe", 10) != 0) {
            return Fail(error, "This is not an Encapsulated PostScript file.");
        }
        return Fail(
            error,
            "The EPS file has no TIFF or metafile preview, and PostScript itself cannot be shown.");
    }
    case T_Image_Decoder::Targa:
        ok = Decode_Targa(bytes, size, raster, error, limits);
        break;
    case T_Image_Decoder::Pcx:
        ok = Decode_Pcx(bytes, size, raster, error, limits);
        break;
    case T_Image_Decoder::Rla:
        ok = Decode_Rla(bytes, size, raster, error, limits);
        break;
    case T_Image_Decoder::Sgi:
        ok = Decode_Sgi(bytes, size, raster, error, limits);
        break;
    case T_Image_Decoder::Psd:
        ok = Decode_Psd(bytes, size, raster, error, limits);
        break;
    case T_Image_Decoder::Autodesk:
        ok = Decode_Autodesk(bytes, size, raster, error, limits);
        break;
    case T_Image_Decoder::Pcd:
        ok = Decode_Pcd(bytes, size, raster, error, limits);
        break;
    case T_Image_Decoder::Cut:
        ok = Decode_Cut(bytes, size, palette, raster, error, limits);
        break;
    case T_Image_Decoder::Psp:
        ok = Decode_Psp(bytes, size, raster, error, limits);
        break;
    case T_Image_Decoder::Rle_Bitmap:
        ok = Decode_Rle_Bitmap(bytes, size, raster, error, limits);
        break;
    }
    if (ok)
        out = To_QImage(std::move(raster));
    return ok && (!out.isNull() || Fail(error, "There is not enough memory for the picture."));
}
