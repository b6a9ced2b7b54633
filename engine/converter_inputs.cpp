#include "engine/converter_inputs.h"

#include "platform/os_platform.h"
#include "imaging/page_store.h"
#include "engine/u_temp_files.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

std::string Converter_Format_Word(const std::string& decoded_format)
{
    // Formats whose first picture the converter decodes like the panes do.
    // TIFF (orientation, inks, many layouts), Targa (origin), icons (which
    // entry), metafiles (rendering), PostScript previews and the rarer
    // formats may come out differently or not at all, so for them the
    // pane's picture itself is compared.
    static const std::map<std::string, std::string> words = {
        {"png", "png"}, {"jpeg", "jpeg"},  {"jpg", "jpeg"}, {"gif", "gif"},
        {"bmp", "bmp"}, {"libpng", "png"}, // the converter reads PNG with libpng too
    };
    auto word = words.find(decoded_format);
    return word == words.end() ? std::string() : word->second;
}

namespace {

// The number of colour components in a JPEG's frame header, or 0 when the
// header cannot be found in the first 64 KiB.
int Jpeg_Components(const std::string& file)
{
    // UTF-8 names open as such on every system.
    std::ifstream in(std::filesystem::path(std::u8string(file.begin(), file.end())),
                     std::ios::binary);
    std::string data(65536, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(in.gcount()));
    std::size_t at = 2;
    while (at + 9 < data.size()) {
        auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
        if (byte(at) != 0xFF)
            return 0;
        unsigned char marker = byte(at + 1);
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return byte(at + 9);
        at += 2 + (std::size_t{byte(at + 2)} << 8 | byte(at + 3));
    }
    return 0;
}

} // namespace

std::string Converter_Word_For_File(const std::string& file, const std::string& decoded_format)
{
    std::string word = Converter_Format_Word(decoded_format);
    if (word == "jpeg" && Jpeg_Components(file) == 4)
        return {};
    return word;
}

std::string Private_Input_Name(const std::string& file, T_Page_Store* pages)
{
    // Pairs are compared on several threads at once.
    static std::mutex lock;
    static std::map<std::string, std::string> made;
    const std::lock_guard guard(lock);
    auto known = made.find(file);
    if (known != made.end() && os::File_Exists(known->second))
        return known->second;
    // A page drawn in memory is written now, the first time it is read by
    // name.
    if (std::string error; pages && !pages->Write_Named(file, error))
        return {};
    std::string name = Temp_Path(".input");
    if (!os::Link_Or_Copy(file, name))
        return {};
    made[file] = name;
    return name;
}

std::string Converter_Read_Argument(const T_Batch_Dialect& dialect, const std::string& format,
                                    const std::string& private_name)
{
    return (format.empty() ? "" : format + ":") + dialect.Quote(private_name + "[0]");
}
