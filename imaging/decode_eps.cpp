// Encapsulated PostScript: only the binary header of DOS EPS files points at
// a picture this program can draw, a TIFF or a Windows metafile preview.
// PostScript itself is not interpreted.
#include "imaging/image_decoders.h"

#include <QBuffer>
#include <QImageReader>

#include <cstring>

namespace imaging {

namespace {

// The TIFF preview, through Qt's TIFF reader; its size is checked against
// the limits before it is decoded.
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

bool Looks_Like_Eps(const u8* data, std::size_t size)
{
    return (size >= 4 && Get_U32_LE(data) == 0xC6D3D0C5) ||
           (size >= 10 && std::memcmp(data, "%!PS-Adobe", 10) == 0);
}

bool Decode_Eps(const T_Source& source, QImage& out, std::string& error)
{
    const u8* data = source.Data;
    const std::size_t size = source.Size;
    if (size >= 30 && Get_U32_LE(data) == 0xC6D3D0C5) {
        const std::uint32_t wmf_at = Get_U32_LE(data + 12), wmf_len = Get_U32_LE(data + 16);
        const std::uint32_t tiff_at = Get_U32_LE(data + 20), tiff_len = Get_U32_LE(data + 24);
        auto inside = [size](std::uint32_t at, std::uint32_t len) {
            return len > 0 && at <= size && len <= size - at;
        };
        if (inside(tiff_at, tiff_len))
            return Decode_Tiff_Preview(
                QByteArray(reinterpret_cast<const char*>(data + tiff_at), tiff_len), source.Limits,
                out, error);
        if (inside(wmf_at, wmf_len))
            return Draw_Metafile({data + wmf_at, wmf_len, source.Limits, source.Palette}, out,
                                 error);
        if (tiff_len || wmf_len)
            return Fail(error, "The EPS file's preview lies outside the file.");
    } else if (!Looks_Like_Eps(data, size)) {
        return Fail(error, "This is not an Encapsulated PostScript file.");
    }
    return Fail(
        error,
        "The EPS file has no TIFF or metafile preview, and PostScript itself cannot be shown.");
}

} // namespace imaging
