#include "imaging/picture_structure.h"

#include "platform/os_platform.h"
#include "vocabulary/picture_limit.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

// Reads a file in blocks, never more than one block in memory.
class T_Byte_Reader {
public:
    explicit T_Byte_Reader(const std::string& File_Name)
        : In_(os::Utf8_Path(File_Name), std::ios::binary), Block_(1 << 16)
    {
    }

    // Fills Out with the next Size bytes; false at the end of the file.
    bool Read(unsigned char* Out, std::size_t Size)
    {
        while (Size > 0) {
            if (At_ == Filled_ && !Refill())
                return false;
            const std::size_t part = std::min(Size, Filled_ - At_);
            std::memcpy(Out, Block_.data() + At_, part);
            At_ += part;
            Out += part;
            Size -= part;
        }
        return true;
    }

    // Passes the next Size bytes to Take(data, size) a block at a time.
    template <typename F> bool Pass(std::uint64_t Size, F&& Take)
    {
        while (Size > 0) {
            if (At_ == Filled_ && !Refill())
                return false;
            const std::size_t part = std::size_t(std::min<std::uint64_t>(Size, Filled_ - At_));
            Take(Block_.data() + At_, part);
            At_ += part;
            Size -= part;
        }
        return true;
    }

    // The next byte, or -1 at the end of the file.
    int Next()
    {
        if (At_ == Filled_ && !Refill())
            return -1;
        return Block_[At_++];
    }

    // Whether nothing follows.
    bool At_End() { return At_ == Filled_ && !Refill(); }

    // The bytes read and not taken yet, for a scan that looks for a byte.
    const unsigned char* Rest(std::size_t& Size)
    {
        if (At_ == Filled_ && !Refill()) {
            Size = 0;
            return nullptr;
        }
        Size = Filled_ - At_;
        return Block_.data() + At_;
    }
    void Skip_In_Block(std::size_t Size) { At_ += Size; }

private:
    bool Refill()
    {
        if (!In_)
            return false;
        In_.read(reinterpret_cast<char*>(Block_.data()), std::streamsize(Block_.size()));
        Filled_ = std::size_t(In_.gcount());
        At_ = 0;
        return Filled_ > 0;
    }

    std::ifstream In_;
    std::vector<unsigned char> Block_;
    std::size_t At_ = 0, Filled_ = 0;
};

std::uint32_t Big_Endian_32(const unsigned char* Bytes)
{
    return std::uint32_t(Bytes[0]) << 24 | std::uint32_t(Bytes[1]) << 16 |
           std::uint32_t(Bytes[2]) << 8 | Bytes[3];
}

unsigned Big_Endian_16(const unsigned char* Bytes) { return unsigned(Bytes[0]) << 8 | Bytes[1]; }

// The colour types and bit depths a PNG reader accepts.
bool Valid_Png_Format(int Depth, int Colour)
{
    switch (Colour) {
    case 0:
        return Depth == 1 || Depth == 2 || Depth == 4 || Depth == 8 || Depth == 16;
    case 3:
        return Depth == 1 || Depth == 2 || Depth == 4 || Depth == 8;
    case 2:
    case 4:
    case 6:
        return Depth == 8 || Depth == 16;
    default:
        return false;
    }
}

T_Picture_Structure Check_Png(T_Byte_Reader& In)
{
    T_Picture_Structure result;
    bool header = false, palette = false, data = false, data_ended = false;
    int colour = -1;
    for (;;) {
        unsigned char head[8];
        if (!In.Read(head, sizeof head))
            return {};
        const std::uint32_t length = Big_Endian_32(head);
        const unsigned char* type = head + 4;
        if (length > 0x7FFFFFFFu)
            return {};
        for (int i = 0; i < 4; ++i)
            if (!((type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z')))
                return {};
        const std::string name(reinterpret_cast<const char*>(type), 4);
        // The header's fields are read as they pass through the CRC.
        std::array<unsigned char, 13> fields{};
        std::size_t kept = 0;
        uLong crc = crc32(0L, type, 4);
        const bool whole = In.Pass(length, [&](const unsigned char* bytes, std::size_t size) {
            crc = crc32(crc, bytes, uInt(size));
            for (std::size_t i = 0; i < size && kept < fields.size(); ++i)
                fields[kept++] = bytes[i];
        });
        unsigned char stored[4];
        if (!whole || !In.Read(stored, 4) || Big_Endian_32(stored) != std::uint32_t(crc))
            return {};
        if (!header) {
            // The header comes first, and only once.
            if (name != "IHDR" || length != 13)
                return {};
            header = true;
            const std::uint32_t width = Big_Endian_32(fields.data()),
                                height = Big_Endian_32(fields.data() + 4);
            colour = fields[9];
            // Compression, filter and interlace methods the readers know.
            if (width == 0 || height == 0 || !Valid_Png_Format(fields[8], colour) ||
                fields[10] != 0 || fields[11] != 0 || fields[12] > 1 ||
                !Picture_Fits(width, height))
                return {};
            result.Width = int(width);
            result.Height = int(height);
            continue;
        }
        if (data && name != "IDAT")
            data_ended = true;
        if (name == "IEND") {
            // Image data came, and nothing follows the end.
            if (!data || (colour == 3 && !palette) || length != 0 || !In.At_End())
                return {};
            result.Sound = true;
            return result;
        }
        if (name == "IDAT") {
            // One run of data; a palette picture has its palette before it.
            if (data_ended || (colour == 3 && !palette) || (!data && length < 2))
                return {};
            if (!data) {
                // The zlib stream's own header: deflate, and its check bits.
                if ((fields[0] & 0x0F) != 8 || (fields[0] * 256u + fields[1]) % 31 != 0 ||
                    (fields[1] & 0x20) != 0)
                    return {};
            }
            data = true;
        } else if (name == "eXIf") {
            result.Exif = true;
        } else if (name == "PLTE") {
            if (palette || data || length == 0 || length % 3 != 0 || length > 768)
                return {};
            palette = true;
        } else if (name == "IHDR" || (type[0] >= 'A' && type[0] <= 'Z')) {
            // A second header, or a critical chunk no reader knows.
            return {};
        }
    }
}

// Frame headers of the kinds a JPEG reader decodes: baseline, extended,
// progressive and lossless, Huffman or arithmetic coded.
bool Frame_Marker(int Marker)
{
    return Marker >= 0xC0 && Marker <= 0xCF && Marker != 0xC4 && Marker != 0xC8 && Marker != 0xCC;
}

// Skips the entropy-coded data of a scan up to the marker after it (not
// a stuffed byte or a restart marker), which it returns; -1 at the end.
int Skip_Scan_Data(T_Byte_Reader& In)
{
    for (;;) {
        std::size_t size = 0;
        const unsigned char* bytes = In.Rest(size);
        if (!bytes)
            return -1;
        const void* mark = std::memchr(bytes, 0xFF, size);
        if (!mark) {
            In.Skip_In_Block(size);
            continue;
        }
        In.Skip_In_Block(std::size_t(static_cast<const unsigned char*>(mark) - bytes) + 1);
        int next = In.Next();
        while (next == 0xFF) // fill bytes before a marker
            next = In.Next();
        if (next < 0)
            return -1;
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
            continue;
        return next;
    }
}

// Whether a segment is an Exif block: it may carry an orientation that
// turns the picture as it is read, so the picture is decoded to be judged
// as it is shown.
bool Exif_Segment(int Marker, const std::vector<unsigned char>& Segment)
{
    return Marker == 0xE1 && Segment.size() >= 6 && std::memcmp(Segment.data(), "Exif\0\0", 6) == 0;
}

T_Picture_Structure Check_Jpeg(T_Byte_Reader& In)
{
    T_Picture_Structure result;
    // The file ends before its end-of-image marker: the reader makes up what
    // is missing.
    auto cut_short = [] {
        T_Picture_Structure cut;
        cut.Cut_Short = true;
        return cut;
    };
    bool frame = false, scanned = false;
    int marker = -1; // a marker already read (the one after a scan's data)
    for (;;) {
        if (marker < 0) {
            const int start = In.Next();
            if (start < 0)
                return cut_short();
            if (start != 0xFF)
                return {};
            marker = In.Next();
            while (marker == 0xFF)
                marker = In.Next();
            if (marker < 0)
                return cut_short();
        }
        if (marker == 0xD9) {
            // The end of the image, after a frame and its scans, and
            // nothing after it; an orientation would turn the picture as it
            // is read.
            if (!frame || !scanned || !In.At_End())
                return {};
            result.Sound = !result.Exif;
            return result;
        }
        // A second start, or a marker that stands only inside scan data.
        if (marker == 0xD8 || marker == 0x01 || marker == 0x00 ||
            (marker >= 0xD0 && marker <= 0xD7))
            return {};
        unsigned char length_bytes[2];
        if (!In.Read(length_bytes, 2))
            return cut_short();
        const unsigned length = Big_Endian_16(length_bytes);
        if (length < 2)
            return {};
        std::vector<unsigned char> segment(length - 2);
        if (!In.Read(segment.data(), segment.size()))
            return cut_short();
        result.Exif = result.Exif || Exif_Segment(marker, segment);
        if (Frame_Marker(marker)) {
            // One frame: precision, height, width, components.
            if (frame || segment.size() < 6)
                return {};
            frame = true;
            const unsigned height = Big_Endian_16(segment.data() + 1),
                           width = Big_Endian_16(segment.data() + 3), components = segment[5];
            if (width == 0 || height == 0 || components == 0 ||
                segment.size() != 6 + 3 * std::size_t(components) || !Picture_Fits(width, height))
                return {};
            result.Width = int(width);
            result.Height = int(height);
        }
        if (marker == 0xDA) {
            // A scan belongs to a frame; its data runs to the next marker.
            if (!frame)
                return {};
            scanned = true;
            marker = Skip_Scan_Data(In);
            if (marker < 0)
                return cut_short();
            continue;
        }
        marker = -1;
    }
}

} // namespace

T_Picture_Structure Check_Picture_Structure(const std::string& File_Name)
{
    T_Byte_Reader in(File_Name);
    unsigned char start[8];
    if (!in.Read(start, 2))
        return {};
    T_Picture_Structure structure;
    if (start[0] == 0xFF && start[1] == 0xD8) {
        structure = Check_Jpeg(in);
        structure.Format = T_Picture_Structure::T_Format::Jpeg;
        return structure;
    }
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::memcmp(start, png, 2) == 0 && in.Read(start + 2, 6) &&
        std::memcmp(start, png, 8) == 0) {
        structure = Check_Png(in);
        structure.Format = T_Picture_Structure::T_Format::Png;
    }
    return structure;
}
