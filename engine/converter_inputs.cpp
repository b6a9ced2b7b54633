#include "converter_inputs.h"

#include "os_platform.h"
#include "u_temp_files.h"

#include <map>

std::string Converter_Format_Word(const std::string& decoded_format)
{
    // Formats whose first picture the converter decodes like the panes do.
    // Targa (origin), icons (which entry), metafiles (rendering), PostScript
    // previews and the rarer formats may come out differently or not at all,
    // so for them the pane's picture itself is compared.
    static const std::map<std::string, std::string> words = {
        {"png", "png"}, {"jpeg", "jpeg"}, {"jpg", "jpeg"}, {"gif", "gif"},
        {"bmp", "bmp"}, {"tiff", "tiff"}, {"tif", "tiff"},
    };
    auto word = words.find(decoded_format);
    return word == words.end() ? std::string() : word->second;
}

std::string Private_Input_Name(const std::string& file)
{
    static std::map<std::string, std::string> made;
    auto known = made.find(file);
    if (known != made.end() && os::File_Exists(known->second))
        return known->second;
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
