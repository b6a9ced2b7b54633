#include "imaging/gif_completeness.h"

#include "platform/os_platform.h"

#include <fstream>

namespace {

// Bytes of a colour table that a flags byte announces.
std::streamoff Colour_Table_Bytes(int Flags)
{
    return (Flags & 0x80) ? 3 * (std::streamoff(1) << ((Flags & 7) + 1)) : 0;
}

class T_Gif_Blocks {
public:
    explicit T_Gif_Blocks(const std::string& File_Name)
        : In_(os::Utf8_Path(File_Name), std::ios::binary)
    {
    }

    // The next byte, or -1 at the end of the file.
    int Next() { return In_.get(); }

    // Skips Count bytes; false when the file ends first.
    bool Skip(std::streamoff Count)
    {
        if (Count <= 0)
            return true;
        In_.seekg(Count - 1, std::ios::cur);
        return In_.get() >= 0;
    }

    // Skips a run of data sub-blocks up to its terminating empty one; false
    // when the file ends first.
    bool Skip_Sub_Blocks()
    {
        for (;;) {
            const int size = Next();
            if (size < 0)
                return false;
            if (size == 0)
                return true;
            if (!Skip(size))
                return false;
        }
    }

    bool Opened() const { return bool(In_); }

private:
    std::ifstream In_;
};

} // namespace

bool Gif_Cut_Short(const std::string& File_Name)
{
    T_Gif_Blocks in(File_Name);
    char signature[6];
    for (char& c : signature)
        c = char(in.Next());
    if (!in.Opened() || std::string(signature, 3) != "GIF")
        return false; // not a GIF: its reader says what it is
    // The logical screen: width, height, flags, background, aspect.
    int screen[7];
    for (int& b : screen)
        if ((b = in.Next()) < 0)
            return true;
    if (!in.Skip(Colour_Table_Bytes(screen[4])))
        return true;
    for (;;) {
        const int block = in.Next();
        if (block < 0 || block == 0x3B)
            return false; // the trailer, or the end between two blocks
        if (block == 0x21) {
            if (in.Next() < 0 || !in.Skip_Sub_Blocks())
                return true;
        } else if (block == 0x2C) {
            // Position and size (8 bytes), flags, a local colour table, the
            // code size, and the picture's data.
            if (!in.Skip(8))
                return true;
            const int flags = in.Next();
            if (flags < 0 || !in.Skip(Colour_Table_Bytes(flags)) || in.Next() < 0 ||
                !in.Skip_Sub_Blocks())
                return true;
        } else {
            return false; // a block no GIF reader knows: left to the reader
        }
    }
}
